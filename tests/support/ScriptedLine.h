// The scripted far end of a TestPort: timed read steps, bytes that arrive while a
// read waits, an optional module that answers writes, and a record of every call
// the port object makes. Several ports may share one line, one after another.
#pragma once

#include "TestPort.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class ScriptedLine final : public FarEnd {
public:
    struct ReadStep {
        QByteArray data;
        bool ok = true;
        // On the virtual clock: how long into the read the data arrives. A read whose
        // total time-out is shorter ends empty at its time-out, and the step waits on.
        std::chrono::milliseconds after{0};
    };

    mutable std::mutex mutex;
    std::condition_variable changed;   // input arrived, a call began or ended, or the port was interrupted

    // Behaviour
    bool openSucceeds = true;
    bool commDevice = true;
    mutable std::deque<bool> cts;          // answers of ctsOn(), one each; `ctsDefault` when used up
    bool ctsDefault = true;
    bool writeSucceeds = true;
    std::deque<ReadStep> reads;    // taken one per read before `input` is looked at
    QByteArray input;              // bytes waiting on the line; a read takes up to its size
    std::function<QByteArray(const QByteArray &)> module;   // answer to a write, queued on `input`
    std::atomic<bool> answers{true};                         // false: the module is silent
    // Real time, all of it cut short by an interrupt: a module that stalls. A read
    // with nothing to return lasts idleRead, or until input arrives when its time-outs
    // set no total; a write lasts writeTime; a pause lasts pauseStretch times its
    // length (0: no time).
    std::chrono::milliseconds idleRead{0};
    std::chrono::milliseconds writeTime{0};
    int pauseStretch = 0;
    SerialPortLayer::LineState line{9600, 8, 0, 0};
    // The line's virtual clock: a read that brings nothing moves it on by the read's
    // total time-out, a pause by its length. Exchanges measure their deadlines on it.
    std::chrono::steady_clock::time_point clock{};

    // Record
    mutable QStringList events;            // "open COM1", "cts", "write ...", "read 22", "purgeOut", "purgeIn", "close"
    std::vector<QByteArray> writes;
    std::vector<int> readSizes;
    std::vector<SerialPortLayer::Timeouts> readTimeouts;   // time-outs in force at each read
    SerialPortLayer::Timeouts timeouts;
    std::vector<SerialPortLayer::LineState> lineWrites;
    QString openedName;
    bool opened = false;           // through the port that opened it last
    std::atomic<int> openPorts{0};
    std::atomic<int> inRead{0};
    std::atomic<int> inWrite{0};
    std::atomic<int> inPause{0};
    std::atomic<bool> gateTimedOut{false};   // a held write waited 2 s for release()

    // Bytes arriving on the line while a read may be waiting.
    void arrive(const QByteArray &bytes)
    {
        {
            std::lock_guard lock(mutex);
            input += bytes;
        }
        changed.notify_all();
    }
    void setCts(bool on)
    {
        std::lock_guard lock(mutex);
        ctsDefault = on;
    }
    // While held, every write waits until release() (2 s at most, or an interrupt):
    // a module slow to take commands.
    void hold()
    {
        std::lock_guard lock(mutex);
        m_held = true;
    }
    void release()
    {
        {
            std::lock_guard lock(mutex);
            m_held = false;
        }
        changed.notify_all();
    }

    // Waits until `done` (called with the mutex held) holds, or `timeout` passed.
    bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, done);
    }

    int readCount()
    {
        std::lock_guard lock(mutex);
        return int(readSizes.size());
    }
    QStringList eventList()
    {
        std::lock_guard lock(mutex);
        return events;
    }
    std::vector<QByteArray> writeList()
    {
        std::lock_guard lock(mutex);
        return writes;
    }
    int countWrites(const QByteArray &command)
    {
        std::lock_guard lock(mutex);
        return int(std::count(writes.begin(), writes.end(), command));
    }

    // --- FarEnd ---------------------------------------------------------------------

    bool open(const std::string &deviceName) override
    {
        std::lock_guard lock(mutex);
        events << "open " + QString::fromStdString(deviceName);
        openedName = QString::fromStdString(deviceName);
        opened = openSucceeds;
        if (opened)
            ++openPorts;
        return opened;
    }
    bool isCommDevice() const override { return commDevice; }
    void close() override
    {
        std::lock_guard lock(mutex);
        events << "close";
        opened = false;
        --openPorts;
    }
    bool getLineState(LineState &state) const override
    {
        std::lock_guard lock(mutex);
        state = line;
        return true;
    }
    bool setLineState(const LineState &state) override
    {
        std::lock_guard lock(mutex);
        lineWrites.push_back(state);
        line = state;
        return true;
    }
    bool getTimeouts(Timeouts &t) const override
    {
        std::lock_guard lock(mutex);
        t = timeouts;
        return true;
    }
    bool setTimeouts(const Timeouts &t) override
    {
        std::lock_guard lock(mutex);
        timeouts = t;
        return true;
    }

    bool read(std::vector<std::uint8_t> &bytes, int maxBytes, const SerialPortLayer &port) override
    {
        const auto interrupted = [&port] { return port.interruptRequested(); };
        std::unique_lock lock(mutex);
        ++inRead;
        changed.notify_all();
        events << QString("read %1").arg(maxBytes);
        readSizes.push_back(maxBytes);
        readTimeouts.push_back(timeouts);
        const unsigned total = timeouts.readTotalConstant + timeouts.readTotalMultiplier * unsigned(maxBytes);
        if (reads.empty() && input.isEmpty() && !interrupted()) {
            const auto woken = [&] { return interrupted() || !input.isEmpty(); };
            if (total == 0)
                changed.wait(lock, woken);
            else if (idleRead.count())
                changed.wait_for(lock, idleRead, woken);
        }
        QByteArray data;
        bool ok = true;
        if (interrupted()) {
            // like a system layer: an interrupted read returns at once with nothing
        } else if (!reads.empty() && reads.front().after.count()) {
            ReadStep &step = reads.front();
            if (total && step.after > std::chrono::milliseconds(total)) {
                step.after -= std::chrono::milliseconds(total);   // the empty read below moves the clock by its time-out
            } else {
                clock += step.after;
                data = step.data.left(maxBytes);
                ok = step.ok;
                reads.pop_front();
            }
        } else if (!reads.empty()) {
            const ReadStep step = reads.front();
            reads.pop_front();
            data = step.data.left(maxBytes);
            ok = step.ok;
        } else {
            data = input.left(maxBytes);
            input.remove(0, data.size());
        }
        if (data.isEmpty())
            clock += std::chrono::milliseconds(total);
        bytes.assign(data.begin(), data.end());
        --inRead;
        changed.notify_all();
        return ok;
    }
    bool write(std::span<const std::uint8_t> bytes, const SerialPortLayer &port) override
    {
        const auto interrupted = [&port] { return port.interruptRequested(); };
        const QByteArray data(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        std::unique_lock lock(mutex);
        events << "write " + QString::fromLatin1(data);
        ++inWrite;
        changed.notify_all();
        if (m_held && !changed.wait_for(lock, std::chrono::seconds(2), [&] { return !m_held || interrupted(); }))
            gateTimedOut = true;
        const bool cut = writeTime.count() && changed.wait_for(lock, writeTime, interrupted);
        --inWrite;
        changed.notify_all();
        if (cut || !writeSucceeds || interrupted())
            return false;
        writes.push_back(data);
        if (module && answers.load())
            input += module(data);
        return true;
    }
    bool pause(std::chrono::milliseconds duration, const SerialPortLayer &port) override
    {
        const auto interrupted = [&port] { return port.interruptRequested(); };
        std::unique_lock lock(mutex);
        events << QString("pause %1").arg(duration.count());
        clock += duration;
        ++inPause;
        changed.notify_all();
        changed.wait_for(lock, duration * pauseStretch, interrupted);
        --inPause;
        changed.notify_all();
        return !interrupted();
    }
    bool wakesBlockedReads() const override { return true; }
    std::chrono::steady_clock::time_point now() const override
    {
        std::lock_guard lock(mutex);
        return clock;
    }
    void purgeOutput() override
    {
        std::lock_guard lock(mutex);
        events << "purgeOut";
    }
    void purgeInput() override
    {
        std::lock_guard lock(mutex);
        events << "purgeIn";
        input.clear();
    }
    bool ctsOn() const override
    {
        std::lock_guard lock(mutex);
        events << "cts";
        if (cts.empty())
            return ctsDefault;
        const bool on = cts.front();
        cts.pop_front();
        return on;
    }
    void interruptChanged() override
    {
        // Taking the lock orders the flag before a waiter's look at it.
        { std::lock_guard lock(mutex); }
        changed.notify_all();
    }

private:
    bool m_held = false;   // guarded by mutex
};
