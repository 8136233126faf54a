// "modemcfg network" run as a child process. The suite NetworkCommandSim writes to
// several modem-sim instances in real time (ctest label "slow").
#include "operations/SimLog.h"
#include "support/ModemSim.h"
#include "support/ModemcfgRun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kExamples = QStringLiteral(CFG_SOURCE_DIR "/docs/examples");
const QString kAutoConnect = kExamples + QStringLiteral("/auto-connect");

using Outcome = ModemcfgOutcome;

Outcome modemcfg(const QStringList &arguments)
{
    return runModemcfg(QStringList{QStringLiteral("network")} + arguments);
}

// A plan of the Auto-Connect example in `dir`; `members` is the JSON array's text.
QString writePlan(const QTemporaryDir &dir, const QString &members)
{
    const QString path = dir.filePath(QStringLiteral("plan.json"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("{\"members\": [%1]}").arg(members).toUtf8());
    return path;
}

QString memberJson(const QString &name, const QString &file, const QString &port, const QString &extra = {})
{
    return QStringLiteral(R"({"name":"%1","file":"%2/%3","port":"%4"%5})").arg(name, kAutoConnect, file, port, extra);
}

QStringList rules(const QJsonObject &o)
{
    QStringList list;
    for (const QJsonValue &f : o[QStringLiteral("findings")].toArray())
        list << f[QStringLiteral("rule")].toString();
    return list;
}

TEST(NetworkCommand, TheExamplesPassAndTheSummaryCounts)
{
    const Outcome r = modemcfg({QStringLiteral("check"), kAutoConnect + QStringLiteral("/plan.json")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "5 members: 0 errors, 0 warnings, 0 information.\n");
    const Outcome files = modemcfg({QStringLiteral("check"), kExamples + QStringLiteral("/transparent/base.40B"),
                                    kExamples + QStringLiteral("/transparent/repeater.40B")});
    EXPECT_EQ(files.status, 0);
    EXPECT_EQ(files.out, "2 members: 0 errors, 0 warnings, 0 information.\n");
}

TEST(NetworkCommand, ErrorsGiveStatusEightAndOneJsonObject)
{
    QTemporaryDir dir;
    const QString plan = writePlan(dir, memberJson(QStringLiteral("Master"), QStringLiteral("master.40B"), {}) +
                                            QLatin1Char(',') +
                                            memberJson(QStringLiteral("Slave"), QStringLiteral("slave-2.40B"), {},
                                                       QStringLiteral(R"(,"unitAddress":1)")));
    const Outcome r = modemcfg({QStringLiteral("check"), plan, QStringLiteral("--json")});
    EXPECT_EQ(r.status, 8) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 1);
    const QJsonObject o = r.json();
    EXPECT_TRUE(rules(o).contains(QStringLiteral("unit-address-unique")));
    EXPECT_TRUE(rules(o).contains(QStringLiteral("destination-unknown")));  // the master's 3, 4 and 5
    const QJsonObject first = o[QStringLiteral("findings")].toArray().first().toObject();
    EXPECT_EQ(first[QStringLiteral("severity")].toString(), QStringLiteral("error"));
    EXPECT_EQ(first[QStringLiteral("members")].toArray(), QJsonArray({QStringLiteral("Master"), QStringLiteral("Slave")}));
    EXPECT_FALSE(first[QStringLiteral("message")].toString().isEmpty());

    // Warnings alone pass.
    const Outcome partial = modemcfg({QStringLiteral("check"), kAutoConnect + QStringLiteral("/master.40B")});
    EXPECT_EQ(partial.status, 0);
    EXPECT_TRUE(partial.out.contains("warning destination-unknown: Destination 1 of master is unit address 2"))
        << partial.out.toStdString();
}

TEST(NetworkCommand, DrawsSvgAndDot)
{
    QTemporaryDir dir;
    const QString svg = dir.filePath(QStringLiteral("n.svg"));
    const QString dot = dir.filePath(QStringLiteral("n.dot"));
    const Outcome r = modemcfg({QStringLiteral("check"), kAutoConnect + QStringLiteral("/plan.json"),
                                QStringLiteral("--svg"), svg, QStringLiteral("--dot"), dot});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile s(svg), d(dot);
    ASSERT_TRUE(s.open(QIODevice::ReadOnly));
    ASSERT_TRUE(d.open(QIODevice::ReadOnly));
    const QByteArray svgText = s.readAll();
    EXPECT_TRUE(svgText.contains("<svg")) << svgText.left(200).toStdString();
    EXPECT_TRUE(svgText.contains(">Repeater 5<"));
    EXPECT_TRUE(d.readAll().contains("n0 -> n4 -> n3"));
    // A drawing that cannot be saved is a failure, not a silent loss.
    const Outcome unwritable = modemcfg({QStringLiteral("check"), kAutoConnect + QStringLiteral("/plan.json"),
                                         QStringLiteral("--svg"), dir.filePath(QStringLiteral("no/such/n.svg"))});
    EXPECT_EQ(unwritable.status, 6);
    EXPECT_TRUE(unwritable.err.contains("n.svg"));
}

TEST(NetworkCommand, BadUsageAndBadFiles)
{
    EXPECT_EQ(modemcfg({}).status, 1);
    EXPECT_EQ(modemcfg({QStringLiteral("frob")}).status, 1);
    EXPECT_EQ(modemcfg({QStringLiteral("check")}).status, 1);
    EXPECT_EQ(modemcfg({QStringLiteral("apply"), kAutoConnect + QStringLiteral("/master.40B")}).status, 1);
    EXPECT_EQ(modemcfg({QStringLiteral("apply"), kAutoConnect + QStringLiteral("/plan.json"), QStringLiteral("--svg"),
                        QStringLiteral("x.svg")})
                  .status,
              1);
    const Outcome missing = modemcfg({QStringLiteral("check"), QStringLiteral("/nonexistent/plan.json")});
    EXPECT_EQ(missing.status, 6);
    EXPECT_TRUE(missing.err.contains("/nonexistent/plan.json")) << missing.err.toStdString();
    // A plan member without a port cannot be written: nothing is.
    QTemporaryDir dir;
    const Outcome noPort = modemcfg(
        {QStringLiteral("apply"), writePlan(dir, memberJson(QStringLiteral("M"), QStringLiteral("master.40B"), {}))});
    EXPECT_EQ(noPort.status, 6);
    EXPECT_TRUE(noPort.err.contains("M has no \"port\"")) << noPort.err.toStdString();
}

// Modules on pseudo-terminals, one per plan member.
std::vector<std::unique_ptr<ModemSim>> sims(const std::vector<std::vector<std::string>> &args)
{
    std::vector<std::unique_ptr<ModemSim>> list;
    for (const auto &a : args)
        list.push_back(std::make_unique<ModemSim>(a));
    return list;
}

QString pty(const ModemSim &sim) { return QString::fromStdString(sim.path()); }

bool stored(const ModemSim &sim)
{
    return simReceived(sim.logText()).join().contains("AT&W");
}

TEST(NetworkCommandSim, ApplyWritesEveryMemberAndNamesTheOneThatFailed)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    const auto modules = sims({{}, {}, {"--reject", "S14="}, {}, {}});
    const QStringList names = {QStringLiteral("Master"), QStringLiteral("Slave 2"), QStringLiteral("Slave 3"),
                               QStringLiteral("Slave 4"), QStringLiteral("Repeater 5")};
    const QStringList files = {QStringLiteral("master.40B"), QStringLiteral("slave-2.40B"), QStringLiteral("slave-3.40B"),
                               QStringLiteral("slave-4.40B"), QStringLiteral("repeater-5.40B")};
    QStringList members;
    for (int i = 0; i < names.size(); ++i)
        members << memberJson(names[i], files[i], pty(*modules[std::size_t(i)]));
    QTemporaryDir dir;
    const Outcome r = modemcfg({QStringLiteral("apply"), writePlan(dir, members.join(QLatin1Char(',')))});
    EXPECT_EQ(r.status, 4) << r.out.toStdString() << r.err.toStdString();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    for (int i : {0, 1, 3, 4}) {
        EXPECT_TRUE(r.out.contains((names[i] + QStringLiteral(" (") + pty(*modules[std::size_t(i)]) +
                                    QStringLiteral("): done"))
                                       .toUtf8()))
            << r.out.toStdString();
        EXPECT_TRUE(stored(*modules[std::size_t(i)])) << names[i].toStdString();
    }
    EXPECT_FALSE(stored(*modules[2]));
    EXPECT_EQ(lines.back(), "4 of 5 members written and verified; failed: Slave 3 (refused).");
    // The master got its route through the repeater.
    EXPECT_TRUE(simReceived(modules[0]->logText()).join().contains("AT&Z2=5,4"));
}

TEST(NetworkCommandSim, APlanWithErrorsIsRefusedUnlessForced)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    const auto modules = sims({{}, {}});
    QTemporaryDir dir;
    // Both at unit address 2, and no one at the master's other destinations: an error and warnings.
    const QString plan = writePlan(
        dir, memberJson(QStringLiteral("A"), QStringLiteral("slave-2.40B"), pty(*modules[0])) + QLatin1Char(',') +
                 memberJson(QStringLiteral("B"), QStringLiteral("master.40B"), pty(*modules[1]),
                            QStringLiteral(R"(,"unitAddress":2,"destinations":[{"address":2}])")));
    const Outcome refused = modemcfg({QStringLiteral("apply"), plan, QStringLiteral("--json")});
    EXPECT_EQ(refused.status, 8);
    EXPECT_TRUE(refused.err.contains("nothing was written")) << refused.err.toStdString();
    EXPECT_EQ(rules(refused.json()), QStringList{QStringLiteral("unit-address-unique")});
    EXPECT_FALSE(refused.json()[QStringLiteral("written")].toBool());
    EXPECT_TRUE(simReceived(modules[0]->logText()).isEmpty());
    EXPECT_TRUE(simReceived(modules[1]->logText()).isEmpty());

    const Outcome forced = modemcfg({QStringLiteral("apply"), plan, QStringLiteral("--force"), QStringLiteral("--json")});
    EXPECT_EQ(forced.status, 0) << forced.out.toStdString() << forced.err.toStdString();
    const QJsonArray reports = forced.json()[QStringLiteral("members")].toArray();
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[1][QStringLiteral("member")].toString(), QStringLiteral("B"));
    EXPECT_EQ(reports[1][QStringLiteral("result")].toString(), QStringLiteral("done"));
    EXPECT_TRUE(forced.json()[QStringLiteral("failed")].toArray().isEmpty());
    EXPECT_TRUE(simReceived(modules[1]->logText()).join().contains("AT&U2"));
}

TEST(NetworkCommandSim, ModulesReadLiveJoinTheFiles)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    ModemSim module;  // factory settings: transparent, system address 0
    const Outcome r = modemcfg({QStringLiteral("check"), QStringLiteral("--json"),
                                kExamples + QStringLiteral("/transparent/base.40B"), QStringLiteral("port:") + pty(module)});
    EXPECT_EQ(r.status, 8) << r.err.toStdString();
    EXPECT_EQ(r.json()[QStringLiteral("members")].toArray(), QJsonArray({QStringLiteral("base"), pty(module)}));
    EXPECT_TRUE(rules(r.json()).contains(QStringLiteral("system-address")));
    // A module that cannot be read stops the check: nothing half-checked.
    QTemporaryDir dir;
    const Outcome gone = modemcfg({QStringLiteral("check"), kExamples + QStringLiteral("/transparent/base.40B"),
                                   QStringLiteral("port:") + dir.filePath(QStringLiteral("no-such-device"))});
    EXPECT_EQ(gone.status, 2) << gone.err.toStdString();
    EXPECT_TRUE(gone.out.isEmpty());
    EXPECT_TRUE(gone.err.contains("no-such-device"));
}

}  // namespace
