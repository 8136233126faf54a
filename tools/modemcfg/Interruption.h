#pragma once

#include <stop_token>
#include <thread>

// Turns SIGINT, SIGTERM and SIGHUP into a stop request, and ignores SIGPIPE (a closed
// reader of the output is seen as a failed write, not a death). The handler only
// writes to an eventfd (async-signal-safe); a watcher thread reads it and asks the
// operations to stop. The handlers stay in place, so a second signal cannot kill the
// program between a module's first command and its reset: every operation ends
// through its own reset, and the program exits 128 + the first signal's number.
// One instance per process, alive while operations run.
class Interruption {
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption &) = delete;
    Interruption &operator=(const Interruption &) = delete;

    std::stop_token token() const { return m_source.get_token(); }
    bool interrupted() const { return m_source.stop_requested(); }
    // The first signal received; 0 for none.
    int signal() const;
    // The exit status of a program ended by that signal: 128 + its number.
    int exitStatus() const { return 128 + signal(); }

private:
    void watch();

    std::stop_source m_source;
    int m_quit = -1;   // eventfd that ends the watcher
    std::thread m_watcher;
};
