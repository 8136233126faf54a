// The steps of a read, and of the restore of factory defaults.
#include "operations/ModuleIdentity.h"
#include "operations/OperationSteps.h"

#include "comm/SerialLine.h"
#include "settings/ListingParser.h"
#include "settings/SettingsComparison.h"

namespace {

using Level = OperationNotice::Level;
using Outcome = OperationResult::Outcome;

Level levelOf(MessageSink::Icon icon)
{
    switch (icon) {
    case MessageSink::Icon::Error: return Level::Error;
    case MessageSink::Icon::Warning: return Level::Warning;
    default: return Level::Information;
    }
}

void addNotices(OperationRun &run, const std::vector<ListingNotice> &notices)
{
    for (const ListingNotice &n : notices)
        run.notice(levelOf(n.icon), n.text);
}

// Read and restore share their opening: a bar of 20 steps, a quarter done.
void beginShortOperation(OperationRun &run, const QString &status)
{
    run.status(status);
    run.setProgress(0);
    run.setProgressMaximum(20);
    run.setProgress(5);
}

// "ATI": the identification line, its firmware and what that means for S21.
void identify(OperationRun &run, const ReadRequest &request)
{
    run.channel().command("ATI\r", ReplyRule::longReply("V", 100));
    OperationResult &result = run.result();
    result.identification = identificationLine(run.session().lastReply());
    result.firmware = firmwareVersion(result.identification, request.variant.radioClass);
    if (const auto warning = radioSignatureWarning(result.identification, request.priorS21,
                                                   request.variant.radioClass))
        run.notice(Level::Warning, *warning);
}

// The end of a read: parse the listing, identify the module, reset it ("ATZ").
// Failures become the result's error with the read's own texts.
void completeRead(OperationRun &run, const ReadRequest &request, bool &awake)
{
    const QString &model = request.variant.modelName;
    try {
        // The parser consumes the text from the front; what is left of a listing that
        // does not convert stays as the last reply.
        QByteArray listing = run.session().lastReply();
        ListingParser parser(listing, request.variant.radioClass);
        ParsedListing parsed;
        try {
            parsed = parser.parse(false);
        } catch (const ConversionError &) {
            run.keepAsLastReply(listing);
            addNotices(run, parser.notices());
            throw;
        }
        run.result().listing = parsed;
        addNotices(run, parsed.notices);

        identify(run, request);
        // The field is "Echo Off"; it is the module's own setting that counts.
        const bool echoOn = !settingsFromListing(parsed, request.variant).flag(Field::EchoOff);
        try {
            awake = false;
            run.channel().command("ATZ\r", ReplyRule::shortReply("\r", 100));
        } catch (const ExchangeCancelled &) {
            throw;
        } catch (const Exception &) {
            // A module that does not echo may take the reset without a visible answer.
            if (echoOn)
                throw;
        }
    } catch (const ExchangeCancelled &) {
        run.result().outcome = Outcome::Cancelled;
    } catch (const ModuleReplyError &) {
        run.fail(run.replyFailure(), badReplyText(model));
    } catch (const SerialLineError &) {
        run.fail(Outcome::NoResponse, noCtsText(model));
    } catch (const ConversionError &e) {
        run.fail(Outcome::BadListing, e.message());
    } catch (const Exception &e) {
        run.fail(Outcome::Refused, e.message());
    }
}

}  // namespace

namespace {

void readBody(OperationRun &run, const ReadRequest &request, bool &awake)
{
    beginShortOperation(run, QStringLiteral("Reading Module..."));
    if (run.stopped())
        return;
    run.setProgress(10);
    try {
        run.wake();
        awake = !run.stopped();
    } catch (const Exception &) {
        // the listing request below fails with its own error if the module sleeps
    }
    run.status(QStringLiteral("Reading Module..."));
    if (run.stopped())
        return;
    run.setProgress(15);
    run.channel().command("AT&V\r", ReplyRule::listing(100));
    run.progressToMaximum();
    run.status(QStringLiteral("Updating Main Form..."));
    completeRead(run, request, awake);
}

}  // namespace

void readSteps(OperationRun &run, const ReadRequest &request)
{
    // A read stopped after the wake leaves the module as a finished one does: reset.
    bool awake = false;
    try {
        readBody(run, request, awake);
    } catch (const ExchangeCancelled &) {
        if (awake)
            run.resetModule({run.session().lineSettings()});
        throw;
    }
    if (awake && run.stopped())
        run.resetModule({run.session().lineSettings()});
}

void restoreSteps(OperationRun &run, ModuleChanges &changes)
{
    beginShortOperation(run, QStringLiteral("Restoring Defaults..."));
    if (run.stopped())
        return;
    try {
        run.wake();
    } catch (const Exception &) {
        // the factory-defaults command goes out regardless
    }
    run.status(QStringLiteral("Restoring Defaults..."));
    if (run.stopped())
        return;
    run.setProgress(10);
    // Once it goes out, the store runs to its answer whatever is asked meanwhile.
    run.holdStops();
    changes.sent = true;
    changes.store = ModuleChanges::Store::Unanswered;
    const ExchangeResult answer = run.channel().exchange("AT&F&W\r", ReplyRule::shortReply("OK", 100));
    run.allowStops();
    if (answer.status == ExchangeStatus::Ok) {
        changes.store = ModuleChanges::Store::Acknowledged;
    } else if (answer.status == ExchangeStatus::Error) {
        changes.store = ModuleChanges::Store::NotSent;
        throw ModuleReplyError::badReply();
    } else if (answer.status == ExchangeStatus::LineLost) {
        throw ModuleReplyError::badReply();
    }
    if (!run.stopped())
        run.progressToMaximum();
}
