#pragma once

#include "journal/JournalEntry.h"

#include "comm/Exception.h"

#include <QString>

#include <chrono>
#include <optional>

// A journal that cannot be opened, read or written; the text names the file and why.
class JournalError : public Exception {
public:
    using Exception::Exception;
};

// The operations journal: an SQLite database of records that are only ever appended.
// Several processes may write to one file at once (write-ahead log, a busy time-out).
// One instance holds one connection and is used on one thread.
class Journal {
public:
    static constexpr int kSchemaVersion = 2;
    static constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

    enum class Mode { Write, Read };
    // Opens the journal at `path`, creating it (and its folder) to write, and brings its
    // schema up to date. Reading a journal that does not exist finds no records.
    // Throws JournalError.
    explicit Journal(const QString &path, Mode mode = Mode::Write,
                     std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout);
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    const QString &path() const { return m_path; }
    int schemaVersion() const;

    // Keeps `entry` and gives its id. A read, write, verify or restore without
    // `lineBefore` takes the line last recorded for the same device. Throws
    // JournalError; nothing is kept then.
    qint64 append(const JournalEntry &entry);

    // Records matching `filter`, oldest first.
    JournalEntries entries(const JournalFilter &filter = {}) const;
    std::optional<JournalEntry> entry(qint64 id) const;

private:
    void exec(const QString &statement) const;
    void migrate();

    QString m_path;
    QString m_connection;   // empty when there is nothing to read
};
