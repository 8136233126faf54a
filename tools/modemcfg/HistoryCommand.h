#pragma once

#include "ExitStatus.h"

#include <QDateTime>
#include <QStringList>

#include <optional>

class QTextStream;

// history: lists the journal's records, or shows one and brings back its configuration.
ExitStatus runHistoryCommand(const QStringList &arguments, QTextStream &out, QTextStream &err);

// A --since value: a date (from its start) or a date and time, UTC unless it says
// otherwise; nothing when it is neither.
std::optional<QDateTime> sinceOption(const QString &text);
