// Measures what a long recording costs the receive test dialog: a compressed hour
// (by default 12,000 BER report lines, one per 5 ms) from modem-sim into the dialog
// with its chart shown, then a stretch at the module's real rate (one line per 300 ms).
// Prints the memory growth and the share of a core used.
//
//   bench-recorder [lines] [interval-ms] [real-seconds]

#include "support/ModemSim.h"

#include "diagnostics/ReceiveTest.h"
#include "settings/MessageSink.h"
#include "ui/ReceiveTestDialog.h"
#include "ui/RecordingView.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

class PrintedMessages : public MessageSink {
public:
    Answer show(Icon, Buttons, const QString &text) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return Answer::Ok;
    }
};

double rssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Figures {
    qsizetype lines = 0;
    double seconds = 0;
    double cpu = 0;
    double rssGrowth = 0;
};

// Runs one test on a simulator sending a line per `intervalMs` until `lines` lines are
// recorded or `seconds` have passed; `wholeRunAfter` ticks "Whole run" at that line.
Figures run(int intervalMs, qsizetype lines, double seconds, qsizetype wholeRunAfter)
{
    ModemSim sim({"--start", "command", "--report-interval", std::to_string(intervalMs), "--log", "/dev/null"});
    qputenv("CFG_COM1", QByteArray::fromStdString(sim.path()));
    PrintedMessages messages;
    ReceiveTestDialog dialog(messages);
    dialog.setupTest(ReceiveTest::open(1, LineSettings{}));
    dialog.show();
    QCoreApplication::processEvents();
    dialog.startStopButton()->click();

    const double rss0 = rssMiB();
    const double cpu0 = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    while (qsizetype(dialog.recording().samples().size()) < lines && double(clock.elapsed()) < seconds * 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(1);
        if (qsizetype(dialog.recording().samples().size()) >= wholeRunAfter && !dialog.recordingView()->wholeRunBox()->isChecked())
            dialog.recordingView()->wholeRunBox()->setChecked(true);
    }
    Figures f;
    f.seconds = double(clock.elapsed()) / 1000.0;
    f.cpu = cpuSeconds() - cpu0;
    f.rssGrowth = rssMiB() - rss0;
    f.lines = qsizetype(dialog.recording().samples().size());
    dialog.startStopButton()->click();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const qsizetype lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 12'000;
    const int interval = argc > 2 ? QByteArray(argv[2]).toInt() : 5;
    const double realSeconds = argc > 3 ? QByteArray(argv[3]).toDouble() : 30;
    if (lines <= 0 || interval <= 0 || realSeconds < 0) {
        std::fprintf(stderr, "usage: bench-recorder [lines] [interval-ms] [real-seconds]\n");
        return 2;
    }

    // The compressed hour, its second half with the whole run in view (thinned).
    const Figures hour = run(interval, lines, double(lines) * interval / 1000.0 * 4 + 30, lines / 2);
    std::printf("compressed run: %lld lines in %.1f s (one per %d ms)\n", static_cast<long long>(hour.lines),
                hour.seconds, interval);
    std::printf("  memory growth   %.1f MiB (limit 20)\n", hour.rssGrowth);
    std::printf("  CPU             %.2f s, %.1f %% of a core, %.0f us per line\n", hour.cpu,
                100.0 * hour.cpu / hour.seconds, 1e6 * hour.cpu / double(std::max<qsizetype>(1, hour.lines)));
    if (hour.lines < lines)
        std::printf("  WARNING: fewer lines than asked for arrived\n");

    if (realSeconds > 0) {
        // The real rate: the last minute for half the time, then the whole run.
        const qsizetype expected = qsizetype(realSeconds * 1000 / 300);
        const Figures real = run(300, expected * 10, realSeconds, expected / 2);
        std::printf("real rate: %lld lines in %.1f s (one per 300 ms)\n", static_cast<long long>(real.lines),
                    real.seconds);
        std::printf("  CPU             %.2f s, %.2f %% of a core (limit 5)\n", real.cpu,
                    100.0 * real.cpu / real.seconds);
    }
    return 0;
}
