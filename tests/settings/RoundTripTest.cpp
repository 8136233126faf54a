#include "CodecTestSupport.h"
#include "FileFixture.h"

#include "settings/ConfigFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace codectest;

namespace {

// Settings a user can arrive at in mode m: every field within its range and the
// rules' invariants holding (Fast Operation only on the 740 class in a controlled
// mode, unit address within 15 with it, Low Power following DTR, PLC mode following
// the thresholds). Routes include the ones a file cannot keep: repeaters after a
// gap in the chain, and repeaters to a disabled destination.
ModuleSettings randomSettings(std::mt19937 &gen, OperatingMode m, RadioClass rc) {
    const auto pick = [&gen](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    ModuleSettings s;
    s.mode = m;
    for (int i = 0; i < kFieldCount; ++i) {
        const FieldInfo &info = fieldInfo(static_cast<Field>(i));
        s.values[static_cast<std::size_t>(i)] = pick(info.min, info.max);
    }
    const bool controlled = isControlledMode(m);
    s[Field::FastOperation] = controlled && rc == RadioClass::Class740 ? pick(0, 1) : 0;
    if (s.flag(Field::FastOperation))
        s[Field::UnitAddress] = pick(1, 15);
    if (!controlled)
        s[Field::DtrControl] = pick(0, 2);
    s[Field::LowPowerMode] = controlled && s[Field::DtrControl] == 3;
    // Threshold registers are 0 now and then, so that PLC mode goes both ways.
    if (pick(0, 3) == 0)
        s[Field::RxBufferThreshold] = 0;
    if (pick(0, 3) == 0)
        s[Field::RxBufferTimeout] = 0;
    s[Field::PlcMode] = s[Field::RxBufferThreshold] != 0 || s[Field::RxBufferTimeout] != 0;
    for (int n = 0; n < 4; ++n) {
        if (pick(0, 3) == 0)
            s[routeDestination(n)] = 0;
        const int chain = pick(0, 5);
        for (int k = 1; k <= 5; ++k)
            s[routeRepeater(n, k)] = k <= chain ? pick(1, 127) : 0;
        if (chain >= 2 && pick(0, 3) == 0)
            s[routeRepeater(n, pick(1, chain - 1))] = 0;
    }
    // Read from a module only; a file starts them from their defaults.
    s[Field::ReceiveLevel] = s[Field::CommandModeDiagnostic] = s[Field::CountryCode] = 0;
    return s;
}

// A route as a file keeps it: the chain ends at its first gap; a disabled destination
// loses its repeaters, except that five of them read back as four to the fifth.
void expectRouteLoss(ModuleSettings &s, int n) {
    int chain = 0;
    while (chain < 5 && s[routeRepeater(n, chain + 1)] != 0)
        ++chain;
    if (s[routeDestination(n)] == 0 && chain == 5) {
        s[routeDestination(n)] = s[routeRepeater(n, 5)];
        s[routeRepeater(n, 5)] = 0;
        return;
    }
    if (s[routeDestination(n)] == 0)
        chain = 0;
    for (int k = chain + 1; k <= 5; ++k)
        s[routeRepeater(n, k)] = 0;
}

// What a file keeps of s: the module units of S1, S10 and S14, the routes, and for
// the fields a mode does not send, the values a load starts from.
ModuleSettings expectedAfterLoad(ModuleSettings s) {
    s[Field::EscapeGuardTime] = s[Field::EscapeGuardTime] / 20 * 20;
    s[Field::DtrLossTime] = s[Field::DtrLossTime] / 10 * 10;
    s[Field::PacketSize] = (s[Field::PacketSize] / 2 - 10) * 2 + 20;
    if (isControlledMode(s.mode)) {
        s[Field::GroupAddress2] = s[Field::UnitAddress];  // both come from "&U"
        s[Field::OnLineAtStartup] = 1;
        for (int n = 0; n < 4; ++n)
            expectRouteLoss(s, n);
    } else {
        const int unit = s.mode == OperatingMode::Transparent ? 1 : s[Field::GroupAddress2];
        s[Field::GroupAddress2] = unit;
        s[Field::UnitAddress] = std::min(unit, 127);
        // The four bare route items read back as disabled destinations.
        for (int n = 0; n < 4; ++n) {
            s[routeDestination(n)] = 0;
            for (int k = 1; k <= 5; ++k)
                s[routeRepeater(n, k)] = 0;
        }
    }
    return s;
}

QString differences(const ModuleSettings &want, const ModuleSettings &got) {
    QString out;
    if (want.mode != got.mode)
        out += QStringLiteral("mode %1/%2 ").arg(int(want.mode)).arg(int(got.mode));
    for (int i = 0; i < kFieldCount; ++i) {
        const auto f = static_cast<Field>(i);
        if (want[f] != got[f])
            out += QStringLiteral("%1 %2/%3 ").arg(fieldInfo(f).name).arg(want[f]).arg(got[f]);
    }
    return out;
}

class RoundTrip : public ::testing::TestWithParam<RadioClass> {};

TEST_P(RoundTrip, RandomSettingsInEveryModeComeBackFromAFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("round.40B");
    std::mt19937 gen(740620);
    int checked = 0;
    for (int m = 1; m <= 5; ++m) {
        for (int iteration = 0; iteration < 80; ++iteration) {
            const ModuleSettings source = randomSettings(gen, static_cast<OperatingMode>(m), GetParam());
            FileRig saver(GetParam());
            saver.apply(source);
            ASSERT_EQ(saver.model.settings(), source) << "the generator keeps to the ranges";
            saver.dialogs.answer = path;
            ASSERT_TRUE(saver.files.saveAs(true));

            FileRig loader(GetParam());
            ASSERT_TRUE(loader.files.loadFile(path)) << loader.messages.texts().join('|').toStdString();
            EXPECT_TRUE(loader.messages.empty()) << loader.messages.texts().join('|').toStdString();
            const ModuleSettings want = expectedAfterLoad(source);
            ASSERT_EQ(loader.model.settings(), want)
                << "mode " << m << ": " << differences(want, loader.model.settings()).toStdString();
            ++checked;
        }
    }
    EXPECT_EQ(checked, 400);
}

INSTANTIATE_TEST_SUITE_P(BothClasses, RoundTrip, ::testing::Values(RadioClass::Class740, RadioClass::Class620));

TEST(RoundTripUnits, ValuesTheModuleUnitsCannotHold) {
    QTemporaryDir dir;
    const QString path = dir.filePath("units.40B");
    ModuleSettings s = masterExample();
    s[Field::EscapeGuardTime] = 1010;
    s[Field::PacketSize] = 21;
    s[Field::DtrLossTime] = 15;
    saveToFile(joinCommandList(buildCommandList(s)), path);
    const QByteArray line = ConfigFile().readLine(path);
    EXPECT_TRUE(line.contains(" ATS1:50 "));
    EXPECT_TRUE(line.contains(" ATS14:0 "));
    EXPECT_TRUE(line.contains(" ATS10:1 "));
    FileRig rig;
    ASSERT_TRUE(rig.files.loadFile(path));
    EXPECT_EQ(rig.get(Field::EscapeGuardTime), 1000);
    EXPECT_EQ(rig.get(Field::PacketSize), 20);
    EXPECT_EQ(rig.get(Field::DtrLossTime), 10);
}

TEST(RoundTripUnits, FiveRepeatersToADisabledDestination) {
    // "1,2,3,4,5,0" reads back as four repeaters to destination 5: a disabled entry
    // with a full chain does not survive a file.
    QTemporaryDir dir;
    const QString path = dir.filePath("chain.40B");
    ModuleSettings s = masterExample();
    s.mode = OperatingMode::SingleConnect;
    s[Field::Route2Destination] = 0;
    for (int k = 1; k <= 5; ++k)
        s[routeRepeater(2, k)] = k;
    saveToFile(joinCommandList(buildCommandList(s)), path);
    FileRig rig;
    ASSERT_TRUE(rig.files.loadFile(path));
    EXPECT_EQ(rig.get(Field::Route2Destination), 5);
    EXPECT_EQ(rig.get(Field::Route2Repeater4), 4);
    EXPECT_EQ(rig.get(Field::Route2Repeater5), 0);
}

}  // namespace
