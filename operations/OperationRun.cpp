#include "operations/OperationRun.h"

#include "comm/SerialLine.h"
#include "settings/ListingParser.h"


OperationRun::OperationRun(ModuleSession &session, OperationObserver &observer, std::stop_token stop)
    : m_session(session), m_observer(observer), m_stop(std::move(stop))
{
    m_session.setStopToken(m_stop);
    m_session.setReplyListener([this](const QByteArray &reply) {
        if (!reply.isEmpty())
            m_heard = true;
        m_observer.reply(reply);
    });
    m_session.setSendListener([this](const QByteArray &command) { m_observer.sent(command); });
}

ModuleChannel &OperationRun::open()
{
    status(QStringLiteral("Opening COM Port..."));
    ModuleChannel &channel = m_session.open();
    m_opened = true;
    return channel;
}

ModuleChannel &OperationRun::reopen(const LineSettings &line)
{
    m_observer.lineChanged(line);
    return m_session.reopen(line);
}

void OperationRun::setProgress(int value)
{
    m_progress = value;
    m_observer.progress(m_progress, m_maximum);
}

void OperationRun::setProgressMaximum(int maximum)
{
    m_maximum = maximum;
    m_observer.progress(m_progress, m_maximum);
}

void OperationRun::fail(OperationResult::Outcome outcome, const QString &text)
{
    m_result.outcome = outcome;
    m_result.error = text;
    notice(OperationNotice::Level::Error, text);
}

OperationResult::Outcome OperationRun::replyFailure() const
{
    return m_session.lastReply().trimmed().isEmpty() ? OperationResult::Outcome::NoResponse
                                                     : OperationResult::Outcome::Refused;
}

void OperationRun::pause(std::chrono::milliseconds duration)
{
    // The line's own pause: a stop request ends it, and a test port can keep its time.
    channel().line().pause(duration);
}

void OperationRun::wake()
{
    status(QStringLiteral("Waking Modem..."));
    // From the second attempt on, the user sees which one is under way.
    ModuleChannel &woken = channel();
    woken.setWakeHandler([this](int attempt, int attempts) {
        if (attempt > 1)
            status(QStringLiteral("Waking Modem... (attempt %1 of %2)").arg(attempt).arg(attempts));
    });
    const ExchangeStatus answer = woken.tryWake();
    woken.setWakeHandler({});
    switch (answer) {
    case ExchangeStatus::Ok:
    case ExchangeStatus::Cancelled:  // the caller looks at the stop request next
        return;
    case ExchangeStatus::LineLost:   // a write did not go out: nothing answered it
        throw ModuleReplyError::badReply();
    default:
        throw ModuleReplyError::cannotWake();
    }
}

bool OperationRun::resetModule(const QList<LineSettings> &candidates)
{
    holdStops();
    for (const LineSettings &line : candidates) {
        try {
            ModuleChannel &channel = m_session.reopen(line);
            const ExchangeResult answer = channel.exchange("ATZ\r", ReplyRule::shortReply("OK", 100));
            if (answer.ok() || !answer.reply.trimmed().isEmpty()) {
                m_session.close();
                return true;
            }
        } catch (const Exception &) {
            // a port that is gone cannot be reset; the next candidate may still be there
        }
    }
    m_session.close();
    return false;
}

bool OperationRun::isRefusal(const QByteArray &reply)
{
    for (const QByteArray &line : reply.split('\r')) {
        const QByteArray text = line.trimmed();
        if (text == "ERROR" || text == "4")
            return true;
    }
    return false;
}

void OperationRun::recordFailure(std::exception_ptr failure)
{
    using Outcome = OperationResult::Outcome;
    try {
        std::rethrow_exception(failure);
    } catch (const ExchangeCancelled &) {
        m_result.outcome = Outcome::Cancelled;  // the user asked for it: nothing to report
    } catch (const PortOpenError &e) {
        fail(Outcome::PortError, e.message());
    } catch (const PortAlreadyOpenError &e) {
        fail(Outcome::PortError, e.message());
    } catch (const SerialLineError &e) {
        // Not a serial port at all, or no CTS from the module; CTS gone from a module
        // that answered before is a line that was lost.
        fail(!m_opened ? Outcome::PortError : m_heard ? Outcome::LineLost : Outcome::NoResponse, e.message());
    } catch (const ModuleReplyError &e) {
        QString text = e.message();
        if (!m_productName.isEmpty())
            text.replace(QStringLiteral("with 740R-B."), QStringLiteral("with %1.").arg(m_productName));
        fail(replyFailure(), text);
    } catch (const ConversionError &e) {
        fail(Outcome::BadListing, e.message());
    } catch (const Exception &e) {
        fail(Outcome::Refused, e.message());
    } catch (const std::exception &e) {
        fail(Outcome::Refused, QString::fromLocal8Bit(e.what()));
    }
}

OperationResult OperationRun::finish()
{
    m_session.close();
    m_session.setReplyListener({});
    m_session.setSendListener({});
    // A stop between two steps ends the operation as quietly as one inside an exchange.
    if (m_result.outcome == OperationResult::Outcome::Done && stopped() && !m_result.configured)
        m_result.outcome = OperationResult::Outcome::Cancelled;
    m_result.lastReply = m_lastReply.value_or(m_session.lastReply());
    m_result.line = m_session.lineSettings();
    m_result.escapeCharacter = m_session.escapeCharacter();
    return m_result;
}
