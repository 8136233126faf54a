// Network port names: what they open on (the gensio stack) and why a wrong one is
// refused before any connection is tried.

#include "comm/PortAddress.h"

#include <gtest/gtest.h>

namespace {

std::string refusal(const std::string &name)
{
    std::string why;
    EXPECT_FALSE(PortAddress::parse(name, &why).has_value()) << name;
    return why;
}

TEST(PortAddress, Rfc2217AndRawTcpOpenTheirStacks)
{
    const auto rfc = PortAddress::parse("rfc2217://bench-2:4001");
    ASSERT_TRUE(rfc);
    EXPECT_EQ(rfc->gensioSpec(), "telnet(rfc2217),tcp(nodelay),bench-2,4001");
    EXPECT_EQ(rfc->endpointText(), "bench-2 port 4001");
    EXPECT_FALSE(rfc->ignoreCts);
    const auto raw = PortAddress::parse("TCP://10.0.0.7:2000/");   // scheme in any case, a trailing slash
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->protocol, PortAddress::Protocol::RawTcp);
    EXPECT_EQ(raw->gensioSpec(), "tcp(nodelay),10.0.0.7,2000");
}

TEST(PortAddress, Ipv6HostsNeedBrackets)
{
    const auto v6 = PortAddress::parse("rfc2217://[::1]:4001?ignore-cts");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "::1");
    EXPECT_EQ(v6->gensioSpec(), "telnet(rfc2217),tcp(nodelay),ipv6,::1,4001");
    EXPECT_TRUE(v6->ignoreCts);
    EXPECT_NE(refusal("rfc2217://::1:4001").find("brackets"), std::string::npos);
    EXPECT_NE(refusal("rfc2217://[::1]").find("brackets"), std::string::npos);
}

TEST(PortAddress, WrongNamesAreRefusedWithTheReason)
{
    EXPECT_NE(refusal("rfc2217://bench-2").find("rfc2217://host:port"), std::string::npos);
    EXPECT_NE(refusal("rfc2217://:4001").find("host is missing"), std::string::npos);
    EXPECT_NE(refusal("rfc2217://bench-2:0").find("TCP port"), std::string::npos);
    EXPECT_NE(refusal("rfc2217://bench-2:65536").find("TCP port"), std::string::npos);
    EXPECT_NE(refusal("rfc2217://bench-2:40x1").find("TCP port"), std::string::npos);
    EXPECT_NE(refusal("rfc2217://bench-2:4001?ignore-dsr").find("ignore-dsr"), std::string::npos);
    EXPECT_NE(refusal("tcp://bench-2:4001?ignore-cts").find("rfc2217"), std::string::npos);
    // Characters that would reshape the gensio stack.
    refusal("rfc2217://bench-2,udp,x:4001");
    refusal("rfc2217://ssl(x)/y:4001");
}

TEST(PortAddress, OnlyItsSchemesMakeANetworkName)
{
    EXPECT_TRUE(PortAddress::isNetworkName("rfc2217://bench-2"));   // meant as one, however wrong
    EXPECT_TRUE(PortAddress::isNetworkName("Tcp://x:1"));
    EXPECT_FALSE(PortAddress::isNetworkName("COM1"));
    EXPECT_FALSE(PortAddress::isNetworkName("/dev/ttyUSB0"));
    EXPECT_FALSE(PortAddress::isNetworkName("rfc2217:/bench-2:4001"));
}

} // namespace
