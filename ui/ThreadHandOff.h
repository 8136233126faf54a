#pragma once

#include <QMetaObject>
#include <QObject>

#include <mutex>

namespace threadhandoff {
// Held while a call is posted and taken again before it runs.
std::mutex &postMutex();
}  // namespace threadhandoff

// Has `call` run on the thread of `context` (the GUI thread) without waiting for it;
// dropped if `context` is destroyed first. The call and what it captured are handed
// over under a mutex of our own as well as through Qt's event queue, so the order is
// one that ThreadSanitizer sees (Qt's own locks are not instrumented).
template <class Call>
void postToThreadOf(QObject *context, Call &&call)
{
    const std::lock_guard posting(threadhandoff::postMutex());
    QMetaObject::invokeMethod(
        context,
        [call = std::forward<Call>(call)]() mutable {
            { const std::lock_guard posted(threadhandoff::postMutex()); }
            call();
        },
        Qt::QueuedConnection);
}
