#pragma once

#include "comm/SerialPortLayer.h"

#include <memory>
#include <string>

// The port layer for a serial port behind a device server, reached by the address
// PortAddress describes: RFC 2217 (the line settings, input purges and CTS travel to and
// from the server) or a raw TCP socket. Built on libgensio, which speaks telnet and
// RFC 2217. All waits run the connection's own event loop in slices of a few
// milliseconds, so an interrupt from another thread ends them within one slice.
// A connection the server drops reads and writes as a lost line.
class NetworkSerialPort final : public SerialPortLayer {
public:
    NetworkSerialPort();
    ~NetworkSerialPort() override;
    NetworkSerialPort(const NetworkSerialPort &) = delete;
    NetworkSerialPort &operator=(const NetworkSerialPort &) = delete;

    // Connects to "rfc2217://host:port" or "tcp://host:port"; see PortAddress.
    bool open(const std::string &name) override;
    std::string openFailureReason() const override;
    bool isCommDevice() const override { return isOpen(); }
    void close() override;
    bool isOpen() const override;

    // An RFC 2217 port: what the server acknowledged. A raw TCP port: the server
    // keeps its own settings; what is set here is only remembered.
    bool getLineState(LineState &state) const override;
    bool setLineState(const LineState &state) override;
    bool getTimeouts(Timeouts &timeouts) const override;
    bool setTimeouts(const Timeouts &timeouts) override;

    bool read(std::vector<std::uint8_t> &data, int maxBytes) override;
    // Done once the connection has taken every byte: the server's own queue to the
    // device cannot be seen from here.
    bool write(std::span<const std::uint8_t> data) override;
    void purgeOutput() override;
    void purgeInput() override;
    bool ctsOn() const override;
    bool wakesBlockedReads() const override { return true; }

    // Longest wait for a connection to be made.
    static constexpr int kConnectTimeoutMs = 5000;

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};

// The network layer, or null where this build has none.
std::unique_ptr<SerialPortLayer> makeNetworkPortLayer();
