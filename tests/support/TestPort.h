// The port double of the tests: a port layer whose far end is pluggable, a scripted
// line (ScriptedLine.h) or the simulated module (SimulatedModule.h). Time is the far
// end's virtual clock: a read that waits out its time-out, and a pause, move that
// clock on instead of sleeping, so exchanges that wait for silence cost no wall time.
// Only waits a test asks for in real time (a module that stalls until stopped) take
// any, and the port's interrupt ends them.
//
//   auto line = std::make_shared<ScriptedLine>();
//   ModuleChannel channel(LineSettings{}, testPort(line));
#pragma once

#include "comm/SerialPortLayer.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// What answers at the far end of a TestPort. Every call gets the port it comes
// through, whose interruptRequested() ends any wait.
class FarEnd {
public:
    using LineState = SerialPortLayer::LineState;
    using Timeouts = SerialPortLayer::Timeouts;

    virtual ~FarEnd() = default;

    virtual bool open(const std::string &deviceName) = 0;
    virtual void close() = 0;
    virtual bool isCommDevice() const { return true; }
    virtual bool getLineState(LineState &state) const = 0;
    virtual bool setLineState(const LineState &state) = 0;
    virtual bool getTimeouts(Timeouts &timeouts) const = 0;
    virtual bool setTimeouts(const Timeouts &timeouts) = 0;
    // Under the time-outs set last; waiting moves the virtual clock.
    virtual bool read(std::vector<std::uint8_t> &data, int maxBytes, const SerialPortLayer &port) = 0;
    virtual bool write(std::span<const std::uint8_t> data, const SerialPortLayer &port) = 0;
    virtual void purgeOutput() {}
    virtual void purgeInput() = 0;
    virtual bool ctsOn() const = 0;
    // Waits `duration` on the virtual clock; false when the port is interrupted.
    virtual bool pause(std::chrono::milliseconds duration, const SerialPortLayer &port) = 0;
    virtual std::chrono::steady_clock::time_point now() const = 0;
    // Whether a read without a total time-out waits until input comes or the port is
    // interrupted (else it returns with what there is).
    virtual bool wakesBlockedReads() const { return false; }
    // The port's interrupt was set or cleared: whatever waits looks again.
    virtual void interruptChanged() {}
};

class TestPort final : public SerialPortLayer {
public:
    // `portName`: the one device the far end stands for; any other name opens the
    // system's own port, so real devices keep working while a simulated module is
    // installed. Empty: every name reaches the far end.
    explicit TestPort(std::shared_ptr<FarEnd> end, std::string portName = {})
        : m_end(std::move(end)), m_portName(std::move(portName))
    {
    }
    ~TestPort() override { close(); }

    bool open(const std::string &deviceName) override
    {
        if (m_open || m_system)
            return false;
        if (!m_portName.empty() && deviceName != m_portName) {
            m_system = makeSystemPortLayer();
            if (m_system->open(deviceName))
                return true;
            m_system.reset();
            return false;
        }
        m_open = m_end->open(deviceName);
        return m_open;
    }
    bool isCommDevice() const override { return m_system ? m_system->isCommDevice() : m_end->isCommDevice(); }
    void close() override
    {
        if (m_system) {
            m_system->close();
            m_system.reset();
        } else if (m_open) {
            m_end->close();
            m_open = false;
        }
    }
    bool isOpen() const override { return m_system ? m_system->isOpen() : m_open; }

    bool getLineState(LineState &state) const override
    {
        return m_system ? m_system->getLineState(state) : m_end->getLineState(state);
    }
    bool setLineState(const LineState &state) override
    {
        return m_system ? m_system->setLineState(state) : m_end->setLineState(state);
    }
    bool getTimeouts(Timeouts &timeouts) const override
    {
        return m_system ? m_system->getTimeouts(timeouts) : m_end->getTimeouts(timeouts);
    }
    bool setTimeouts(const Timeouts &timeouts) override
    {
        return m_system ? m_system->setTimeouts(timeouts) : m_end->setTimeouts(timeouts);
    }

    bool read(std::vector<std::uint8_t> &data, int maxBytes) override
    {
        if (m_system)
            return m_system->read(data, maxBytes);
        data.clear();
        if (!m_open || maxBytes < 0)
            return false;
        return m_end->read(data, maxBytes, *this);
    }
    bool write(std::span<const std::uint8_t> data) override
    {
        if (m_system)
            return m_system->write(data);
        return m_open && m_end->write(data, *this);
    }
    void purgeOutput() override
    {
        if (m_system)
            m_system->purgeOutput();
        else
            m_end->purgeOutput();
    }
    void purgeInput() override
    {
        if (m_system)
            m_system->purgeInput();
        else
            m_end->purgeInput();
    }
    bool ctsOn() const override { return m_system ? m_system->ctsOn() : m_end->ctsOn(); }
    bool pause(std::chrono::milliseconds duration) override
    {
        if (m_system)
            return SerialPortLayer::pause(duration);
        return m_end->pause(duration, *this);
    }
    std::chrono::steady_clock::time_point now() const override { return m_system ? m_system->now() : m_end->now(); }
    bool wakesBlockedReads() const override
    {
        return m_system ? m_system->wakesBlockedReads() : m_end->wakesBlockedReads();
    }

protected:
    void onInterruptChanged(bool) override { m_end->interruptChanged(); }

private:
    std::shared_ptr<FarEnd> m_end;
    std::string m_portName;
    std::unique_ptr<SerialPortLayer> m_system;
    bool m_open = false;
};

inline std::unique_ptr<SerialPortLayer> testPort(std::shared_ptr<FarEnd> end, std::string portName = {})
{
    return std::make_unique<TestPort>(std::move(end), std::move(portName));
}
