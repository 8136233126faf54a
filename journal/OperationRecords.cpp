#include "journal/OperationRecords.h"

#include "journal/JournalRecorder.h"

#include "diagnostics/Recording.h"
#include "operations/ModuleOperations.h"
#include "settings/SettingsComparison.h"

QString journalOperation(OperationKind kind)
{
    switch (kind) {
    case OperationKind::Configure: return QStringLiteral("write");
    case OperationKind::Read: return QStringLiteral("read");
    case OperationKind::RestoreDefaults: return QStringLiteral("restore");
    }
    return QStringLiteral("read");
}

QString diagnosticsOperation(int testKind)
{
    switch (testKind) {
    case 0: return QStringLiteral("ber tx");
    case 1: return QStringLiteral("ber rx");
    case 2: return QStringLiteral("ber txrx");
    default: return QStringLiteral("rssi");
    }
}

std::optional<QString> keepOperation(JournalRecorder &record, OperationKind kind, const CommandList &sent,
                                     const OperationResult &result)
{
    record.takeResult(result);
    if (kind == OperationKind::Configure && result.configured)
        record.takeCommands(sent);
    return record.keep();
}

std::optional<QString> recordVerify(const ProductVariant &variant, const QString &port, const ModuleSettings &expected,
                                    const ModuleSettings &held)
{
    JournalRecorder record(QStringLiteral("verify"), variant, port);
    record.takeCommands(buildCommandList(held));
    record.takeComparison(compareSettings(expected, held, variant.radioClass));
    return record.keep();
}

std::optional<QString> recordReceiveRun(int testKind, const QString &port, const Recording &recording)
{
    if (!recording.startTime().isValid())
        return std::nullopt;
    JournalRecorder record(diagnosticsOperation(testKind), ProductVariant{}, port);
    record.takeRecording(recording);
    record.entry().seconds = double(recording.elapsedMs(QDateTime::currentDateTime())) / 1000.0;
    return record.keep();
}

std::optional<QString> recordReceiveFailure(int testKind, const QString &port, const QString &failure)
{
    JournalRecorder record(diagnosticsOperation(testKind), ProductVariant{}, port);
    record.takeOutcome(QStringLiteral("failed"), failure);
    return record.keep();
}

std::optional<QString> recordTransmitRun(const QString &port, const std::optional<QString> &failure)
{
    JournalRecorder record(diagnosticsOperation(0), ProductVariant{}, port);
    if (failure)
        record.takeOutcome(QStringLiteral("failed"), *failure);
    return record.keep();
}
