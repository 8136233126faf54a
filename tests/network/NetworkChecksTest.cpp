// Each rule on two small networks: one that trips it and one that does not.
#include "tests/network/NetworkFixture.h"

#include <gtest/gtest.h>

namespace {

using namespace networktest;

// A master with three slaves, one reached through a repeater: nothing to find.
Network sound()
{
    NetworkMember m = master();
    route(m, 0, 2);
    route(m, 1, 3);
    route(m, 2, 4, {5});
    return network({m, slave(2), slave(3), slave(4), member(QStringLiteral("Repeater"), OperatingMode::AutoConnectSlave, 5)});
}

TEST(NetworkChecks, ASoundNetworkHasNoFindings)
{
    EXPECT_TRUE(checkNetwork(sound()).empty());
}

TEST(NetworkChecks, SystemAddressMustBeOne)
{
    Network n = sound();
    n.members[3].settings[Field::SystemAddress] = 18;
    const auto f = findings(n, QStringLiteral("system-address"));
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].severity, Severity::Error);
    // The odd one out is named, not the majority.
    EXPECT_EQ(f[0].members, QStringList{QStringLiteral("Slave 4")});
    EXPECT_TRUE(f[0].message.contains(QStringLiteral("18"))) << f[0].message.toStdString();
    EXPECT_TRUE(f[0].message.contains(QStringLiteral("17")));
    EXPECT_TRUE(findings(sound(), QStringLiteral("system-address")).empty());
}

TEST(NetworkChecks, RadioDataRateCrcAndSignatureMustBeOne)
{
    const std::pair<Field, QString> cases[] = {{Field::RadioDataRate, QStringLiteral("radio-data-rate")},
                                               {Field::CrcChecking, QStringLiteral("crc")},
                                               {Field::RadioSignature, QStringLiteral("radio-signature")}};
    for (const auto &[field, rule] : cases) {
        Network n = sound();
        n.members[1].settings[field] = n.members[1].settings[field] == 0 ? 1 : 0;
        n.members[2].settings[field] = n.members[1].settings[field];
        const auto f = findings(n, rule);
        ASSERT_EQ(f.size(), 1u) << rule.toStdString();
        EXPECT_EQ(f[0].severity, Severity::Error);
        EXPECT_EQ(f[0].members, (QStringList{QStringLiteral("Slave 2"), QStringLiteral("Slave 3")}));
        EXPECT_TRUE(findings(sound(), rule).empty());
    }
}

TEST(NetworkChecks, TheSignatureIsComparedAmong740ClassMembersOnly)
{
    Network n = sound();
    n.members[1].settings[Field::RadioSignature] = 3;
    n.members[1].variant = *selectProductVariant(QStringLiteral("620R"));
    EXPECT_TRUE(findings(n, QStringLiteral("radio-signature")).empty());
}

TEST(NetworkChecks, UnitAddressesAreUniqueInTheControlledModes)
{
    Network n = sound();
    n.members[2].settings[Field::UnitAddress] = 2;
    const auto f = findings(n, QStringLiteral("unit-address-unique"));
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].severity, Severity::Error);
    EXPECT_EQ(f[0].members, (QStringList{QStringLiteral("Slave 2"), QStringLiteral("Slave 3")}));
    // Transparent members answer to no unit address: the same &U value is no clash.
    Network transparent = network({member(QStringLiteral("A"), OperatingMode::Transparent, 1),
                                   member(QStringLiteral("B"), OperatingMode::Transparent, 1)});
    EXPECT_TRUE(findings(transparent, QStringLiteral("unit-address-unique")).empty());
    // Under another system address the same unit address is another network's.
    Network apart = sound();
    apart.members[2].settings[Field::UnitAddress] = 2;
    apart.members[2].settings[Field::SystemAddress] = 99;
    EXPECT_TRUE(findings(apart, QStringLiteral("unit-address-unique")).empty());
}

TEST(NetworkChecks, DestinationsAndRepeatersNameMembers)
{
    Network n = sound();
    route(n.members[0], 3, 9, {7});
    const auto destinations = findings(n, QStringLiteral("destination-unknown"));
    ASSERT_EQ(destinations.size(), 1u);
    EXPECT_EQ(destinations[0].severity, Severity::Warning);
    EXPECT_EQ(destinations[0].members, QStringList{QStringLiteral("Master")});
    EXPECT_TRUE(destinations[0].message.contains(QStringLiteral("Destination 4")));
    const auto repeaters = findings(n, QStringLiteral("repeater-unknown"));
    ASSERT_EQ(repeaters.size(), 1u);
    EXPECT_EQ(repeaters[0].severity, Severity::Warning);
    EXPECT_TRUE(repeaters[0].message.contains(QStringLiteral("repeater 7")));
    // Leaving the repeater out of the network trips the repeater rule alone.
    Network partial = sound();
    partial.members.pop_back();
    EXPECT_EQ(findings(partial, QStringLiteral("repeater-unknown")).size(), 1u);
    EXPECT_TRUE(findings(partial, QStringLiteral("destination-unknown")).empty());
}

TEST(NetworkChecks, FastOperationTakesNoRepeaters)
{
    Network n = sound();
    for (NetworkMember &m : n.members)
        m.settings[Field::FastOperation] = 1;
    const auto f = findings(n, QStringLiteral("fast-operation-repeaters"));
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].severity, Severity::Error);
    EXPECT_EQ(f[0].members, QStringList{QStringLiteral("Master")});
    // Direct routes only: fine.
    Network direct = n;
    route(direct.members[0], 2, 0);
    direct.members[0].settings[Field::Route2Repeater1] = 0;
    EXPECT_TRUE(findings(direct, QStringLiteral("fast-operation-repeaters")).empty());
    EXPECT_TRUE(findings(direct, QStringLiteral("fast-operation-mixed")).empty());
}

TEST(NetworkChecks, FastOperationKeepsUnitAddressesUpTo15)
{
    Network n = sound();
    for (NetworkMember &m : n.members)
        m.settings[Field::FastOperation] = 1;
    route(n.members[0], 2, 4);
    n.members[0].settings[Field::Route2Repeater1] = 0;
    EXPECT_TRUE(findings(n, QStringLiteral("fast-operation-unit-address")).empty());
    n.members[3].settings[Field::UnitAddress] = 20;
    route(n.members[0], 2, 20);
    const auto f = findings(n, QStringLiteral("fast-operation-unit-address"));
    ASSERT_EQ(f.size(), 2u);  // the slave's own address and the master's destination
    EXPECT_EQ(f[0].severity, Severity::Error);
    EXPECT_EQ(f[0].members, QStringList{QStringLiteral("Master")});
    EXPECT_EQ(f[1].members, QStringList{QStringLiteral("Slave 4")});
    // Without Fast Operation, 20 is a unit address like any other.
    Network slow = n;
    for (NetworkMember &m : slow.members)
        m.settings[Field::FastOperation] = 0;
    EXPECT_TRUE(findings(slow, QStringLiteral("fast-operation-unit-address")).empty());
}

TEST(NetworkChecks, FastOperationMixedIsAWarning)
{
    Network n = sound();
    n.members[1].settings[Field::FastOperation] = 1;
    const auto f = findings(n, QStringLiteral("fast-operation-mixed"));
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].severity, Severity::Warning);
    EXPECT_EQ(f[0].members, QStringList{QStringLiteral("Slave 2")});
}

TEST(NetworkChecks, TransparentAndControlledModesUnderOneSystemAddress)
{
    Network n = sound();
    n.members.push_back(member(QStringLiteral("Logger"), OperatingMode::Transparent, 1));
    const auto f = findings(n, QStringLiteral("mode-mix"));
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].severity, Severity::Warning);
    EXPECT_TRUE(f[0].members.contains(QStringLiteral("Logger")));
    EXPECT_TRUE(f[0].message.contains(QStringLiteral("Logger is in a transparent mode")));
    // Under a system address of its own it is another network (the system address rule speaks then).
    n.members.back().settings[Field::SystemAddress] = 40;
    EXPECT_TRUE(findings(n, QStringLiteral("mode-mix")).empty());
}

TEST(NetworkChecks, PacketSizesAndHoldOffsAreInformation)
{
    EXPECT_TRUE(findings(sound(), QStringLiteral("packet-size")).empty());
    EXPECT_TRUE(findings(sound(), QStringLiteral("hold-off")).empty());
    Network n = sound();
    n.members[4].settings[Field::PacketSize] = 128;
    n.members[2].settings[Field::RxHoldOff] = 5;
    const auto size = findings(n, QStringLiteral("packet-size"));
    ASSERT_EQ(size.size(), 1u);
    EXPECT_EQ(size[0].severity, Severity::Information);
    EXPECT_EQ(size[0].members, QStringList{QStringLiteral("Repeater")});
    const auto hold = findings(n, QStringLiteral("hold-off"));
    ASSERT_EQ(hold.size(), 1u);
    EXPECT_EQ(hold[0].severity, Severity::Information);
    EXPECT_TRUE(hold[0].message.contains(QStringLiteral("5 ms (receive)"))) << hold[0].message.toStdString();
}

TEST(NetworkChecks, NamesAreTakenLiterallyInMessages)
{
    Network n = sound();
    n.members[0].name = QStringLiteral("Tank %2");
    route(n.members[0], 3, 9, {7});
    for (const NetworkFinding &f : checkNetwork(n))
        EXPECT_TRUE(f.message.contains(QStringLiteral("Tank %2"))) << f.message.toStdString();
    EXPECT_EQ(checkNetwork(n).size(), 2u);
}

TEST(NetworkChecks, ErrorsComeFirstAndEveryRuleIdIsListed)
{
    Network n = sound();
    n.members[4].settings[Field::PacketSize] = 128;          // information
    route(n.members[0], 3, 9);                                // warning
    n.members[1].settings[Field::SystemAddress] = 3;          // error
    const std::vector<NetworkFinding> all = checkNetwork(n);
    ASSERT_GE(all.size(), 3u);
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(),
                               [](const NetworkFinding &a, const NetworkFinding &b) { return a.severity < b.severity; }));
    EXPECT_TRUE(hasErrors(all));
    for (const NetworkFinding &f : all)
        EXPECT_TRUE(networkRuleIds().contains(f.rule)) << f.rule.toStdString();
    EXPECT_FALSE(hasErrors(checkNetwork(sound())));
}

}  // namespace
