#pragma once

#include <QStringList>

class QSqlDatabase;

// The journal's table layouts by version. The first layout is kept so that a journal
// of any age can be brought forward one step at a time.
namespace JournalSchema {

// The statements that create the first layout (version 1).
QStringList firstLayout();
// Brings `db` from `version` to version + 1; runs inside the caller's transaction.
// Throws JournalError.
void migrateFrom(int version, QSqlDatabase &db);

}  // namespace JournalSchema
