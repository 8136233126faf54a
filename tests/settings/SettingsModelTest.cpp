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
    return selectProductVariant(c == RadioClass::Class740 ? "Cfg_740RB" : "Cfg_620R").value();
}

// A model after start-up, recording what it announces.
class Model {
public:
    explicit Model(RadioClass c = RadioClass::Class740) : model(variantOf(c), msgs) {
        QObject::connect(&model, &SettingsModel::fieldChanged, [this](Field f, int v) { changes.emplace_back(f, v); });
        QObject::connect(&model, &SettingsModel::modeChanged, [this](OperatingMode m) { modes.push_back(m); });
        QObject::connect(&model, &SettingsModel::maximumChanged, [this](Field, int max) { maxima.push_back(max); });
        QObject::connect(&model, &SettingsModel::defaultsApplied, [this] { ++defaultsApplied; });
        model.applyDefaults();
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
    EXPECT_EQ(model.mode(), OperatingMode::None);
    EXPECT_FALSE(model.plcMode());
    int applied = 0;
    QObject::connect(&model, &SettingsModel::defaultsApplied, [&] { ++applied; });
    model.applyDefaults();

    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(msgs.empty()) << msgs.texts().join('|').toStdString();
    EXPECT_EQ(model.mode(), OperatingMode::Transparent);
    EXPECT_GE(model.get(Field::SystemAddress), 1);
    EXPECT_LE(model.get(Field::SystemAddress), 254);
    EXPECT_EQ(model.get(Field::RxBufferThreshold), 120);
    EXPECT_EQ(model.get(Field::RxBufferTimeout), 5);
    EXPECT_TRUE(model.plcMode());
    EXPECT_EQ(model.savedDtrChoice(), 0);
    EXPECT_EQ(model.maximum(Field::UnitAddress), 127);

    const std::pair<Field, int> expected[] = {
        {Field::GroupAddress1, 1}, {Field::GroupAddress2, 1}, {Field::OnLineAtStartup, 1},
        {Field::UnitAddress, 1}, {Field::FastOperation, 0},   {Field::LowPowerMode, 0},
        {Field::ConnectAttempts, 5},        {Field::DisconnectDelay, 0},       {Field::LinkCheckInterval, 0},
        {Field::InactivityTimeout, 0}, {Field::Route0Destination, 2},       {Field::Route1Destination, 0},
        {Field::Route2Destination, 0},       {Field::Route3Destination, 0},       {Field::RadioDataRate, 0},
        {Field::CrcChecking, 0},     {Field::PacketSize, 530},     {Field::TxHoldOff, 0},
        {Field::RxHoldOff, 0},       {Field::SerialBaudRate, 4},   {Field::SerialDataBits, 1},
        {Field::SerialStopBits, 0},   {Field::SerialParity, 0}, {Field::FlowControl, 2},
        {Field::DtrControl, 0},    {Field::DcdControl, 1},    {Field::PlcMode, 1},
        {Field::EchoOff, 0},      {Field::ResponseCodesOff, 0},      {Field::NumericResponses, 0},
        {Field::AbortModeOff, 0},     {Field::ResponseLevel, 0},  {Field::AnswerAttempts, 1},
        {Field::EscapeGuardTime, 1000},     {Field::EscapeCharacterCode, 43},       {Field::CarriageReturnCode, 13},
        {Field::LineFeedCode, 10},       {Field::BackspaceCode, 8},        {Field::TestTimer, 0},
        {Field::ReceiveLevel, 0},        {Field::DtrLossTime, 10},      {Field::CommandModeDiagnostic, 0},
        {Field::CountryCode, 0},       {Field::DefaultSystemAddress, 100},     {Field::RadioSignature, 1},
    };
    for (const auto &[f, v] : expected)
        EXPECT_EQ(model.get(f), v) << fieldInfo(f).name;
    for (int n = 0; n < 4; ++n)
        for (int k = 1; k <= 5; ++k)
            EXPECT_EQ(model.get(routeRepeater(n, k)), 0);
}

TEST(SettingsDefaults, Class620ThresholdsAndRates) {
    Model m(RadioClass::Class620);
    EXPECT_EQ(m[Field::RxBufferThreshold], 129);
    EXPECT_EQ(m[Field::RxBufferTimeout], 5);
    EXPECT_EQ(m.model.choiceItems(Field::RadioDataRate), (QStringList{"19200", "38400", "76800"}));
    Model m740;
    EXPECT_EQ(m740.model.choiceItems(Field::RadioDataRate), (QStringList{"19200", "57600", "115200"}));
    EXPECT_EQ(m740.model.choiceItems(Field::SerialBaudRate).size(), 14);
    EXPECT_EQ(m740.model.choiceItems(Field::ResponseLevel).first(), "X0:= Basic ");
    EXPECT_TRUE(m740.model.choiceItems(Field::PacketSize).isEmpty());
}

TEST(SettingsDefaults, PutBackEverythingWithoutQuestions) {
    Model m;
    m.msgs.setDefault(Buttons::YesNo, Answer::No);
    m.model.selectMode(OperatingMode::AutoConnectSlave);
    m.model.set(Field::FastOperation, 1);
    m.model.set(Field::LowPowerMode, 1);
    m.model.set(Field::RadioDataRate, 2);
    m.model.userChose(Field::SerialBaudRate, 9);
    m.model.leaveField(Field::PacketSize, 300);
    m.model.set(Field::RadioSignature, 3);
    m.model.set(Field::Route3Repeater5, 9);
    {
        SettingsModel::ProgramUpdate update(m.model);
        m.model.set(Field::DtrControl, 2);
        m.model.applyDtrRule();
    }
    ASSERT_EQ(m.model.savedDtrChoice(), 2);
    m.forget();

    m.model.applyDefaults();
    EXPECT_TRUE(m.msgs.empty()) << m.msgs.texts().join('|').toStdString();
    EXPECT_EQ(m.defaultsApplied, 1);
    EXPECT_EQ(m.modes, std::vector<OperatingMode>{OperatingMode::Transparent});
    EXPECT_EQ(m.model.maximum(Field::UnitAddress), 127);
    EXPECT_EQ(m.maxima, std::vector<int>{127});
    EXPECT_EQ(m[Field::DtrControl], 0);
    EXPECT_EQ(m[Field::LowPowerMode], 0);
    EXPECT_EQ(m.model.savedDtrChoice(), 0);
    EXPECT_EQ(m[Field::RxBufferThreshold], 120);
    EXPECT_EQ(m[Field::RadioSignature], 1);
    EXPECT_EQ(m[Field::Route3Repeater5], 0);
    EXPECT_TRUE(m.model.plcMode());

    // A second applyDefaults ends with nothing changed but the random system address
    // (the thresholds pass through 0 on the way, in the order the defaults apply).
    ModuleSettings before = m.model.settings();
    m.forget();
    m.model.applyDefaults();
    for (const auto &c : m.changes)
        EXPECT_TRUE(c.first == Field::SystemAddress || c.first == Field::RxBufferThreshold || c.first == Field::RxBufferTimeout)
            << fieldInfo(c.first).name;
    before[Field::SystemAddress] = m[Field::SystemAddress];
    EXPECT_EQ(m.model.settings(), before);
    EXPECT_TRUE(m.modes.empty());
}

TEST(SettingsDefaults, SystemAddressIsRandomWithinRange) {
    Model m;
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        m.model.applyDefaults();
        const int a = m[Field::SystemAddress];
        ASSERT_GE(a, 1);
        ASSERT_LE(a, 254);
        seen.insert(a);
    }
    EXPECT_GT(seen.size(), 1u);
}

// --- modes ---------------------------------------------------------------------------

TEST(SettingsModes, SlaveThenMaster) {
    Model m;
    m.model.selectMode(OperatingMode::AutoConnectSlave);
    EXPECT_EQ(m.model.mode(), OperatingMode::AutoConnectSlave);
    EXPECT_EQ(m[Field::UnitAddress], 2);
    EXPECT_EQ(m[Field::Route0Destination], 0);
    m.model.selectMode(OperatingMode::AutoConnectMaster);
    EXPECT_EQ(m[Field::UnitAddress], 1);
    EXPECT_EQ(m[Field::Route0Destination], 2);
    EXPECT_EQ(m.modes, (std::vector<OperatingMode>{OperatingMode::AutoConnectSlave,
                                                   OperatingMode::AutoConnectMaster}));
}

TEST(SettingsModes, ReselectingRunsNothing) {
    Model m;
    m.model.selectMode(OperatingMode::AutoConnectMaster);
    m.model.set(Field::UnitAddress, 9);
    m.forget();
    m.model.selectMode(OperatingMode::AutoConnectMaster);
    EXPECT_TRUE(m.modes.empty());
    EXPECT_TRUE(m.changes.empty());
    EXPECT_EQ(m[Field::UnitAddress], 9);
}

TEST(SettingsModes, SingleConnectSetsNothing) {
    Model m;
    m.model.set(Field::UnitAddress, 33);
    m.model.set(Field::Route0Destination, 44);
    m.forget();
    m.model.selectMode(OperatingMode::SingleConnect);
    EXPECT_TRUE(m.changes.empty());
    EXPECT_EQ(m.modes.size(), 1u);
}

TEST(SettingsModes, TransparentSwitchesControlledOptionsOff) {
    Model m;
    m.model.selectMode(OperatingMode::AutoConnectMaster);
    m.model.set(Field::FastOperation, 1);
    m.model.set(Field::LowPowerMode, 1);
    ASSERT_EQ(m[Field::DtrControl], 3);
    m.model.selectMode(OperatingMode::TransparentRepeater);
    EXPECT_EQ(m[Field::FastOperation], 0);
    EXPECT_EQ(m[Field::LowPowerMode], 0);
    EXPECT_EQ(m[Field::DtrControl], 0);  // the remembered choice
    EXPECT_EQ(m.model.maximum(Field::UnitAddress), 127);
}

// --- Fast Operation and the unit address -----------------------------------------

TEST(SettingsFast, LowersUnitAddressAndMaximum) {
    Model m;
    m.model.setPlcModeSilently(false);  // no questions in this test
    m.model.selectMode(OperatingMode::AutoConnectMaster);
    m.model.set(Field::UnitAddress, 100);
    m.forget();

    m.model.set(Field::FastOperation, 1);
    EXPECT_EQ(m.model.maximum(Field::UnitAddress), 15);
    EXPECT_EQ(m.maxima, std::vector<int>{15});
    EXPECT_EQ(m[Field::UnitAddress], 15);

    m.model.set(Field::FastOperation, 0);
    EXPECT_EQ(m.model.maximum(Field::UnitAddress), 127);
    EXPECT_EQ(m.maxima, (std::vector<int>{15, 127}));
    EXPECT_EQ(m[Field::UnitAddress], 15);  // stays
    m.model.leaveField(Field::UnitAddress, 127);
    EXPECT_EQ(m[Field::UnitAddress], 127);
    EXPECT_TRUE(m.msgs.empty());
}

TEST(SettingsFast, LeavingClampsToTheFastLimit) {
    Model m;
    m.model.setPlcModeSilently(false);
    m.model.set(Field::FastOperation, 1);
    // Setting clamps into the field's own range only; leaving applies the limit.
    m.model.set(Field::UnitAddress, 100);
    EXPECT_EQ(m[Field::UnitAddress], 100);
    m.model.leaveField(Field::UnitAddress, 100);
    EXPECT_EQ(m[Field::UnitAddress], 15);
    m.model.leaveField(Field::UnitAddress, 200);
    EXPECT_EQ(m[Field::UnitAddress], 15);
    m.model.leaveField(Field::UnitAddress, 0);
    EXPECT_EQ(m[Field::UnitAddress], 1);
    m.model.set(Field::UnitAddress, 500);
    EXPECT_EQ(m[Field::UnitAddress], 127);
}

TEST(SettingsFast, ChangeOffersRecomputation) {
    Model m;
    m.msgs.answer(Answer::Yes);
    m.model.set(Field::FastOperation, 1);
    ASSERT_EQ(m.msgs.count(), 1);
    EXPECT_EQ(m.msgs.last().text, "Automatically adjust S18 & S19 (recommended)?");
    EXPECT_EQ(m.msgs.last().icon, Icon::Question);
    EXPECT_EQ(m.msgs.last().buttons, Buttons::YesNo);
    EXPECT_EQ(m[Field::RxBufferThreshold], 133);  // K is 0 with Fast Operation

    m.msgs.answer(Answer::No);
    m.model.set(Field::FastOperation, 0);
    EXPECT_EQ(m.msgs.count(), 2);
    EXPECT_EQ(m[Field::RxBufferThreshold], 133);  // No keeps the thresholds

    m.model.set(Field::FastOperation, 0);  // no change, no question
    EXPECT_EQ(m.msgs.count(), 2);

    {
        SettingsModel::ProgramUpdate update(m.model);  // a listing being applied
        m.model.set(Field::FastOperation, 1);
        m.model.set(Field::RadioDataRate, 1);
    }
    EXPECT_EQ(m.msgs.count(), 2);
    EXPECT_EQ(m[Field::RxBufferThreshold], 133);
}

// --- Low Power Mode and DTR -------------------------------------------------------

TEST(SettingsLowPower, SwitchesDtrAndRestoresTheRememberedChoice) {
    Model m;
    m.model.set(Field::LowPowerMode, 1);
    EXPECT_EQ(m[Field::DtrControl], 3);
    m.model.set(Field::LowPowerMode, 0);
    EXPECT_EQ(m[Field::DtrControl], 0);

    // A user choice of DTR touches neither the box nor the remembered choice.
    m.model.userChose(Field::DtrControl, 2);
    EXPECT_EQ(m[Field::LowPowerMode], 0);
    EXPECT_EQ(m.model.savedDtrChoice(), 0);
    m.model.userChose(Field::DtrControl, 3);
    EXPECT_EQ(m[Field::LowPowerMode], 0);
    m.model.set(Field::LowPowerMode, 1);
    m.model.set(Field::LowPowerMode, 0);
    EXPECT_EQ(m[Field::DtrControl], 0);
    EXPECT_TRUE(m.msgs.empty());
}

TEST(SettingsLowPower, ListingDtrRule) {
    Model m;
    m.model.set(Field::LowPowerMode, 1);
    {
        SettingsModel::ProgramUpdate update(m.model);
        m.model.set(Field::DtrControl, 1);
        m.model.applyDtrRule();
    }
    EXPECT_EQ(m[Field::DtrControl], 1);
    EXPECT_EQ(m[Field::LowPowerMode], 0);
    EXPECT_EQ(m.model.savedDtrChoice(), 1);
    m.model.set(Field::LowPowerMode, 1);
    m.model.set(Field::LowPowerMode, 0);
    EXPECT_EQ(m[Field::DtrControl], 1);

    // DTR 3 read from a module switches the box on; the remembered choice stays.
    m.model.set(Field::DtrControl, 3);
    m.model.applyDtrRule();
    EXPECT_EQ(m[Field::LowPowerMode], 1);
    EXPECT_EQ(m.model.savedDtrChoice(), 1);
    // Transparent mode switches the box off and restores it.
    m.model.selectMode(OperatingMode::AutoConnectMaster);
    m.model.selectMode(OperatingMode::Transparent);
    EXPECT_EQ(m[Field::DtrControl], 1);
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
    m740.model.setPlcModeSilently(false);
    m740.model.set(Field::FastOperation, 1);
    EXPECT_DOUBLE_EQ(m740.model.thresholdK(), 0.0);
    Model m620(RadioClass::Class620);
    m620.model.setPlcModeSilently(false);
    m620.model.set(Field::FastOperation, 1);
    EXPECT_DOUBLE_EQ(m620.model.thresholdK(), 0.008);
}

TEST(SettingsThresholds, BaudChoiceAsksAndComputes) {
    Model m;
    m.msgs.answer(Answer::Yes);
    m.model.userChose(Field::SerialBaudRate, 9);  // 38400
    ASSERT_EQ(m.msgs.count(), 1);
    EXPECT_EQ(m.msgs.at(0).text, "Automatically adjust S18 & S19 (recommended)?");
    EXPECT_EQ(m[Field::RxBufferThreshold], 0);
    EXPECT_EQ(m[Field::RxBufferTimeout], 2);

    // Both 115200 entries compute alike.
    m.msgs.answer({Answer::Yes, Answer::Yes});
    m.model.userChose(Field::SerialBaudRate, 1);  // 1200
    EXPECT_EQ(m[Field::RxBufferTimeout], 34);
    m.model.userChose(Field::SerialBaudRate, 0);
    EXPECT_EQ(m[Field::RxBufferThreshold], 0);
    EXPECT_EQ(m[Field::RxBufferTimeout], 1);
    m.model.userChose(Field::SerialBaudRate, 1);
    m.msgs.answer(Answer::Yes);
    m.model.userChose(Field::SerialBaudRate, 12);
    EXPECT_EQ(m[Field::RxBufferTimeout], 1);
}

TEST(SettingsThresholds, ChoiceBeyondTheListLeavesThresholds) {
    Model m;
    {
        SettingsModel::ProgramUpdate update(m.model);
        m.model.set(Field::SerialBaudRate, 20);
    }
    EXPECT_EQ(m[Field::SerialBaudRate], 20);
    m.model.adjustThresholds(true);
    EXPECT_EQ(m[Field::RxBufferThreshold], 120);
    EXPECT_EQ(m[Field::RxBufferTimeout], 5);
}

TEST(SettingsThresholds, RadioRateChangeAsks) {
    Model m;
    m.msgs.answer(Answer::Yes);
    m.model.set(Field::RadioDataRate, 2);  // 115200 for the 740 class
    ASSERT_EQ(m.msgs.count(), 1);
    // (530 - (10*530/115200 + 0.028) * 960) / 2 = 229.48
    EXPECT_EQ(m[Field::RxBufferThreshold], 230);
    m.model.set(Field::RadioDataRate, 2);
    EXPECT_EQ(m.msgs.count(), 1);
    m.model.setPlcModeSilently(false);
    m.model.set(Field::RadioDataRate, 0);
    EXPECT_EQ(m.msgs.count(), 1);  // no question outside PLC mode
}

TEST(SettingsThresholds, UnsupportedBaudWarnsThenAsks) {
    for (int baud : {8, 11, 13}) {
        Model m;
        m.msgs.answer({Answer::Ok, Answer::No});
        m.model.userChose(Field::SerialBaudRate, baud);
        ASSERT_EQ(m.msgs.count(), 2) << baud;
        EXPECT_EQ(m.msgs.at(0).icon, Icon::Information);
        EXPECT_EQ(m.msgs.at(0).buttons, Buttons::Ok);
        EXPECT_EQ(m.msgs.at(0).text,
                  "The selected Baud Rate is not supported by windows.\r\n"
                  "Once configured with this value, windows will be unable to communicate with the module.");
        EXPECT_EQ(m.msgs.at(1).text, "Automatically adjust S18 & S19 (recommended)?");
        EXPECT_EQ(m[Field::SerialBaudRate], baud);  // the choice stays
        EXPECT_EQ(m[Field::RxBufferThreshold], 120);       // answered No
    }
    Model off;
    off.model.setPlcModeSilently(false);
    off.model.userChose(Field::SerialBaudRate, 8);
    EXPECT_EQ(off.msgs.count(), 1);  // warning only
    off.model.set(Field::SerialBaudRate, 11);  // the program's own change warns of nothing
    EXPECT_EQ(off.msgs.count(), 1);
}

TEST(SettingsThresholds, PacketSizeLeave) {
    Model m;
    m.model.leaveField(Field::PacketSize, 600);
    EXPECT_EQ(m[Field::PacketSize], 530);
    EXPECT_TRUE(m.msgs.empty());  // unchanged: no question
    // The control that showed 600 is told what the field holds.
    ASSERT_EQ(m.changes.size(), 1u);
    EXPECT_EQ(m.changes[0], std::make_pair(Field::PacketSize, 530));

    m.forget();
    m.msgs.answer(Answer::Yes);
    m.model.leaveField(Field::PacketSize, 400);
    EXPECT_EQ(m[Field::PacketSize], 400);
    EXPECT_EQ(m.msgs.count(), 1);
    EXPECT_EQ(m[Field::RxBufferThreshold], SettingsModel::thresholdS18(9600, 19200, 400, 0.028));

    m.model.leaveField(Field::PacketSize, 400);
    EXPECT_EQ(m.msgs.count(), 1);
    m.msgs.answer(Answer::No);
    m.model.leaveField(Field::PacketSize, 5);
    EXPECT_EQ(m[Field::PacketSize], 20);
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
    EXPECT_EQ(m[Field::RxBufferThreshold], 120);
    EXPECT_EQ(m[Field::RxBufferTimeout], 5);
    // The view's toggled box is put back.
    ASSERT_EQ(m.changes.size(), 1u);
    EXPECT_EQ(m.changes[0], std::make_pair(Field::PlcMode, 1));
}

TEST(SettingsPlc, ClickOffYesClears) {
    Model m;
    m.msgs.answer(Answer::Yes);
    m.model.userClickedPlcMode();
    EXPECT_FALSE(m.model.plcMode());
    EXPECT_EQ(m[Field::RxBufferThreshold], 0);
    EXPECT_EQ(m[Field::RxBufferTimeout], 0);
    EXPECT_EQ(m.changesOf(Field::PlcMode), 1);
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
    EXPECT_EQ(m[Field::RxBufferThreshold], 0);

    m.msgs.answer(Answer::Yes);
    m.model.userClickedPlcMode();
    EXPECT_TRUE(m.model.plcMode());
    EXPECT_EQ(m[Field::RxBufferThreshold], 120);
    EXPECT_EQ(m[Field::RxBufferTimeout], 5);
}

TEST(SettingsPlc, ProgramChangesOfTheBoxDoNotRunTheClickRule) {
    Model m;
    // A view that reacts to every state change of its box, the program's own included.
    QObject::connect(&m.model, &SettingsModel::fieldChanged, [&](Field f, int) {
        if (f == Field::PlcMode)
            m.model.userClickedPlcMode();
    });
    m.model.setPlcModeSilently(false);
    m.model.set(Field::PlcMode, 1);
    EXPECT_TRUE(m.msgs.empty());
    m.msgs.answer(Answer::No);
    m.model.userClickedPlcMode();
    EXPECT_EQ(m.msgs.count(), 1);
    EXPECT_TRUE(m.model.plcMode());
}

TEST(SettingsPlc, LeavingThresholdsByHand) {
    Model m;
    m.model.leaveField(Field::RxBufferThreshold, 0);
    EXPECT_TRUE(m.model.plcMode());
    m.model.leaveField(Field::RxBufferTimeout, 0);
    EXPECT_FALSE(m.model.plcMode());
    m.model.leaveField(Field::RxBufferTimeout, 7);
    EXPECT_TRUE(m.model.plcMode());
    EXPECT_EQ(m[Field::RxBufferThreshold], 0);
    EXPECT_EQ(m[Field::RxBufferTimeout], 7);
    EXPECT_TRUE(m.msgs.empty());
}

// --- setting values ------------------------------------------------------------------

TEST(SettingsSet, ClampsByKindAndAnnouncesRealChangesOnly) {
    Model m;
    m.model.set(Field::EscapeGuardTime, 1000);
    m.model.set(Field::FlowControl, 2);
    EXPECT_TRUE(m.changes.empty());

    m.model.set(Field::EscapeGuardTime, 10);
    EXPECT_EQ(m[Field::EscapeGuardTime], 60);
    m.model.set(Field::DtrLossTime, 99999);
    EXPECT_EQ(m[Field::DtrLossTime], 2550);
    m.model.set(Field::FlowControl, 7);  // kept as read
    EXPECT_EQ(m[Field::FlowControl], 7);
    m.model.set(Field::FlowControl, -4);
    EXPECT_EQ(m[Field::FlowControl], 0);
    m.model.set(Field::EchoOff, 5);
    EXPECT_EQ(m[Field::EchoOff], 1);
    EXPECT_EQ(m.changes, (std::vector<std::pair<Field, int>>{{Field::EscapeGuardTime, 60},
                                                             {Field::DtrLossTime, 2550},
                                                             {Field::FlowControl, 7},
                                                             {Field::FlowControl, 0},
                                                             {Field::EchoOff, 1}}));
    m.model.set(Field::EchoOff, 9);
    EXPECT_EQ(m.changes.size(), 5u);
}

TEST(SettingsSet, MirroredFieldsHoldOneValue) {
    Model m;
    m.model.leaveField(Field::LinkCheckInterval, 300);
    EXPECT_EQ(m[Field::LinkCheckInterval], 255);
    m.model.leaveField(Field::SystemAddress, 77);
    EXPECT_EQ(m.model.settings()[Field::SystemAddress], 77);
    m.model.leaveField(Field::GroupAddress2, 0);
    EXPECT_EQ(m[Field::GroupAddress2], 1);
    EXPECT_TRUE(m.msgs.empty());
}

TEST(SettingsSet, ReplaceAllRunsNoRule) {
    Model m;
    ModuleSettings s = m.model.settings();
    s.mode = OperatingMode::AutoConnectSlave;
    s[Field::FastOperation] = 1;
    s[Field::UnitAddress] = 100;
    s[Field::LowPowerMode] = 1;
    s[Field::DtrControl] = 1;
    s[Field::RadioDataRate] = 2;
    s[Field::PacketSize] = 9999;
    m.model.replaceAll(s);
    EXPECT_TRUE(m.msgs.empty());
    EXPECT_EQ(m.modes, std::vector<OperatingMode>{OperatingMode::AutoConnectSlave});
    EXPECT_EQ(m[Field::UnitAddress], 100);
    EXPECT_EQ(m[Field::DtrControl], 1);
    EXPECT_EQ(m[Field::PacketSize], 530);
    EXPECT_EQ(m[Field::Route0Destination], 2);  // the slave rule did not run
    EXPECT_EQ(m.model.maximum(Field::UnitAddress), 15);
    EXPECT_EQ(m.maxima, std::vector<int>{15});
}

}  // namespace
