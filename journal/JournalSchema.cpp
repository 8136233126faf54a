#include "journal/JournalSchema.h"

#include "journal/Journal.h"
#include "journal/ModuleConfiguration.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

void run(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery q(db);
    if (!q.exec(statement))
        throw JournalError(q.lastError().databaseText());
}

// Version 2: the by-id device, the addresses for filtering, diagnostics figures, whether
// a comparison took place; records become unchangeable.
void toSecondLayout(QSqlDatabase &db)
{
    for (const char *column : {"device TEXT", "system_address INTEGER", "unit_address INTEGER", "figures TEXT",
                               "compared INTEGER NOT NULL DEFAULT 0"})
        run(db, QStringLiteral("ALTER TABLE records ADD COLUMN ") + QLatin1String(column));
    run(db, QStringLiteral("UPDATE records SET device = port, compared = (differences IS NOT NULL)"));

    // The addresses come out of the recorded line, as new records have them.
    QSqlQuery select(db);
    if (!select.exec(QStringLiteral("SELECT id, product, line_after FROM records WHERE line_after IS NOT NULL")))
        throw JournalError(select.lastError().databaseText());
    QSqlQuery update(db);
    update.prepare(QStringLiteral("UPDATE records SET system_address = ?, unit_address = ? WHERE id = ?"));
    while (select.next()) {
        const std::optional<ModuleSettings> settings =
            settingsOfLine(select.value(2).toByteArray(), select.value(1).toString());
        if (!settings)
            continue;
        update.addBindValue((*settings)[Field::SystemAddress]);
        update.addBindValue((*settings)[Field::UnitAddress]);
        update.addBindValue(select.value(0));
        if (!update.exec())
            throw JournalError(update.lastError().databaseText());
    }
    run(db, QStringLiteral("CREATE INDEX IF NOT EXISTS records_device ON records(device)"));
    run(db, QStringLiteral("CREATE INDEX IF NOT EXISTS records_time ON records(time)"));
    run(db, QStringLiteral("CREATE TRIGGER records_unchanged BEFORE UPDATE ON records "
                           "BEGIN SELECT RAISE(ABORT, 'journal records are only appended'); END"));
    run(db, QStringLiteral("CREATE TRIGGER records_kept BEFORE DELETE ON records "
                           "BEGIN SELECT RAISE(ABORT, 'journal records are only appended'); END"));
}

}  // namespace

QStringList JournalSchema::firstLayout()
{
    return {
        QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"),
        QStringLiteral("INSERT INTO schema_version (version) VALUES (1)"),
        QStringLiteral("CREATE TABLE records ("
                       "id INTEGER PRIMARY KEY AUTOINCREMENT, time TEXT NOT NULL, host TEXT, user TEXT, "
                       "product TEXT, port TEXT, operation TEXT NOT NULL, identification TEXT, firmware TEXT, "
                       "line_before BLOB, line_after BLOB, file_name TEXT, file_sha256 TEXT, "
                       "outcome TEXT NOT NULL, message TEXT, differences TEXT, seconds REAL)"),
    };
}

void JournalSchema::migrateFrom(int version, QSqlDatabase &db)
{
    switch (version) {
    case 1:
        toSecondLayout(db);
        break;
    default:
        throw JournalError(QStringLiteral("no migration from schema version %1").arg(version));
    }
    run(db, QStringLiteral("UPDATE schema_version SET version = %1").arg(version + 1));
}
