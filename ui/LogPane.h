#pragma once

#include <QDateTime>
#include <QPlainTextEdit>
#include <QString>

#include <optional>
#include <vector>

class FileDialogs;
class MessageSink;

// The main window's "Serial Communications" pane: read-only lines that remember when
// each arrived, so "Save Log..." in its context menu can write them time-stamped.
class LogPane : public QPlainTextEdit {
    Q_OBJECT
public:
    LogPane(MessageSink &messages, QWidget *parent = nullptr);

    void setFileDialogs(FileDialogs *dialogs) { m_dialogs = dialogs; }

    // Appends a line (it may hold line breaks) stamped with the current time.
    void appendLine(const QString &text);
    void clearLines();

    // Each line as "<ISO 8601 time> <text>", LF-ended, written whole or not at all;
    // the message for a failure, if any.
    std::optional<QString> saveTo(const QString &path) const;

public Q_SLOTS:
    // Asks for a file and saves into it; a failure is reported.
    void saveLog();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    struct Entry {
        QDateTime arrived;
        QString text;
    };

    MessageSink &m_messages;
    FileDialogs *m_dialogs = nullptr;
    std::vector<Entry> m_entries;
};
