// The simulated module: command and data mode, echo, result codes, serial rate and
// format, test-mode reports, all driven from one poll loop on the pty master.
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
#include <random>
#include <string>

namespace modemsim {

class Modem
{
public:
    Modem(const Options &options, Pty &pty, EventLog &log, const Settings &stored);

    // Runs until `stopFd` becomes readable (returns 0) or the line is unplugged after
    // --hangup-after lines (returns 0 after closing the pty).
    int run(int stopFd);

private:
    using Clock = std::chrono::steady_clock;

    struct Pending
    {
        Clock::time_point due;
        std::string bytes;
        std::function<void()> after;
    };

    void powerUp(Clock::time_point now);
    void onInput(const std::string &bytes, Clock::time_point now);
    void onCommandByte(char c, std::string &echo, Clock::time_point now);
    void finishLine(Clock::time_point now);
    void onEscape(Clock::time_point now);
    void queueReply(std::string bytes, std::function<void()> after, Clock::time_point now);
    void sendDue(Clock::time_point now);
    void sendReport(Clock::time_point now);
    void send(const char *kind, const std::string &bytes);
    bool lineMatches() const;
    Clock::duration guard() const;
    void saveState() const;

    const Options &m_options;
    Pty &m_pty;
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
