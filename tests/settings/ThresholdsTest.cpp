#include "tests/settings/ModelFixture.h"

#include <gtest/gtest.h>

namespace {

using namespace modeltest;

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
    EXPECT_EQ(m[Field::RxBufferThreshold], 87);  // ceil((400 - (10 x 400 / 19200 + 0.028) x 960) / 2)

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

}  // namespace
