#include "journal/Journal.h"

#include "journal/JournalSchema.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {

QAtomicInteger<quint64> connectionCount;

QString failure(const QString &path, const QString &why) { return path + QStringLiteral(": ") + why; }

QString sqlText(const QSqlError &error)
{
    const QString text = error.databaseText();
    return text.isEmpty() ? error.text() : text;
}

QVariant optionalInt(const std::optional<int> &value) { return value ? QVariant(*value) : QVariant(); }
std::optional<int> intOf(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<int>(value.toInt());
}
QVariant textOrNull(const QString &text) { return text.isEmpty() ? QVariant() : QVariant(text); }
QVariant bytesOrNull(const QByteArray &bytes) { return bytes.isEmpty() ? QVariant() : QVariant(bytes); }

QString timeText(const QDateTime &time) { return time.toUTC().toString(Qt::ISODateWithMs); }

const QString kColumns = QStringLiteral(
    "id, time, host, user, product, port, device, operation, identification, firmware, line_before, line_after, "
    "file_name, file_sha256, outcome, message, compared, differences, seconds, figures, system_address, "
    "unit_address");

JournalEntry entryOf(const QSqlQuery &q)
{
    JournalEntry e;
    int i = 0;
    e.id = q.value(i++).toLongLong();
    e.time = QDateTime::fromString(q.value(i++).toString(), Qt::ISODateWithMs).toUTC();
    e.host = q.value(i++).toString();
    e.user = q.value(i++).toString();
    e.product = q.value(i++).toString();
    e.port = q.value(i++).toString();
    e.device = q.value(i++).toString();
    e.operation = q.value(i++).toString();
    e.identification = q.value(i++).toString();
    e.firmware = q.value(i++).toString();
    e.lineBefore = q.value(i++).toByteArray();
    e.lineAfter = q.value(i++).toByteArray();
    e.fileName = q.value(i++).toString();
    e.fileSha256 = q.value(i++).toString();
    e.outcome = q.value(i++).toString();
    e.message = q.value(i++).toString();
    e.compared = q.value(i++).toBool();
    e.differences = QJsonDocument::fromJson(q.value(i++).toByteArray()).array();
    e.seconds = q.value(i++).toDouble();
    e.figures = QJsonDocument::fromJson(q.value(i++).toByteArray()).object();
    e.systemAddress = intOf(q.value(i++));
    e.unitAddress = intOf(q.value(i++));
    return e;
}

}  // namespace

Journal::Journal(const QString &path, Mode mode, std::chrono::milliseconds busyTimeout) : m_path(path)
{
    if (mode == Mode::Read && !QFileInfo::exists(path))
        return;
    if (mode == Mode::Write && !QDir().mkpath(QFileInfo(path).absolutePath()))
        throw JournalError(failure(path, QStringLiteral("its folder cannot be created")));
    const QString name = QStringLiteral("journal-%1").arg(++connectionCount);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        if (!db.isValid()) {
            QSqlDatabase::removeDatabase(name);
            throw JournalError(failure(path, QStringLiteral("the SQLite driver of Qt SQL is missing")));
        }
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout.count()));
        if (!db.open()) {
            const QString why = sqlText(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw JournalError(failure(path, why));
        }
    }
    m_connection = name;
    try {
        // Readers do not block writers and writers do not block readers; writers wait
        // for each other up to the busy time-out.
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        migrate();
    } catch (...) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
        throw;
    }
}

Journal::~Journal()
{
    if (m_connection.isEmpty())
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

void Journal::exec(const QString &statement) const
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(statement))
        throw JournalError(failure(m_path, sqlText(q.lastError())));
}

int Journal::schemaVersion() const
{
    if (m_connection.isEmpty())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT version FROM schema_version")) || !q.next())
        return 0;
    return q.value(0).toInt();
}

void Journal::migrate()
{
    if (schemaVersion() == kSchemaVersion)
        return;
    // One process at a time lays out or brings forward the tables.
    exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        int version = schemaVersion();
        if (version == 0) {
            if (db.tables().contains(QStringLiteral("records")))
                throw JournalError(failure(m_path, QStringLiteral("not a journal of this program")));
            for (const QString &statement : JournalSchema::firstLayout())
                exec(statement);
            version = 1;
        }
        if (version > kSchemaVersion)
            throw JournalError(failure(m_path, QStringLiteral("written by a newer version of this program "
                                                              "(schema %1)").arg(version)));
        for (; version < kSchemaVersion; ++version) {
            try {
                JournalSchema::migrateFrom(version, db);
            } catch (const JournalError &e) {
                throw JournalError(failure(m_path, e.message()));
            }
        }
        exec(QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

qint64 Journal::append(const JournalEntry &e)
{
    if (m_connection.isEmpty())
        throw JournalError(failure(m_path, QStringLiteral("opened for reading only")));
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        QByteArray before = e.lineBefore;
        const QString device = e.device.isEmpty() ? e.port : e.device;
        // Only what touches the configuration has one before it; a diagnostics run does not.
        static const QStringList configurationOperations{QStringLiteral("read"), QStringLiteral("write"),
                                                         QStringLiteral("verify"), QStringLiteral("restore")};
        if (before.isEmpty() && configurationOperations.contains(e.operation)) {
            QSqlQuery last(db);
            last.prepare(QStringLiteral("SELECT line_after FROM records WHERE device = ? AND line_after IS NOT NULL "
                                        "ORDER BY id DESC LIMIT 1"));
            last.addBindValue(device);
            if (!last.exec())
                throw JournalError(failure(m_path, sqlText(last.lastError())));
            if (last.next())
                before = last.value(0).toByteArray();
        }
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO records (time, host, user, product, port, device, operation, "
                                 "identification, firmware, line_before, line_after, file_name, file_sha256, "
                                 "outcome, message, compared, differences, seconds, figures, system_address, "
                                 "unit_address) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        const QDateTime time = e.time.isValid() ? e.time : QDateTime::currentDateTimeUtc();
        for (const QVariant &v : {QVariant(timeText(time)), textOrNull(e.host), textOrNull(e.user),
                                  textOrNull(e.product), textOrNull(e.port), QVariant(device),
                                  QVariant(e.operation), textOrNull(e.identification), textOrNull(e.firmware),
                                  bytesOrNull(before), bytesOrNull(e.lineAfter), textOrNull(e.fileName),
                                  textOrNull(e.fileSha256), QVariant(e.outcome), textOrNull(e.message),
                                  QVariant(e.compared ? 1 : 0),
                                  e.compared ? QVariant(QJsonDocument(e.differences).toJson(QJsonDocument::Compact))
                                             : QVariant(),
                                  QVariant(e.seconds),
                                  e.figures.isEmpty()
                                      ? QVariant()
                                      : QVariant(QJsonDocument(e.figures).toJson(QJsonDocument::Compact)),
                                  optionalInt(e.systemAddress), optionalInt(e.unitAddress)})
            q.addBindValue(v);
        if (!q.exec())
            throw JournalError(failure(m_path, sqlText(q.lastError())));
        const qint64 id = q.lastInsertId().toLongLong();
        exec(QStringLiteral("COMMIT"));
        return id;
    } catch (...) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

JournalEntries Journal::entries(const JournalFilter &filter) const
{
    if (m_connection.isEmpty())
        return {};
    QStringList where;
    QVariantList values;
    if (!filter.port.isEmpty()) {
        where << QStringLiteral("(port = ? OR device = ?)");
        values << filter.port << filter.port;
    }
    if (filter.systemAddress) {
        where << QStringLiteral("system_address = ?");
        values << *filter.systemAddress;
    }
    if (filter.unitAddress) {
        where << QStringLiteral("unit_address = ?");
        values << *filter.unitAddress;
    }
    if (filter.since.isValid()) {
        where << QStringLiteral("time >= ?");
        values << timeText(filter.since);
    }
    if (!filter.operation.isEmpty()) {
        where << QStringLiteral("operation = ?");
        values << filter.operation;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM records%2 ORDER BY id")
                  .arg(kColumns, where.isEmpty() ? QString() : QStringLiteral(" WHERE ") +
                                                                   where.join(QStringLiteral(" AND "))));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw JournalError(failure(m_path, sqlText(q.lastError())));
    JournalEntries list;
    while (q.next())
        list.push_back(entryOf(q));
    return list;
}

std::optional<JournalEntry> Journal::entry(qint64 id) const
{
    if (m_connection.isEmpty())
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT %1 FROM records WHERE id = ?").arg(kColumns));
    q.addBindValue(id);
    if (!q.exec())
        throw JournalError(failure(m_path, sqlText(q.lastError())));
    if (!q.next())
        return std::nullopt;
    return entryOf(q);
}
