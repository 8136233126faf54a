#pragma once

// Shared pieces of the diagnostics tests: a port layer that plays a module answering
// every command, with a CTS line the test can drop, and the simulated module on a pty
// standing in for COM1.

#include "comm/ModuleChannel.h"
#include "comm/SerialPortLayer.h"
#include "diagnostics/DiagnosticsChannel.h"
#include "tests/support/SimOnCom1.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

struct ScriptedModule {
    std::mutex mutex;
    QByteArray input;           // waiting on the line
    QStringList writes;         // every command written
    std::atomic<bool> cts{true};
    std::atomic<bool> answers{true};
    std::atomic<int> openPorts{0};

    // While held, every write waits until release(), at most 2 s: a module slow to
    // take commands. gateTimedOut tells that nobody released it in time.
    void hold()
    {
        std::lock_guard lock(gateMutex);
        held = true;
    }
    void release()
    {
        {
            std::lock_guard lock(gateMutex);
            held = false;
        }
        gateOpened.notify_all();
    }
    void passGate()
    {
        std::unique_lock lock(gateMutex);
        if (!gateOpened.wait_for(lock, std::chrono::seconds(2), [this] { return !held; }))
            gateTimedOut = true;
    }
    std::mutex gateMutex;
    std::condition_variable gateOpened;
    bool held = false;  // guarded by gateMutex
    std::atomic<bool> gateTimedOut{false};

    void arrive(const QByteArray &bytes)
    {
        std::lock_guard lock(mutex);
        input += bytes;
    }
    int countWrites(const QString &command)
    {
        std::lock_guard lock(mutex);
        return int(writes.count(command));
    }
};

// Answers "AT&Tn\r" with "0n" and every other line with "OK"; reads that find
// nothing last 2 ms, like a short time-out.
class ScriptedPort final : public SerialPortLayer {
public:
    explicit ScriptedPort(std::shared_ptr<ScriptedModule> m) : m_m(std::move(m)) {}
    ~ScriptedPort() override { close(); }
    bool open(const std::string &) override
    {
        if (!m_open)
            ++m_m->openPorts;
        return m_open = true;
    }
    bool isCommDevice() const override { return true; }
    void close() override
    {
        if (m_open)
            --m_m->openPorts;
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    bool getLineState(LineState &state) const override { state = {9600, 8, 0, 0}; return true; }
    bool setLineState(const LineState &) override { return true; }
    bool getTimeouts(Timeouts &t) const override { t = {}; return true; }
    bool setTimeouts(const Timeouts &) override { return true; }
    bool read(std::vector<std::uint8_t> &bytes, int maxBytes) override
    {
        QByteArray data;
        {
            std::lock_guard lock(m_m->mutex);
            data = m_m->input.left(maxBytes);
            m_m->input.remove(0, data.size());
        }
        if (data.isEmpty())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        bytes.assign(data.begin(), data.end());
        return true;
    }
    bool write(std::span<const std::uint8_t> bytes) override
    {
        m_m->passGate();
        const QByteArray data(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        std::lock_guard lock(m_m->mutex);
        m_m->writes << QString::fromLatin1(data);
        if (!m_m->answers.load() || !data.endsWith('\r'))
            return true;
        if (data.startsWith("AT&T"))
            m_m->input += "\r\n0" + data.mid(4, 1) + "\r\nOK\r\n";
        else
            m_m->input += "\r\nOK\r\n";
        return true;
    }
    void purgeOutput() override {}
    void purgeInput() override
    {
        std::lock_guard lock(m_m->mutex);
        m_m->input.clear();
    }
    bool ctsOn() const override { return m_m->cts.load(); }

private:
    std::shared_ptr<ScriptedModule> m_m;
    bool m_open = false;
};

inline ChannelFactory scriptedChannels(std::shared_ptr<ScriptedModule> module)
{
    return [module](const LineSettings &line) {
        return std::make_unique<ModuleChannel>(line, std::make_unique<ScriptedPort>(module));
    };
}
