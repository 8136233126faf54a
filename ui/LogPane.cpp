#include "ui/LogPane.h"

#include "ui/FileDialogs.h"
#include "settings/MessageSink.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFontDatabase>
#include <QMenu>
#include <QSaveFile>
#include <QScrollBar>

#include <memory>

LogPane::LogPane(MessageSink &messages, QWidget *parent) : QPlainTextEdit(parent), m_messages(messages)
{
    setReadOnly(true);
    // Listings line up in columns in a fixed-width face, at the window's size.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (font().pixelSize() > 0)
        fixed.setPixelSize(font().pixelSize());
    else
        fixed.setPointSizeF(font().pointSizeF());
    setFont(fixed);
}

void LogPane::appendLine(const QString &text) { append(text, Kind::Received); }

void LogPane::appendSent(const QString &text) { append(text, Kind::Sent); }

void LogPane::appendNote(const QString &text) { append(text, Kind::Note); }

QString LogPane::markOf(Kind kind)
{
    switch (kind) {
    case Kind::Sent: return QStringLiteral(">");
    case Kind::Note: return QStringLiteral("*");
    case Kind::Received: break;
    }
    return QStringLiteral("<");
}

void LogPane::append(const QString &text, Kind kind)
{
    m_entries.push_back({QDateTime::currentDateTime(), text, kind});
    appendPlainText(shown(m_entries.back()));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QString LogPane::shown(const Entry &e) const
{
    const QString mark = markOf(e.kind) + QLatin1Char(' ');
    const QString time = m_showTimes ? e.arrived.toString(QStringLiteral("HH:mm:ss.zzz ")) : QString();
    QStringList lines = e.text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = time + mark + line;
    return lines.join(QLatin1Char('\n'));
}

void LogPane::redraw()
{
    clear();
    for (const Entry &e : m_entries)
        appendPlainText(shown(e));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogPane::setShowTimes(bool show)
{
    if (show == m_showTimes)
        return;
    m_showTimes = show;
    redraw();
}

QString LogPane::lineTexts() const
{
    QStringList texts;
    for (const Entry &e : m_entries)
        texts << e.text;
    return texts.join(QLatin1Char('\n'));
}

void LogPane::clearLines()
{
    m_entries.clear();
    clear();
}

std::optional<QString> LogPane::saveTo(const QString &path) const
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        for (const Entry &e : m_entries) {
            const QString stamp = e.arrived.toOffsetFromUtc(e.arrived.offsetFromUtc()).toString(Qt::ISODateWithMs);
            // A stamp on every line, also on the lines of a multi-line entry.
            for (const QString &line : e.text.split(QLatin1Char('\n')))
                file.write((stamp + QLatin1Char(' ') + markOf(e.kind) + QLatin1Char(' ') + line + QLatin1Char('\n'))
                               .toUtf8());
        }
        if (file.commit())
            return std::nullopt;
    }
    return QStringLiteral("Cannot save %1: %2").arg(path, file.errorString());
}

void LogPane::saveLog()
{
    if (!m_dialogs)
        return;
    const QString path = m_dialogs->getSaveFileName(QDir::currentPath(), QStringLiteral("*.log"), QStringLiteral("log"));
    if (path.isEmpty())
        return;
    if (const std::optional<QString> failure = saveTo(path))
        m_messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, *failure);
}

void LogPane::contextMenuEvent(QContextMenuEvent *event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    menu->addSeparator();
    QAction *times = menu->addAction(QStringLiteral("Show &Times"));
    times->setObjectName(QStringLiteral("actShowTimes"));
    times->setCheckable(true);
    times->setChecked(m_showTimes);
    connect(times, &QAction::toggled, this, &LogPane::setShowTimes);
    QAction *clearAll = menu->addAction(QStringLiteral("C&lear"), this, &LogPane::clearLines);
    clearAll->setObjectName(QStringLiteral("actClearLog"));
    clearAll->setEnabled(!m_entries.empty());
    QAction *save = menu->addAction(QStringLiteral("Save Log..."), this, &LogPane::saveLog);
    save->setObjectName(QStringLiteral("actSaveLog"));
    save->setEnabled(m_dialogs != nullptr);
    menu->exec(event->globalPos());
}
