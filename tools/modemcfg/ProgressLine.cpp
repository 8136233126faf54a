#include "ProgressLine.h"

#include <cstdio>

#include <sys/ioctl.h>
#include <unistd.h>

ProgressLine::ProgressLine(const QStringList &ports) : m_enabled(::isatty(STDERR_FILENO) == 1)
{
    for (const QString &port : ports)
        m_sections.push_back({port, QString(), 0, 0});
}

ProgressLine::~ProgressLine() { clear(); }

void ProgressLine::setStatus(int slot, const QString &text)
{
    if (!m_enabled)
        return;
    std::lock_guard lock(m_mutex);
    m_sections.at(std::size_t(slot)).status = text;
    draw();
}

void ProgressLine::setProgress(int slot, int value, int maximum)
{
    if (!m_enabled)
        return;
    std::lock_guard lock(m_mutex);
    Section &s = m_sections.at(std::size_t(slot));
    s.value = value;
    s.maximum = maximum;
    draw();
}

void ProgressLine::clear()
{
    if (!m_enabled)
        return;
    std::lock_guard lock(m_mutex);
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

void ProgressLine::draw()
{
    QStringList parts;
    for (const Section &s : m_sections) {
        QString part = s.port + QStringLiteral(": ") + s.status;
        if (s.maximum > 0)
            part += QStringLiteral(" %1%").arg(100 * qBound(0, s.value, s.maximum) / s.maximum);
        parts << part;
    }
    QString text = parts.join(QStringLiteral(" | "));
    winsize size = {};
    const int columns = ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
    // One character short of the width, so the terminal never wraps the line.
    if (text.size() >= columns)
        text = text.left(columns - 1);
    std::fputs("\r\033[K", stderr);
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}
