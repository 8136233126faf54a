#pragma once

#include <QMetaObject>
#include <QObject>

#include <mutex>
#include <utility>

namespace postedcall {
// Held while a call is posted and taken first when it runs, so that the hand-over
// of the call's data is ordered by a primitive ThreadSanitizer sees (Qt's own event
// queue lock is inside Qt). Reached without a capture for the same reason.
inline std::mutex &handOffMutex()
{
    static std::mutex m;
    return m;
}
} // namespace postedcall

// Has `apply` run on the thread of `context`, without waiting for it; dropped if
// `context` is destroyed first.
template <class Apply>
void postTo(QObject *context, Apply &&apply)
{
    const std::lock_guard posting(postedcall::handOffMutex());
    QMetaObject::invokeMethod(
        context,
        [apply = std::forward<Apply>(apply)]() mutable {
            { const std::lock_guard posted(postedcall::handOffMutex()); }
            apply();
        },
        Qt::QueuedConnection);
}
