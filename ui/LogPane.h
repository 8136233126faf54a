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
// What the module sent is marked "<", what the program sent ">", its own notes (the
// outcome of a command) "*"; the times show on request.
class LogPane : public QPlainTextEdit {
    Q_OBJECT
public:
    LogPane(MessageSink &messages, QWidget *parent = nullptr);

    void setFileDialogs(FileDialogs *dialogs) { m_dialogs = dialogs; }

    // Appends a line received from the module (it may hold line breaks) stamped with
    // the current time.
    void appendLine(const QString &text);
    // Appends a command the program sent to the module.
    void appendSent(const QString &text);
    // Appends a note of the program's own.
    void appendNote(const QString &text);
    void clearLines();
    // The lines' texts without marks or times, one per line.
    QString lineTexts() const;

    bool showsTimes() const { return m_showTimes; }
    void setShowTimes(bool show);

    // Each line as "<ISO 8601 time> <mark> <text>", LF-ended, written whole or not at all;
    // the message for a failure, if any.
    std::optional<QString> saveTo(const QString &path) const;

public Q_SLOTS:
    // Asks for a file and saves into it; a failure is reported.
    void saveLog();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    enum class Kind { Received, Sent, Note };
    struct Entry {
        QDateTime arrived;
        QString text;
        Kind kind = Kind::Received;
    };
    void append(const QString &text, Kind kind);
    QString shown(const Entry &e) const;
    static QString markOf(Kind kind);
    void redraw();

    MessageSink &m_messages;
    FileDialogs *m_dialogs = nullptr;
    std::vector<Entry> m_entries;
    bool m_showTimes = false;
};
