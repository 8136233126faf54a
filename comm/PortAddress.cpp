#include "comm/PortAddress.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char *kRfc2217Scheme = "rfc2217://";
constexpr const char *kTcpScheme = "tcp://";
constexpr const char *kUsage = "write it as rfc2217://host:port or tcp://host:port";

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool startsWith(const std::string &text, const std::string &prefix)
{
    return text.size() >= prefix.size() && lowered(text.substr(0, prefix.size())) == prefix;
}

bool fail(std::string *error, const std::string &why)
{
    if (error)
        *error = why;
    return false;
}

// "host:port" or "[v6]:port" into its parts.
bool splitEndpoint(const std::string &text, PortAddress &address, std::string *error)
{
    std::string portText;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return fail(error, "An IPv6 host needs brackets and a port, as in [::1]:2000");
        address.host = text.substr(1, close - 1);
        portText = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos)
            return fail(error, std::string("The TCP port is missing: ") + kUsage);
        address.host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (address.host.find(':') != std::string::npos)
            return fail(error, "An IPv6 host needs brackets, as in [::1]:2000");
    }
    if (address.host.empty())
        return fail(error, std::string("The host is missing: ") + kUsage);
    if (address.host.find_first_of(" ,/()\\") != std::string::npos)
        return fail(error, "\"" + address.host + "\" is not a host name or address");
    if (portText.empty() || portText.size() > 5
        || !std::all_of(portText.begin(), portText.end(), [](unsigned char c) { return std::isdigit(c); }))
        return fail(error, "\"" + portText + "\" is not a TCP port number (1-65535)");
    address.port = std::stoi(portText);
    if (address.port < 1 || address.port > 65535)
        return fail(error, "\"" + portText + "\" is not a TCP port number (1-65535)");
    return true;
}

} // namespace

bool PortAddress::isNetworkName(const std::string &name)
{
    return startsWith(name, kRfc2217Scheme) || startsWith(name, kTcpScheme);
}

std::optional<PortAddress> PortAddress::parse(const std::string &name, std::string *error)
{
    PortAddress address;
    std::string rest;
    if (startsWith(name, kRfc2217Scheme)) {
        address.protocol = Protocol::Rfc2217;
        rest = name.substr(std::char_traits<char>::length(kRfc2217Scheme));
    } else if (startsWith(name, kTcpScheme)) {
        address.protocol = Protocol::RawTcp;
        rest = name.substr(std::char_traits<char>::length(kTcpScheme));
    } else {
        fail(error, std::string("Not a network port: ") + kUsage);
        return std::nullopt;
    }
    std::string options;
    if (const auto query = rest.find('?'); query != std::string::npos) {
        options = rest.substr(query + 1);
        rest.erase(query);
    }
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    if (!splitEndpoint(rest, address, error))
        return std::nullopt;
    // Options as in a URL query, joined by '&'.
    for (std::size_t at = 0; at <= options.size() && !options.empty();) {
        const auto end = std::min(options.find('&', at), options.size());
        const std::string option = lowered(options.substr(at, end - at));
        if (option == "ignore-cts") {
            address.ignoreCts = true;
        } else if (!option.empty()) {
            fail(error, "Unknown port option \"" + option + "\" (known: ignore-cts)");
            return std::nullopt;
        }
        at = end + 1;
    }
    if (address.ignoreCts && address.protocol == Protocol::RawTcp) {
        fail(error, "ignore-cts is an option of rfc2217:// ports; a tcp:// port has no CTS to ignore");
        return std::nullopt;
    }
    return address;
}

std::string PortAddress::endpointText() const { return host + " port " + std::to_string(port); }

std::string PortAddress::gensioSpec() const
{
    const std::string hostPart = host.find(':') != std::string::npos ? "ipv6," + host : host;
    // Commands are small and wait for their answer: no coalescing of writes (Nagle).
    const std::string tcp = "tcp(nodelay)," + hostPart + "," + std::to_string(port);
    return protocol == Protocol::Rfc2217 ? "telnet(rfc2217)," + tcp : tcp;
}
