// The --log record file: "<monotonic seconds> <KIND> \"<C-escaped bytes>\"" per line.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace modemsim {

class EventLog
{
public:
    EventLog() = default;
    explicit EventLog(const std::string &path); // throws std::runtime_error
    // Keeps the records in memory (text()), stamped by `clock` in seconds.
    explicit EventLog(std::function<double()> clock);
    ~EventLog();
    EventLog(const EventLog &) = delete;
    EventLog &operator=(const EventLog &) = delete;

    // Stamps the record with CLOCK_MONOTONIC (or the clock given) at the moment of the
    // call and flushes it.
    void record(const char *kind, const std::string &bytes);
    // The records kept in memory.
    const std::string &text() const { return m_text; }

    static std::string escape(const std::string &bytes);

private:
    std::FILE *m_file = nullptr;
    std::function<double()> m_clock;
    std::string m_text;
};

} // namespace modemsim
