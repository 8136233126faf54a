// The steps of a configure: the serial-parameter step, the command list, the store.
#include "operations/ModuleIdentity.h"
#include "operations/OperationSteps.h"

#include "comm/SerialLine.h"
#include "settings/ListingParser.h"
#include "settings/SerialParams.h"

namespace {

using namespace std::chrono_literals;
using Level = OperationNotice::Level;
using Outcome = OperationResult::Outcome;

const QString kXonXoffText = QStringLiteral(
    "Error programming XON/XOFF flow control. This parameter is not supported by the module firmware.");

const QString kDisableResponseCodesText = QStringLiteral(
    "\"Disable Response Codes\" is selected, if this parameter is already set in the modem\n\r"
    "then you need to restore factory defaults (switch 2) on the modem before configuring.");

// The line on the same port with the rate and format of `pc`.
LineSettings onSamePort(const LineSettings &line, LineSettings pc)
{
    pc.port = line.port;
    return pc;
}

class Configure {
public:
    Configure(const ConfigureRequest &request, OperationRun &run) : m_request(request), m_run(run) {}

    void run()
    {
        m_startLine = m_run.session().lineSettings();
        m_moduleLine = m_startLine;
        std::exception_ptr failure;
        try {
            checkSerialParameters();
            if (!m_run.stopped())
                configureModule();
        } catch (const ExchangeCancelled &) {
        } catch (...) {
            failure = std::current_exception();
        }
        const bool unfinished = failure || m_run.stopped() || !m_run.result().succeeded();
        if (m_changes.sent && !m_configDone && unfinished) {
            // The reply that ended the write stays the last one, not the reset's.
            m_run.keepAsLastReply(m_run.session().lastReply());
            resetAfterEnding();
        }
        m_run.result().changes = m_changes;
        if (failure)
            std::rethrow_exception(failure);
    }

private:
    int item(Field f) const { return m_request.settings[f]; }
    ModuleChannel &channel() { return m_run.channel(); }

    // Moves the module (and the PC after it) to the new rate and format first.
    void checkSerialParameters()
    {
        const int baudItem = item(Field::SerialBaudRate);
        // Rates the PC cannot follow (and items beyond the list): the module's rate and
        // format change only at the very end, with its store and reset.
        const std::optional<ModuleRate> rate = moduleRate(baudItem);
        if (!rate || !rate->pcFollows) {
            m_nonStandardRate = true;
            return;
        }
        m_run.status(QStringLiteral("Checking Serial Parameters..."));
        const LineSettings &pc = m_run.session().lineSettings();
        const bool rateDiffers = std::optional(baudItem) != moduleRateItem(pc.baudRate);
        const bool formatDiffers = withModuleFormat(m_request.settings, pc) != pc;
        if (m_run.stopped())
            return;

        if (rateDiffers) {
            m_run.wake();
            if (m_run.stopped())
                return;
            m_run.status(QStringLiteral("Changing Serial Parameters..."));
            m_changes.sent = true;
            LineSettings next = m_run.session().lineSettings();
            next.baudRate = rate->bitsPerSecond;
            m_moduleLine = onSamePort(m_moduleLine, next);
            // The module answers at the old rate and is gone from it afterwards: one short read.
            channel().deliver("ATC" + QByteArray::number(baudItem) + "\r", ReplyRule::lineChange());
            m_run.status(QStringLiteral("Updating Serial Parameters..."));
            m_run.reopen(onSamePort(m_run.session().lineSettings(), next));
        }
        if (m_run.stopped())
            return;

        if (formatDiffers) {
            const int code = item(Field::SerialStopBits) + 2 * item(Field::SerialDataBits) +
                             4 * item(Field::SerialParity);
            m_run.wake();
            if (m_run.stopped())
                return;
            m_run.status(QStringLiteral("Changing Serial Parameters..."));
            m_changes.sent = true;
            m_moduleLine = pcLineFor(m_request.settings, m_moduleLine);
            channel().deliver(commandPrefix(Field::SerialDataBits) + QByteArray::number(code) + "\r",
                              ReplyRule::lineChange());
            m_run.status(QStringLiteral("Updating Serial Parameters..."));
            const LineSettings &now = m_run.session().lineSettings();
            m_run.reopen(pcLineFor(m_request.settings, now));
        }
    }

    void configureModule()
    {
        m_run.status(QStringLiteral("Configuring Module..."));
        m_run.setProgress(0);
        m_run.setProgressMaximum(kCommandCount + 10);
        m_run.step();

        const auto wakeStarted = std::chrono::steady_clock::now();
        try {
            m_run.wake();
        } catch (const Exception &) {
            // The first command fails on its own if the module really sleeps; give a
            // module that answered nothing at once a moment to settle.
            if (std::chrono::steady_clock::now() - wakeStarted < 3s)
                m_run.pause(1000ms);
        }

        try {
            configureCommands();
        } catch (const ExchangeCancelled &) {
            throw;
        } catch (const Exception &) {
            if (m_request.settings.flag(Field::ResponseCodesOff))
                m_run.notice(Level::Warning, kDisableResponseCodesText);
            throw;
        }
    }

    void configureCommands()
    {
        constexpr int n = kCommandCount;
        const CommandList &commands = m_request.commands;
        m_run.status(QStringLiteral("Configuring Module..."));
        QByteArray rateEntry;
        QByteArray formatEntry;
        QByteArray responseEntry;
        for (int i = 0; i <= n - 2; ++i) {
            if (m_run.stopped())
                return;
            const QByteArray &entry = commands[static_cast<std::size_t>(i)];
            if (entry.contains("ATC") && m_nonStandardRate) {
                rateEntry = entry;
            } else if (entry.contains(commandPrefix(Field::SerialDataBits)) && m_nonStandardRate) {
                formatEntry = entry;
            } else if (entry.contains("ATQ")) {
                responseEntry = entry;
            } else {
                m_changes.sent = true;
                try {
                    channel().command(entry + "\r", ReplyRule::shortReply("OK", 100));
                } catch (const ModuleReplyError &) {
                    if (!entry.contains(commandPrefix(Field::FlowControl) + '5'))
                        throw;
                    m_run.fail(Outcome::Refused, kXonXoffText);
                    return;
                }
                m_run.step();
            }
        }

        // The list has just set the module's escape character (S2) and guard time (S1).
        m_run.session().setEscapeCharacter(static_cast<char>(item(Field::EscapeCharacterCode)));
        m_run.session().setGuardTime(std::chrono::milliseconds(item(Field::EscapeGuardTime)));
        try {
            channel().command(commands[n - 1] + "\r", ReplyRule::shortReply("OK", 100));
            m_run.step();
        } catch (const ExchangeCancelled &) {
            throw;
        } catch (const Exception &) {
            // A refusal ends the write like any other; a module that only went quiet is woken.
            if (OperationRun::isRefusal(m_run.session().lastReply()))
                throw;
            m_run.wake();
        }

        m_run.status(QStringLiteral("Configuring Module..."));
        if (m_run.stopped())
            return;
        m_run.step();
        m_run.wake();
        if (m_run.stopped())
            return;
        m_run.status(QStringLiteral("Configuring Module..."));

        const QByteArray finalLine = rateEntry + formatEntry + "AT&WATZ\r";
        if (responseEntry == "ATQ1") {
            // From here on the module sends no result codes: nothing can be judged.
            channel().deliver("ATQ1\r", ReplyRule::quiet("OK", 100));
            m_run.step();
            // The store and its reset are not cut short by a stop request.
            m_run.holdStops();
            m_changes.store = ModuleChanges::Store::Unanswered;
            if (m_nonStandardRate) {
                channel().deliver(finalLine, ReplyRule::quiet("CR", 100));
            } else {
                channel().deliver("AT&W\r", ReplyRule::quiet("OK", 100));
                m_run.pause(50ms);
                channel().deliver("ATZ\r", ReplyRule::quiet("\r", 100));
                m_run.pause(50ms);
            }
        } else {
            channel().command(responseEntry + "\r", ReplyRule::shortReply("OK", 100));
            checkFirmware();
            if (m_run.stopped())
                return;
            m_run.holdStops();
            m_changes.store = ModuleChanges::Store::Unanswered;
            if (m_nonStandardRate) {
                channel().deliver(finalLine, ReplyRule::shortReply("CR", 100));
            } else {
                store();
                if (m_request.readBack)
                    readBack();
                channel().deliver("ATZ\r", ReplyRule::shortReply("\r", 100));
            }
        }
        m_configDone = true;
        m_run.result().configured = true;
        m_run.progressToMaximum();
    }

    // The S21 check a read also makes, against the radio signature being written.
    void checkFirmware()
    {
        channel().command("ATI\r", ReplyRule::longReply("V", 100));
        OperationResult &result = m_run.result();
        result.identification = identificationLine(m_run.session().lastReply());
        result.firmware = firmwareVersion(result.identification, m_request.variant.radioClass);
        if (const auto warning = radioSignatureWarning(result.identification, item(Field::RadioSignature),
                                                       m_request.variant.radioClass))
            m_run.notice(Level::Warning, *warning);
    }

    // "AT&W": acknowledged, refused (nothing stored) or unanswered (unknown).
    void store()
    {
        try {
            channel().command("AT&W\r", ReplyRule::shortReply("OK", 100));
        } catch (const ModuleReplyError &) {
            if (OperationRun::isRefusal(m_run.session().lastReply()))
                m_changes.store = ModuleChanges::Store::NotSent;
            throw;
        }
        m_changes.store = ModuleChanges::Store::Acknowledged;
    }

    // The listing after the store: what the module holds now is what it stored.
    // A listing that does not come or convert leaves the verify to a read of its own.
    void readBack()
    {
        try {
            QByteArray listing = channel().command("AT&V\r", ReplyRule::listing(100));
            m_run.result().listing = ListingParser(listing, m_request.variant.radioClass).parse(false);
        } catch (const ExchangeCancelled &) {
            throw;
        } catch (const SerialLineError &) {
            throw;
        } catch (const Exception &) {
            m_run.result().listing.reset();
        }
    }

    // Any ending other than done, once the module had configuration commands: "ATZ" at
    // the module's present line settings, and the PC side where the module then talks:
    // at its stored rate and format, the new ones once they were stored.
    void resetAfterEnding()
    {
        const bool newStored = m_changes.store != ModuleChanges::Store::NotSent;
        QList<LineSettings> candidates{m_moduleLine};
        if (!(m_moduleLine == m_startLine))
            candidates << m_startLine;
        m_changes.reset = m_run.resetModule(candidates) ? ModuleChanges::Reset::Done : ModuleChanges::Reset::Failed;
        m_run.session().setLineSettings(newStored ? m_moduleLine : m_startLine);
    }

    const ConfigureRequest &m_request;
    OperationRun &m_run;
    LineSettings m_startLine;
    LineSettings m_moduleLine;  // where the module talks now
    bool m_nonStandardRate = false;
    ModuleChanges m_changes;
    bool m_configDone = false;
};

}  // namespace

void configureSteps(OperationRun &run, const ConfigureRequest &request) { Configure(request, run).run(); }
