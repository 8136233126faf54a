#include "JournalRecords.h"

#include "journal/JournalRecorder.h"
#include "journal/OperationRecords.h"

#include <QTextStream>

namespace {

void tell(const std::optional<QString> &notice, QTextStream &err)
{
    if (notice)
        err << "modemcfg: " << *notice << Qt::endl;
}

// The diagnostics commands end in few ways; the names are those of the report lines.
QString outcomeOf(ExitStatus status)
{
    switch (status) {
    case ExitStatus::Done: return QStringLiteral("done");
    case ExitStatus::PortUnavailable: return QStringLiteral("port unavailable");
    case ExitStatus::NoResponse: return QStringLiteral("no response");
    case ExitStatus::Refused: return QStringLiteral("refused");
    case ExitStatus::BadFile: return QStringLiteral("bad file");
    case ExitStatus::Interrupted: return QStringLiteral("interrupted");
    default: break;
    }
    return QString::number(int(status));
}

}  // namespace

void recordDiagnosticsRun(int testKind, const QString &port, const Recording *recording, ExitStatus status,
                          double seconds, QTextStream &err)
{
    JournalRecorder record(diagnosticsOperation(testKind), ProductVariant{}, port);
    if (recording)
        record.takeRecording(*recording);
    record.takeOutcome(outcomeOf(status));
    record.entry().seconds = seconds;
    tell(record.keep(), err);
}
