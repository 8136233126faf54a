#include "settings/CommandBuilder.h"

#include "CodecTestSupport.h"

#include <gtest/gtest.h>

using codectest::masterExample;

namespace {

QByteArray entry(const ModuleSettings &s, int index) { return buildCommandList(s).at(static_cast<std::size_t>(index)); }

QByteArray route(ModuleSettings s, int dest, std::array<int, 5> rpts) {
    s[Field::Route0Destination] = dest;
    for (int k = 1; k <= 5; ++k)
        s[routeRepeater(0, k)] = rpts[static_cast<std::size_t>(k - 1)];
    return entry(s, 36);
}

void expectEntries(const CommandList &list, std::initializer_list<std::pair<int, const char *>> expected) {
    for (const auto &[index, command] : expected)
        EXPECT_EQ(list[static_cast<std::size_t>(index)], command) << "entry " << index;
}

TEST(CommandBuilder, AutoConnectMasterExampleMatchesGoldenEntryForEntry) {
    const QList<QByteArray> golden = codectest::readData("golden/auto_connect_master.commands").split('\n');
    ASSERT_GE(golden.size(), kCommandCount);
    const CommandList list = buildCommandList(masterExample());
    for (int i = 0; i < kCommandCount; ++i)
        EXPECT_EQ(list[static_cast<std::size_t>(i)], golden[i]) << "entry " << i;
    EXPECT_EQ(list[14], QByteArray("AT\\T0")) << "A, T, backslash, T";
    EXPECT_EQ(list[14].size(), 5);
}

TEST(CommandBuilder, EveryEntryStartsWithItsPrefixInEveryMode) {
    for (int m = 1; m <= 5; ++m) {
        ModuleSettings s = masterExample();
        s.mode = static_cast<OperatingMode>(m);
        const CommandList list = buildCommandList(s);
        for (int i = 0; i < kCommandCount; ++i) {
            const QByteArray prefix(commandTemplate()[static_cast<std::size_t>(i)]);
            EXPECT_TRUE(list[static_cast<std::size_t>(i)].startsWith(prefix)) << "mode " << m << " entry " << i;
            EXPECT_FALSE(list[static_cast<std::size_t>(i)].contains(' '));
        }
    }
}

TEST(CommandBuilder, ScaledRegistersDropTheFraction) {
    ModuleSettings s = masterExample();
    const struct {
        Field f;
        int value, index;
        const char *command;
    } cases[] = {{Field::EscapeGuardTime, 1000, 16, "ATS1=50"},    {Field::EscapeGuardTime, 5100, 16, "ATS1=255"},
                 {Field::EscapeGuardTime, 60, 16, "ATS1=3"},       {Field::EscapeGuardTime, 1019, 16, "ATS1=50"},
                 {Field::PacketSize, 530, 26, "ATS14=255"},  {Field::PacketSize, 20, 26, "ATS14=0"},
                 {Field::PacketSize, 21, 26, "ATS14=0"},     {Field::PacketSize, 22, 26, "ATS14=1"},
                 {Field::DtrLossTime, 15, 24, "ATS10=1"},     {Field::DtrLossTime, 2550, 24, "ATS10=255"},
                 {Field::DtrLossTime, 9, 24, "ATS10=0"}};
    for (const auto &c : cases) {
        ModuleSettings t = s;
        t[c.f] = c.value;
        EXPECT_EQ(entry(t, c.index), c.command) << c.value;
    }
}

TEST(CommandBuilder, TransparentModeIgnoresDestinationsAndUnitAddress) {
    ModuleSettings s = masterExample();
    s.mode = OperatingMode::Transparent;
    s[Field::OnLineAtStartup] = 0;
    s[Field::UnitAddress] = 99;
    s[Field::FastOperation] = 1;
    for (int n = 0; n < 4; ++n) {
        s[routeDestination(n)] = 10 + n;
        s[routeRepeater(n, 1)] = 3;
    }
    expectEntries(buildCommandList(s), {{13, "AT&U1"}, {37, "AT&L0"}, {39, "AT&M0"}, {33, "AT&Z1="},
                                        {34, "AT&Z2="}, {35, "AT&Z3="}, {36, "AT&Z0="}});
    s[Field::OnLineAtStartup] = 1;
    EXPECT_EQ(entry(s, 37), "AT&L1");
}

TEST(CommandBuilder, ModeDependentEntries) {
    ModuleSettings s = masterExample();
    s.mode = OperatingMode::TransparentRepeater;
    s[Field::GroupAddress2] = 7;
    s[Field::OnLineAtStartup] = 1;
    expectEntries(buildCommandList(s), {{13, "AT&U7"}, {39, "AT&M1"}, {37, "AT&L1"}, {36, "AT&Z0="}});

    s.mode = OperatingMode::AutoConnectSlave;
    s[Field::FastOperation] = 1;
    s[Field::UnitAddress] = 9;
    // Routes are sent in every controlled mode.
    expectEntries(buildCommandList(s), {{37, "AT&L3"}, {39, "AT&M3"}, {13, "AT&U9"}, {36, "AT&Z0=5,2"}});

    s.mode = OperatingMode::SingleConnect;
    s[Field::FastOperation] = 0;
    expectEntries(buildCommandList(s), {{37, "AT&L0"}, {39, "AT&M2"}});

    s.mode = OperatingMode::AutoConnectMaster;
    EXPECT_EQ(entry(s, 37), "AT&L2");
    // Group address 1 and the system address go out in every mode.
    s[Field::GroupAddress1] = 200;
    s[Field::SystemAddress] = 254;
    EXPECT_EQ(entry(s, 10), "AT&G200");
    EXPECT_EQ(entry(s, 12), "AT&S254");
}

TEST(CommandBuilder, RoutesChainRepeatersUpToTheFirstZero) {
    const ModuleSettings s = masterExample();
    EXPECT_EQ(route(s, 9, {5, 0, 6, 0, 0}), "AT&Z0=5,9");
    EXPECT_EQ(route(s, 9, {0, 0, 0, 0, 0}), "AT&Z0=9");
    EXPECT_EQ(route(s, 0, {5, 0, 0, 0, 0}), "AT&Z0=");
    EXPECT_EQ(route(s, 0, {1, 2, 3, 4, 5}), "AT&Z0=1,2,3,4,5,0");
    EXPECT_EQ(route(s, 9, {1, 2, 3, 4, 5}), "AT&Z0=1,2,3,4,5,9");
    EXPECT_EQ(route(s, 255, {127, 126, 0, 4, 5}), "AT&Z0=127,126,255");

    // Destinations 2..4 go to entries 33..35, the first one last.
    ModuleSettings t = s;
    t.mode = OperatingMode::SingleConnect;
    t[Field::Route1Destination] = 11;
    t[Field::Route2Destination] = 12;
    t[Field::Route2Repeater1] = 7;
    t[Field::Route3Destination] = 13;
    expectEntries(buildCommandList(t), {{33, "AT&Z1=11"}, {34, "AT&Z2=7,12"}, {35, "AT&Z3=13"}, {36, "AT&Z0=5,2"}});
}

TEST(CommandBuilder, SerialAndResponseCodes) {
    ModuleSettings s = masterExample();
    const int flows[4] = {0, 3, 4, 5};
    for (int i = 0; i < 4; ++i) {
        s[Field::FlowControl] = i;
        EXPECT_EQ(entry(s, 11), "AT&K" + QByteArray::number(flows[i]));
    }
    s[Field::SerialDataBits] = 0;
    s[Field::SerialParity] = 3;
    s[Field::SerialStopBits] = 0;
    EXPECT_EQ(entry(s, 6), "AT&B12") << "7 data bits, even parity, 1 stop bit";
    s[Field::SerialDataBits] = 1;
    s[Field::SerialStopBits] = 1;
    EXPECT_EQ(entry(s, 6), "AT&B15");

    s[Field::EchoOff] = 1;
    s[Field::ResponseCodesOff] = 1;
    s[Field::NumericResponses] = 1;
    s[Field::AbortModeOff] = 1;
    s[Field::ResponseLevel] = 3;
    expectEntries(buildCommandList(s), {{2, "ATE0"}, {3, "ATQ1"}, {4, "ATV0"}, {38, "AT&N0"}, {5, "ATX3"}});

    s[Field::SerialBaudRate] = 13;
    s[Field::RadioDataRate] = 2;
    s[Field::CrcChecking] = 1;
    s[Field::DtrControl] = 3;
    s[Field::DcdControl] = 2;
    s[Field::InactivityTimeout] = 255;
    expectEntries(buildCommandList(s),
                  {{1, "ATC13"}, {0, "ATB2"}, {9, "AT&E1"}, {8, "AT&D3"}, {7, "AT&C2"}, {14, "AT\\T255"}});
}

TEST(CommandBuilder, AddToConfigCutsAt255Characters) {
    CommandList list;
    const ModuleSettings s = masterExample();
    CommandBuilder builder(s, list);
    builder.buildControlled();
    builder.append(36, QByteArray(300, '7'));
    EXPECT_EQ(list[36].size(), kMaxCommandLength);
    EXPECT_TRUE(list[36].startsWith("AT&Z0=5,27777"));
    builder.append(0, QByteArray(251, '1'));
    EXPECT_EQ(list[0].size(), 255);
    builder.append(0, "2");
    EXPECT_EQ(list[0].size(), 255);
    EXPECT_EQ(list[0].back(), '1');
}

TEST(CommandBuilder, EveryBuildStartsFromTheTemplate) {
    CommandList list;
    ModuleSettings s = masterExample();
    CommandBuilder builder(s, list);
    builder.buildControlled();
    builder.buildControlled();
    EXPECT_EQ(list[13], "AT&U1") << "a second build does not append to the first";
    s.mode = OperatingMode::Transparent;
    builder.buildTransparent();
    EXPECT_EQ(list[36], "AT&Z0=");
}

TEST(CommandBuilder, JoinPutsOneSpaceInFrontOfEveryEntry) {
    const QByteArray joined = joinCommandList(buildCommandList(masterExample()));
    EXPECT_TRUE(joined.startsWith(" ATB0 ATC4 "));
    EXPECT_TRUE(joined.endsWith(" AT&L2 AT&N1 AT&M2"));
    EXPECT_EQ(joined.count(' '), kCommandCount);
}

}  // namespace
