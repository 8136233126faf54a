#include "settings/SettingsComparison.h"

#include "tests/settings/ParserFixture.h"

#include <gtest/gtest.h>

namespace {

using codectest::ParserRig;

ModuleSettings defaults() { return ParserRig().model.settings(); }

TEST(SettingsComparison, ValuesTheModuleStoresAlikeAreEqual) {
    ModuleSettings a = defaults();
    a[Field::PacketSize] = 220;
    ModuleSettings b = a;
    // S1 counts 20 ms, S10 10 ms, S14 two bytes above 20: these encode to a's commands.
    b[Field::EscapeGuardTime] = a[Field::EscapeGuardTime] + 19;
    b[Field::DtrLossTime] = a[Field::DtrLossTime] + 9;
    b[Field::PacketSize] = 221;
    EXPECT_TRUE(compareSettings(a, b, RadioClass::Class740).empty());
    EXPECT_TRUE(compareSettings(a, a, RadioClass::Class740).empty());
}

TEST(SettingsComparison, RealDifferencesCarryLabelKeyAndBothValues) {
    const ModuleSettings a = defaults();
    ModuleSettings b = a;
    b[Field::PacketSize] = 220;
    b[Field::SerialParity] = 1;
    b[Field::EscapeGuardTime] = a[Field::EscapeGuardTime] + 20;
    const std::vector<SettingDifference> d = compareSettings(a, b, RadioClass::Class740);
    ASSERT_EQ(d.size(), 3u);
    // In command order: the format, then S1, then S14.
    EXPECT_EQ(d[0].key, QStringLiteral("&B"));
    EXPECT_EQ(d[0].label, QStringLiteral("Parity"));
    EXPECT_NE(d[0].first, d[0].second);
    EXPECT_EQ(d[1], (SettingDifference{QStringLiteral("Esc Sequence Guard Time (millisec)"), QStringLiteral("S1"),
                                       QString::number(a[Field::EscapeGuardTime]),
                                       QString::number(a[Field::EscapeGuardTime] + 20)}));
    EXPECT_EQ(d[2], (SettingDifference{QStringLiteral("Packet Size (bytes)"), QStringLiteral("S14"),
                                       QStringLiteral("530"), QStringLiteral("220")}));

    // A route is one setting, shown as the module takes it.
    ModuleSettings controlled = a;
    controlled.mode = OperatingMode::SingleConnect;
    ModuleSettings routed = controlled;
    routed[Field::Route1Destination] = 9;
    routed[Field::Route1Repeater1] = 4;
    const std::vector<SettingDifference> r = compareSettings(controlled, routed, RadioClass::Class740);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].key, QStringLiteral("&Z1"));
    EXPECT_EQ(r[0].second, QStringLiteral("4,9"));
}

}  // namespace
