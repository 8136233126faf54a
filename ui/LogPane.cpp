#include "ui/LogPane.h"

#include "settings/FileDialogs.h"
#include "settings/MessageSink.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QSaveFile>
#include <QScrollBar>

#include <memory>

LogPane::LogPane(MessageSink &messages, QWidget *parent) : QPlainTextEdit(parent), m_messages(messages)
{
    setReadOnly(true);
}

void LogPane::appendLine(const QString &text)
{
    m_entries.push_back({QDateTime::currentDateTime(), text});
    appendPlainText(text);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
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
                file.write((stamp + QLatin1Char(' ') + line + QLatin1Char('\n')).toUtf8());
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
    QAction *save = menu->addAction(QStringLiteral("Save Log..."), this, &LogPane::saveLog);
    save->setObjectName(QStringLiteral("actSaveLog"));
    save->setEnabled(m_dialogs != nullptr);
    menu->exec(event->globalPos());
}
