// modem-sim's module inside the test process, behind a port layer, under a virtual
// clock: a write feeds the module at the current virtual time plus the characters'
// time on the line, a read moves the clock on to the module's next output or to the
// read's time-out and returns at once. Nothing sleeps, so an exchange that waits out
// its read interval costs no wall time.
//
//   auto module = std::make_shared<SimulatedModule>(std::vector<std::string>{"--start", "command"});
//   setPortLayerFactory([module] { return testPort(module, "COM1"); });
//
// As on modem-sim's pty, only the rate and stop bits the PC sets decide whether the
// module understands it; data bits and parity read back as 8 and none.
#pragma once

#include "TestPort.h"
#include "comm/SerialPortLayer.h"
#include "modemsim/Modem.h"
#include "modemsim/StoredProfile.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class SimulatedModule final : public modemsim::ModuleLine, public FarEnd {
public:
    using Clock = modemsim::Modem::Clock;
    using LineState = SerialPortLayer::LineState;
    using Timeouts = SerialPortLayer::Timeouts;

    // `args` are modem-sim's options (--log and --link are not used). Throws
    // std::runtime_error for options modem-sim would refuse.
    explicit SimulatedModule(const std::vector<std::string> &args)
        : m_options(parse(args))
        , m_log([this] { return std::chrono::duration<double>(m_now.time_since_epoch()).count(); })
    {
        const modemsim::Settings stored = modemsim::powerUpProfile(m_options);
        m_line = {int(stored.rate()), 8, 0, stored.twoStopBits() ? 2 : 0};
        m_modem = std::make_unique<modemsim::Modem>(m_options, *this, m_log, stored, m_now);
    }
    SimulatedModule(const SimulatedModule &) = delete;
    SimulatedModule &operator=(const SimulatedModule &) = delete;

    // The module's record, in modem-sim's --log format, stamped in virtual seconds.
    std::string logText() const
    {
        std::lock_guard lock(m_mutex);
        return m_log.text();
    }

    // The module's settings in force and its stored profile (modem-sim's state-file
    // lines), and whether it is on-line.
    struct Profiles {
        std::string active;
        std::string stored;
        bool onLine = false;
    };
    Profiles profiles() const
    {
        std::lock_guard lock(m_mutex);
        return {m_modem->activeSettings().serialize(), m_modem->storedSettings().serialize(), m_modem->onLine()};
    }

    // Called, unlocked, before every open of the module's port.
    void setOpenGate(std::function<void()> gate) { m_openGate = std::move(gate); }

    // --- the PC side: the far end of a TestPort ----------------------------------------

    bool open(const std::string &) override
    {
        if (m_openGate)
            m_openGate();
        std::lock_guard lock(m_mutex);
        if (m_open || m_gone)
            return false; // exclusive, like the locked pty; gone once unplugged
        m_open = true;
        m_timeouts = {};
        return true;
    }
    void close() override
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
    }
    bool getLineState(LineState &state) const override
    {
        std::lock_guard lock(m_mutex);
        state = m_line;
        return m_open;
    }
    bool getTimeouts(Timeouts &timeouts) const override
    {
        std::lock_guard lock(m_mutex);
        timeouts = m_timeouts;
        return m_open;
    }
    bool setTimeouts(const Timeouts &timeouts) override
    {
        std::lock_guard lock(m_mutex);
        m_timeouts = timeouts;
        return m_open;
    }
    bool setLineState(const LineState &state) override
    {
        std::lock_guard lock(m_mutex);
        if (m_gone || !m_open)
            return false;
        m_line = {state.baudRate, 8, 0, state.stopBits}; // a pty keeps 8 data bits, no parity
        return true;
    }
    bool ctsOn() const override
    {
        std::lock_guard lock(m_mutex);
        return m_open && !m_gone;
    }
    void purgeInput() override
    {
        std::lock_guard lock(m_mutex);
        if (m_open)
            m_toPc.clear();
    }

    // The bytes reach the module once the last one has crossed the line.
    bool write(std::span<const std::uint8_t> bytes, const SerialPortLayer &) override
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_gone)
                return false;
            const Clock::time_point arrived = m_now + charTime() * long(bytes.size());
            runUntil(arrived);
            m_modem->input(std::string(bytes.begin(), bytes.end()), m_now);
            noteHangup();
        }
        pauseAtHolds();
        return true;
    }

    // Reads under the layer's time-out rules, moving the virtual clock instead of waiting.
    bool read(std::vector<std::uint8_t> &data, int maxBytes, const SerialPortLayer &) override
    {
        data.clear();
        if (maxBytes == 0)
            return true;
        bool ok = true;
        {
            std::lock_guard lock(m_mutex);
            const Timeouts timeouts = m_timeouts;
            const std::uint64_t totalMs =
                std::uint64_t(timeouts.readTotalMultiplier) * unsigned(maxBytes) + timeouts.readTotalConstant;
            const std::optional<Clock::time_point> total =
                totalMs ? std::optional(m_now + std::chrono::milliseconds(totalMs)) : std::nullopt;
            std::optional<Clock::time_point> gap;
            for (int steps = 0; int(data.size()) < maxBytes && steps < kMaxSteps; ++steps) {
                if (m_gone && m_toPc.empty()) {
                    ok = false; // the line hung up
                    break;
                }
                const auto deadline = earliest(total, gap);
                const auto arrival = m_toPc.empty() ? std::nullopt : std::optional(m_toPc.front().first);
                const auto event = m_modem->nextEvent();
                if (arrival && !after(*arrival, event) && !after(*arrival, deadline)) {
                    m_now = std::max(m_now, *arrival);
                    data.push_back(m_toPc.front().second);
                    m_toPc.pop_front();
                    if (timeouts.readInterval)
                        gap = m_now + std::chrono::milliseconds(timeouts.readInterval);
                } else if (event && !after(*event, deadline)) {
                    m_now = std::max(m_now, *event);
                    m_modem->advance(m_now);
                    noteHangup();
                } else {
                    // Nothing more before the time-out; without one, a real read would wait for ever.
                    if (deadline)
                        m_now = std::max(m_now, *deadline);
                    break;
                }
            }
        }
        pauseAtHolds();
        return ok;
    }

    // The virtual time.
    Clock::time_point now() const override
    {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    bool pause(std::chrono::milliseconds duration, const SerialPortLayer &port) override
    {
        if (port.interruptRequested())
            return false;
        wait(duration);
        return true;
    }
    // Time passes on the line without a read: the module does what falls due.
    void wait(Clock::duration duration)
    {
        std::lock_guard lock(m_mutex);
        runUntil(m_now + duration);
    }

    // --- holds: the worker stops where a test wants to act --------------------------

    struct Hold {
        std::function<bool()> when;
        std::thread::id owner; // the thread that acts: never held itself
        bool released = false;
    };

    // Once `when` holds after a write or read on another thread than the caller's,
    // that thread waits until release() (five seconds at most), so the caller sees the
    // line exactly as it was then.
    std::shared_ptr<Hold> hold(std::function<bool()> when)
    {
        auto h = std::make_shared<Hold>(Hold{std::move(when), std::this_thread::get_id()});
        std::lock_guard lock(m_holdMutex);
        m_holds.push_back(h);
        return h;
    }
    void release(const std::shared_ptr<Hold> &h)
    {
        std::lock_guard lock(m_holdMutex);
        h->released = true;
        m_holds.remove(h);
        m_holdChanged.notify_all();
    }

    // The module currently standing for COM1 (see SimOnCom1), if any.
    static std::weak_ptr<SimulatedModule> &active()
    {
        static std::weak_ptr<SimulatedModule> module;
        return module;
    }

private:
    static constexpr int kMaxSteps = 1'000'000;

    static modemsim::Options parse(const std::vector<std::string> &args)
    {
        std::vector<std::string> store{"modem-sim"};
        store.insert(store.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (auto &a : store)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::string message;
        auto options = modemsim::parseOptions(int(store.size()), argv.data(), message);
        if (!options)
            throw std::runtime_error("modem-sim options: " + message);
        return *options;
    }

    static std::optional<Clock::time_point> earliest(std::optional<Clock::time_point> a,
                                                     std::optional<Clock::time_point> b)
    {
        if (!a)
            return b;
        if (!b)
            return a;
        return std::min(*a, *b);
    }
    // Whether `t` comes after `limit`; no limit comes after everything.
    static bool after(Clock::time_point t, std::optional<Clock::time_point> limit) { return limit && t > *limit; }

    // One character's time at the line's rate: start bit, data, parity, stop bits.
    Clock::duration charTime() const
    {
        const int bits = 1 + m_line.byteSize + (m_line.parity ? 1 : 0) + (m_line.stopBits == 2 ? 2 : 1);
        const long rate = m_line.baudRate > 0 ? m_line.baudRate : 9600;
        return std::chrono::nanoseconds(bits * 1'000'000'000L / rate);
    }

    // Lets the module do everything due up to `t`, each thing at its own time.
    void runUntil(Clock::time_point t)
    {
        for (int steps = 0; steps < kMaxSteps; ++steps) {
            const auto next = m_modem->nextEvent();
            if (!next || *next > t)
                break;
            m_now = std::max(m_now, *next);
            m_modem->advance(m_now);
            noteHangup();
        }
        m_now = std::max(m_now, t);
    }

    // The unplugged line keeps what was sent before, as the pty lets its reader drain.
    void noteHangup()
    {
        if (m_modem->hangupDue())
            m_gone = true;
    }

    void pauseAtHolds()
    {
        std::unique_lock lock(m_holdMutex);
        const auto self = std::this_thread::get_id();
        for (const auto &h : std::list(m_holds)) {
            if (h->owner == self || h->released || !h->when())
                continue;
            m_holdChanged.wait_for(lock, std::chrono::seconds(5), [&h] { return h->released; });
            h->released = true;
            m_holds.remove(h);
        }
    }

    // modemsim::ModuleLine: the module's side of the line.
    modemsim::LineSettings current() const override
    {
        return {unsigned(std::max(m_line.baudRate, 0)), m_line.stopBits == 2};
    }
    long write(const std::string &bytes) override
    {
        Clock::time_point at = std::max(m_now, m_toPc.empty() ? m_now : m_toPc.back().first);
        for (char c : bytes) {
            at += charTime();
            m_toPc.emplace_back(at, std::uint8_t(c));
        }
        return long(bytes.size());
    }

    mutable std::mutex m_mutex;
    modemsim::Options m_options;
    Clock::time_point m_now{std::chrono::hours(1)};
    modemsim::EventLog m_log;
    std::unique_ptr<modemsim::Modem> m_modem;
    LineState m_line;
    Timeouts m_timeouts;
    std::deque<std::pair<Clock::time_point, std::uint8_t>> m_toPc; // arrival time, byte
    bool m_open = false;
    bool m_gone = false;
    std::function<void()> m_openGate;

    std::mutex m_holdMutex;
    std::condition_variable m_holdChanged;
    std::list<std::shared_ptr<Hold>> m_holds;
};

// A SimulatedModule that ports open by a device path of its own while the object
// lives: stands in for a ModemSim (path(), logText()) in tests that need no real time.
// One at a time: it replaces the process's port-layer factory.
class InProcessModemSim {
public:
    explicit InProcessModemSim(const std::vector<std::string> &args = {})
        : m_module(std::make_shared<SimulatedModule>(args))
    {
        m_previous = setPortLayerFactory(
            [module = m_module, path = m_path] { return testPort(module, path); });
    }
    ~InProcessModemSim() { setPortLayerFactory(m_previous); }
    InProcessModemSim(const InProcessModemSim &) = delete;
    InProcessModemSim &operator=(const InProcessModemSim &) = delete;

    const std::string &path() const { return m_path; }
    std::string logText() const { return m_module->logText(); }
    SimulatedModule &module() const { return *m_module; }

private:
    std::shared_ptr<SimulatedModule> m_module;
    std::string m_path = "/simulated/module";
    PortLayerFactory m_previous;
};
