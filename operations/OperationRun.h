#pragma once

#include "operations/ModuleOperations.h"
#include "operations/ModuleSession.h"

#include <chrono>
#include <optional>
#include <stop_token>

// The frame of one module operation: its result as it grows, the progress it
// reports, the session's line and the stop request. Internal to the operations.
class OperationRun {
public:
    OperationRun(ModuleSession &session, OperationObserver &observer, std::stop_token stop);

    // Runs `body` with the line open; a failure the body raises becomes the result's
    // outcome and error. The line is closed afterwards.
    template <class Body>
    OperationResult frame(Body &&body)
    {
        try {
            open();
            body();
        } catch (...) {
            recordFailure(std::current_exception());
        }
        return finish();
    }

    bool stopped() const { return m_stop.stop_requested(); }
    // The product the messages name ("620R", ...); the channel's own texts name the 740R-B.
    void setProductName(const QString &name) { m_productName = name; }
    ModuleSession &session() { return m_session; }
    ModuleChannel &channel() { return m_session.channel(); }
    OperationResult &result() { return m_result; }

    ModuleChannel &open();
    // The PC side follows the module to `line`.
    ModuleChannel &reopen(const LineSettings &line);

    void status(const QString &text) { m_observer.status(text); }
    void setProgress(int value);
    void setProgressMaximum(int maximum);
    void step() { setProgress(m_progress + 1); }
    void progressToMaximum() { setProgress(m_maximum); }

    void notice(OperationNotice::Level level, const QString &text) { m_result.notices.append({level, text}); }
    // Ends the operation as failed with a message for the user.
    void fail(OperationResult::Outcome outcome, const QString &text);
    // The outcome a module error stands for: no answer at all, or a wrong one.
    OperationResult::Outcome replyFailure() const;
    // What is left of a listing the parse consumed, kept as the last reply.
    void keepAsLastReply(const QByteArray &text) { m_lastReply = text; }

    // Sleeps with the line open, but no longer than until a stop request.
    void pause(std::chrono::milliseconds duration);
    // Brings the module into command mode: "\r", then the escape sequence (twice if
    // need be) and "\r" again. Raises ModuleReplyError when nothing answers; returns
    // early, without an error, on a stop request.
    void wake();

    // From here on a stop request no longer ends an exchange: the steps that must
    // not be cut short (a store and the reset after it) run to their end. The
    // request itself stays visible through stopped().
    void holdStops() { m_session.setStopToken({}); }
    void allowStops() { m_session.setStopToken(m_stop); }
    // "ATZ" at each of `candidates` in turn, where the module may be talking now, until
    // one answers; stop requests are held meanwhile. The line stays closed afterwards.
    // Gives whether the module answered.
    bool resetModule(const QList<LineSettings> &candidates);
    // Whether `reply` is the module's refusal ("ERROR", or "4" with numeric codes).
    static bool isRefusal(const QByteArray &reply);

private:
    void recordFailure(std::exception_ptr failure);
    OperationResult finish();

    ModuleSession &m_session;
    OperationObserver &m_observer;
    std::stop_token m_stop;
    OperationResult m_result;
    std::optional<QByteArray> m_lastReply;
    bool m_opened = false;
    bool m_heard = false;  // the module answered something in this operation
    QString m_productName;
    int m_progress = 0;
    int m_maximum = 100;
};
