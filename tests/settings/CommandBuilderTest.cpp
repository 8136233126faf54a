#include "settings/CommandBuilder.h"

#include "CodecTestSupport.h"

#include <gtest/gtest.h>

using codectest::masterExample;

namespace {

QByteArray entry(const ModuleSettings &s, int index) { return BuildCommandList(s).at(static_cast<std::size_t>(index)); }

QByteArray route(ModuleSettings s, int dest, std::array<int, 5> rpts) {
    s[Field::Z0_Dest] = dest;
    for (int k = 1; k <= 5; ++k)
        s[repeaterField(0, k)] = rpts[static_cast<std::size_t>(k - 1)];
    return entry(s, 36);
}

void expectEntries(const CommandList &list, std::initializer_list<std::pair<int, const char *>> expected) {
    for (const auto &[index, command] : expected)
        EXPECT_EQ(list[static_cast<std::size_t>(index)], command) << "entry " << index;
}

TEST(CommandBuilder, AutoConnectMasterExampleMatchesGoldenEntryForEntry) {
    const QList<QByteArray> golden = codectest::readData("golden/auto_connect_master.commands").split('\n');
    ASSERT_GE(golden.size(), kCommandCount);
    const CommandList list = BuildCommandList(masterExample());
    for (int i = 0; i < kCommandCount; ++i)
        EXPECT_EQ(list[static_cast<std::size_t>(i)], golden[i]) << "entry " << i;
    EXPECT_EQ(list[14], QByteArray("AT\\T0")) << "A, T, backslash, T";
    EXPECT_EQ(list[14].size(), 5);
}

TEST(CommandBuilder, EveryEntryStartsWithItsPrefixInEveryMode) {
    for (int m = 1; m <= 5; ++m) {
        ModuleSettings s = masterExample();
        s.OperatingMode = static_cast<OperatingMode>(m);
        const CommandList list = BuildCommandList(s);
        for (int i = 0; i < kCommandCount; ++i) {
            const QByteArray prefix(CommandTemplate[static_cast<std::size_t>(i)]);
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
    } cases[] = {{Field::sreg_1, 1000, 16, "ATS1=50"},    {Field::sreg_1, 5100, 16, "ATS1=255"},
                 {Field::sreg_1, 60, 16, "ATS1=3"},       {Field::sreg_1, 1019, 16, "ATS1=50"},
                 {Field::sreg_14, 530, 26, "ATS14=255"},  {Field::sreg_14, 20, 26, "ATS14=0"},
                 {Field::sreg_14, 21, 26, "ATS14=0"},     {Field::sreg_14, 22, 26, "ATS14=1"},
                 {Field::sreg_10, 15, 24, "ATS10=1"},     {Field::sreg_10, 2550, 24, "ATS10=255"},
                 {Field::sreg_10, 9, 24, "ATS10=0"}};
    for (const auto &c : cases) {
        ModuleSettings t = s;
        t[c.f] = c.value;
        EXPECT_EQ(entry(t, c.index), c.command) << c.value;
    }
}

TEST(CommandBuilder, TransparentModeIgnoresDestinationsAndUnitAddress) {
    ModuleSettings s = masterExample();
    s.OperatingMode = OperatingMode::OpTransparent;
    s[Field::TM_Auto_OnLine] = 0;
    s[Field::ed_CM_UnitAdd] = 99;
    s[Field::chk_CM_Fast] = 1;
    for (int n = 0; n < 4; ++n) {
        s[destField(n)] = 10 + n;
        s[repeaterField(n, 1)] = 3;
    }
    expectEntries(BuildCommandList(s), {{13, "AT&U1"}, {37, "AT&L0"}, {39, "AT&M0"}, {33, "AT&Z1="},
                                        {34, "AT&Z2="}, {35, "AT&Z3="}, {36, "AT&Z0="}});
    s[Field::TM_Auto_OnLine] = 1;
    EXPECT_EQ(entry(s, 37), "AT&L1");
}

TEST(CommandBuilder, ModeDependentEntries) {
    ModuleSettings s = masterExample();
    s.OperatingMode = OperatingMode::OpTransparentRepeater;
    s[Field::ed_TM_GrpAdd2] = 7;
    s[Field::TM_Auto_OnLine] = 1;
    expectEntries(BuildCommandList(s), {{13, "AT&U7"}, {39, "AT&M1"}, {37, "AT&L1"}, {36, "AT&Z0="}});

    s.OperatingMode = OperatingMode::OpAutoConnectSlave;
    s[Field::chk_CM_Fast] = 1;
    s[Field::ed_CM_UnitAdd] = 9;
    // Routes are sent in every controlled mode.
    expectEntries(BuildCommandList(s), {{37, "AT&L3"}, {39, "AT&M3"}, {13, "AT&U9"}, {36, "AT&Z0=5,2"}});

    s.OperatingMode = OperatingMode::OpSingleConnect;
    s[Field::chk_CM_Fast] = 0;
    expectEntries(BuildCommandList(s), {{37, "AT&L0"}, {39, "AT&M2"}});

    s.OperatingMode = OperatingMode::OpAutoConnectMaster;
    EXPECT_EQ(entry(s, 37), "AT&L2");
    // Group address 1 and the system address go out in every mode.
    s[Field::ed_TM_GrpAdd1] = 200;
    s[Field::ed_TM_SysAdd] = 254;
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
    t.OperatingMode = OperatingMode::OpSingleConnect;
    t[Field::Z1_Dest] = 11;
    t[Field::Z2_Dest] = 12;
    t[Field::Z2_Rpt1] = 7;
    t[Field::Z3_Dest] = 13;
    expectEntries(BuildCommandList(t), {{33, "AT&Z1=11"}, {34, "AT&Z2=7,12"}, {35, "AT&Z3=13"}, {36, "AT&Z0=5,2"}});
}

TEST(CommandBuilder, SerialAndResponseCodes) {
    ModuleSettings s = masterExample();
    const int flows[4] = {0, 3, 4, 5};
    for (int i = 0; i < 4; ++i) {
        s[Field::Serial_Flow] = i;
        EXPECT_EQ(entry(s, 11), "AT&K" + QByteArray::number(flows[i]));
    }
    s[Field::Serial_Data] = 0;
    s[Field::Serial_Parity] = 3;
    s[Field::Serial_Stop] = 0;
    EXPECT_EQ(entry(s, 6), "AT&B12") << "7 data bits, even parity, 1 stop bit";
    s[Field::Serial_Data] = 1;
    s[Field::Serial_Stop] = 1;
    EXPECT_EQ(entry(s, 6), "AT&B15");

    s[Field::Adv_Echo] = 1;
    s[Field::Adv_Resp] = 1;
    s[Field::Adv_Numeric] = 1;
    s[Field::Adv_Abort] = 1;
    s[Field::Adv_Response] = 3;
    expectEntries(BuildCommandList(s), {{2, "ATE0"}, {3, "ATQ1"}, {4, "ATV0"}, {38, "AT&N0"}, {5, "ATX3"}});

    s[Field::Serial_Baud] = 13;
    s[Field::Radio_DataRate] = 2;
    s[Field::Radio_Crc] = 1;
    s[Field::Serial_DTR] = 3;
    s[Field::Serial_DCD] = 2;
    s[Field::ed_CM_LinkRst] = 255;
    expectEntries(BuildCommandList(s),
                  {{1, "ATC13"}, {0, "ATB2"}, {9, "AT&E1"}, {8, "AT&D3"}, {7, "AT&C2"}, {14, "AT\\T255"}});
}

TEST(CommandBuilder, AddToConfigCutsAt255Characters) {
    CommandList list;
    const ModuleSettings s = masterExample();
    CommandBuilder builder(s, list);
    builder.ConstControlledConfig();
    builder.AddToConfig(36, QByteArray(300, '7'));
    EXPECT_EQ(list[36].size(), kMaxCommandLength);
    EXPECT_TRUE(list[36].startsWith("AT&Z0=5,27777"));
    builder.AddToConfig(0, QByteArray(251, '1'));
    EXPECT_EQ(list[0].size(), 255);
    builder.AddToConfig(0, "2");
    EXPECT_EQ(list[0].size(), 255);
    EXPECT_EQ(list[0].back(), '1');
}

TEST(CommandBuilder, EveryBuildStartsFromTheTemplate) {
    CommandList list;
    ModuleSettings s = masterExample();
    CommandBuilder builder(s, list);
    builder.ConstControlledConfig();
    builder.ConstControlledConfig();
    EXPECT_EQ(list[13], "AT&U1") << "a second build does not append to the first";
    s.OperatingMode = OperatingMode::OpTransparent;
    builder.ConstTranspConfig();
    EXPECT_EQ(list[36], "AT&Z0=");
}

TEST(CommandBuilder, JoinPutsOneSpaceInFrontOfEveryEntry) {
    const QByteArray joined = JoinCommandList(BuildCommandList(masterExample()));
    EXPECT_TRUE(joined.startsWith(" ATB0 ATC4 "));
    EXPECT_TRUE(joined.endsWith(" AT&L2 AT&N1 AT&M2"));
    EXPECT_EQ(joined.count(' '), kCommandCount);
}

}  // namespace
