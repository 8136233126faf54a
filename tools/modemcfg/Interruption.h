#pragma once

#include <stop_token>
#include <thread>

// Turns SIGINT and SIGTERM into a stop request. The handler only writes to an
// eventfd (async-signal-safe); a watcher thread reads it and asks the operations to
// stop. The handler is reset on delivery, so a second Ctrl-C ends the program at once.
// One instance per process, alive while operations run.
class Interruption {
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption &) = delete;
    Interruption &operator=(const Interruption &) = delete;

    std::stop_token token() const { return m_source.get_token(); }
    bool interrupted() const { return m_source.stop_requested(); }

private:
    void watch();

    std::stop_source m_source;
    int m_quit = -1;   // eventfd that ends the watcher
    std::thread m_watcher;
};
