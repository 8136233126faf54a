// modemcfg rssi and ber against the simulated module: the printed reports, the CSV,
// the "ATZ" that ends every run, and the exit statuses.

#include "tests/support/CsvRows.h"
#include "tests/support/ModemSim.h"
#include "tools/modemcfg/DiagnosticsCommand.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

struct Outcome {
    ExitStatus status;
    QStringList out;  // the printed lines
    QString err;
};

Outcome run(const QStringList &arguments, std::stop_token stop = {})
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const ExitStatus status = runDiagnosticsCommand(arguments, outStream, errStream, stop);
    outStream.flush();
    errStream.flush();
    return {status, out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), err};
}

int receivedCount(const ModemSim &sim, const std::string &command)
{
    const std::string log = sim.logText();
    const std::string needle = "RX \"" + command + "\"";
    int n = 0;
    for (auto p = log.find(needle); p != std::string::npos; p = log.find(needle, p + 1))
        ++n;
    return n;
}

// Each printed line against its CSV row: the same seconds and the same report.
void expectSameRun(const QStringList &printed, const QList<QStringList> &rows, const QRegularExpression &report)
{
    ASSERT_EQ(printed.size(), rows.size());
    double previous = -1;
    for (qsizetype i = 0; i < printed.size(); ++i) {
        const qsizetype space = printed[i].indexOf(QLatin1Char(' '));
        const QString seconds = printed[i].left(space);
        const QString line = printed[i].mid(space + 1);
        EXPECT_TRUE(report.match(line).hasMatch()) << line.toStdString();
        EXPECT_EQ(rows[i][1], seconds);
        EXPECT_EQ(rows[i].last(), line);
        EXPECT_GE(seconds.toDouble(), previous);
        previous = seconds.toDouble();
    }
}

class DiagnosticsCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ModemSim::available())
            GTEST_SKIP() << "modem-sim is not built";
        ASSERT_TRUE(m_dir.isValid());
    }
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(DiagnosticsCommandTest, RssiPrintsAndSavesTheReportsUntilTheTimeIsUp)
{
    ModemSim sim({"--start", "command", "--report-interval", "100"});
    const QString port = QString::fromStdString(sim.path());
    const Outcome o = run({"rssi", "--port", port, "--seconds", "1.5", "--csv", file("rssi.csv")});
    EXPECT_EQ(o.status, ExitStatus::Done) << o.err.toStdString();
    EXPECT_GE(o.out.size(), 5);
    expectSameRun(o.out, csvRows(file("rssi.csv")), QRegularExpression("^RSSI -\\d{3} dBm$"));
    EXPECT_EQ(receivedCount(sim, "AT&T3\\r"), 1);
    EXPECT_EQ(receivedCount(sim, "ATZ\\r"), 1);
}

TEST_F(DiagnosticsCommandTest, InterruptedBerRunStillResetsTheModuleAndSaves)
{
    ModemSim sim({"--start", "command", "--report-interval", "100"});
    const QString port = QString::fromStdString(sim.path());
    std::stop_source stop;
    std::jthread ctrlC([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        stop.request_stop();
    });
    const Outcome o = run({"ber", "txrx", "--port", port, "--csv", file("ber.csv")}, stop.get_token());
    EXPECT_EQ(o.status, ExitStatus::Interrupted) << o.err.toStdString();
    EXPECT_GE(o.out.size(), 3);
    expectSameRun(o.out, csvRows(file("ber.csv")), QRegularExpression("^\\d{4} .* x \\d+$"));
    EXPECT_EQ(receivedCount(sim, "AT&T2\\r"), 1);
    EXPECT_EQ(receivedCount(sim, "ATZ\\r"), 1);
}

TEST_F(DiagnosticsCommandTest, TransmitTestStartsAndStops)
{
    ModemSim sim({"--start", "command"});
    const Outcome o = run({"ber", "tx", "--port", QString::fromStdString(sim.path()), "--seconds", "0.2"});
    EXPECT_EQ(o.status, ExitStatus::Done) << o.err.toStdString();
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_EQ(receivedCount(sim, "AT&T0\\r"), 1);
    EXPECT_EQ(receivedCount(sim, "ATZ\\r"), 1);
}

TEST_F(DiagnosticsCommandTest, ExitStatuses)
{
    ModemSim sim({"--start", "command"});
    const QString port = QString::fromStdString(sim.path());
    const QList<QStringList> badUsage{
        {"rssi"},
        {"ber", "--port", port},
        {"ber", "rxtx", "--port", port},
        {"rssi", "extra", "--port", port},
        {"rsi", "--port", port},
        {"rssi", "--port", port, "--seconds", "0"},
        {"rssi", "--port", port, "--seconds", "soon"},
        {"rssi", "--port", port, "--baud", "1234"},
        {"rssi", "--port", port, "--format", "N-9-1"},
        {"ber", "tx", "--port", port, "--csv", file("tx.csv")},
        {"rssi", "--port", port, "--colour"},
    };
    for (const QStringList &arguments : badUsage) {
        const Outcome o = run(arguments);
        EXPECT_EQ(o.status, ExitStatus::BadUsage) << arguments.join(' ').toStdString();
        EXPECT_TRUE(o.err.contains("usage: modemcfg")) << o.err.toStdString();
    }
    // A CSV that cannot be written is found before the run.
    const Outcome noFolder = run({"rssi", "--port", port, "--csv", file("missing/run.csv")});
    EXPECT_EQ(noFolder.status, ExitStatus::BadFile);
    EXPECT_TRUE(noFolder.err.contains("does not exist")) << noFolder.err.toStdString();
    EXPECT_EQ(sim.logText().find("RX "), std::string::npos);

    const Outcome noPort = run({"rssi", "--port", "/nonexistent/diag-tty", "--seconds", "1"});
    EXPECT_EQ(noPort.status, ExitStatus::PortUnavailable);
    EXPECT_FALSE(noPort.err.isEmpty());
    const Outcome noTxPort = run({"ber", "tx", "--port", "/nonexistent/diag-tty", "--seconds", "1"});
    EXPECT_EQ(noTxPort.status, ExitStatus::PortUnavailable);

    ModemSim silent({"--start", "command", "--silent"});
    const QString silentPort = QString::fromStdString(silent.path());
    const Outcome noAnswer = run({"ber", "rx", "--port", silentPort, "--seconds", "1"});
    EXPECT_EQ(noAnswer.status, ExitStatus::NoResponse);
    EXPECT_TRUE(noAnswer.err.contains("The module did not respond correctly.")) << noAnswer.err.toStdString();
    EXPECT_EQ(receivedCount(silent, "AT&T1\\r"), 0);

    // Ctrl-C while the silent module is being woken: the start gives up.
    std::stop_source ctrlC;
    std::jthread press([&ctrlC] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ctrlC.request_stop();
    });
    const Outcome interrupted = run({"rssi", "--port", silentPort}, ctrlC.get_token());
    EXPECT_EQ(interrupted.status, ExitStatus::Interrupted) << interrupted.err.toStdString();
    EXPECT_EQ(receivedCount(silent, "AT&T3\\r"), 0);
}
