#include "settings/ProductVariant.h"
#include "settings/SettingsModel.h"
#include "tests/support/FakeMessages.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace {

using Answer = MessageSink::Answer;
using Icon = MessageSink::Icon;
using Buttons = MessageSink::Buttons;

ProductVariant variantOf(RadioClass c) {
    return SelectProductVariant(c == RadioClass::Class740 ? "Cfg_740RB" : "Cfg_620R").value();
}

// A model after start-up, recording what it announces.
class Model {
public:
    explicit Model(RadioClass c = RadioClass::Class740) : model(variantOf(c), msgs) {
        QObject::connect(&model, &SettingsModel::fieldChanged, [this](Field f, int v) { changes.emplace_back(f, v); });
        QObject::connect(&model, &SettingsModel::modeChanged, [this](OperatingMode m) { modes.push_back(m); });
        QObject::connect(&model, &SettingsModel::maximumChanged, [this](Field, int max) { maxima.push_back(max); });
        QObject::connect(&model, &SettingsModel::defaultsApplied, [this] { ++defaultsApplied; });
        model.SetDefaults();
        forget();
    }
    void forget() {
        msgs.clear();
        changes.clear();
        modes.clear();
        maxima.clear();
        defaultsApplied = 0;
    }
    int changesOf(Field f) const {
        int n = 0;
        for (const auto &c : changes)
            n += c.first == f ? 1 : 0;
        return n;
    }
    int operator[](Field f) const { return model.get(f); }

    FakeMessages msgs;
    SettingsModel model;
    std::vector<std::pair<Field, int>> changes;
    std::vector<OperatingMode> modes;
    std::vector<int> maxima;
    int defaultsApplied = 0;
};

// --- defaults ------------------------------------------------------------------------

TEST(SettingsDefaults, Class740) {
    FakeMessages msgs;
    SettingsModel model(variantOf(RadioClass::Class740), msgs);
    EXPECT_EQ(model.mode(), OperatingMode::OpNone);
    EXPECT_FALSE(model.plcMode());
    int applied = 0;
    QObject::connect(&model, &SettingsModel::defaultsApplied, [&] { ++applied; });
    model.SetDefaults();

    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(msgs.empty()) << msgs.texts().join('|').toStdString();
    EXPECT_EQ(model.mode(), OperatingMode::OpTransparent);
    EXPECT_GE(model.get(Field::ed_TM_SysAdd), 1);
    EXPECT_LE(model.get(Field::ed_TM_SysAdd), 254);
    EXPECT_EQ(model.get(Field::sreg_18), 120);
    EXPECT_EQ(model.get(Field::sreg_19), 5);
    EXPECT_TRUE(model.plcMode());
    EXPECT_EQ(model.savedDtrChoice(), 0);
    EXPECT_EQ(model.maximum(Field::ed_CM_UnitAdd), 127);

    const std::pair<Field, int> expected[] = {
        {Field::ed_TM_GrpAdd1, 1}, {Field::ed_TM_GrpAdd2, 1}, {Field::TM_Auto_OnLine, 1},
        {Field::ed_CM_UnitAdd, 1}, {Field::chk_CM_Fast, 0},   {Field::chk_CM_LowPow, 0},
        {Field::sreg_7, 5},        {Field::sreg_11, 0},       {Field::sreg_6, 0},
        {Field::ed_CM_LinkRst, 0}, {Field::Z0_Dest, 2},       {Field::Z1_Dest, 0},
        {Field::Z2_Dest, 0},       {Field::Z3_Dest, 0},       {Field::Radio_DataRate, 0},
        {Field::Radio_Crc, 0},     {Field::sreg_14, 530},     {Field::sreg_16, 0},
        {Field::sreg_17, 0},       {Field::Serial_Baud, 4},   {Field::Serial_Data, 1},
        {Field::Serial_Stop, 0},   {Field::Serial_Parity, 0}, {Field::Serial_Flow, 2},
        {Field::Serial_DTR, 0},    {Field::Serial_DCD, 1},    {Field::Modbus_CheckBox, 1},
        {Field::Adv_Echo, 0},      {Field::Adv_Resp, 0},      {Field::Adv_Numeric, 0},
        {Field::Adv_Abort, 0},     {Field::Adv_Response, 0},  {Field::sreg_0, 1},
        {Field::sreg_1, 1000},     {Field::sreg_2, 43},       {Field::sreg_3, 13},
        {Field::sreg_4, 10},       {Field::sreg_5, 8},        {Field::sreg_8, 0},
        {Field::sreg_9, 0},        {Field::sreg_10, 10},      {Field::sreg_12, 0},
        {Field::sreg_13, 0},       {Field::sreg_20, 100},     {Field::sreg_21, 1},
    };
    for (const auto &[f, v] : expected)
        EXPECT_EQ(model.get(f), v) << fieldInfo(f).name;
    for (int n = 0; n < 4; ++n)
        for (int k = 1; k <= 5; ++k)
            EXPECT_EQ(model.get(repeaterField(n, k)), 0);
}

TEST(SettingsDefaults, Class620ThresholdsAndRates) {
    Model m(RadioClass::Class620);
    EXPECT_EQ(m[Field::sreg_18], 129);
    EXPECT_EQ(m[Field::sreg_19], 5);
    EXPECT_EQ(m.model.choiceItems(Field::Radio_DataRate), (QStringList{"19200", "38400", "76800"}));
    Model m740;
    EXPECT_EQ(m740.model.choiceItems(Field::Radio_DataRate), (QStringList{"19200", "57600", "115200"}));
    EXPECT_EQ(m740.model.choiceItems(Field::Serial_Baud).size(), 14);
    EXPECT_EQ(m740.model.choiceItems(Field::Adv_Response).first(), "X0:= Basic ");
    EXPECT_TRUE(m740.model.choiceItems(Field::sreg_14).isEmpty());
}

TEST(SettingsDefaults, PutBackEverythingWithoutQuestions) {
    Model m;
    m.msgs.setDefault(Buttons::YesNo, Answer::No);
    m.model.selectMode(OperatingMode::OpAutoConnectSlave);
    m.model.set(Field::chk_CM_Fast, 1);
    m.model.set(Field::chk_CM_LowPow, 1);
    m.model.set(Field::Radio_DataRate, 2);
    m.model.userChose(Field::Serial_Baud, 9);
    m.model.leaveField(Field::sreg_14, 300);
    m.model.set(Field::sreg_21, 3);
    m.model.set(Field::Z3_Rpt5, 9);
    {
        SettingsModel::ProgramUpdate update(m.model);
        m.model.set(Field::Serial_DTR, 2);
        m.model.Serial_DTRClick();
    }
    ASSERT_EQ(m.model.savedDtrChoice(), 2);
    m.forget();

    m.model.SetDefaults();
    EXPECT_TRUE(m.msgs.empty()) << m.msgs.texts().join('|').toStdString();
    EXPECT_EQ(m.defaultsApplied, 1);
    EXPECT_EQ(m.modes, std::vector<OperatingMode>{OperatingMode::OpTransparent});
    EXPECT_EQ(m.model.maximum(Field::ed_CM_UnitAdd), 127);
    EXPECT_EQ(m.maxima, std::vector<int>{127});
    EXPECT_EQ(m[Field::Serial_DTR], 0);
    EXPECT_EQ(m[Field::chk_CM_LowPow], 0);
    EXPECT_EQ(m.model.savedDtrChoice(), 0);
    EXPECT_EQ(m[Field::sreg_18], 120);
    EXPECT_EQ(m[Field::sreg_21], 1);
    EXPECT_EQ(m[Field::Z3_Rpt5], 0);
    EXPECT_TRUE(m.model.plcMode());

    // A second SetDefaults ends with nothing changed but the random system address
    // (the thresholds pass through 0 on the way, in the order the defaults apply).
    ModuleSettings before = m.model.settings();
    m.forget();
    m.model.SetDefaults();
    for (const auto &c : m.changes)
        EXPECT_TRUE(c.first == Field::ed_TM_SysAdd || c.first == Field::sreg_18 || c.first == Field::sreg_19)
            << fieldInfo(c.first).name;
    before[Field::ed_TM_SysAdd] = m[Field::ed_TM_SysAdd];
    EXPECT_EQ(m.model.settings(), before);
    EXPECT_TRUE(m.modes.empty());
}

TEST(SettingsDefaults, SystemAddressIsRandomWithinRange) {
    Model m;
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        m.model.SetDefaults();
        const int a = m[Field::ed_TM_SysAdd];
        ASSERT_GE(a, 1);
        ASSERT_LE(a, 254);
        seen.insert(a);
    }
    EXPECT_GT(seen.size(), 1u);
}

// --- modes ---------------------------------------------------------------------------

TEST(SettingsModes, SlaveThenMaster) {
    Model m;
    m.model.selectMode(OperatingMode::OpAutoConnectSlave);
    EXPECT_EQ(m.model.mode(), OperatingMode::OpAutoConnectSlave);
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 2);
    EXPECT_EQ(m[Field::Z0_Dest], 0);
    m.model.selectMode(OperatingMode::OpAutoConnectMaster);
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 1);
    EXPECT_EQ(m[Field::Z0_Dest], 2);
    EXPECT_EQ(m.modes, (std::vector<OperatingMode>{OperatingMode::OpAutoConnectSlave,
                                                   OperatingMode::OpAutoConnectMaster}));
}

TEST(SettingsModes, ReselectingRunsNothing) {
    Model m;
    m.model.selectMode(OperatingMode::OpAutoConnectMaster);
    m.model.set(Field::ed_CM_UnitAdd, 9);
    m.forget();
    m.model.selectMode(OperatingMode::OpAutoConnectMaster);
    EXPECT_TRUE(m.modes.empty());
    EXPECT_TRUE(m.changes.empty());
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 9);
}

TEST(SettingsModes, SingleConnectSetsNothing) {
    Model m;
    m.model.set(Field::ed_CM_UnitAdd, 33);
    m.model.set(Field::Z0_Dest, 44);
    m.forget();
    m.model.selectMode(OperatingMode::OpSingleConnect);
    EXPECT_TRUE(m.changes.empty());
    EXPECT_EQ(m.modes.size(), 1u);
}

TEST(SettingsModes, TransparentSwitchesControlledOptionsOff) {
    Model m;
    m.model.selectMode(OperatingMode::OpAutoConnectMaster);
    m.model.set(Field::chk_CM_Fast, 1);
    m.model.set(Field::chk_CM_LowPow, 1);
    ASSERT_EQ(m[Field::Serial_DTR], 3);
    m.model.selectMode(OperatingMode::OpTransparentRepeater);
    EXPECT_EQ(m[Field::chk_CM_Fast], 0);
    EXPECT_EQ(m[Field::chk_CM_LowPow], 0);
    EXPECT_EQ(m[Field::Serial_DTR], 0);  // the remembered choice
    EXPECT_EQ(m.model.maximum(Field::ed_CM_UnitAdd), 127);
}

// --- Fast Operation and the unit address -----------------------------------------

TEST(SettingsFast, LowersUnitAddressAndMaximum) {
    Model m;
    m.model.Modbus_CheckBoxCheck(false);  // no questions in this test
    m.model.selectMode(OperatingMode::OpAutoConnectMaster);
    m.model.set(Field::ed_CM_UnitAdd, 100);
    m.forget();

    m.model.set(Field::chk_CM_Fast, 1);
    EXPECT_EQ(m.model.maximum(Field::ed_CM_UnitAdd), 15);
    EXPECT_EQ(m.maxima, std::vector<int>{15});
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 15);

    m.model.set(Field::chk_CM_Fast, 0);
    EXPECT_EQ(m.model.maximum(Field::ed_CM_UnitAdd), 127);
    EXPECT_EQ(m.maxima, (std::vector<int>{15, 127}));
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 15);  // stays
    m.model.leaveField(Field::ed_CM_UnitAdd, 127);
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 127);
    EXPECT_TRUE(m.msgs.empty());
}

TEST(SettingsFast, LeavingClampsToTheFastLimit) {
    Model m;
    m.model.Modbus_CheckBoxCheck(false);
    m.model.set(Field::chk_CM_Fast, 1);
    // Setting by the program and leaving the field both apply the limit in force.
    m.model.set(Field::ed_CM_UnitAdd, 100);
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 15);
    m.model.leaveField(Field::ed_CM_UnitAdd, 200);
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 15);
    m.model.leaveField(Field::ed_CM_UnitAdd, 0);
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 1);
    m.model.set(Field::ed_CM_UnitAdd, 500);
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 15);
}

TEST(SettingsFast, ChangeOffersRecomputation) {
    Model m;
    m.msgs.answer(Answer::Yes);
    m.model.set(Field::chk_CM_Fast, 1);
    ASSERT_EQ(m.msgs.count(), 1);
    EXPECT_EQ(m.msgs.last().text, "Automatically adjust S18 & S19 (recommended)?");
    EXPECT_EQ(m.msgs.last().icon, Icon::Question);
    EXPECT_EQ(m.msgs.last().buttons, Buttons::YesNo);
    EXPECT_EQ(m[Field::sreg_18], 133);  // K is 0 with Fast Operation

    m.msgs.answer(Answer::No);
    m.model.set(Field::chk_CM_Fast, 0);
    EXPECT_EQ(m.msgs.count(), 2);
    EXPECT_EQ(m[Field::sreg_18], 133);  // No keeps the thresholds

    m.model.set(Field::chk_CM_Fast, 0);  // no change, no question
    EXPECT_EQ(m.msgs.count(), 2);

    {
        SettingsModel::ProgramUpdate update(m.model);  // a listing being applied
        m.model.set(Field::chk_CM_Fast, 1);
        m.model.set(Field::Radio_DataRate, 1);
    }
    EXPECT_EQ(m.msgs.count(), 2);
    EXPECT_EQ(m[Field::sreg_18], 133);
}

// --- Low Power Mode and DTR -------------------------------------------------------

TEST(SettingsLowPower, SwitchesDtrAndRestoresTheRememberedChoice) {
    Model m;
    m.model.set(Field::chk_CM_LowPow, 1);
    EXPECT_EQ(m[Field::Serial_DTR], 3);
    m.model.set(Field::chk_CM_LowPow, 0);
    EXPECT_EQ(m[Field::Serial_DTR], 0);

    // A user choice of DTR touches neither the box nor the remembered choice.
    m.model.userChose(Field::Serial_DTR, 2);
    EXPECT_EQ(m[Field::chk_CM_LowPow], 0);
    EXPECT_EQ(m.model.savedDtrChoice(), 0);
    m.model.userChose(Field::Serial_DTR, 3);
    EXPECT_EQ(m[Field::chk_CM_LowPow], 0);
    m.model.set(Field::chk_CM_LowPow, 1);
    m.model.set(Field::chk_CM_LowPow, 0);
    EXPECT_EQ(m[Field::Serial_DTR], 0);
    EXPECT_TRUE(m.msgs.empty());
}

TEST(SettingsLowPower, ListingDtrRule) {
    Model m;
    m.model.set(Field::chk_CM_LowPow, 1);
    {
        SettingsModel::ProgramUpdate update(m.model);
        m.model.set(Field::Serial_DTR, 1);
        m.model.Serial_DTRClick();
    }
    EXPECT_EQ(m[Field::Serial_DTR], 1);
    EXPECT_EQ(m[Field::chk_CM_LowPow], 0);
    EXPECT_EQ(m.model.savedDtrChoice(), 1);
    m.model.set(Field::chk_CM_LowPow, 1);
    m.model.set(Field::chk_CM_LowPow, 0);
    EXPECT_EQ(m[Field::Serial_DTR], 1);

    // DTR 3 read from a module switches the box on; the remembered choice stays.
    m.model.set(Field::Serial_DTR, 3);
    m.model.Serial_DTRClick();
    EXPECT_EQ(m[Field::chk_CM_LowPow], 1);
    EXPECT_EQ(m.model.savedDtrChoice(), 1);
    // Transparent mode switches the box off and restores it.
    m.model.selectMode(OperatingMode::OpAutoConnectMaster);
    m.model.selectMode(OperatingMode::OpTransparent);
    EXPECT_EQ(m[Field::Serial_DTR], 1);
}

// --- S18/S19 -----------------------------------------------------------------------

TEST(SettingsThresholds, Formula) {
    EXPECT_EQ(SettingsModel::thresholdS18(9600, 19200, 530, 0.028), 120);
    EXPECT_EQ(SettingsModel::thresholdS19(9600), 5);
    EXPECT_EQ(SettingsModel::thresholdS18(9600, 19200, 530, 0.008), 129);
    EXPECT_EQ(SettingsModel::thresholdS18(9600, 19200, 530, 0), 133);
    EXPECT_EQ(SettingsModel::thresholdS18(1200, 57600, 530, 0.028), 255);
    EXPECT_EQ(SettingsModel::thresholdS19(1200), 34);
    for (double R : {19200.0, 57600.0, 115200.0, 38400.0, 76800.0}) {
        EXPECT_EQ(SettingsModel::thresholdS18(115200, R, 530, 0.028), 0) << R;
        EXPECT_EQ(SettingsModel::thresholdS18(115200, R, 530, 0.008), 0) << R;
    }
    EXPECT_EQ(SettingsModel::thresholdS19(115200), 1);
    EXPECT_EQ(SettingsModel::thresholdS19(93750), 1);
    EXPECT_EQ(SettingsModel::thresholdS18(38400, 19200, 530, 0.028), 0);
    EXPECT_EQ(SettingsModel::thresholdS19(38400), 2);
    // Ceiling, not rounding: (20 - (200 / 19200 + 0.028) * 120) / 2 = 7.696 and
    // (530 - (5300 / 19200 + 0.008) * 960) / 2 = 128.54.
    EXPECT_EQ(SettingsModel::thresholdS18(1200, 19200, 20, 0.028), 8);
    EXPECT_EQ(SettingsModel::thresholdS18(9600, 19200, 530, 0.008), 129);
    // (530 - (5300 / 76800 + 0.008) * 3840) / 2 = 117.14
    EXPECT_EQ(SettingsModel::thresholdS18(38400, 76800, 530, 0.008), 118);
    // (530 - (5300 / 115200) * 1440) / 2 = 231.875
    EXPECT_EQ(SettingsModel::thresholdS18(14400, 115200, 530, 0), 232);
    // Nonsense rates never leave the register range.
    EXPECT_EQ(SettingsModel::thresholdS18(0, 19200, 530, 0.028), 0);
    EXPECT_EQ(SettingsModel::thresholdS19(0), 255);
}

TEST(SettingsThresholds, KDependsOnClassAndFast) {
    Model m740;
    EXPECT_DOUBLE_EQ(m740.model.thresholdK(), 0.028);
    m740.model.Modbus_CheckBoxCheck(false);
    m740.model.set(Field::chk_CM_Fast, 1);
    EXPECT_DOUBLE_EQ(m740.model.thresholdK(), 0.0);
    Model m620(RadioClass::Class620);
    m620.model.Modbus_CheckBoxCheck(false);
    m620.model.set(Field::chk_CM_Fast, 1);
    EXPECT_DOUBLE_EQ(m620.model.thresholdK(), 0.008);
}

TEST(SettingsThresholds, BaudChoiceAsksAndComputes) {
    Model m;
    m.msgs.answer(Answer::Yes);
    m.model.userChose(Field::Serial_Baud, 9);  // 38400
    ASSERT_EQ(m.msgs.count(), 1);
    EXPECT_EQ(m.msgs.at(0).text, "Automatically adjust S18 & S19 (recommended)?");
    EXPECT_EQ(m[Field::sreg_18], 0);
    EXPECT_EQ(m[Field::sreg_19], 2);

    // Both 115200 entries compute alike.
    m.msgs.answer({Answer::Yes, Answer::Yes});
    m.model.userChose(Field::Serial_Baud, 1);  // 1200
    EXPECT_EQ(m[Field::sreg_19], 34);
    m.model.userChose(Field::Serial_Baud, 0);
    EXPECT_EQ(m[Field::sreg_18], 0);
    EXPECT_EQ(m[Field::sreg_19], 1);
    m.model.userChose(Field::Serial_Baud, 1);
    m.msgs.answer(Answer::Yes);
    m.model.userChose(Field::Serial_Baud, 12);
    EXPECT_EQ(m[Field::sreg_19], 1);
}

TEST(SettingsThresholds, ChoiceBeyondTheListLeavesThresholds) {
    Model m;
    {
        SettingsModel::ProgramUpdate update(m.model);
        m.model.set(Field::Serial_Baud, 20);
    }
    EXPECT_EQ(m[Field::Serial_Baud], 20);
    m.model.AdjustThresholdRegisters(true);
    EXPECT_EQ(m[Field::sreg_18], 120);
    EXPECT_EQ(m[Field::sreg_19], 5);
}

TEST(SettingsThresholds, RadioRateChangeAsks) {
    Model m;
    m.msgs.answer(Answer::Yes);
    m.model.set(Field::Radio_DataRate, 2);  // 115200 for the 740 class
    ASSERT_EQ(m.msgs.count(), 1);
    // (530 - (10*530/115200 + 0.028) * 960) / 2 = 229.48
    EXPECT_EQ(m[Field::sreg_18], 230);
    m.model.set(Field::Radio_DataRate, 2);
    EXPECT_EQ(m.msgs.count(), 1);
    m.model.Modbus_CheckBoxCheck(false);
    m.model.set(Field::Radio_DataRate, 0);
    EXPECT_EQ(m.msgs.count(), 1);  // no question outside PLC mode
}

TEST(SettingsThresholds, UnsupportedBaudWarnsThenAsks) {
    for (int baud : {8, 11, 13}) {
        Model m;
        m.msgs.answer({Answer::Ok, Answer::No});
        m.model.userChose(Field::Serial_Baud, baud);
        ASSERT_EQ(m.msgs.count(), 2) << baud;
        EXPECT_EQ(m.msgs.at(0).icon, Icon::Information);
        EXPECT_EQ(m.msgs.at(0).buttons, Buttons::Ok);
        EXPECT_EQ(m.msgs.at(0).text,
                  "The selected Baud Rate is not supported by windows.\r\n"
                  "Once configured with this value, windows will be unable to communicate with the module.");
        EXPECT_EQ(m.msgs.at(1).text, "Automatically adjust S18 & S19 (recommended)?");
        EXPECT_EQ(m[Field::Serial_Baud], baud);  // the choice stays
        EXPECT_EQ(m[Field::sreg_18], 120);       // answered No
    }
    Model off;
    off.model.Modbus_CheckBoxCheck(false);
    off.model.userChose(Field::Serial_Baud, 8);
    EXPECT_EQ(off.msgs.count(), 1);  // warning only
    off.model.set(Field::Serial_Baud, 11);  // the program's own change warns of nothing
    EXPECT_EQ(off.msgs.count(), 1);
}

TEST(SettingsThresholds, PacketSizeLeave) {
    Model m;
    m.model.leaveField(Field::sreg_14, 600);
    EXPECT_EQ(m[Field::sreg_14], 530);
    EXPECT_TRUE(m.msgs.empty());  // unchanged: no question
    // The control that showed 600 is told what the field holds.
    ASSERT_EQ(m.changes.size(), 1u);
    EXPECT_EQ(m.changes[0], std::make_pair(Field::sreg_14, 530));

    m.forget();
    m.msgs.answer(Answer::Yes);
    m.model.leaveField(Field::sreg_14, 400);
    EXPECT_EQ(m[Field::sreg_14], 400);
    EXPECT_EQ(m.msgs.count(), 1);
    EXPECT_EQ(m[Field::sreg_18], 87);  // ceil((400 - (10 x 400 / 19200 + 0.028) x 960) / 2)

    m.model.leaveField(Field::sreg_14, 400);
    EXPECT_EQ(m.msgs.count(), 1);
    m.msgs.answer(Answer::No);
    m.model.leaveField(Field::sreg_14, 5);
    EXPECT_EQ(m[Field::sreg_14], 20);
    EXPECT_EQ(m.msgs.count(), 2);
}

// --- PLC mode ----------------------------------------------------------------------

TEST(SettingsPlc, ClickOffAnsweredNoKeepsIt) {
    Model m;
    m.msgs.answer(Answer::No);
    m.model.userClickedPlcMode();
    ASSERT_EQ(m.msgs.count(), 1);
    EXPECT_EQ(m.msgs.at(0).text, "Threshold registers S18 & S19 will be cleared continue?");
    EXPECT_EQ(m.msgs.at(0).icon, Icon::Question);
    EXPECT_EQ(m.msgs.at(0).buttons, Buttons::YesNo);
    EXPECT_TRUE(m.model.plcMode());
    EXPECT_EQ(m[Field::sreg_18], 120);
    EXPECT_EQ(m[Field::sreg_19], 5);
    // The view's toggled box is put back.
    ASSERT_EQ(m.changes.size(), 1u);
    EXPECT_EQ(m.changes[0], std::make_pair(Field::Modbus_CheckBox, 1));
}

TEST(SettingsPlc, ClickOffYesClears) {
    Model m;
    m.msgs.answer(Answer::Yes);
    m.model.userClickedPlcMode();
    EXPECT_FALSE(m.model.plcMode());
    EXPECT_EQ(m[Field::sreg_18], 0);
    EXPECT_EQ(m[Field::sreg_19], 0);
    EXPECT_EQ(m.changesOf(Field::Modbus_CheckBox), 1);
}

TEST(SettingsPlc, ClickOnNoLeavesItOffYesComputes) {
    Model m;
    m.msgs.answer(Answer::Yes);
    m.model.userClickedPlcMode();
    m.forget();

    m.msgs.answer(Answer::No);
    m.model.userClickedPlcMode();
    ASSERT_EQ(m.msgs.count(), 1);
    EXPECT_EQ(m.msgs.at(0).text, "Automatically adjust threshold registers S18 & S19 (recommended)?");
    EXPECT_FALSE(m.model.plcMode());
    EXPECT_EQ(m[Field::sreg_18], 0);

    m.msgs.answer(Answer::Yes);
    m.model.userClickedPlcMode();
    EXPECT_TRUE(m.model.plcMode());
    EXPECT_EQ(m[Field::sreg_18], 120);
    EXPECT_EQ(m[Field::sreg_19], 5);
}

TEST(SettingsPlc, ProgramChangesOfTheBoxDoNotRunTheClickRule) {
    Model m;
    // A view that reacts to every state change of its box, the program's own included.
    QObject::connect(&m.model, &SettingsModel::fieldChanged, [&](Field f, int) {
        if (f == Field::Modbus_CheckBox)
            m.model.userClickedPlcMode();
    });
    m.model.Modbus_CheckBoxCheck(false);
    m.model.set(Field::Modbus_CheckBox, 1);
    EXPECT_TRUE(m.msgs.empty());
    m.msgs.answer(Answer::No);
    m.model.userClickedPlcMode();
    EXPECT_EQ(m.msgs.count(), 1);
    EXPECT_TRUE(m.model.plcMode());
}

TEST(SettingsPlc, LeavingThresholdsByHand) {
    Model m;
    m.model.leaveField(Field::sreg_18, 0);
    EXPECT_TRUE(m.model.plcMode());
    m.model.leaveField(Field::sreg_19, 0);
    EXPECT_FALSE(m.model.plcMode());
    m.model.leaveField(Field::sreg_19, 7);
    EXPECT_TRUE(m.model.plcMode());
    EXPECT_EQ(m[Field::sreg_18], 0);
    EXPECT_EQ(m[Field::sreg_19], 7);
    EXPECT_TRUE(m.msgs.empty());
}

// --- setting values ------------------------------------------------------------------

TEST(SettingsSet, ClampsByKindAndAnnouncesRealChangesOnly) {
    Model m;
    m.model.set(Field::sreg_1, 1000);
    m.model.set(Field::Serial_Flow, 2);
    EXPECT_TRUE(m.changes.empty());

    m.model.set(Field::sreg_1, 10);
    EXPECT_EQ(m[Field::sreg_1], 60);
    m.model.set(Field::sreg_10, 99999);
    EXPECT_EQ(m[Field::sreg_10], 2550);
    m.model.set(Field::Serial_Flow, 7);  // kept as read
    EXPECT_EQ(m[Field::Serial_Flow], 7);
    m.model.set(Field::Serial_Flow, -4);
    EXPECT_EQ(m[Field::Serial_Flow], 0);
    m.model.set(Field::Adv_Echo, 5);
    EXPECT_EQ(m[Field::Adv_Echo], 1);
    EXPECT_EQ(m.changes, (std::vector<std::pair<Field, int>>{{Field::sreg_1, 60},
                                                             {Field::sreg_10, 2550},
                                                             {Field::Serial_Flow, 7},
                                                             {Field::Serial_Flow, 0},
                                                             {Field::Adv_Echo, 1}}));
    m.model.set(Field::Adv_Echo, 9);
    EXPECT_EQ(m.changes.size(), 5u);
}

TEST(SettingsSet, MirroredFieldsHoldOneValue) {
    Model m;
    m.model.leaveField(Field::sreg_6, 300);
    EXPECT_EQ(m[Field::sreg_6], 255);
    m.model.leaveField(Field::ed_TM_SysAdd, 77);
    EXPECT_EQ(m.model.settings()[Field::ed_TM_SysAdd], 77);
    m.model.leaveField(Field::ed_TM_GrpAdd2, 0);
    EXPECT_EQ(m[Field::ed_TM_GrpAdd2], 1);
    EXPECT_TRUE(m.msgs.empty());
}

TEST(SettingsSet, ReplaceAllRunsNoRule) {
    Model m;
    ModuleSettings s = m.model.settings();
    s.OperatingMode = OperatingMode::OpAutoConnectSlave;
    s[Field::chk_CM_Fast] = 1;
    s[Field::ed_CM_UnitAdd] = 100;
    s[Field::chk_CM_LowPow] = 1;
    s[Field::Serial_DTR] = 1;
    s[Field::Radio_DataRate] = 2;
    s[Field::sreg_14] = 9999;
    m.model.replaceAll(s);
    EXPECT_TRUE(m.msgs.empty());
    EXPECT_EQ(m.modes, std::vector<OperatingMode>{OperatingMode::OpAutoConnectSlave});
    EXPECT_EQ(m[Field::ed_CM_UnitAdd], 15);  // the limit of the Fast Operation it brings
    EXPECT_EQ(m[Field::Serial_DTR], 1);
    EXPECT_EQ(m[Field::sreg_14], 530);
    EXPECT_EQ(m[Field::Z0_Dest], 2);  // the slave rule did not run
    EXPECT_EQ(m.model.maximum(Field::ed_CM_UnitAdd), 15);
    EXPECT_EQ(m.maxima, std::vector<int>{15});
}

}  // namespace
