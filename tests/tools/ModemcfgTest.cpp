// The console program run as a child process, against modem-sim where a module is
// needed. The suite ModemcfgSim takes real seconds (ctest label "slow").
#include "operations/SimLog.h"
#include "support/ModemSim.h"
#include "support/ModemcfgRun.h"

#include "settings/CommandBuilder.h"
#include "settings/ConfigFile.h"
#include "settings/ListingParser.h"
#include "settings/ProductVariant.h"
#include "settings/SettingsComparison.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString kGolden = QStringLiteral(CFG_TEST_DATA_DIR "/golden/transparent_example.40B");

using Outcome = ModemcfgOutcome;

Outcome modemcfg(const QStringList &arguments, const std::function<void(QProcess &)> &whenStarted = {})
{
    return runModemcfg(arguments, whenStarted);
}

QString pty(const ModemSim &sim) { return QString::fromStdString(sim.path()); }

QStringList keysOf(const QJsonArray &differences)
{
    QStringList keys;
    for (const QJsonValue &d : differences)
        keys << d[QStringLiteral("key")].toString();
    return keys;
}

// The golden file with S14 (Packet Size) changed.
QString goldenWithOtherPacketSize(const QTemporaryDir &dir)
{
    QByteArray line = ConfigFile().readLine(kGolden);
    line.replace("ATS14:255", "ATS14:128");
    const QString path = dir.filePath(QStringLiteral("other.40B"));
    ConfigFile().writeLine(line, path);
    return path;
}

}  // namespace

TEST(Modemcfg, BadUsageIsStatusOneWithAMessage)
{
    const QList<QStringList> cases = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("read")},
        {QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("COM9")},
        {QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("COM1"), QStringLiteral("--baud"),
         QStringLiteral("9601")},
        {QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("COM1"), QStringLiteral("--product"),
         QStringLiteral("999")},
        {QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("COM1"), QStringLiteral("--port"),
         QStringLiteral("COM2"), QStringLiteral("-o"), QStringLiteral("x.40B")},
        {QStringLiteral("write"), QStringLiteral("--port"), QStringLiteral("COM1")},
        {QStringLiteral("restore"), QStringLiteral("--port"), QStringLiteral("COM1")},
        {QStringLiteral("verify"), QStringLiteral("--port"), QStringLiteral("COM1"), QStringLiteral("--bogus"), kGolden},
        {QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("COM1"), QStringLiteral("--pace"),
         QStringLiteral("slow")},
    };
    for (const QStringList &arguments : cases) {
        const Outcome r = modemcfg(arguments);
        EXPECT_EQ(r.status, 1) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(r.err.trimmed().isEmpty()) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(modemcfg({QStringLiteral("write"), QStringLiteral("--help")}).status, 0);
}

TEST(Modemcfg, BadFormatNamesTheFormatsAsTheyAreWritten)
{
    const Outcome r = modemcfg({QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("COM1"),
                                QStringLiteral("--format"), QStringLiteral("8-N-1")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("--format 8-N-1: not one of N-8-1, E-8-1, O-8-1, N-8-2, E-8-2, O-8-2, "
                               "N-7-1, E-7-1, O-7-1, N-7-2, E-7-2, O-7-2."))
        << r.err.toStdString();
}

TEST(Modemcfg, DiffOfFilesListsTheDifferingSettings)
{
    QTemporaryDir dir;
    const QString other = goldenWithOtherPacketSize(dir);
    const Outcome same = modemcfg({QStringLiteral("diff"), kGolden, kGolden});
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.out.trimmed(), "No differences");

    const Outcome differ = modemcfg({QStringLiteral("diff"), QStringLiteral("--json"), kGolden, other});
    EXPECT_EQ(differ.status, 5);
    const QJsonArray differences = differ.json()[QStringLiteral("differences")].toArray();
    EXPECT_EQ(keysOf(differences), QStringList{QStringLiteral("S14")});

    QFile garbage(dir.filePath(QStringLiteral("garbage.40B")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a configuration\r\n");
    garbage.close();
    EXPECT_EQ(modemcfg({QStringLiteral("diff"), kGolden, garbage.fileName()}).status, 6);
    EXPECT_EQ(modemcfg({QStringLiteral("diff"), kGolden, dir.filePath(QStringLiteral("missing.40B"))}).status, 6);
}

// A file given to the console says exactly what is written, or is refused.
TEST(Modemcfg, StrictFileIsStatusSixNamingKeyAndPosition)
{
    QTemporaryDir dir;
    QByteArray line = ConfigFile().readLine(kGolden);
    line.replace("ATS14:255", "ATS14:999");
    const QString bad = dir.filePath(QStringLiteral("bad.40B"));
    ConfigFile().writeLine(line, bad);
    const QString port = dir.filePath(QStringLiteral("no-such-port"));
    const Outcome strict = modemcfg({QStringLiteral("verify"), QStringLiteral("--port"), port, bad});
    EXPECT_EQ(strict.status, 6) << strict.err.toStdString();
    EXPECT_TRUE(strict.err.contains("\"ATS14:999\": S14 999 is out of range 0..255")) << strict.err.toStdString();
    EXPECT_TRUE(strict.err.contains(QStringLiteral("column %1").arg(line.indexOf("ATS14:999") + 1).toLatin1()));

    // --lenient reads it as the window does, says so, and goes on to the (missing) port.
    const Outcome lenient = modemcfg({QStringLiteral("verify"), QStringLiteral("--lenient"), QStringLiteral("--port"),
                                      port, bad});
    EXPECT_EQ(lenient.status, 2) << lenient.err.toStdString();
    EXPECT_TRUE(lenient.err.contains("S14 999 is out of range")) << lenient.err.toStdString();
}

// One object shape whatever the outcome: bad usage, a bad file, a diff.
TEST(Modemcfg, JsonHasOneShapeForEveryOutcome)
{
    QTemporaryDir dir;
    QFile garbage(dir.filePath(QStringLiteral("garbage.40B")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a configuration\r\n");
    garbage.close();
    const QList<QStringList> cases = {
        {QStringLiteral("read"), QStringLiteral("--json")},
        {QStringLiteral("diff"), QStringLiteral("--json"), kGolden, garbage.fileName()},
        {QStringLiteral("diff"), QStringLiteral("--json"), kGolden, kGolden},
        {QStringLiteral("read"), QStringLiteral("--json"), QStringLiteral("--port"), dir.filePath(QStringLiteral("x"))},
    };
    QStringList keys;
    for (const QStringList &arguments : cases) {
        const Outcome r = modemcfg(arguments);
        const QJsonObject o = r.json();
        ASSERT_FALSE(o.isEmpty()) << arguments.join(QLatin1Char(' ')).toStdString() << r.out.toStdString();
        EXPECT_EQ(o[QStringLiteral("schema")].toInt(), 1);
        EXPECT_EQ(o[QStringLiteral("status")].toInt(), r.status);
        EXPECT_EQ(o[QStringLiteral("command")].toString(), arguments.first());
        if (keys.isEmpty())
            keys = o.keys();
        EXPECT_EQ(o.keys(), keys) << arguments.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(Modemcfg, DashReadsTheFileFromStandardInput)
{
    QProcess p;
    p.start(QStringLiteral(CFG_MODEMCFG), {QStringLiteral("diff"), QStringLiteral("-"), kGolden});
    ASSERT_TRUE(p.waitForStarted());
    QFile golden(kGolden);
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    p.write(golden.readAll());
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(p.readAllStandardOutput().trimmed(), "No differences");
}

TEST(Modemcfg, MissingPortIsStatusTwoNamingTheDevice)
{
    const Outcome r = modemcfg({QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("/dev/ttyNoSuchPort7")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE((r.out + r.err).contains("/dev/ttyNoSuchPort7"));
}

TEST(ModemcfgSim, ReadGivesJsonAndTheFileFileSaveWrites)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    ModemSim sim;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("read.40B"));
    const Outcome r = modemcfg({QStringLiteral("read"), QStringLiteral("--port"), pty(sim), QStringLiteral("--json"),
                            QStringLiteral("-o"), file});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = r.json();
    EXPECT_EQ(o[QStringLiteral("port")].toString(), pty(sim));
    EXPECT_EQ(o[QStringLiteral("result")].toString(), QStringLiteral("done"));
    EXPECT_TRUE(o[QStringLiteral("identification")].toString().contains(QStringLiteral("740R-B V1.90")));
    EXPECT_EQ(o[QStringLiteral("firmware")].toString(), QStringLiteral("1.90"));  // the module's own text
    EXPECT_GT(o[QStringLiteral("seconds")].toDouble(), 0);

    // What the module listed, through the window's own conversions.
    QByteArray listing;
    for (const SimEvent &e : parseSimLog(sim.logText()))
        if (e.kind == "TX" && e.bytes.contains("S14:"))
            listing = e.bytes;
    ASSERT_FALSE(listing.isEmpty());
    const ProductVariant variant = *selectProductVariant(QStringLiteral("740R-B"));
    const CommandList commands =
        buildCommandList(settingsFromListing(ListingParser(listing, variant.radioClass).parse(false), variant));
    QStringList expected;
    for (const QByteArray &c : commands)
        expected << QString::fromLatin1(c);
    EXPECT_EQ(o[QStringLiteral("commands")].toVariant().toStringList(), expected);
    EXPECT_TRUE(expected.contains(QStringLiteral("ATS14=255")));

    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), fileLineFromJoined(joinCommandList(commands)) + "\r\n");
}

TEST(ModemcfgSim, WriteToTwoModulesVerifiesAndVerifyFindsADifference)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    ModemSim first, second;
    const Outcome written = modemcfg({QStringLiteral("write"), QStringLiteral("--json"), QStringLiteral("--port"),
                                  pty(first), QStringLiteral("--port"), pty(second), kGolden});
    ASSERT_EQ(written.status, 0) << written.out.toStdString() << written.err.toStdString();
    for (int line = 0; line < 2; ++line) {
        const QJsonObject o = written.json(line);
        EXPECT_EQ(o[QStringLiteral("result")].toString(), QStringLiteral("done"));
        // Compared, nothing differs: the key is there, null.
        EXPECT_TRUE(o.contains(QStringLiteral("differences")));
        EXPECT_TRUE(o[QStringLiteral("differences")].isNull());
    }
    EXPECT_EQ(written.json(0)[QStringLiteral("port")].toString(), pty(first));
    EXPECT_EQ(written.json(1)[QStringLiteral("port")].toString(), pty(second));

    // The file sets the module to 19200 bit/s.
    const QStringList verify = {QStringLiteral("verify"), QStringLiteral("--json"), QStringLiteral("--baud"),
                                QStringLiteral("19200"), QStringLiteral("--port"), pty(first)};
    EXPECT_EQ(modemcfg(verify + QStringList{kGolden}).status, 0);
    QTemporaryDir dir;
    const Outcome differ = modemcfg(verify + QStringList{goldenWithOtherPacketSize(dir)});
    EXPECT_EQ(differ.status, 5);
    const QJsonArray differences = differ.json()[QStringLiteral("differences")].toArray();
    ASSERT_EQ(keysOf(differences), QStringList{QStringLiteral("S14")});
    EXPECT_EQ(differences.at(0)[QStringLiteral("first")].toString(), QStringLiteral("276"));
    EXPECT_EQ(differences.at(0)[QStringLiteral("second")].toString(), QStringLiteral("530"));
}

TEST(ModemcfgSim, RefusedCommandIsNamedAndTheWorstStatusWins)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    ModemSim good, refusing({"--reject", "S14="});
    const Outcome r = modemcfg({QStringLiteral("write"), QStringLiteral("--json"), QStringLiteral("--port"), pty(good),
                            QStringLiteral("--port"), pty(refusing), kGolden});
    EXPECT_TRUE(r.status == 4 || r.status == 5) << r.status;
    EXPECT_EQ(r.json(0)[QStringLiteral("result")].toString(), QStringLiteral("done"));
    const QJsonObject refused = r.json(1);
    EXPECT_NE(refused[QStringLiteral("result")].toString(), QStringLiteral("done"));
    const QByteArray text = QJsonDocument(refused).toJson();
    EXPECT_TRUE(text.contains("\"S14\"")) << text.toStdString();
}

TEST(ModemcfgSim, SilentModuleIsStatusThree)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    ModemSim sim({"--silent"});
    const Outcome r = modemcfg({QStringLiteral("read"), QStringLiteral("--port"), pty(sim)});
    EXPECT_EQ(r.status, 3) << r.out.toStdString() << r.err.toStdString();
}

TEST(ModemcfgSim, InterruptedWriteStoresNothingAndResetsTheModule)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    QTemporaryDir dir;
    const std::string state = dir.filePath(QStringLiteral("profile")).toStdString();
    ModemSim sim({"--state", state});
    const Outcome r = modemcfg({QStringLiteral("write"), QStringLiteral("--port"), pty(sim), kGolden}, [&](QProcess &p) {
        // Interrupted once the S registers are going out.
        for (int i = 0; i < 2000 && sim.logText().find("RX \"ATS") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::kill(pid_t(p.processId()), SIGINT);
    });
    EXPECT_EQ(r.status, 130) << r.out.toStdString() << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(state)));
    const std::string log = sim.logText();
    EXPECT_EQ(log.find("AT&W"), std::string::npos);
    EXPECT_NE(log.find("RX \"ATZ"), std::string::npos);
}

// A closed terminal ends the program as SIGINT does: the module is reset first.
TEST(ModemcfgSim, HangupDuringWriteResetsTheModuleAndExits129)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    QTemporaryDir dir;
    const std::string active = dir.filePath(QStringLiteral("active")).toStdString();
    const std::string state = dir.filePath(QStringLiteral("profile")).toStdString();
    ModemSim sim({"--state", state, "--active", active});
    const Outcome r = modemcfg({QStringLiteral("write"), QStringLiteral("--port"), pty(sim), kGolden}, [&](QProcess &p) {
        // Once the rate changed and the S registers are going out.
        for (int i = 0; i < 2000 && sim.logText().find("RX \"ATS") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::kill(pid_t(p.processId()), SIGHUP);
        ::kill(pid_t(p.processId()), SIGHUP);  // a second signal does not cut the reset short
    });
    EXPECT_EQ(r.status, 129) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("nothing was stored, the module was reset")) << r.out.toStdString();
    const std::string log = sim.logText();
    EXPECT_EQ(log.find("AT&W"), std::string::npos);
    EXPECT_NE(log.find("RX \"ATZ"), std::string::npos);
    // Back at its stored (factory) rate: the next read works at 9600.
    EXPECT_EQ(modemcfg({QStringLiteral("read"), QStringLiteral("--port"), pty(sim)}).status, 0);
}

// A file that changes the escape character: the write says which one the module
// answers to, and --escape reaches it afterwards.
TEST(ModemcfgSim, WriteThatChangesTheEscapeCharacterSaysWhichAndEscapeReachesIt)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    QTemporaryDir dir;
    ModemSim sim({"--state", dir.filePath(QStringLiteral("profile")).toStdString()});
    QByteArray line = ConfigFile().readLine(kGolden);
    line.replace("ATS2:43", "ATS2:42");
    const QString file = dir.filePath(QStringLiteral("star.40B"));
    ConfigFile().writeLine(line, file);
    const Outcome written = modemcfg({QStringLiteral("write"), QStringLiteral("--json"), QStringLiteral("--port"),
                                      pty(sim), file});
    ASSERT_EQ(written.status, 0) << written.out.toStdString() << written.err.toStdString();
    EXPECT_EQ(written.json()[QStringLiteral("escape")].toString(), QStringLiteral("*"));
    EXPECT_TRUE(written.err.contains("--escape '*'")) << written.err.toStdString();
    const QStringList read = {QStringLiteral("read"), QStringLiteral("--baud"), QStringLiteral("19200"),
                              QStringLiteral("--port"), pty(sim)};
    EXPECT_EQ(modemcfg(read + QStringList{QStringLiteral("--escape"), QStringLiteral("*")}).status, 0);
}

// The search leaves a module it found on-line on-line.
TEST(ModemcfgSim, DetectLeavesAnOnLineModuleOnLine)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    QTemporaryDir dir;
    const QString active = dir.filePath(QStringLiteral("active"));
    ModemSim sim({"--active", active.toStdString()});
    const Outcome found = modemcfg({QStringLiteral("detect"), QStringLiteral("--port"), pty(sim)});
    ASSERT_EQ(found.status, 0) << found.out.toStdString();
    QFile file(active);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("ONLINE=1")) << sim.logText();
}

TEST(ModemcfgSim, DetectFindsTheRateAndRestoreBringsTheFactoryRateBack)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    ModemSim sim({"--rate", "19200"});
    const Outcome found = modemcfg({QStringLiteral("detect"), QStringLiteral("--json"), QStringLiteral("--port"), pty(sim)});
    ASSERT_EQ(found.status, 0) << found.out.toStdString();
    EXPECT_EQ(found.json()[QStringLiteral("baud")].toInt(), 19200);
    EXPECT_EQ(found.json()[QStringLiteral("format")].toString(), QStringLiteral("N-8-1"));

    const Outcome restored = modemcfg({QStringLiteral("restore"), QStringLiteral("--yes"), QStringLiteral("--baud"),
                                       QStringLiteral("auto"), QStringLiteral("--port"), pty(sim)});
    EXPECT_EQ(restored.status, 0) << restored.out.toStdString() << restored.err.toStdString();
    const Outcome read = modemcfg({QStringLiteral("read"), QStringLiteral("--json"), QStringLiteral("--port"), pty(sim)});
    EXPECT_EQ(read.status, 0);
    EXPECT_TRUE(read.json()[QStringLiteral("commands")].toVariant().toStringList().contains(QStringLiteral("ATC4")));
}
