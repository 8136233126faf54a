#include "ui/JournalNotice.h"

#include "settings/MessageSink.h"

void showJournalNotice(MessageSink &messages, const std::optional<QString> &notice)
{
    if (notice)
        messages.show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok, *notice);
}
