// The module commands' records; apart from the diagnostics' so that the diagnostics
// library needs nothing of the module commands' reports.
#include "JournalRecords.h"

#include "operations/ModuleIdentity.h"
#include "Report.h"

#include "journal/JournalRecorder.h"

#include <QTextStream>

void recordReports(const QString &operation, const std::vector<ModuleReport> &reports,
                   const ProductVariant &variant, const QString &file, QTextStream &err)
{
    const bool writing = operation == QLatin1String("write");
    for (const ModuleReport &r : reports) {
        JournalRecorder record(operation, variant, r.port);
        JournalEntry &e = record.entry();
        e.identification = r.identification;
        e.firmware = firmwareText(r.identification);
        record.takeOutcome(resultName(r.status), r.message);
        // A write's commands are what the module holds only once it stored them.
        const bool held = !writing || r.status == ExitStatus::Done || r.status == ExitStatus::Differences;
        if (r.commands && held)
            record.takeCommands(*r.commands);
        const QString path = file.isEmpty() ? r.savedTo : file;
        if (!path.isEmpty())
            record.takeFile(path);
        if (r.compared)
            record.takeComparison(r.differences);
        e.seconds = r.seconds;
        if (const std::optional<QString> notice = record.keep())
            err << r.port << ": " << *notice << Qt::endl;
    }
}
