#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

// One recorded run of an operation on one module, as the journal keeps it.
struct JournalEntry {
    qint64 id = 0;             // given by the journal; 0 before it is kept
    QDateTime time;            // UTC, when the operation ended
    QString host;
    QString user;
    QString product;           // the product's caption, "740R-B Configuration", ...
    QString port;              // as the user named it: COM1, a device path
    QString device;            // the /dev/serial/by-id name, or the device path when it has none
    QString operation;         // "read", "write", "verify", "restore", "rssi", "ber rx", ...
    QString identification;    // the module's "ATI" line as it answered
    QString firmware;          // the firmware version as the module gave it
    QByteArray lineBefore;     // the .40B line the module held before (the last one recorded for the device)
    QByteArray lineAfter;      // the .40B line it holds (or was sent) afterwards
    QString fileName;          // the file involved, if any
    QString fileSha256;        // its SHA-256 in hexadecimal
    QString outcome;           // "done", "differences", "no response", ...
    QString message;           // why it failed; empty when done
    bool compared = false;     // a verify took place: `differences` is the whole list
    QJsonArray differences;    // {"setting","key","expected","module"} per setting
    double seconds = 0;
    QJsonObject figures;       // an RSSI or BER run's summary
    std::optional<int> systemAddress;   // from lineAfter, for filtering
    std::optional<int> unitAddress;

    bool succeeded() const { return outcome == QLatin1String("done"); }
};

// What `history` asks for; empty members select everything.
struct JournalFilter {
    QString port;              // matches the port or the by-id device
    std::optional<int> systemAddress;
    std::optional<int> unitAddress;
    QDateTime since;           // records at or after it
    QString operation;
};

using JournalEntries = std::vector<JournalEntry>;
