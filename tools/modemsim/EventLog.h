// The --log record file: "<monotonic seconds> <KIND> \"<C-escaped bytes>\"" per line.
#pragma once

#include <cstdio>
#include <string>

namespace modemsim {

class EventLog
{
public:
    EventLog() = default;
    explicit EventLog(const std::string &path); // throws std::runtime_error
    ~EventLog();
    EventLog(const EventLog &) = delete;
    EventLog &operator=(const EventLog &) = delete;

    // Stamps the record with CLOCK_MONOTONIC at the moment of the call and flushes it.
    void record(const char *kind, const std::string &bytes);

    static std::string escape(const std::string &bytes);

private:
    std::FILE *m_file = nullptr;
};

} // namespace modemsim
