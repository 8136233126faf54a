#pragma once

#include <optional>
#include <string>

// A serial port served over the network: "rfc2217://host:port" (a device server
// speaking RFC 2217: the line settings and purges go to it, CTS comes from its
// modem-state reports) or "tcp://host:port" (a raw socket: the line is the server's
// to set and CTS counts as present). The option "?ignore-cts" makes an RFC 2217
// port count CTS as present whatever the server reports, for servers whose device
// has no modem lines (a pseudo-terminal reports CTS off). An IPv6 host is written
// in brackets: "rfc2217://[::1]:2000".
struct PortAddress {
    enum class Protocol { Rfc2217, RawTcp };

    Protocol protocol = Protocol::Rfc2217;
    std::string host;
    int port = 0;
    bool ignoreCts = false;

    // Whether `name` is meant as a network port (it starts with a known scheme),
    // well formed or not.
    static bool isNetworkName(const std::string &name);
    // The address a well-formed name stands for; nothing otherwise, with the reason
    // in `error` when given.
    static std::optional<PortAddress> parse(const std::string &name, std::string *error = nullptr);

    // "host port 2000" style text for messages: "192.168.1.20 port 4001".
    std::string endpointText() const;
    // The gensio stack that reaches it ("telnet(rfc2217),tcp(nodelay),host,port").
    std::string gensioSpec() const;
};
