#include "diagnostics/LineCutter.h"

void LineCutter::feed(const QByteArray &piece, const LineHandler &onLine)
{
    for (const char c : piece) {
        const bool afterCr = m_afterCr;
        m_afterCr = c == '\r';
        if (c == '\r') {
            if (!m_overflow && onLine)
                onLine(m_line);
            m_line.clear();
            m_overflow = false;
            continue;
        }
        if (c == '\n' && afterCr)
            continue;
        if (m_overflow)
            continue;
        if (m_line.size() >= kMaxLine) {
            m_line.clear();
            m_overflow = true;
            continue;
        }
        m_line += c;
    }
}

void LineCutter::clear()
{
    m_line.clear();
    m_afterCr = false;
    m_overflow = false;
}
