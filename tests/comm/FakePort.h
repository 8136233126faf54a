#pragma once

// In-memory port layer: scripted reads, an optional module that answers writes,
// and a record of every call the port object makes.

#include "comm/SerialPortLayer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct FakePortState {
    struct ReadStep {
        QByteArray data;
        bool ok = true;
        // On the virtual clock: how long into the read the data arrives. A read whose
        // total time-out is shorter ends empty at its time-out, and the step waits on.
        std::chrono::milliseconds after{0};
    };

    std::mutex mutex;
    std::condition_variable changed;   // input arrived or the port was interrupted

    // Behaviour
    bool openSucceeds = true;
    bool commDevice = true;
    std::deque<bool> cts;          // answers of ctsOn(), one each; `ctsDefault` when used up
    bool ctsDefault = true;
    bool writeSucceeds = true;
    std::deque<ReadStep> reads;    // taken one per read before `input` is looked at
    QByteArray input;              // bytes waiting on the line; a read takes up to its size
    std::function<QByteArray(const QByteArray &)> module;   // answer to a write, queued on `input`
    // Time, all of it cut short by an interrupt. A read with nothing to return lasts
    // idleRead, or until input arrives when its time-outs set no total; a write
    // lasts writeTime; a pause lasts pauseStretch times its length (0: no time).
    std::chrono::milliseconds idleRead{0};
    std::chrono::milliseconds writeTime{0};
    int pauseStretch = 0;
    SerialPortLayer::LineState line{9600, 8, 0, 0};
    // The port's virtual clock: a read that brings nothing moves it on by the read's
    // total time-out, a pause by its length. Exchanges measure their deadlines on it.
    std::chrono::steady_clock::time_point clock{};

    // Record
    QStringList events;            // "open COM1", "cts", "write ...", "read 22", "purgeOut", "purgeIn", "close"
    std::vector<QByteArray> writes;
    std::vector<int> readSizes;
    std::vector<SerialPortLayer::Timeouts> readTimeouts;   // time-outs in force at each read
    SerialPortLayer::Timeouts timeouts;
    std::vector<SerialPortLayer::LineState> lineWrites;
    QString openedName;
    bool open = false;
    std::atomic<int> inRead{0};
    std::atomic<int> inWrite{0};
    std::atomic<int> inPause{0};

    // Bytes arriving on the line while a read may be waiting.
    void arrive(const QByteArray &bytes)
    {
        {
            std::lock_guard lock(mutex);
            input += bytes;
        }
        changed.notify_all();
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
};

class FakePort final : public SerialPortLayer {
public:
    explicit FakePort(std::shared_ptr<FakePortState> state) : m_s(std::move(state)) {}

    bool open(const std::string &deviceName) override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->events << "open " + QString::fromStdString(deviceName);
        m_s->openedName = QString::fromStdString(deviceName);
        m_s->open = m_s->openSucceeds;
        return m_s->open;
    }
    bool isCommDevice() const override { return m_s->commDevice; }
    void close() override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->events << "close";
        m_s->open = false;
    }
    bool isOpen() const override { return m_s->open; }

    bool getLineState(LineState &state) const override
    {
        std::lock_guard lock(m_s->mutex);
        state = m_s->line;
        return true;
    }
    bool setLineState(const LineState &state) override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->lineWrites.push_back(state);
        m_s->line = state;
        return true;
    }
    bool getTimeouts(Timeouts &timeouts) const override
    {
        std::lock_guard lock(m_s->mutex);
        timeouts = m_s->timeouts;
        return true;
    }
    bool setTimeouts(const Timeouts &timeouts) override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->timeouts = timeouts;
        return true;
    }

    bool read(std::vector<std::uint8_t> &bytes, int maxBytes) override
    {
        QByteArray data;
        ++m_s->inRead;
        bool ok = true;
        {
            std::unique_lock lock(m_s->mutex);
            m_s->events << QString("read %1").arg(maxBytes);
            m_s->readSizes.push_back(maxBytes);
            m_s->readTimeouts.push_back(m_s->timeouts);
            const bool waitForInput = m_s->timeouts.readTotalConstant == 0 && m_s->timeouts.readTotalMultiplier == 0;
            if (m_s->reads.empty() && m_s->input.isEmpty() && !interruptRequested()) {
                const auto woken = [&] { return interruptRequested() || !m_s->input.isEmpty(); };
                if (waitForInput)
                    m_s->changed.wait(lock, woken);
                else if (m_s->idleRead.count())
                    m_s->changed.wait_for(lock, m_s->idleRead, woken);
            }
            if (interruptRequested()) {
                // like a system layer: an interrupted read returns at once with nothing
            } else if (!m_s->reads.empty() && m_s->reads.front().after.count()) {
                FakePortState::ReadStep &step = m_s->reads.front();
                const std::chrono::milliseconds total(m_s->timeouts.readTotalConstant +
                                                      m_s->timeouts.readTotalMultiplier * unsigned(maxBytes));
                if (total.count() && step.after > total) {
                    step.after -= total;   // the empty read below moves the clock by its time-out
                } else {
                    m_s->clock += step.after;
                    data = step.data.left(maxBytes);
                    ok = step.ok;
                    m_s->reads.pop_front();
                }
            } else if (!m_s->reads.empty()) {
                FakePortState::ReadStep step = m_s->reads.front();
                m_s->reads.pop_front();
                data = step.data.left(maxBytes);
                ok = step.ok;
            } else {
                data = m_s->input.left(maxBytes);
                m_s->input.remove(0, data.size());
            }
        }
        if (data.isEmpty()) {
            std::lock_guard lock(m_s->mutex);
            const unsigned total = m_s->timeouts.readTotalConstant + m_s->timeouts.readTotalMultiplier * unsigned(maxBytes);
            m_s->clock += std::chrono::milliseconds(total);
        }
        bytes.assign(data.begin(), data.end());
        --m_s->inRead;
        return ok;
    }
    bool write(std::span<const std::uint8_t> bytes) override
    {
        const QByteArray data(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        std::unique_lock lock(m_s->mutex);
        m_s->events << "write " + QString::fromLatin1(data);
        if (m_s->writeTime.count()) {
            ++m_s->inWrite;
            const bool cut = m_s->changed.wait_for(lock, m_s->writeTime, [this] { return interruptRequested(); });
            --m_s->inWrite;
            if (cut)
                return false;
        }
        if (!m_s->writeSucceeds || interruptRequested())
            return false;
        m_s->writes.push_back(data);
        if (m_s->module)
            m_s->input += m_s->module(data);
        return true;
    }
    bool pause(std::chrono::milliseconds duration) override
    {
        std::unique_lock lock(m_s->mutex);
        m_s->events << QString("pause %1").arg(duration.count());
        m_s->clock += duration;
        ++m_s->inPause;
        m_s->changed.wait_for(lock, duration * m_s->pauseStretch, [this] { return interruptRequested(); });
        --m_s->inPause;
        return !interruptRequested();
    }
    bool wakesBlockedReads() const override { return true; }
    std::chrono::steady_clock::time_point now() const override
    {
        std::lock_guard lock(m_s->mutex);
        return m_s->clock;
    }
    void purgeOutput() override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->events << "purgeOut";
    }
    void purgeInput() override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->events << "purgeIn";
        m_s->input.clear();
    }
    bool ctsOn() const override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->events << "cts";
        if (m_s->cts.empty())
            return m_s->ctsDefault;
        const bool on = m_s->cts.front();
        m_s->cts.pop_front();
        return on;
    }

protected:
    void onInterruptChanged(bool) override
    {
        // Taking the lock orders the flag before a waiter's look at it.
        { std::lock_guard lock(m_s->mutex); }
        m_s->changed.notify_all();
    }

private:
    std::shared_ptr<FakePortState> m_s;
};

inline std::unique_ptr<SerialPortLayer> fakePort(const std::shared_ptr<FakePortState> &state)
{
    return std::make_unique<FakePort>(state);
}
