#pragma once

#include "comm/SerialPortLayer.h"

#include <atomic>

// The layer a port's name calls for, chosen at each open(): a network address
// ("rfc2217://", "tcp://", see PortAddress) opens on the network layer, any other
// name on this system's. All other calls go to the layer of the last open; an
// interrupt reaches every layer made so far. What makePortLayer() gives unless a
// test replaced the factory.
class PortLayerChoice final : public SerialPortLayer {
public:
    PortLayerChoice();
    ~PortLayerChoice() override;

    bool open(const std::string &deviceName) override;
    std::string openFailureReason() const override;
    bool isCommDevice() const override { return m_active->isCommDevice(); }
    void close() override { m_active->close(); }
    bool isOpen() const override { return m_active->isOpen(); }

    bool getLineState(LineState &state) const override { return m_active->getLineState(state); }
    bool setLineState(const LineState &state) override { return m_active->setLineState(state); }
    bool getTimeouts(Timeouts &timeouts) const override { return m_active->getTimeouts(timeouts); }
    bool setTimeouts(const Timeouts &timeouts) override { return m_active->setTimeouts(timeouts); }

    bool read(std::vector<std::uint8_t> &data, int maxBytes) override { return m_active->read(data, maxBytes); }
    bool write(std::span<const std::uint8_t> data) override { return m_active->write(data); }
    void purgeOutput() override { m_active->purgeOutput(); }
    void purgeInput() override { m_active->purgeInput(); }
    bool ctsOn() const override { return m_active->ctsOn(); }
    bool wakesBlockedReads() const override { return m_active->wakesBlockedReads(); }
    bool pause(std::chrono::milliseconds duration) override { return m_active->pause(duration); }

protected:
    void onInterruptChanged(bool interrupted) override;

private:
    std::unique_ptr<SerialPortLayer> m_local;
    std::unique_ptr<SerialPortLayer> m_network;   // made at the first network open
    std::atomic<SerialPortLayer *> m_networkMade{nullptr};   // the same, for interrupts from any thread
    SerialPortLayer *m_active = nullptr;
    std::string m_failure;
};
