// Recognises the escape sequence: the escape character three times, alone between two
// guard times of silence on the line.
#pragma once

#include <chrono>
#include <optional>

namespace modemsim {

class EscapeDetector
{
public:
    using Clock = std::chrono::steady_clock;

    // The line counts as quiet since `quietSince` (power-up of a module that sat idle).
    void reset(Clock::time_point quietSince)
    {
        m_lastByte = quietSince;
        m_count = 0;
    }

    // One received byte. An escape character after a guard time of silence starts a
    // sequence; the next two must follow within the guard time. Any other byte, or a
    // fourth escape character, spoils it.
    void feed(char byte, char escapeChar, Clock::duration guard, Clock::time_point now)
    {
        const auto gap = now - m_lastByte;
        if (byte != escapeChar)
            m_count = 0;
        else if (gap >= guard)
            m_count = 1;
        else if (m_count > 0 && m_count < 3)
            ++m_count;
        else
            m_count = 0;
        m_lastByte = now;
    }

    // Bytes the module could not make sense of still break the silence.
    void noise(Clock::time_point now)
    {
        m_count = 0;
        m_lastByte = now;
    }

    // When the trailing guard ends, if the sequence is complete.
    std::optional<Clock::time_point> deadline(Clock::duration guard) const
    {
        if (m_count == 3)
            return m_lastByte + guard;
        return std::nullopt;
    }

    // True once, when the trailing guard has passed in silence.
    bool fire(Clock::duration guard, Clock::time_point now)
    {
        if (m_count == 3 && now - m_lastByte >= guard) {
            m_count = 0;
            return true;
        }
        return false;
    }

private:
    Clock::time_point m_lastByte{};
    int m_count = 0;
};

} // namespace modemsim
