#pragma once

#include <QString>

#include <optional>

class MessageSink;

// Tells the user that an operation's record was not kept in the journal; the
// operation itself went on as if nothing had happened.
void showJournalNotice(MessageSink &messages, const std::optional<QString> &notice);
