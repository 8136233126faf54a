#include "ModuleJobs.h"

#include "operations/ModuleFinder.h"
#include "operations/ModuleIdentity.h"
#include "operations/ModuleSession.h"
#include "settings/ListingParser.h"
#include "settings/SettingsComparison.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using Outcome = OperationResult::Outcome;

// What an operation was to store, for the words of its ending; empty for a read.
enum class Change { None, Configuration, FactoryDefaults };


const QString kLineLostText =
    QStringLiteral("The line to the module was lost: the device hung up, or the adapter was unplugged.");

ExitStatus statusOf(Outcome outcome, bool writing)
{
    switch (outcome) {
    case Outcome::Done: return ExitStatus::Done;
    case Outcome::Cancelled: return ExitStatus::Interrupted;
    case Outcome::PortError: return ExitStatus::PortUnavailable;
    case Outcome::NoResponse:
    case Outcome::BadListing: return ExitStatus::NoResponse;
    case Outcome::Refused: return ExitStatus::Refused;
    // A vanished line in the middle of a write is a failed write.
    case Outcome::LineLost: return writing ? ExitStatus::Refused : ExitStatus::NoResponse;
    }
    return ExitStatus::NoResponse;
}

// Takes over what an operation reports about the module; false when it failed.
bool take(ModuleReport &report, const OperationResult &result, Change change)
{
    const bool writing = change != Change::None;
    if (!result.identification.isEmpty()) {
        report.identification = result.identification;
        report.firmware = result.firmware;
    }
    for (const OperationNotice &n : result.notices)
        if (n.level != OperationNotice::Level::Error && !report.notices.contains(n.text))
            report.notices << n.text;
    report.status = statusOf(result.outcome, writing);
    if (writing) {
        report.changes = result.changes;
        report.changed = true;
    }
    if (result.succeeded())
        return true;
    OperationResult said = result;
    if (result.outcome == Outcome::LineLost)
        said.error = kLineLostText;
    report.message = endingText(said, change == Change::FactoryDefaults ? StoredThing::FactoryDefaults
                                                                          : StoredThing::Configuration);
    return false;
}
struct Search {
    ModuleFinder::Result::Outcome outcome = ModuleFinder::Result::Outcome::NotFound;
    LineSettings line;
    QString identification;
    QString error;
    bool wasOnLine = false;
};

// The module search behind the window's Find Module, on the job's port.
Search search(const ModuleJob &job, OperationObserver &observer)
{
    observer.status(QStringLiteral("Searching..."));
    const ModuleFinder::Result result =
        ModuleFinder(std::chrono::milliseconds(1000), job.escape).find(job.line, job.stop, [&observer](const ModuleFinder::Progress &p) {
            observer.status(QStringLiteral("Trying ") + p.trying.rateAndFormatText());
            observer.progress(p.step, p.steps);
        });
    Search found;
    found.outcome = result.outcome;
    found.line = result.settings;
    found.line.port = job.line.port;
    found.identification = result.identification;
    found.error = result.error;
    found.wasOnLine = result.wasOnLine;
    return found;
}

void reportSearchFailure(ModuleReport &report, const Search &found)
{
    using Found = ModuleFinder::Result::Outcome;
    switch (found.outcome) {
    case Found::Found:
        break;
    case Found::Cancelled:
        report.status = ExitStatus::Interrupted;
        report.message = QStringLiteral("Interrupted.");
        break;
    case Found::PortError:
        report.status = ExitStatus::PortUnavailable;
        report.message = found.error;
        break;
    case Found::NotFound:
        report.status = ExitStatus::NoResponse;
        report.message = QStringLiteral("No module answered at any rate or format.");
        break;
    }
}

// The line the job's operation starts at: the given one, or where the search found
// the module. Nothing when the search failed (the report says why).
std::optional<LineSettings> startLine(const ModuleJob &job, ModuleReport &report, OperationObserver &observer)
{
    if (!job.searchFirst)
        return job.line;
    const Search found = search(job, observer);
    if (found.outcome == ModuleFinder::Result::Outcome::Found)
        return found.line;
    reportSearchFailure(report, found);
    return std::nullopt;
}

// Runs a job's work on its report and times it. With a time limit the work gets a
// stop request of its own when the limit passes, and ends as a stop would.
ModuleReport timed(const ModuleJob &job, const std::function<void(const ModuleJob &, ModuleReport &)> &work)
{
    ModuleReport report;
    report.port = job.line.port;
    const auto start = std::chrono::steady_clock::now();
    if (job.timeoutSeconds <= 0) {
        work(job, report);
    } else {
        std::stop_source own;
        const std::stop_callback forward(job.stop, [&own] { own.request_stop(); });
        std::atomic<bool> timedOut = false;
        std::mutex mutex;
        std::condition_variable_any wake;
        std::stop_source finished;
        std::thread watch([&] {
            std::unique_lock lock(mutex);
            if (!wake.wait_for(lock, finished.get_token(), std::chrono::seconds(job.timeoutSeconds),
                               [] { return false; })) {
                if (!finished.stop_requested()) {
                    timedOut = true;
                    own.request_stop();
                }
            }
        });
        ModuleJob limited = job;
        limited.stop = own.get_token();
        work(limited, report);
        finished.request_stop();
        watch.join();
        if (timedOut && !job.stop.stop_requested() && report.status == ExitStatus::Interrupted) {
            report.status = ExitStatus::NoResponse;
            report.message = QStringLiteral("Timed out after %1 s").arg(job.timeoutSeconds) +
                             report.message.mid(QStringLiteral("Interrupted").size());
        }
    }
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return report;
}

ReadRequest readRequest(const ModuleJob &job) { return ReadRequest{job.variant, 0}; }

// The settings a successful read's listing gives.
ModuleSettings settingsRead(const OperationResult &result, const ProductVariant &variant)
{
    return settingsFromListing(*result.listing, variant);
}

// The command of the list the module's last reply answered (it echoes what it gets).
QByteArray refusedCommand(const QByteArray &lastReply, const CommandList &commands)
{
    for (const QByteArray &c : commands)
        if (lastReply.contains(c + '\r'))
            return c;
    return {};
}

void compare(ModuleReport &report, const ModuleSettings &expected, const ModuleSettings &held,
             const ProductVariant &variant)
{
    report.compared = true;
    report.differences = compareSettings(expected, held, variant.radioClass);
    if (!report.differences.empty())
        report.status = ExitStatus::Differences;
}

}  // namespace

ModuleReport readJob(const ModuleJob &job, OperationObserver &observer, ModuleSettings *settings)
{
    return timed(job, [&](const ModuleJob &job, ModuleReport &report) {
        const std::optional<LineSettings> line = startLine(job, report, observer);
        if (!line)
            return;
        ModuleSession session(*line);
        session.setEscapeCharacter(job.escape);
        session.setPace(job.pace);
        const OperationResult result = readModule(readRequest(job), session, observer, job.stop);
        if (!take(report, result, Change::None))
            return;
        const ModuleSettings held = settingsRead(result, job.variant);
        report.commands = buildCommandList(held);
        if (settings)
            *settings = held;
    });
}

namespace {

// After a store that went out unanswered: reads the module where it may talk now, to
// tell whether it holds the configuration. Says what it found in the report.
void findOutWhatWasStored(ModuleReport &report, const ModuleJob &job, const Configuration &configuration,
                          const OperationResult &written, const LineSettings &start, OperationObserver &observer)
{
    QList<LineSettings> candidates{written.line};
    if (!(start == written.line))
        candidates << start;
    for (const LineSettings &line : candidates) {
        ModuleSession session(line);
        session.setEscapeCharacter(written.escapeCharacter);
        // The user's stop has been answered already: this read is the ending's own.
        const OperationResult read = readModule(readRequest(job), session, observer, {});
        if (!read.succeeded() || !read.listing)
            continue;
        const bool holdsFile =
            compareSettings(configuration.settings, settingsRead(read, job.variant), job.variant.radioClass).empty();
        report.changes.store = holdsFile ? ModuleChanges::Store::Acknowledged : ModuleChanges::Store::NotSent;
        report.message += holdsFile ? QStringLiteral("\nRead back: the module holds the configuration.")
                                    : QStringLiteral("\nRead back: the module does not hold the configuration.");
        return;
    }
    report.message += QStringLiteral("\nThe module could not be read back to find out.");
}

// The character the module answers to after a write that set S2, when it is not the one used.
void noteEscapeChange(ModuleReport &report, const ModuleJob &job, const Configuration &configuration)
{
    const int code = configuration.settings[Field::EscapeCharacterCode];
    if (code == static_cast<unsigned char>(job.escape))
        return;
    const QChar c = QChar(code);
    report.escape = c;
    report.notices << QStringLiteral("The module now answers to the escape character \"%1\" (code %2): give "
                                     "--escape '%1' to reach it.")
                          .arg(c)
                          .arg(code);
}

}  // namespace

ModuleReport writeJob(const ModuleJob &job, const Configuration &configuration, bool verify,
                      OperationObserver &observer)
{
    return timed(job, [&](const ModuleJob &job, ModuleReport &report) {
        report.commands = configuration.commands;
        const std::optional<LineSettings> line = startLine(job, report, observer);
        if (!line)
            return;
        ModuleSession session(*line);
        session.setEscapeCharacter(job.escape);
        session.setPace(job.pace);
        const ConfigureRequest request{job.variant, configuration.settings, configuration.commands, verify};
        const OperationResult written = configureModule(request, session, observer, job.stop);
        if (!take(report, written, Change::Configuration)) {
            if (written.outcome == Outcome::Refused)
                report.refusedCommand = refusedCommand(written.lastReply, configuration.commands);
            if (written.changes.store == ModuleChanges::Store::Unanswered)
                findOutWhatWasStored(report, job, configuration, written, *line, observer);
            // The file is stored: what failed after it is the read-back's kind of failure.
            if (report.changes.store == ModuleChanges::Store::Acknowledged && report.status == ExitStatus::Refused &&
                written.outcome != Outcome::Refused)
                report.status = ExitStatus::NoResponse;
            if (report.changes.store != ModuleChanges::Store::NotSent)
                noteEscapeChange(report, job, configuration);
            return;
        }
        if (!written.configured) {
            report.status = ExitStatus::Refused;
            report.message = QStringLiteral("The module did not store the configuration.");
            return;
        }
        noteEscapeChange(report, job, configuration);
        if (!verify)
            return;
        if (job.stop.stop_requested()) {
            report.status = ExitStatus::Interrupted;
            report.message = QStringLiteral("Interrupted: the configuration was stored, the module was reset; "
                                            "it was not read back.");
            return;
        }
        if (written.listing) {
            // Read back in the same wake, after the store.
            compare(report, configuration.settings, settingsRead(written, job.variant), job.variant);
            return;
        }
        // The PC side has followed the module to its new rate and format.
        session.setLineSettings(written.line);
        session.setEscapeCharacter(written.escapeCharacter);
        const OperationResult read = readModule(readRequest(job), session, observer, job.stop);
        if (!take(report, read, Change::None)) {
            report.message = QStringLiteral("Written, but the read-back failed: ") + report.message;
            return;
        }
        compare(report, configuration.settings, settingsRead(read, job.variant), job.variant);
    });
}

ModuleReport verifyJob(const ModuleJob &job, const Configuration &configuration, OperationObserver &observer)
{
    ModuleSettings held;
    ModuleReport report = readJob(job, observer, &held);
    if (report.status == ExitStatus::Done)
        compare(report, configuration.settings, held, job.variant);
    return report;
}

ModuleReport restoreJob(const ModuleJob &job, OperationObserver &observer)
{
    return timed(job, [&](const ModuleJob &job, ModuleReport &report) {
        const std::optional<LineSettings> line = startLine(job, report, observer);
        if (!line)
            return;
        ModuleSession session(*line);
        session.setEscapeCharacter(job.escape);
        session.setPace(job.pace);
        const OperationResult result = restoreDefaults(readRequest(job), session, observer, job.stop);
        if (take(report, result, Change::FactoryDefaults))
            report.commands = buildCommandList(settingsRead(result, job.variant));
    });
}

ModuleReport detectJob(const ModuleJob &job, OperationObserver &observer)
{
    return timed(job, [&](const ModuleJob &job, ModuleReport &report) {
        const Search found = search(job, observer);
        if (found.outcome == ModuleFinder::Result::Outcome::Found) {
            report.foundAt = found.line;
            report.identification = found.identification;
            report.firmware = firmwareVersion(found.identification, job.variant.radioClass);
        }
        reportSearchFailure(report, found);
    });
}

std::vector<ModuleReport> runSideBySide(int count, const std::function<ModuleReport(int slot)> &job)
{
    std::vector<ModuleReport> reports(static_cast<std::size_t>(count));
    std::vector<std::thread> threads;
    for (int slot = 0; slot < count; ++slot)
        threads.emplace_back([&, slot] { reports[std::size_t(slot)] = job(slot); });
    for (std::thread &t : threads)
        t.join();
    return reports;
}
