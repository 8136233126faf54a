#include "Modem.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace modemsim {

namespace {

constexpr std::size_t kMaxLine = 255;
constexpr unsigned kFramesPerReport = 64;

} // namespace

Modem::Modem(const Options &options, ModuleLine &line, EventLog &log, const Settings &stored, Clock::time_point now)
    : m_options(options)
    , m_line(line)
    , m_log(log)
    , m_interpreter(Identity{options.model, options.firmware}, options.reject, options.omitKeys)
    , m_stored(stored)
    , m_random(static_cast<unsigned>(now.time_since_epoch().count()))
{
    powerUp(now);
    saveActive();
}

void Modem::powerUp(Clock::time_point now)
{
    m_current = m_stored;
    m_active = {m_current.rate(), m_current.twoStopBits()};
    m_dataMode = m_options.startInDataMode;
    m_lineBuffer.clear();
    m_test = -1;
    m_escape.reset(now - guard());
}

Modem::Clock::duration Modem::guard() const
{
    return std::chrono::milliseconds(m_options.guardMs ? *m_options.guardMs : m_current.guardMs());
}

bool Modem::lineMatches() const
{
    return m_line.current() == m_active;
}

void Modem::advance(Clock::time_point now)
{
    sendDue(now);
    if (m_escape.fire(guard(), now))
        onEscape(now);
    if (m_test > 0 && now >= m_nextReport)
        sendReport(now);
}

std::optional<Modem::Clock::time_point> Modem::nextEvent() const
{
    std::optional<Clock::time_point> next;
    const auto consider = [&next](Clock::time_point t) {
        if (!next || t < *next)
            next = t;
    };
    if (!m_pending.empty())
        consider(m_pending.front().due);
    if (auto d = m_escape.deadline(guard()))
        consider(*d);
    if (m_test > 0)
        consider(m_nextReport);
    return next;
}

void Modem::input(const std::string &bytes, Clock::time_point now)
{
    if (!lineMatches()) {
        // Wrong speed or stop bits: the module sees framing errors, not characters.
        m_log.record("IG", bytes);
        m_escape.noise(now);
        return;
    }
    std::string echo;
    for (char c : bytes) {
        m_escape.feed(c, m_current.escapeChar(), guard(), now);
        if (!m_dataMode)
            onCommandByte(c, echo, now);
    }
    if (!echo.empty())
        send("EC", echo);
}

void Modem::onCommandByte(char c, std::string &echo, Clock::time_point now)
{
    if (m_current.get(Setting::E) != 0 && !silentNow() && !garbageNow())
        echo += c;
    if (c == static_cast<char>(m_current.get(Setting::S3))) {
        if (!echo.empty()) {
            send("EC", echo);
            echo.clear();
        }
        finishLine(now);
    } else if (c == static_cast<char>(m_current.get(Setting::S5))) {
        if (!m_lineBuffer.empty())
            m_lineBuffer.pop_back();
    } else if (c == static_cast<char>(m_current.get(Setting::S4))) {
        // a line feed after the carriage return belongs to no command
    } else if (m_lineBuffer.size() <= kMaxLine) {
        m_lineBuffer += c;
    }
}

void Modem::finishLine(Clock::time_point now)
{
    const std::string line = m_lineBuffer;
    m_lineBuffer.clear();
    m_log.record("RX", line + static_cast<char>(m_current.get(Setting::S3)));
    ++m_linesReceived;
    if (m_options.hangupAfter && m_linesReceived >= *m_options.hangupAfter)
        m_hangupPending = true;

    LineOutcome out;
    if (line.size() > kMaxLine)
        out.error = true;
    else
        out = m_interpreter.execute(line, m_current, m_stored);
    if (out.stored)
        saveState();
    saveActive();
    std::string reply = out.info + Interpreter::resultCode(m_current, out.error);
    queueReply(std::move(reply), [this, out](Clock::time_point t) {
        // New rate and format take effect once the reply has gone out at the old ones.
        m_active = {m_current.rate(), m_current.twoStopBits()};
        if (out.reset) {
            powerUp(t);
            saveActive();
        } else if (out.online) {
            m_dataMode = true;
            m_escape.reset(t);
            saveActive();
        } else if (out.test) {
            m_test = *out.test;
            m_reportCount = 0;
            m_totalErrors = 0;
            m_nextReport = t + std::chrono::milliseconds(m_options.reportIntervalMs);
        }
    }, now);
}

void Modem::onEscape(Clock::time_point now)
{
    const std::string seq(3, m_current.escapeChar());
    if (!m_dataMode && m_lineBuffer.size() >= 3 && m_lineBuffer.compare(m_lineBuffer.size() - 3, 3, seq) == 0)
        m_lineBuffer.erase(m_lineBuffer.size() - 3);
    m_log.record("RX", seq);
    m_dataMode = false;
    saveActive();
    queueReply(Interpreter::resultCode(m_current, false), nullptr, now);
}

void Modem::queueReply(std::string bytes, std::function<void(Clock::time_point)> after, Clock::time_point now)
{
    const int delayMs = faultActive() ? m_options.delayMs : 0;
    m_pending.push_back({now + std::chrono::milliseconds(delayMs), std::move(bytes), std::move(after)});
    sendDue(now);
}

void Modem::sendDue(Clock::time_point now)
{
    while (!m_pending.empty() && m_pending.front().due <= now) {
        Pending p = std::move(m_pending.front());
        m_pending.pop_front();
        send("TX", p.bytes);
        if (p.after)
            p.after(now);
    }
}

void Modem::sendReport(Clock::time_point now)
{
    ++m_reportCount;
    std::uniform_int_distribution<int> jitter(0, 6);
    const int level = 68 + jitter(m_random);
    m_current.set(Setting::S9, level);
    char text[96];
    if (m_test == 3) {
        std::snprintf(text, sizeof text, "RSSI -%03d dBm\r\n", level);
    } else {
        static const double kRadioKbit[3] = {19.2, 57.6, 115.2};
        const int errors = jitter(m_random) == 0 ? 1 : 0;
        m_totalErrors += static_cast<unsigned>(errors);
        // Test number, errors, extra, level, total errors, total missed, radio rate in
        // kbit/s, then " x " and the frames per report.
        std::snprintf(text, sizeof text, "%04u %04d %04d -%03d %04u %04d %.1f x %u\r\n", m_reportCount % 10000,
                      errors, 0, level, m_totalErrors % 10000, 0,
                      kRadioKbit[std::clamp(m_current.get(Setting::B), 0, 2)], kFramesPerReport);
    }
    send("TX", text);
    m_nextReport = std::max(m_nextReport + std::chrono::milliseconds(m_options.reportIntervalMs), now);
}

void Modem::send(const char *kind, const std::string &bytes)
{
    if (bytes.empty() || silentNow())
        return;
    if (!lineMatches()) {
        m_log.record("LOST", bytes);
        return;
    }
    std::string out = bytes;
    if (garbageNow()) {
        // Line noise: nothing in it can read as "OK", "0\r" or any other expected text.
        std::uniform_int_distribution<int> pick(0, 59);
        for (char &c : out) {
            int v = pick(m_random);
            c = static_cast<char>(v < 26 ? 'a' + v : 0x80 + (v - 26) * 3);
        }
    }
    const long n = m_line.write(out);
    if (n < 0) // nobody reads the line and its buffer is full: the bytes are gone
        m_log.record("LOST", out);
    else
        m_log.record(kind, out.substr(0, static_cast<std::size_t>(n)));
}

bool Modem::faultActive() const
{
    return !m_options.faultAfter || m_linesReceived >= *m_options.faultAfter;
}

void Modem::saveState() const
{
    if (m_options.stateFile.empty())
        return;
    const std::string tmp = m_options.stateFile + ".tmp";
    {
        std::ofstream f(tmp, std::ios::trunc);
        f << m_stored.serialize();
        if (!f) {
            std::cerr << "modem-sim: cannot write " << tmp << "\n";
            return;
        }
    }
    if (std::rename(tmp.c_str(), m_options.stateFile.c_str()) != 0)
        std::perror("modem-sim: rename state file");
}

void Modem::saveActive() const
{
    if (m_options.activeFile.empty())
        return;
    // The settings in force, then whether the module passes data: what a look from
    // outside needs to tell a module left half-configured or in command mode.
    const std::string tmp = m_options.activeFile + ".tmp";
    {
        std::ofstream f(tmp, std::ios::trunc);
        f << m_current.serialize() << "ONLINE=" << (m_dataMode ? 1 : 0) << "\n";
        if (!f)
            return;
    }
    std::rename(tmp.c_str(), m_options.activeFile.c_str());
}

} // namespace modemsim
