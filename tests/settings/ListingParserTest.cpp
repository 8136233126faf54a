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
    } catch (const ConversionError &e) {
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
    rig.model.set(Field::RadioSignature, 3);
    rig.parse(moduleListing());

    EXPECT_TRUE(rig.messages.empty()) << rig.messages.texts().join(" | ").toStdString();
    EXPECT_EQ(rig.model.mode(), OperatingMode::AutoConnectMaster);
    // NumericResponses 1: the V of the echoed AT&V is flushed away.
    expectFields(rig, {{Field::RadioDataRate, 1}, {Field::SerialBaudRate, 9},     {Field::EchoOff, 1},
                       {Field::ResponseCodesOff, 1},       {Field::NumericResponses, 1},     {Field::ResponseLevel, 2},
                       {Field::SerialStopBits, 0},    {Field::SerialDataBits, 1},     {Field::SerialParity, 1},
                       {Field::DcdControl, 2},     {Field::DtrControl, 1},      {Field::CrcChecking, 1},
                       {Field::GroupAddress1, 7},  {Field::FlowControl, 3},     {Field::AbortModeOff, 1},
                       {Field::SystemAddress, 33},  {Field::UnitAddress, 12},  {Field::GroupAddress2, 12},
                       {Field::InactivityTimeout, 9},  {Field::AnswerAttempts, 3},          {Field::EscapeGuardTime, 1200},
                       {Field::EscapeCharacterCode, 42},        {Field::CarriageReturnCode, 14},         {Field::LineFeedCode, 11},
                       {Field::BackspaceCode, 9},         {Field::LinkCheckInterval, 6},          {Field::ConnectAttempts, 4},
                       {Field::TestTimer, 8},         {Field::ReceiveLevel, 87},         {Field::DtrLossTime, 200},
                       {Field::DisconnectDelay, 5},        {Field::CommandModeDiagnostic, 3},         {Field::CountryCode, 2},
                       {Field::PacketSize, 220},      {Field::TxHoldOff, 16},        {Field::RxHoldOff, 17},
                       {Field::RxBufferThreshold, 40},       {Field::RxBufferTimeout, 7},         {Field::DefaultSystemAddress, 99},
                       {Field::RadioSignature, 2},        {Field::Route0Repeater1, 4},         {Field::Route0Destination, 9},
                       {Field::Route1Destination, 11},       {Field::Route2Destination, 0},         {Field::Route3Destination, 6}});
    EXPECT_EQ(rig.model.savedDtrChoice(), 1);
    EXPECT_TRUE(rig.model.plcMode());
    EXPECT_EQ(rig.priorS21, 3) << "S21 as it was before the listing's own";
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(rig.get(routeRepeater(3, k)), k);
    EXPECT_TRUE(rig.text.startsWith(" S17:17 ")) << "the listing is consumed up to S17";
}

TEST(ListingParser, FileLineParsesBackToItsSettings) {
    ParserRig rig;
    rig.model.set(Field::ReceiveLevel, 0);
    QByteArray line = codectest::readData("golden/transparent_example.40B");
    ASSERT_TRUE(line.endsWith("\r\n"));
    line.chop(2);
    rig.parse(line, true);
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.model.mode(), OperatingMode::Transparent);
    expectFields(rig, {{Field::SerialBaudRate, 6}, {Field::SerialDataBits, 1}, {Field::SerialParity, 0},
                       {Field::SerialStopBits, 0}, {Field::EscapeGuardTime, 1000}, {Field::PacketSize, 530},
                       {Field::DtrLossTime, 10}, {Field::DefaultSystemAddress, 0}, {Field::Route1Destination, 0},
                       {Field::Route0Destination, 0}, {Field::OnLineAtStartup, 0}, {Field::CrcChecking, 1}});
    EXPECT_FALSE(rig.model.plcMode());
    // Rebuilt, it gives the same line.
    EXPECT_EQ(fileLineFromJoined(joinCommandList(buildCommandList(rig.model.settings()))), line);
}

TEST(ListingParser, FileModeSkipsModuleOnlyRegisters) {
    const QByteArray listing = moduleListing();
    ParserRig module;
    module.parse(listing);
    ParserRig file;
    file.parse(listing, true);
    expectFields(module, {{Field::ReceiveLevel, 87}, {Field::CommandModeDiagnostic, 3}, {Field::CountryCode, 2}});
    expectFields(file, {{Field::ReceiveLevel, 0}, {Field::CommandModeDiagnostic, 0}, {Field::CountryCode, 0}});
    // A file without them parses; a module listing without them fails.
    const QByteArray without = withItem(withItem(withItem(listing, "S9:87 ", ""), "S12:3 ", ""), "S13:2 ", "");
    ParserRig fileOnly;
    EXPECT_NO_THROW(fileOnly.parse(without, true));
    EXPECT_EQ(fileOnly.get(Field::PacketSize), 220);
    ParserRig moduleOnly;
    EXPECT_THROW(moduleOnly.parse(without), ConversionError);
}

TEST(ListingParser, ValueForms) {
    EXPECT_EQ(parsedWith("C9 ", "C10 ", Field::SerialBaudRate), 10);
    ParserRig rig;
    rig.parse(withItem(moduleListing(), "&B6 ", "&B13 "));
    expectFields(rig, {{Field::SerialStopBits, 1}, {Field::SerialDataBits, 0}, {Field::SerialParity, 3}});
    // Only the low four bits of the character format count.
    rig.parse(withItem(moduleListing(), "&B6 ", "&B31 "));
    expectFields(rig, {{Field::SerialStopBits, 1}, {Field::SerialDataBits, 1}, {Field::SerialParity, 3}});
    // Choice indices beyond the list are handed over.
    rig.parse(withItem(withItem(moduleListing(), "C9 ", "C77 "), "X2 ", "X8 "));
    expectFields(rig, {{Field::SerialBaudRate, 77}, {Field::ResponseLevel, 8}});
    // A short number reads at most two characters, a digit one.
    EXPECT_EQ(parsedWith("C9 ", "C123 ", Field::SerialBaudRate), 12);
    EXPECT_EQ(conversionText(withItem(moduleListing(), "C9 ", "C1\r\n")), "'1\r' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "B1 ", "B12 ")), "(parsed)");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&D1 ", "&Dx ")), "'x' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&G7 ", "&G ")), "'' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&G7 ", "&G7a ")), "'7a' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&G7 ", "")), "'' is not a valid integer value")
        << "a key that does not occur";
}

TEST(ListingParser, NumbersAreKeptAsSixteenBitsThenClamped) {
    EXPECT_EQ(parsedWith("S0:3 ", "S0:65535 ", Field::AnswerAttempts), 255);
    EXPECT_EQ(parsedWith("S0:3 ", "S0:65536 ", Field::AnswerAttempts), 0) << "65536 keeps its low 16 bits";
    EXPECT_EQ(parsedWith("S0:3 ", "S0:+7 ", Field::AnswerAttempts), 7);
    EXPECT_EQ(parsedWith("S1:60 ", "S1:2 ", Field::EscapeGuardTime), 60) << "scaled, then clamped";
    EXPECT_EQ(parsedWith("S14:100 ", "S14:65535 ", Field::PacketSize), 530);
    EXPECT_EQ(parsedWith("S10:20 ", "S10:65535 ", Field::DtrLossTime), 2550);
    EXPECT_EQ(conversionText(withItem(moduleListing(), "S0:3 ", "S0:4294967296 ")),
              "'4294967296' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "S0:3 ", "S0:- ")), "'-' is not a valid integer value");

    EXPECT_EQ(listing::toInt("2147483647"), 2147483647);
    EXPECT_THROW(listing::toInt("2147483648"), ConversionError);
    EXPECT_THROW(listing::toInt("1 "), ConversionError);
    EXPECT_THROW(listing::toInt("0x10"), ConversionError);
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
        EXPECT_EQ(rig.get(Field::FlowControl), index) << "&K" << k;
        EXPECT_TRUE(rig.messages.empty());
    }
    for (int k : {1, 2}) {
        ParserRig rig;
        rig.parse(withItem(moduleListing(), "&K5 ", "&K" + QByteArray::number(k) + ' '));
        EXPECT_EQ(rig.get(Field::FlowControl), 1);
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
        {"3", "2", OperatingMode::AutoConnectSlave, -1, false},
        {"9", "7", OperatingMode::AutoConnectSlave, -1, false},
        {"0", "2", OperatingMode::SingleConnect, -1, false},
        {"1", "2", OperatingMode::SingleConnect, -1, false},
        {"2", "2", OperatingMode::AutoConnectMaster, -1, false},
        {"1", "1", OperatingMode::TransparentRepeater, 1, false},
        {"0", "1", OperatingMode::TransparentRepeater, 0, false},
        {"0", "0", OperatingMode::Transparent, 0, false},
        {"2", "0", OperatingMode::Transparent, 1, true},  // keeps its default
    };
    for (const Case &c : cases) {
        ParserRig rig;
        rig.parse(withItem(moduleListing(), "&L2 &M2 ", "&L" + c.l + " &M" + c.m + ' '));
        EXPECT_EQ(rig.model.mode(), c.mode) << "&L" << c.l.constData() << " &M" << c.m.constData();
        if (c.online >= 0) {
            EXPECT_EQ(rig.get(Field::OnLineAtStartup), c.online);
        }
        EXPECT_EQ(rig.get(Field::FastOperation), 0);
        if (c.invalid) {
            ASSERT_EQ(rig.messages.count(), 1);
            EXPECT_EQ(rig.messages.last().text, kInvalidMode);
            EXPECT_EQ(rig.messages.last().icon, Icon::Error);
            EXPECT_EQ(rig.get(Field::RadioSignature), 2) << "the parse goes on";
        } else {
            EXPECT_TRUE(rig.messages.empty());
        }
    }
}

TEST(ListingParser, FastOperationOnBothClasses) {
    const QByteArray fast = withItem(withItem(moduleListing(), "&M2 ", "&M3 "), "&U12 ", "&U20 ");

    ParserRig rig740(RadioClass::Class740);
    rig740.parse(fast);
    EXPECT_EQ(rig740.model.mode(), OperatingMode::AutoConnectMaster);
    EXPECT_EQ(rig740.get(Field::FastOperation), 1);
    EXPECT_EQ(rig740.get(Field::UnitAddress), 15);
    EXPECT_EQ(rig740.get(Field::GroupAddress2), 15);
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
    after[Field::SystemAddress] = defaults[Field::SystemAddress];  // drawn anew by the defaults
    EXPECT_EQ(after, defaults);
    EXPECT_EQ(rig620.model.mode(), OperatingMode::Transparent);
    EXPECT_EQ(rig620.priorS21, -1) << "nothing after the mode is read";
}

TEST(ListingParser, UnitAddressLimits) {
    ParserRig transparent;
    transparent.parse(withItem(withItem(moduleListing(), "&L2 &M2 ", "&L1 &M0 "), "&U12 ", "&U200 "));
    EXPECT_EQ(transparent.get(Field::GroupAddress2), 200);
    EXPECT_EQ(transparent.get(Field::UnitAddress), 127);
    EXPECT_TRUE(transparent.messages.empty());

    ParserRig controlled;
    controlled.parse(withItem(moduleListing(), "&U12 ", "&U200 "));
    EXPECT_EQ(controlled.get(Field::UnitAddress), 127);
    EXPECT_EQ(controlled.get(Field::GroupAddress2), 127);
    ASSERT_EQ(controlled.messages.count(), 1);
    EXPECT_EQ(controlled.messages.last().text,
              "Error: Unit address of 200 is out of range. Reprogram module with a valid address.");

    ParserRig edge;
    edge.parse(withItem(withItem(moduleListing(), "&M2 ", "&M3 "), "&U12 ", "&U15 "));
    EXPECT_EQ(edge.get(Field::UnitAddress), 15);
    EXPECT_TRUE(edge.messages.empty());

    EXPECT_EQ(parsedWith("&U12 ", "&U0 ", Field::UnitAddress), 1) << "clamped by the field";
}

TEST(ListingParser, OptionalRegisters) {
    ParserRig noThresholds;
    noThresholds.parse(withItem(withItem(moduleListing(), "S18:40 ", ""), "S19:7 ", ""));
    EXPECT_EQ(noThresholds.get(Field::RxBufferThreshold), 0);
    EXPECT_EQ(noThresholds.get(Field::RxBufferTimeout), 0);
    EXPECT_FALSE(noThresholds.model.plcMode());
    EXPECT_TRUE(noThresholds.messages.empty());

    ParserRig s19Only;
    s19Only.parse(withItem(withItem(moduleListing(), "S18:40 ", ""), "S19:7 ", "S19:5 "));
    EXPECT_EQ(s19Only.get(Field::RxBufferThreshold), 0);
    EXPECT_EQ(s19Only.get(Field::RxBufferTimeout), 5);
    EXPECT_TRUE(s19Only.model.plcMode());

    EXPECT_NE(conversionText(withItem(moduleListing(), "S18:40 ", "S18:x ")), "(parsed)")
        << "present but unreadable thresholds fail";

    EXPECT_EQ(parsedWith("S20:99 ", "", Field::DefaultSystemAddress), 100);
    EXPECT_EQ(parsedWith("S20:99 ", "S20:? ", Field::DefaultSystemAddress), 100);
    EXPECT_EQ(parsedWith("S21:2 ", "S21=2 ", Field::RadioSignature), 2);
    EXPECT_EQ(parsedWith("S21:2 ", "S21:z S21=3 ", Field::RadioSignature), 3);
    EXPECT_EQ(parsedWith("S21:2 ", "", Field::RadioSignature), 0);
    EXPECT_EQ(parsedWith("S21:2 ", "S21= ", Field::RadioSignature), 0);
}

TEST(ListingParser, Routes) {
    const auto routed = [](const QByteArray &z0) {
        auto rig = std::make_unique<ParserRig>();
        rig->parse(withItem(moduleListing(), "&Z0=4,9 ", "&Z0=" + z0 + ' '));
        return rig;
    };
    auto r = routed("0,5");
    EXPECT_EQ(r->get(Field::Route0Repeater1), 0);
    EXPECT_EQ(r->get(Field::Route0Destination), 5);
    r = routed("3,0,9");
    EXPECT_EQ(r->get(Field::Route0Destination), 3);
    EXPECT_EQ(r->get(Field::Route0Repeater1), 0);
    r = routed("1,2,3,4,5,6");
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(r->get(routeRepeater(0, k)), k);
    EXPECT_EQ(r->get(Field::Route0Destination), 6);
    r = routed("1,2,3,4,5,6,junk");
    EXPECT_EQ(r->get(Field::Route0Destination), 6) << "items after the sixth are not read";
    r = routed("5,2,");
    EXPECT_EQ(r->get(Field::Route0Repeater1), 5);
    EXPECT_EQ(r->get(Field::Route0Destination), 2);
    r = routed("");
    EXPECT_EQ(r->get(Field::Route0Destination), 0);
    r = routed("300,200");
    EXPECT_EQ(r->get(Field::Route0Repeater1), 127);
    EXPECT_EQ(r->get(Field::Route0Destination), 200);

    EXPECT_EQ(conversionText(withItem(moduleListing(), "&Z0=4,9 ", "&Z0=,5 ")), "'' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&Z0=4,9 ", "&Z0=5,,2 ")), "'' is not a valid integer value");
    EXPECT_EQ(conversionText(withItem(moduleListing(), "&Z0=4,9 ", "&Z0=5,a ")), "'a' is not a valid integer value");

    // Repeaters beyond the ones given keep what they held.
    ParserRig keep;
    keep.model.set(Field::Route1Repeater2, 33);
    keep.parse(withItem(moduleListing(), "&Z1=11 ", "&Z1=4,11 "));
    EXPECT_EQ(keep.get(Field::Route1Repeater1), 4);
    EXPECT_EQ(keep.get(Field::Route1Repeater2), 33);
    EXPECT_EQ(keep.get(Field::Route1Destination), 11);

    // A listing cut right after the last key gives an empty route.
    QByteArray cut = moduleListing();
    cut.truncate(cut.indexOf("&Z3=") + 4);
    ParserRig end;
    end.parse(cut);
    EXPECT_EQ(end.get(Field::Route3Destination), 0);
    cut.chop(1);
    ParserRig shorter;
    shorter.parse(cut);
    EXPECT_EQ(shorter.get(Field::Route3Destination), 0);
}

TEST(ListingParser, LowPowerFollowsTheDtrRead) {
    ParserRig rig;
    rig.model.selectMode(OperatingMode::AutoConnectMaster);
    rig.model.set(Field::LowPowerMode, 1);
    ASSERT_EQ(rig.get(Field::DtrControl), 3);
    rig.parse(moduleListing());  // &D1
    EXPECT_EQ(rig.get(Field::DtrControl), 1);
    EXPECT_EQ(rig.get(Field::LowPowerMode), 0);
    EXPECT_EQ(rig.model.savedDtrChoice(), 1);

    EXPECT_EQ(parsedWith("&D1 ", "&D3 ", Field::DtrControl), 3);
    EXPECT_EQ(parsedWith("&D1 ", "&D3 ", Field::LowPowerMode), 1);
}

TEST(ListingParser, NoThresholdQuestionDuringAParse) {
    ParserRig rig;
    ASSERT_TRUE(rig.model.plcMode());
    // Radio rate and Fast Operation both change; neither asks.
    rig.parse(withItem(withItem(moduleListing(), "B1 ", "B2 "), "&M2 ", "&M3 "));
    EXPECT_EQ(rig.messages.countOf(QStringLiteral("Automatically adjust S18 & S19 (recommended)?")), 0);
    EXPECT_EQ(rig.get(Field::RxBufferThreshold), 40);
}

TEST(ListingParser, keepFrom) {
    QByteArray text = "abcdef";
    ListingParser parser(text, RadioClass::Class740);
    parser.keepFrom(0);
    EXPECT_EQ(text, "abcdef");
    parser.keepFrom(-4);
    EXPECT_EQ(text, "abcdef");
    parser.keepFrom(1);
    EXPECT_EQ(text, "abcdef");
    parser.keepFrom(3);
    EXPECT_EQ(text, "cdef");
    parser.keepFrom(5);
    EXPECT_EQ(text, "");
    text = "xyz";
    parser.keepFrom(100);
    EXPECT_EQ(text, "");

    text = "a S1:5 S10:x";
    EXPECT_EQ(parser.value("S1:"), 5);
    EXPECT_EQ(parser.valueOrZero("S19:"), 0);
    EXPECT_THROW(parser.valueOrZero("S10:"), ConversionError);
    EXPECT_THROW(parser.value("S2:"), ConversionError);
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
                } catch (const ConversionError &) {
                }
            }
            EXPECT_GE(parsed, 1);
            EXPECT_LT(parsed, full.size() / 4) << "most cuts lose a key";
        }
    }
}

TEST(ListingParser, LateFailureLeavesTheSettingsUntouched) {
    ParserRig rig;
    const ModuleSettings before = rig.model.settings();
    // Routes come last: everything else of the listing converted already.
    EXPECT_THROW(rig.parse(withItem(moduleListing(), "&Z2= ", "&Z2=,1 ")), ConversionError);
    EXPECT_EQ(rig.model.settings(), before);
}

}  // namespace
