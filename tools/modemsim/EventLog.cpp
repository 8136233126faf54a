#include "EventLog.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace modemsim {

EventLog::EventLog(const std::string &path)
    : m_file(std::fopen(path.c_str(), "w"))
{
    if (!m_file)
        throw std::runtime_error("cannot open log " + path + ": " + std::strerror(errno));
}

EventLog::EventLog(std::function<double()> clock)
    : m_clock(std::move(clock))
{
}

EventLog::~EventLog()
{
    if (m_file)
        std::fclose(m_file);
}

void EventLog::record(const char *kind, const std::string &bytes)
{
    if (m_clock) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%.6f ", m_clock());
        m_text += stamp + std::string(kind) + " \"" + escape(bytes) + "\"\n";
        return;
    }
    if (!m_file)
        return;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::fprintf(m_file, "%lld.%06ld %s \"%s\"\n", static_cast<long long>(ts.tv_sec), ts.tv_nsec / 1000, kind,
                 escape(bytes).c_str());
    std::fflush(m_file);
}

std::string EventLog::escape(const std::string &bytes)
{
    std::string out;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        default:
            if (c < 0x20 || c >= 0x7f) {
                char buf[6]; // octal: unlike \x, never runs into a following digit
                std::snprintf(buf, sizeof buf, "\\%03o", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

} // namespace modemsim
