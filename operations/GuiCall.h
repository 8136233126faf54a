#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <condition_variable>
#include <exception>
#include <mutex>

namespace guicall {
// Guards every hand-off: the worker holds it while it posts, the GUI thread takes it
// before it looks at the call and again to report it done.
std::mutex &handOffMutex();
std::condition_variable &handedBack();
}  // namespace guicall

// Runs `step` on the thread of `context` (the GUI thread) and waits until it has
// run; an exception the step raises is raised again in the caller. On the
// context's own thread the step simply runs, since a call queued to oneself and
// waited for never returns.
//
// The call is queued and then waited for on a mutex and condition variable of our
// own rather than with Qt::BlockingQueuedConnection: the wait is the same, but the
// hand-over of the call's data in both directions is then ordered by primitives
// that ThreadSanitizer sees.
template <class Step>
void callOnGui(QObject *context, Step &&step)
{
    if (QThread::currentThread() == context->thread()) {
        step();
        return;
    }
    std::exception_ptr error;
    bool done = false;
    std::unique_lock<std::mutex> lock(guicall::handOffMutex());
    QMetaObject::invokeMethod(
        context,
        [&step, &error, &done] {
            // Taking the mutex first orders everything the worker wrote (the queued
            // call included) before what runs here.
            { const std::lock_guard<std::mutex> posted(guicall::handOffMutex()); }
            try {
                step();
            } catch (...) {
                error = std::current_exception();
            }
            const std::lock_guard<std::mutex> finished(guicall::handOffMutex());
            done = true;
            guicall::handedBack().notify_all();
        },
        Qt::QueuedConnection);
    guicall::handedBack().wait(lock, [&done] { return done; });
    lock.unlock();
    if (error)
        std::rethrow_exception(error);
}
