#include "journal/JournalRecorder.h"

#include "journal/Journal.h"
#include "journal/JournalLocation.h"
#include "journal/ModuleConfiguration.h"

#include "comm/LineSettings.h"
#include "comm/PortBindings.h"
#include "diagnostics/Recording.h"
#include "operations/ModuleIdentity.h"
#include "operations/ModuleOperations.h"
#include "settings/ListingParser.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <cmath>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

QString deviceOf(const QString &port)
{
    const QString path = devicePathOf(port);
    const QString byId = PortBindings().byIdName(path);
    return byId.isEmpty() ? path : byId;
}

QJsonObject statisticsObject(const Recording::Statistics &s)
{
    return {{QStringLiteral("minimum"), s.minimum},
            {QStringLiteral("maximum"), s.maximum},
            {QStringLiteral("average"), std::round(s.average() * 10) / 10},
            {QStringLiteral("total"), s.sum},
            {QStringLiteral("count"), double(s.count)}};
}

}  // namespace

QString journalUser()
{
    for (const char *name : {"USER", "LOGNAME", "USERNAME"})
        if (const QString user = qEnvironmentVariable(name); !user.isEmpty())
            return user;
#ifdef Q_OS_UNIX
    // A service or a container may start us without a login environment.
    if (const passwd *entry = getpwuid(geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
#endif
    return {};
}

QString journalHost() { return QSysInfo::machineHostName(); }

QString recordNotKeptText(const QString &why)
{
    return QStringLiteral("The operation's record was not kept in the journal: %1").arg(why);
}

QString outcomeName(int outcome)
{
    using Outcome = OperationResult::Outcome;
    switch (Outcome(outcome)) {
    case Outcome::Done: return QStringLiteral("done");
    case Outcome::Cancelled: return QStringLiteral("interrupted");
    case Outcome::PortError: return QStringLiteral("port unavailable");
    case Outcome::NoResponse: return QStringLiteral("no response");
    case Outcome::Refused: return QStringLiteral("refused");
    case Outcome::LineLost: return QStringLiteral("line lost");
    case Outcome::BadListing: return QStringLiteral("bad listing");
    }
    return QString::number(outcome);
}

JournalRecorder::JournalRecorder(const QString &operation, const ProductVariant &variant, const QString &port)
    : m_start(std::chrono::steady_clock::now())
{
    m_entry.operation = operation;
    m_entry.product = variant.baseCaption;
    m_entry.port = port;
    m_entry.device = deviceOf(port);
    m_entry.host = journalHost();
    m_entry.user = journalUser();
    m_entry.outcome = QStringLiteral("done");
}

JournalRecorder &JournalRecorder::takeResult(const OperationResult &result)
{
    if (!result.identification.isEmpty()) {
        m_entry.identification = result.identification;
        m_entry.firmware = firmwareText(result.identification);
    }
    m_entry.outcome = outcomeName(int(result.outcome));
    m_entry.message = result.error;
    if (result.listing && m_entry.operation != QLatin1String("write")) {
        if (const std::optional<ProductVariant> variant = productVariantOf(m_entry.product))
            takeCommands(buildCommandList(settingsFromListing(*result.listing, *variant)));
    }
    return *this;
}

JournalRecorder &JournalRecorder::takeCommands(const CommandList &commands)
{
    try {
        m_entry.lineAfter = fileLineOf(commands);
    } catch (const Exception &) {
        m_entry.lineAfter.clear();   // not a configuration: nothing to bring back
    }
    if (const std::optional<ModuleSettings> s = settingsOfLine(m_entry.lineAfter, m_entry.product)) {
        m_entry.systemAddress = (*s)[Field::SystemAddress];
        m_entry.unitAddress = (*s)[Field::UnitAddress];
    }
    return *this;
}

JournalRecorder &JournalRecorder::takeFile(const QString &path)
{
    m_entry.fileName = QFileInfo(path).absoluteFilePath();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (hash.addData(&file))
            m_entry.fileSha256 = QString::fromLatin1(hash.result().toHex());
    }
    return *this;
}

JournalRecorder &JournalRecorder::takeComparison(const std::vector<SettingDifference> &differences)
{
    m_entry.compared = true;
    m_entry.differences = QJsonArray();
    for (const SettingDifference &d : differences)
        m_entry.differences.append(QJsonObject{{QStringLiteral("setting"), d.label},
                                               {QStringLiteral("key"), d.key},
                                               {QStringLiteral("expected"), d.first},
                                               {QStringLiteral("module"), d.second}});
    if (!differences.empty() && m_entry.succeeded())
        m_entry.outcome = QStringLiteral("differences");
    return *this;
}

JournalRecorder &JournalRecorder::takeRecording(const Recording &recording)
{
    QJsonObject figures{{QStringLiteral("reports"), double(recording.samples().size())}};
    const Recording::Statistics &level = recording.statistics(Recording::Quantity::Level);
    if (level.count > 0)
        figures.insert(QStringLiteral("level"), statisticsObject(level));
    const Recording::Statistics &errors = recording.statistics(Recording::Quantity::Errors);
    if (recording.kind() == Recording::Kind::Ber && errors.count > 0)
        figures.insert(QStringLiteral("errors"), statisticsObject(errors));
    m_entry.figures = figures;
    return *this;
}

JournalRecorder &JournalRecorder::takeOutcome(const QString &outcome, const QString &message)
{
    m_entry.outcome = outcome;
    m_entry.message = message;
    return *this;
}

std::optional<QString> JournalRecorder::keep(const QString &path, std::chrono::milliseconds busyTimeout)
{
    m_entry.time = QDateTime::currentDateTimeUtc();
    if (m_entry.seconds <= 0)   // unless the caller timed it
        m_entry.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    try {
        Journal journal(path, Journal::Mode::Write, busyTimeout);
        m_entry.id = journal.append(m_entry);
        return std::nullopt;
    } catch (const JournalError &e) {
        return recordNotKeptText(e.message());
    }
}

std::optional<QString> JournalRecorder::keep() { return keep(journalPath()); }
