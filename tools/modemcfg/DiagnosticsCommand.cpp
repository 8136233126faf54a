#include "tools/modemcfg/DiagnosticsCommand.h"

#include "diagnostics/DiagnosticsObserver.h"
#include "diagnostics/ReceiveTest.h"
#include "diagnostics/Recording.h"
#include "JournalRecords.h"
#include "diagnostics/TransmitTest.h"
#include "tools/modemcfg/LineOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

const QString kUsage = QStringLiteral(
    "usage: modemcfg rssi --port P [--baud R] [--format F] [--seconds N] [--csv FILE]\n"
    "       modemcfg ber rx|tx|txrx --port P [--baud R] [--format F] [--seconds N] [--csv FILE]\n"
    "Runs a receive test (rssi, ber rx, ber txrx) and prints each report line with the\n"
    "seconds since the start, or runs the transmit test (ber tx); stops the test with\n"
    "\"ATZ\" after N seconds or on Ctrl-C. --csv saves the reports.\n");

// The transmit test names the module in its messages; the console knows no model.
const QString kModuleName = QStringLiteral("module");

struct Request {
    int kind = 0;  // the receive test's kind 1..3; 0 for the transmit test
    LineSettings line;
    std::optional<std::chrono::milliseconds> duration;  // until stopped when empty
    QString csvPath;
};

QString testTitle(int kind)
{
    switch (kind) {
    case 0: return QStringLiteral("Transmit Bit Error Rate Test");
    case 1: return QStringLiteral("Rx BER Test");
    case 2: return QStringLiteral("Tx & Rx BER Test");
    default: return QStringLiteral("RSSI Measurement");
    }
}

// The module's messages break lines the Windows way.
QString consoleText(QString message)
{
    return message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::optional<Request> parse(const QStringList &arguments, QString *error, bool *help)
{
    const auto fail = [error](const QString &message) {
        *error = message;
        return std::nullopt;
    };
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("P"));
    const QCommandLineOption baud(QStringLiteral("baud"), QString(), QStringLiteral("R"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("F"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QString(), QStringLiteral("N"));
    const QCommandLineOption csv(QStringLiteral("csv"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({port, baud, format, seconds, csv, helpOption});
    const QString command = arguments.value(0);
    if (!parser.parse(QStringList{QStringLiteral("modemcfg ") + command} + arguments.mid(1)))
        return fail(parser.errorText());
    if (parser.isSet(helpOption)) {
        *help = true;
        return std::nullopt;
    }

    Request request;
    const QStringList words = parser.positionalArguments();
    if (command == QLatin1String("rssi")) {
        if (!words.isEmpty())
            return fail(QStringLiteral("rssi takes no word %1.").arg(words.constFirst()));
        request.kind = 3;
    } else if (command == QLatin1String("ber")) {
        static const QStringList kTests{QStringLiteral("tx"), QStringLiteral("rx"), QStringLiteral("txrx")};
        const qsizetype test = words.size() == 1 ? kTests.indexOf(words.constFirst()) : -1;
        if (test < 0)
            return fail(QStringLiteral("ber needs one of rx, tx, txrx."));
        request.kind = int(test);  // tx 0, rx 1, txrx 2
    } else {
        return fail(QStringLiteral("%1: not rssi nor ber.").arg(command));
    }

    if (!parser.isSet(port))
        return fail(QStringLiteral("--port is needed: COM1..COM8, a device path or rfc2217://host:port."));
    const std::optional<LineSettings> line =
        lineSettingsFromOptions(parser.value(port), parser.value(baud), parser.value(format), error);
    if (!line)
        return std::nullopt;
    request.line = *line;

    if (parser.isSet(seconds)) {
        bool ok = false;
        const double n = parser.value(seconds).toDouble(&ok);
        // Up to 30 years: far beyond any run, well inside the clock's range.
        if (!ok || !(n > 0) || n > 1e9)
            return fail(QStringLiteral("--seconds %1: not a number of seconds above 0.").arg(parser.value(seconds)));
        request.duration = std::chrono::milliseconds(qint64(n * 1000 + 0.5));
    }
    request.csvPath = parser.value(csv);
    if (parser.isSet(csv) && request.csvPath.isEmpty())
        return fail(QStringLiteral("--csv needs a file name."));
    if (request.kind == 0 && !request.csvPath.isEmpty())
        return fail(QStringLiteral("--csv: the transmit test reports nothing to record."));
    return request;
}

// Why a CSV file could not be written, found before a long run rather than after it.
std::optional<QString> unwritable(const QString &path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("Cannot save %1: the folder %2 does not exist.").arg(path, folder.filePath());
    if (file.exists() ? !file.isFile() || !file.isWritable() : !folder.isWritable())
        return QStringLiteral("Cannot save %1: it cannot be written.").arg(path);
    return std::nullopt;
}

// Follows a test for the console: prints and records its report lines as they
// arrive (on the pump's thread) and lets the command's thread wait for its states.
class ConsoleObserver final : public DiagnosticsObserver {
public:
    ConsoleObserver(QTextStream &out, QTextStream &err, Recording::Kind kind)
        : m_out(out), m_err(err), m_recording(kind)
    {
    }

    void setSource(const QString &module, const QString &port)
    {
        std::lock_guard lock(m_mutex);
        m_recording.setSource(module, port);
    }

    void stateChanged(TestState state, const QDateTime &at) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_state = state;
            if (state == TestState::Running && !m_recording.isRunning())
                m_recording.start(at, m_recording.kind());
            if (state == TestState::Idle)
                m_recording.finish(at);
            if (state == TestState::Idle || state == TestState::Running)
                m_settled = true;
        }
        m_changed.notify_all();
    }

    void reportLine(const QByteArray &line, const QDateTime &at) override
    {
        std::lock_guard lock(m_mutex);
        if (!m_recording.isRunning() || !m_recording.addLine(line, at))
            return;
        const qint64 ms = m_recording.samples().back().elapsedMs;
        m_out << QString::number(double(ms) / 1000.0, 'f', 3) << ' ' << QString::fromLatin1(line) << '\n';
        m_out.flush();
    }

    void noiseDropped(qsizetype lines) override
    {
        std::lock_guard lock(m_mutex);
        if (m_recording.isRunning())
            m_recording.addNoise(lines);
    }

    void failed(const QString &message, FailureKind kind) override
    {
        std::lock_guard lock(m_mutex);
        m_failure = kind == FailureKind::Port ? ExitStatus::PortUnavailable : ExitStatus::NoResponse;
        m_err << consoleText(message) << '\n';
        m_err.flush();
    }

    void lineLost(const QString &message) override { failed(message, FailureKind::Port); }

    // Has a command go out and waits until the test has settled after it; the
    // failure's exit status, if it failed.
    struct Settled {
        TestState state;
        std::optional<ExitStatus> failure;
    };
    Settled command(const std::function<void()> &send)
    {
        std::unique_lock lock(m_mutex);
        m_settled = false;
        m_failure.reset();
        lock.unlock();
        send();
        lock.lock();
        m_changed.wait(lock, [this] { return m_settled; });
        return {m_state, m_failure};
    }
    // Asks a receive test's run to stop and waits until the test is Idle; a run
    // stopped already is waited for the same way.
    Settled stop(std::stop_source &run)
    {
        std::unique_lock lock(m_mutex);
        m_failure.reset();
        lock.unlock();
        run.request_stop();
        lock.lock();
        m_changed.wait(lock, [this] { return m_state == TestState::Idle; });
        return {m_state, m_failure};
    }

    // Waits while the test runs: until `deadline` (if any), a stop request, or the
    // line is lost. The exit status of a lost line, if it was lost.
    std::optional<ExitStatus> waitWhileRunning(std::stop_token stop, std::optional<Clock::time_point> deadline)
    {
        std::unique_lock lock(m_mutex);
        const auto ended = [this] { return m_state != TestState::Running; };
        if (deadline)
            m_changed.wait_until(lock, stop, *deadline, ended);
        else
            m_changed.wait(lock, stop, ended);
        return m_state == TestState::Running ? std::nullopt : m_failure;
    }

    // For the command's thread, between the test's reports.
    void message(const QString &text)
    {
        std::lock_guard lock(m_mutex);
        m_err << text << '\n';
        m_err.flush();
    }

    // Once the test is Idle: no thread adds to it any more.
    const Recording &recording() const { return m_recording; }

private:
    QTextStream &m_out;
    QTextStream &m_err;
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    TestState m_state = TestState::Idle;       // guarded by m_mutex
    bool m_settled = false;                    // guarded by m_mutex
    std::optional<ExitStatus> m_failure;       // guarded by m_mutex
    Recording m_recording;                     // guarded by m_mutex
};

std::optional<Clock::time_point> deadlineOf(const Request &request)
{
    if (!request.duration)
        return std::nullopt;
    return Clock::now() + *request.duration;
}

QString untilText(const Request &request)
{
    if (!request.duration)
        return QStringLiteral("Ctrl-C stops it.");
    return QStringLiteral("stopping after %1 s.").arg(double(request.duration->count()) / 1000.0);
}

ExitStatus runReceiveTest(const Request &request, QTextStream &out, QTextStream &err, std::stop_token stop)
{
    ConsoleObserver observer(out, err, request.kind == 3 ? Recording::Kind::Level : Recording::Kind::Ber);
    // The console does not identify the module: the file names the port only.
    observer.setSource(QString(), request.line.port);
    std::unique_ptr<ReceiveTest> test;
    try {
        test = ReceiveTest::open(request.kind, request.line);
    } catch (const Exception &e) {
        observer.message(consoleText(e.message()));
        recordDiagnosticsRun(request.kind, request.line.port, nullptr, ExitStatus::PortUnavailable, 0, err);
        return ExitStatus::PortUnavailable;
    }
    test->setObserver(&observer);
    observer.message(QStringLiteral("%1 on %2 (%3)").arg(testTitle(request.kind), request.line.port,
                                                         request.line.rateAndFormatText()));
    // The test runs until Ctrl-C or the end of its time. Ctrl-C while starting: the
    // start gives up, resetting the module if need be.
    std::stop_source run;
    const auto started = [&] {
        const std::stop_callback interrupted(stop, [&run] { run.request_stop(); });
        return observer.command([&] { test->start(run.get_token()); });
    }();
    if (started.state != TestState::Running) {
        recordDiagnosticsRun(request.kind, request.line.port, nullptr, started.failure.value_or(ExitStatus::Interrupted), 0, err);
        return started.failure.value_or(ExitStatus::Interrupted);
    }
    observer.message(QStringLiteral("Started; ") + untilText(request));

    ExitStatus status = ExitStatus::Done;
    if (const std::optional<ExitStatus> lost = observer.waitWhileRunning(stop, deadlineOf(request))) {
        status = *lost;
    } else if (const auto stopped = observer.stop(run); stopped.failure) {
        status = *stopped.failure;
    }
    if (stop.stop_requested())
        status = worse(status, ExitStatus::Interrupted);

    const Recording &recording = observer.recording();
    observer.message(QStringLiteral("Stopped: %1 reports in %2 s, %3 noise lines.")
                         .arg(recording.samples().size())
                         .arg(double(recording.elapsedMs({})) / 1000.0, 0, 'f', 1)
                         .arg(recording.noiseCount()));
    if (!request.csvPath.isEmpty()) {
        if (const std::optional<QString> failure = recording.saveCsv(request.csvPath)) {
            observer.message(*failure);
            status = worse(status, ExitStatus::BadFile);
        } else {
            observer.message(QStringLiteral("Saved %1.").arg(request.csvPath));
        }
    }
    recordDiagnosticsRun(request.kind, request.line.port, &recording, status, double(recording.elapsedMs({})) / 1000.0, err);
    return status;
}

ExitStatus runTransmitTest(const Request &request, QTextStream &out, QTextStream &err, std::stop_token stop)
{
    ConsoleObserver observer(out, err, Recording::Kind::Ber);
    TransmitTest test(kModuleName);
    test.setObserver(&observer);
    observer.message(
        QStringLiteral("%1 on %2 (%3)").arg(testTitle(0), request.line.port, request.line.rateAndFormatText()));
    if (const std::optional<ExitStatus> failure = observer.command([&] { test.start(request.line); }).failure) {
        recordDiagnosticsRun(0, request.line.port, nullptr, *failure, 0, err);
        return *failure;
    }
    observer.message(QStringLiteral("Started; ") + untilText(request));
    // The module transmits on its own: the port is closed until the stop.
    observer.waitWhileRunning(stop, deadlineOf(request));
    ExitStatus status = ExitStatus::Done;
    if (const std::optional<ExitStatus> failure = observer.command([&] { test.stop(request.line); }).failure)
        status = *failure;
    else
        observer.message(QStringLiteral("Stopped."));
    if (stop.stop_requested())
        status = worse(status, ExitStatus::Interrupted);
    recordDiagnosticsRun(0, request.line.port, nullptr, status, 0, err);
    return status;
}

} // namespace

ExitStatus runDiagnosticsCommand(const QStringList &arguments, QTextStream &out, QTextStream &err,
                                 std::stop_token stop)
{
    QString error;
    bool help = false;
    const std::optional<Request> request = parse(arguments, &error, &help);
    if (help) {
        out << kUsage;
        out.flush();
        return ExitStatus::Done;
    }
    if (!request) {
        err << error << '\n' << kUsage;
        err.flush();
        return ExitStatus::BadUsage;
    }
    if (!request->csvPath.isEmpty()) {
        if (const std::optional<QString> failure = unwritable(request->csvPath)) {
            err << *failure << '\n';
            err.flush();
            return ExitStatus::BadFile;
        }
    }
    return request->kind == 0 ? runTransmitTest(*request, out, err, stop) : runReceiveTest(*request, out, err, stop);
}
