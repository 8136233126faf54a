#pragma once

#include "journal/JournalEntry.h"

#include "settings/CommandBuilder.h"
#include "settings/SettingsComparison.h"
#include "settings/Types.h"

#include <QString>

#include <chrono>
#include <optional>
#include <vector>

struct OperationResult;
class Recording;

// Gathers one operation's record from the moment it starts and keeps it in the journal
// when it ends. Who, where and when are filled in here; the caller adds what the
// operation gave. Keeping never throws: a journal that cannot take the record gives
// the notice the user is to read, and the operation's own result stands.
class JournalRecorder {
public:
    // `operation` is "read", "write", "verify", "restore", "rssi", "ber rx", ...
    JournalRecorder(const QString &operation, const ProductVariant &variant, const QString &port);

    JournalEntry &entry() { return m_entry; }

    // Identification, firmware, outcome and message; for a read or restore the
    // configuration it found.
    JournalRecorder &takeResult(const OperationResult &result);
    // The configuration the module holds (or was sent) at the end.
    JournalRecorder &takeCommands(const CommandList &commands);
    // The .40B file involved: its name and SHA-256.
    JournalRecorder &takeFile(const QString &path);
    // A verify: every setting that differs, the file's value first.
    JournalRecorder &takeComparison(const std::vector<SettingDifference> &differences);
    // An RSSI or BER run's summary figures.
    JournalRecorder &takeRecording(const Recording &recording);
    JournalRecorder &takeOutcome(const QString &outcome, const QString &message = {});

    // Stamps the time and duration and appends the record to the journal at `path`.
    // Gives nothing when it was kept, else the notice for the user.
    std::optional<QString> keep(const QString &path,
                                std::chrono::milliseconds busyTimeout = std::chrono::milliseconds(5000));
    std::optional<QString> keep();   // at journalPath()

private:
    JournalEntry m_entry;
    std::chrono::steady_clock::time_point m_start;
};

// The notice the user reads when a record was not kept.
QString recordNotKeptText(const QString &why);

// The outcome's name in the journal ("done", "no response", ...).
QString outcomeName(int outcome);

// This user and this host, as the journal records them.
QString journalUser();
QString journalHost();
