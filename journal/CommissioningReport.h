#pragma once

#include "journal/JournalEntry.h"

#include <QList>
#include <QPair>
#include <QString>

#include <optional>
#include <vector>

// A module of a network: the name it goes by and the port it was worked on.
struct ReportMember {
    QString name;
    QString port;
};

// What one module's records add up to.
struct ModuleSummary {
    QString name;
    QString port;
    QString device;
    QString product;
    QString identification;
    QString firmware;
    std::optional<JournalEntry> configuration;   // the last record that knows what the module holds
    QList<QPair<QString, QString>> settings;     // its settings that matter for a network
    std::optional<JournalEntry> lastWrite;
    std::optional<JournalEntry> lastVerify;      // a verify, or a write read back and compared
    std::optional<JournalEntry> lastRssi;
    std::optional<JournalEntry> lastBer;
};

// The modules of `entries` (oldest first): with `members`, those modules in that order
// under their names (a member without records is listed as such); without, every
// device in the journal under its port.
std::vector<ModuleSummary> summarizeModules(const JournalEntries &entries, const QList<ReportMember> &members = {});

// The figures of an RSSI or BER record in words ("average -71 dBm (-75 to -68), 20 reports").
QString figuresText(const JournalEntry &entry);
// "done, 2026-05-04 10:12 UTC" or "none recorded".
QString outcomeText(const std::optional<JournalEntry> &entry);

struct ReportInput {
    JournalEntries entries;
    QList<ReportMember> members;
    QString svg;             // a network drawing to embed; empty for none
    QString journalPath;     // named in the heading
    QDateTime since;         // the records taken into account start here; invalid for all
};

// One self-contained HTML page: no scripts, no external files, the drawing inline.
QString commissioningReportHtml(const ReportInput &input);
