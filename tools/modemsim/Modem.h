// The simulated module: command and data mode, echo, result codes, serial rate and
// format, test-mode reports. Pure logic: time comes in with every call and the bytes
// go out through the line it is wired to, so the same module runs on a pty in real
// time (PtyRunner) or inside a test under a virtual clock.
#pragma once

#include "EscapeDetector.h"
#include "EventLog.h"
#include "Interpreter.h"
#include "Options.h"
#include "Pty.h"
#include "Settings.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <string>

namespace modemsim {

// What the module's serial side is wired to.
class ModuleLine
{
public:
    virtual ~ModuleLine() = default;
    // The rate and stop bits the PC side set on the line.
    virtual LineSettings current() const = 0;
    // Puts bytes on the line towards the PC; returns how many were taken, -1 when none.
    virtual long write(const std::string &bytes) = 0;
};

class Modem
{
public:
    using Clock = std::chrono::steady_clock;

    // Powers up at `now` with the stored profile.
    Modem(const Options &options, ModuleLine &line, EventLog &log, const Settings &stored, Clock::time_point now);

    // Bytes from the PC, all arrived at `now`.
    void input(const std::string &bytes, Clock::time_point now);
    // Does what is due by `now`: replies, a completed escape sequence, test reports.
    void advance(Clock::time_point now);
    // When advance() next has something to do; nothing while the module only waits for input.
    std::optional<Clock::time_point> nextEvent() const;
    // The --hangup-after count is reached and the last reply has gone out.
    bool hangupDue() const { return m_hangupPending && m_pending.empty(); }
    // The settings in force and the stored profile; whether the module is on-line.
    const Settings &activeSettings() const { return m_current; }
    const Settings &storedSettings() const { return m_stored; }
    bool onLine() const { return m_dataMode; }

private:
    struct Pending
    {
        Clock::time_point due;
        std::string bytes;
        std::function<void(Clock::time_point)> after;
    };

    void powerUp(Clock::time_point now);
    void onCommandByte(char c, std::string &echo, Clock::time_point now);
    void finishLine(Clock::time_point now);
    void onEscape(Clock::time_point now);
    void queueReply(std::string bytes, std::function<void(Clock::time_point)> after, Clock::time_point now);
    void sendDue(Clock::time_point now);
    void sendReport(Clock::time_point now);
    void send(const char *kind, const std::string &bytes);
    bool lineMatches() const;
    Clock::duration guard() const;
    void saveState() const;
    void saveActive() const;
    // --silent, --garbage and --delay apply from the --fault-after line on.
    bool faultActive() const;
    bool silentNow() const { return m_options.silent && faultActive(); }
    bool garbageNow() const { return m_options.garbage && faultActive(); }

    const Options &m_options;
    ModuleLine &m_line;
    EventLog &m_log;
    Interpreter m_interpreter;
    Settings m_current;
    Settings m_stored;
    LineSettings m_active; // the rate and stop bits the module talks at
    bool m_dataMode = true;
    std::string m_lineBuffer;
    EscapeDetector m_escape;
    std::deque<Pending> m_pending;
    int m_test = -1; // running test number, -1 none
    Clock::time_point m_nextReport{};
    unsigned m_reportCount = 0;
    unsigned m_totalErrors = 0;
    long m_linesReceived = 0;
    bool m_hangupPending = false;
    std::mt19937 m_random;
};

} // namespace modemsim
