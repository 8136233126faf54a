#pragma once

#include "journal/JournalEntry.h"
#include "journal/ModuleConfiguration.h"

#include "settings/ConfigFile.h"

#include <QDateTime>

// Records as the console and the window leave them, for the journal's tests.
inline QByteArray goldenLine()
{
    return ConfigFile().readLine(QStringLiteral(CFG_TEST_DATA_DIR "/golden/transparent_example.40B"));
}

inline JournalEntry sampleEntry(const QString &operation, const QString &port, const QDateTime &time,
                                const QString &outcome = QStringLiteral("done"))
{
    JournalEntry e;
    e.time = time;
    e.host = QStringLiteral("bench");
    e.user = QStringLiteral("tester");
    e.product = QStringLiteral("740R-B Configuration");
    e.port = port;
    e.device = port;
    e.operation = operation;
    e.identification = QStringLiteral("740R-B V1.90");
    e.firmware = QStringLiteral("1.90");
    e.outcome = outcome;
    e.seconds = 3.5;
    return e;
}
