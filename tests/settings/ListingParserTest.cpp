#include "ParserFixture.h"

#include "CodecTestSupport.h"
#include "settings/CommandBuilder.h"
#include "settings/ConfigFile.h"

#include <gtest/gtest.h>

using namespace codectest;
using Icon = MessageSink::Icon;
using Buttons = MessageSink::Buttons;

namespace {

const QString kFlow2 = QStringLiteral(
    "The saved configuration or module has a value of &K2 for flow control.\r\n"
    "This value is not yet supported and has been changed to &K3 (CTS/RTS).\r\n"
    "The module MUST be reprogrammed for the change to take effect.");
const QString kInvalidMode = QStringLiteral(
    "An invalid operating mode was read from the module!\r\n"
    "Both transparent and controlled mode options were selected together.\r\n"
    "Please reconfigure the module.");
const QString kFast620 = QStringLiteral(
    "Fast Controlled Mode operation has been detected. This mode is not\r\n"
    "supported by the 620. Ensure use of the correct module AND configuration software");

QString conversionText(const QByteArray &listing) {
    ParserRig rig;
    try {
        rig.parse(listing);
    } catch (const EConvertError &e) {
        return e.message();
    }
    return QStringLiteral("(parsed)");
}

// The value field f holds after parsing the module listing with item replaced.
int parsedWith(const QByteArray &item, const QByteArray &replacement, Field f) {
    ParserRig rig;
    rig.parse(withItem(moduleListing(), item, replacement));
    return rig.get(f);
}

void expectFields(const ParserRig &rig, std::initializer_list<std::pair<Field, int>> expected) {
    for (const auto &[f, v] : expected)
        EXPECT_EQ(rig.get(f), v) << fieldInfo(f).name;
}

TEST(ListingParser, ModuleListingFillsEveryField) {
    ParserRig rig;
    rig.priorS21 = -5;
    rig.model.set(Field::sreg_21, 3);
    rig.parse(moduleListing());

    EXPECT_TRUE(rig.messages.empty()) << rig.messages.texts().join(" | ").toStdString();
    EXPECT_EQ(rig.model.mode(), OperatingMode::OpAutoConnectMaster);
    // Adv_Numeric 1: the V of the echoed AT&V is flushed away.
    expectFields(rig, {{Field::Radio_DataRate, 1}, {Field::Serial_Baud, 9},     {Field::Adv_Echo, 1},
                       {Field::Adv_Resp, 1},       {Field::Adv_Numeric, 1},     {Field::Adv_Response, 2},
                       {Field::Serial_Stop, 0},    {Field::Serial_Data, 1},     {Field::Serial_Parity, 1},
                       {Field::Serial_DCD, 2},     {Field::Serial_DTR, 1},      {Field::Radio_Crc, 1},
                       {Field::ed_TM_GrpAdd1, 7},  {Field::Serial_Flow, 3},     {Field::Adv_Abort, 1},
                       {Field::ed_TM_SysAdd, 33},  {Field::ed_CM_UnitAdd, 12},  {Field::ed_TM_GrpAdd2, 12},
                       {Field::ed_CM_LinkRst, 9},  {Field::sreg_0, 3},          {Field::sreg_1, 1200},
                       {Field::sreg_2, 42},        {Field::sreg_3, 14},         {Field::sreg_4, 11},
                       {Field::sreg_5, 9},         {Field::sreg_6, 6},          {Field::sreg_7, 4},
                       {Field::sreg_8, 8},         {Field::sreg_9, 87},         {Field::sreg_10, 200},
                       {Field::sreg_11, 5},        {Field::sreg_12, 3},         {Field::sreg_13, 2},
                       {Field::sreg_14, 220},      {Field::sreg_16, 16},        {Field::sreg_17, 17},
                       {Field::sreg_18, 40},       {Field::sreg_19, 7},         {Field::sreg_20, 99},
                       {Field::sreg_21, 2},        {Field::Z0_Rpt1, 4},         {Field::Z0_Dest, 9},
                       {Field::Z1_Dest, 11},       {Field::Z2_Dest, 0},         {Field::Z3_Dest, 6}});
    EXPECT_EQ(rig.model.savedDtrChoice(), 1);
    EXPECT_TRUE(rig.model.plcMode());
    EXPECT_EQ(rig.priorS21, 3) << "S21 as it was before the listing's own";
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(rig.get(repeaterField(3, k)), k);
    EXPECT_TRUE(rig.text.startsWith(" S17:17 ")) << "the listing is consumed up to S17";
}

TEST(ListingParser, FileLineParsesBackToItsSettings) {
    ParserRig rig;
    rig.model.set(Field::sreg_9, 0);
    QByteArray line = codectest::readData("golden/transparent_example.40B");
    ASSERT_TRUE(line.endsWith("\r\n"));
    line.chop(2);
    rig.parse(line, true);
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.model.mode(), OperatingMode::OpTransparent);
    expectFields(rig, {{Field::Serial_Baud, 6}, {Field::Serial_Data, 1}, {Field::Serial_Parity, 0},
                       {Field::Serial_Stop, 0}, {Field::sreg_1, 1000}, {Field::sreg_14, 530},
                       {Field::sreg_10, 10}, {Field::sreg_20, 0}, {Field::Z1_Dest, 0},
                       {Field::Z0_Dest, 0}, {Field::TM_Auto_OnLine, 0}, {Field::Radio_Crc, 1}});
    EXPECT_FALSE(rig.model.plcMode());
    // Rebuilt, it gives the same line.
    EXPECT_EQ(FileLineFromJoined(JoinCommandList(BuildCommandList(rig.model.settings()))), line);
}

TEST(ListingParser, FileModeSkipsModuleOnlyRegisters) {
    const QByteArray listing = moduleListing();
    ParserRig module;
    module.parse(listing);
    ParserRig file;
    file.parse(listing, true);
    expectFields(module, {{Field::sreg_9, 87}, {Field::sreg_12, 3}, {Field::sreg_13, 2}});
    expectFields(file, {{Field::sreg_9, 0}, {Field::sreg_12, 0}, {Field::sreg_13, 0}});
    // A file without them parses; a module listing without them fails.
    const QByteArray without = withItem(withItem(withItem(listing, "S9:87 ", ""), "S12:3 ", ""), "S13:2 ", "");
    ParserRig fileOnly;
    EXPECT_NO_THROW(fileOnly.parse(without, true));
    EXPECT_EQ(fileOnly.get(Field::sreg_14), 220);
    ParserRig moduleOnly;
    EXPECT_THROW(moduleOnly.parse(without), EConvertError);
}

TEST(ListingParser, ValueForms) {
    EXPECT_EQ(parsedWith("C9 ", "C10 ", Field::Serial_Baud), 10);
    ParserRig rig;
    rig.parse(withItem(moduleListing(), "&B6 ", "&B13 "));
    expectFields(rig, {{Field::Serial_Stop, 1}, {Field::Serial_Data, 0}, {Field::Serial_Parity, 3}});
    // Only the low four bits of the character format count.
    rig.parse(withItem(moduleListing(), "&B6 ", "&B31 "));
    expectFields(rig, {{Field::Serial_Stop, 1}, {Field::Serial_Data, 1}, {Field::Serial_Parity, 3}});
    // Choice indices beyond the list are handed over.
    rig.parse(withItem(withItem(moduleListing(), "C9 ", "C77 "), "X2 ", "X8 "));
    expectFields(rig, {{Field::Serial_Baud, 77}, {Field::Adv_Response, 8}});
    // A short number reads at most two characters, a digit one.
    EXPECT_EQ(parsedWith("C9 ", "C123 ", Field::Serial_Baud), 12);
    EXPECT_EQ(conversionText(withItem(moduleListing(), "C9 ", "C1\r\n")), "'1\r' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "B1 ", "B12 ")), "(parsed)");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&D1 ", "&Dx ")), "'x' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&G7 ", "&G ")), "'' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&G7 ", "&G7a ")), "'7a' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&G7 ", "")), "'' is not a valid integer value")
        << "a key that does not occur";
}

TEST(ListingParser, NumbersAreKeptAsSixteenBitsThenClamped) {
    EXPECT_EQ(parsedWith("S0:3 ", "S0:65535 ", Field::sreg_0), 255);
    EXPECT_EQ(parsedWith("S0:3 ", "S0:65536 ", Field::sreg_0), 0) << "65536 keeps its low 16 bits";
    EXPECT_EQ(parsedWith("S0:3 ", "S0:+7 ", Field::sreg_0), 7);
    EXPECT_EQ(parsedWith("S1:60 ", "S1:2 ", Field::sreg_1), 60) << "scaled, then clamped";
    EXPECT_EQ(parsedWith("S14:100 ", "S14:65535 ", Field::sreg_14), 530);
    EXPECT_EQ(parsedWith("S10:20 ", "S10:65535 ", Field::sreg_10), 2550);
    EXPECT_EQ(conversionText(withItem(moduleListing(), "S0:3 ", "S0:4294967296 ")),
              "'4294967296' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "S0:3 ", "S0:- ")), "'-' is not a valid integer value");

    EXPECT_EQ(listing::toInt("2147483647"), 2147483647);
    EXPECT_THROW(listing::toInt("2147483648"), EConvertError);
    EXPECT_THROW(listing::toInt("1 "), EConvertError);
    EXPECT_THROW(listing::toInt("0x10"), EConvertError);
}

TEST(ListingParser, NegativeNumbersAreConversionFailures) {
    // Each would otherwise wrap or clamp into a valid choice ("C-1" into 115200).
    const std::pair<QByteArray, QByteArray> items[] = {
        {"C9 ", "C-1 "},       {"&B6 ", "&B-1 "}, {"&G7 ", "&G-1 "},   {"&U12 ", "&U-5 "},
        {"S0:3 ", "S0:-1 "},   {"S10:20 ", "S10:-1 "}, {"S18:40 ", "S18:-0 "}, {"&Z0=4,9 ", "&Z0=4,-9 "},
    };
    for (const auto &[item, negative] : items)
        EXPECT_TRUE(conversionText(withItem(moduleListing(), item, negative)).endsWith("' is not a valid integer value"))
            << negative.constData();
}

TEST(ListingParser, FlowControlCodes) {
    const int expected[][2] = {{0, 0}, {3, 1}, {4, 2}, {5, 3}, {7, 7}};
    for (const auto &[k, index] : expected) {
        ParserRig rig;
        rig.parse(withItem(moduleListing(), "&K5 ", "&K" + QByteArray::number(k) + ' '));
        EXPECT_EQ(rig.get(Field::Serial_Flow), index) << "&K" << k;
        EXPECT_TRUE(rig.messages.empty());
    }
    for (int k : {1, 2}) {
        ParserRig rig;
        rig.parse(withItem(moduleListing(), "&K5 ", "&K" + QByteArray::number(k) + ' '));
        EXPECT_EQ(rig.get(Field::Serial_Flow), 1);
        ASSERT_EQ(rig.messages.count(), 1);
        EXPECT_EQ(rig.messages.last().icon, Icon::Error);
        EXPECT_EQ(rig.messages.last().buttons, Buttons::Ok);
        QString text = kFlow2;
        EXPECT_EQ(rig.messages.last().text, text.replace("&K2 for", QStringLiteral("&K%1 for").arg(k)));
    }
}

TEST(ListingParser, ModeDerivation) {
    struct Case {
        QByteArray l, m;
        OperatingMode mode;
        int online;  // -1: not checked
        bool invalid;
    };
    const Case cases[] = {
        {"3", "2", OperatingMode::OpAutoConnectSlave, -1, false},
        {"9", "7", OperatingMode::OpAutoConnectSlave, -1, false},
        {"0", "2", OperatingMode::OpSingleConnect, -1, false},
        {"1", "2", OperatingMode::OpSingleConnect, -1, false},
        {"2", "2", OperatingMode::OpAutoConnectMaster, -1, false},
        {"1", "1", OperatingMode::OpTransparentRepeater, 1, false},
        {"0", "1", OperatingMode::OpTransparentRepeater, 0, false},
        {"0", "0", OperatingMode::OpTransparent, 0, false},
        {"2", "0", OperatingMode::OpTransparent, 1, true},  // keeps its default
    };
    for (const Case &c : cases) {
        ParserRig rig;
        rig.parse(withItem(moduleListing(), "&L2 &M2 ", "&L" + c.l + " &M" + c.m + ' '));
        EXPECT_EQ(rig.model.mode(), c.mode) << "&L" << c.l.constData() << " &M" << c.m.constData();
        if (c.online >= 0)
            EXPECT_EQ(rig.get(Field::TM_Auto_OnLine), c.online);
        EXPECT_EQ(rig.get(Field::chk_CM_Fast), 0);
        if (c.invalid) {
            ASSERT_EQ(rig.messages.count(), 1);
            EXPECT_EQ(rig.messages.last().text, kInvalidMode);
            EXPECT_EQ(rig.messages.last().icon, Icon::Error);
            EXPECT_EQ(rig.get(Field::sreg_21), 2) << "the parse goes on";
        } else {
            EXPECT_TRUE(rig.messages.empty());
        }
    }
}

TEST(ListingParser, FastOperationOnBothClasses) {
    const QByteArray fast = withItem(withItem(moduleListing(), "&M2 ", "&M3 "), "&U12 ", "&U20 ");

    ParserRig rig740(RadioClass::Class740);
    rig740.parse(fast);
    EXPECT_EQ(rig740.model.mode(), OperatingMode::OpAutoConnectMaster);
    EXPECT_EQ(rig740.get(Field::chk_CM_Fast), 1);
    EXPECT_EQ(rig740.get(Field::ed_CM_UnitAdd), 15);
    EXPECT_EQ(rig740.get(Field::ed_TM_GrpAdd2), 15);
    ASSERT_EQ(rig740.messages.count(), 1);
    EXPECT_EQ(rig740.messages.last().icon, Icon::Warning);
    EXPECT_EQ(rig740.messages.last().buttons, Buttons::Ok);
    EXPECT_EQ(rig740.messages.last().text,
              "Error: Unit address of 20 is out of range. Reprogram module with a valid address.");

    ParserRig rig620(RadioClass::Class620);
    const ModuleSettings defaults = rig620.model.settings();
    rig620.parse(fast);
    ASSERT_EQ(rig620.messages.count(), 1);
    EXPECT_EQ(rig620.messages.last().text, kFast620);
    EXPECT_EQ(rig620.messages.last().icon, Icon::Error);
    ModuleSettings after = rig620.model.settings();
    after[Field::ed_TM_SysAdd] = defaults[Field::ed_TM_SysAdd];  // drawn anew by the defaults
    EXPECT_EQ(after, defaults);
    EXPECT_EQ(rig620.model.mode(), OperatingMode::OpTransparent);
    EXPECT_EQ(rig620.priorS21, -1) << "nothing after the mode is read";
}

TEST(ListingParser, UnitAddressLimits) {
    ParserRig transparent;
    transparent.parse(withItem(withItem(moduleListing(), "&L2 &M2 ", "&L1 &M0 "), "&U12 ", "&U200 "));
    EXPECT_EQ(transparent.get(Field::ed_TM_GrpAdd2), 200);
    EXPECT_EQ(transparent.get(Field::ed_CM_UnitAdd), 127);
    EXPECT_TRUE(transparent.messages.empty());

    ParserRig controlled;
    controlled.parse(withItem(moduleListing(), "&U12 ", "&U200 "));
    EXPECT_EQ(controlled.get(Field::ed_CM_UnitAdd), 127);
    EXPECT_EQ(controlled.get(Field::ed_TM_GrpAdd2), 127);
    ASSERT_EQ(controlled.messages.count(), 1);
    EXPECT_EQ(controlled.messages.last().text,
              "Error: Unit address of 200 is out of range. Reprogram module with a valid address.");

    ParserRig edge;
    edge.parse(withItem(withItem(moduleListing(), "&M2 ", "&M3 "), "&U12 ", "&U15 "));
    EXPECT_EQ(edge.get(Field::ed_CM_UnitAdd), 15);
    EXPECT_TRUE(edge.messages.empty());

    EXPECT_EQ(parsedWith("&U12 ", "&U0 ", Field::ed_CM_UnitAdd), 1) << "clamped by the field";
}

TEST(ListingParser, OptionalRegisters) {
    ParserRig noThresholds;
    noThresholds.parse(withItem(withItem(moduleListing(), "S18:40 ", ""), "S19:7 ", ""));
    EXPECT_EQ(noThresholds.get(Field::sreg_18), 0);
    EXPECT_EQ(noThresholds.get(Field::sreg_19), 0);
    EXPECT_FALSE(noThresholds.model.plcMode());
    EXPECT_TRUE(noThresholds.messages.empty());

    ParserRig s19Only;
    s19Only.parse(withItem(withItem(moduleListing(), "S18:40 ", ""), "S19:7 ", "S19:5 "));
    EXPECT_EQ(s19Only.get(Field::sreg_18), 0);
    EXPECT_EQ(s19Only.get(Field::sreg_19), 5);
    EXPECT_TRUE(s19Only.model.plcMode());

    EXPECT_NE(conversionText(withItem(moduleListing(), "S18:40 ", "S18:x ")), "(parsed)")
        << "present but unreadable thresholds fail";

    EXPECT_EQ(parsedWith("S20:99 ", "", Field::sreg_20), 100);
    EXPECT_EQ(parsedWith("S20:99 ", "S20:? ", Field::sreg_20), 100);
    EXPECT_EQ(parsedWith("S21:2 ", "S21=2 ", Field::sreg_21), 2);
    EXPECT_EQ(parsedWith("S21:2 ", "S21:z S21=3 ", Field::sreg_21), 3);
    EXPECT_EQ(parsedWith("S21:2 ", "", Field::sreg_21), 0);
    EXPECT_EQ(parsedWith("S21:2 ", "S21= ", Field::sreg_21), 0);
}

TEST(ListingParser, Routes) {
    const auto routed = [](const QByteArray &z0) {
        auto rig = std::make_unique<ParserRig>();
        rig->parse(withItem(moduleListing(), "&Z0=4,9 ", "&Z0=" + z0 + ' '));
        return rig;
    };
    auto r = routed("0,5");
    EXPECT_EQ(r->get(Field::Z0_Rpt1), 0);
    EXPECT_EQ(r->get(Field::Z0_Dest), 5);
    r = routed("3,0,9");
    EXPECT_EQ(r->get(Field::Z0_Dest), 3);
    EXPECT_EQ(r->get(Field::Z0_Rpt1), 0);
    r = routed("1,2,3,4,5,6");
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(r->get(repeaterField(0, k)), k);
    EXPECT_EQ(r->get(Field::Z0_Dest), 6);
    r = routed("1,2,3,4,5,6,junk");
    EXPECT_EQ(r->get(Field::Z0_Dest), 6) << "items after the sixth are not read";
    r = routed("5,2,");
    EXPECT_EQ(r->get(Field::Z0_Rpt1), 5);
    EXPECT_EQ(r->get(Field::Z0_Dest), 2);
    r = routed("");
    EXPECT_EQ(r->get(Field::Z0_Dest), 0);
    r = routed("300,200");
    EXPECT_EQ(r->get(Field::Z0_Rpt1), 127);
    EXPECT_EQ(r->get(Field::Z0_Dest), 200);

    EXPECT_EQ(conversionText(withItem(moduleListing(), "&Z0=4,9 ", "&Z0=,5 ")), "'' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&Z0=4,9 ", "&Z0=5,,2 ")), "'' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&Z0=4,9 ", "&Z0=5,a ")), "'a' is not a valid integer value");

    // Repeaters beyond the ones given keep what they held.
    ParserRig keep;
    keep.model.set(Field::Z1_Rpt2, 33);
    keep.parse(withItem(moduleListing(), "&Z1=11 ", "&Z1=4,11 "));
    EXPECT_EQ(keep.get(Field::Z1_Rpt1), 4);
    EXPECT_EQ(keep.get(Field::Z1_Rpt2), 33);
    EXPECT_EQ(keep.get(Field::Z1_Dest), 11);

    // A listing cut right after the last key gives an empty route.
    QByteArray cut = moduleListing();
    cut.truncate(cut.indexOf("&Z3=") + 4);
    ParserRig end;
    end.parse(cut);
    EXPECT_EQ(end.get(Field::Z3_Dest), 0);
    cut.chop(1);
    ParserRig shorter;
    shorter.parse(cut);
    EXPECT_EQ(shorter.get(Field::Z3_Dest), 0);
}

TEST(ListingParser, LowPowerFollowsTheDtrRead) {
    ParserRig rig;
    rig.model.selectMode(OperatingMode::OpAutoConnectMaster);
    rig.model.set(Field::chk_CM_LowPow, 1);
    ASSERT_EQ(rig.get(Field::Serial_DTR), 3);
    rig.parse(moduleListing());  // &D1
    EXPECT_EQ(rig.get(Field::Serial_DTR), 1);
    EXPECT_EQ(rig.get(Field::chk_CM_LowPow), 0);
    EXPECT_EQ(rig.model.savedDtrChoice(), 1);

    EXPECT_EQ(parsedWith("&D1 ", "&D3 ", Field::Serial_DTR), 3);
    EXPECT_EQ(parsedWith("&D1 ", "&D3 ", Field::chk_CM_LowPow), 1);
}

TEST(ListingParser, NoThresholdQuestionDuringAParse) {
    ParserRig rig;
    ASSERT_TRUE(rig.model.plcMode());
    // Radio rate and Fast Operation both change; neither asks.
    rig.parse(withItem(withItem(moduleListing(), "B1 ", "B2 "), "&M2 ", "&M3 "));
    EXPECT_EQ(rig.messages.countOf(QStringLiteral("Automatically adjust S18 & S19 (recommended)?")), 0);
    EXPECT_EQ(rig.get(Field::sreg_18), 40);
}

TEST(ListingParser, FlushBufferUpTo) {
    QByteArray text = "abcdef";
    int prior = 0;
    FakeMessages msgs;
    SettingsModel model(variantOf(RadioClass::Class740), msgs);
    ListingParser parser(text, model, prior);
    parser.FlushBufferUpTo(0);
    EXPECT_EQ(text, "abcdef");
    parser.FlushBufferUpTo(-4);
    EXPECT_EQ(text, "abcdef");
    parser.FlushBufferUpTo(1);
    EXPECT_EQ(text, "abcdef");
    parser.FlushBufferUpTo(3);
    EXPECT_EQ(text, "cdef");
    parser.FlushBufferUpTo(5);
    EXPECT_EQ(text, "");
    text = "xyz";
    parser.FlushBufferUpTo(100);
    EXPECT_EQ(text, "");

    text = "a S1:5 S10:x";
    EXPECT_EQ(parser.GetConfigValue("S1:"), 5);
    EXPECT_EQ(parser.TryGetConfigValue("S19:"), 0);
    EXPECT_THROW(parser.TryGetConfigValue("S10:"), EConvertError);
    EXPECT_THROW(parser.GetConfigValue("S2:"), EConvertError);
}

TEST(ListingParser, CutAnywhereFailsCleanlyOrParses) {
    // Every prefix of a listing and of a file line: a conversion failure or a parse,
    // nothing else (the sanitizer builds check the memory side).
    const std::pair<QByteArray, bool> inputs[] = {
        {moduleListing(), false},
        {moduleListing(), true},
        {codectest::readData("golden/transparent_example.40B"), true}};
    for (const auto &[full, file] : inputs) {
        {
            int parsed = 0;
            for (qsizetype n = 0; n <= full.size(); ++n) {
                ParserRig rig;
                try {
                    rig.parse(full.left(n), file);
                    ++parsed;
                } catch (const EConvertError &) {
                }
            }
            EXPECT_GE(parsed, 1);
            EXPECT_LT(parsed, full.size() / 4) << "most cuts lose a key";
        }
    }
}

TEST(ListingParser, LeadingCommaRouteFailureLeavesEarlierFieldsSet) {
    ParserRig rig;
    EXPECT_THROW(rig.parse(withItem(moduleListing(), "&Z2= ", "&Z2=,1 ")), EConvertError);
    EXPECT_EQ(rig.get(Field::Z0_Dest), 9) << "set before the failure";
    EXPECT_EQ(rig.get(Field::Z1_Dest), 11);
    EXPECT_EQ(rig.get(Field::sreg_20), 99);
}

}  // namespace
