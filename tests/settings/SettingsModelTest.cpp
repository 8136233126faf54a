#include "tests/settings/ModelFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace modeltest;

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
    // Setting by the program and leaving the field both apply the limit in force.
    m.model.set(Field::UnitAddress, 100);
    EXPECT_EQ(m[Field::UnitAddress], 15);
    m.model.leaveField(Field::UnitAddress, 200);
    EXPECT_EQ(m[Field::UnitAddress], 15);
    m.model.leaveField(Field::UnitAddress, 0);
    EXPECT_EQ(m[Field::UnitAddress], 1);
    m.model.set(Field::UnitAddress, 500);
    EXPECT_EQ(m[Field::UnitAddress], 15);
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
    EXPECT_EQ(m[Field::UnitAddress], 15);  // the limit of the Fast Operation it brings
    EXPECT_EQ(m[Field::DtrControl], 1);
    EXPECT_EQ(m[Field::PacketSize], 530);
    EXPECT_EQ(m[Field::Route0Destination], 2);  // the slave rule did not run
    EXPECT_EQ(m.model.maximum(Field::UnitAddress), 15);
    EXPECT_EQ(m.maxima, std::vector<int>{15});
}

}  // namespace
