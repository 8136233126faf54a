// The console program against modules behind a device server: ser2net serves
// modem-sim's pty over RFC 2217 on 127.0.0.1 and modemcfg is given its URL. Real
// time (ctest label "slow").
#include "support/ModemSim.h"
#include "support/ModemcfgRun.h"
#include "support/Ser2net.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <thread>

namespace {

const QString kGolden = QStringLiteral(CFG_TEST_DATA_DIR "/golden/transparent_example.40B");

using Outcome = ModemcfgOutcome;

Outcome modemcfg(const QStringList &arguments, const std::function<void()> &whenStarted = {})
{
    return runModemcfg(arguments, [&](QProcess &) {
        if (whenStarted)
            whenStarted();
    });
}

QString url(const Ser2net &server) { return QString::fromStdString(server.url("?ignore-cts")); }

// Waits until the module has received `record`.
void waitFor(const ModemSim &sim, const std::string &record)
{
    for (int i = 0; i < 3000 && sim.logText().find(record) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

class ModemcfgNetwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ModemSim::available())
            GTEST_SKIP() << "modem-sim is not built";
        if (!Ser2net::available())
            GTEST_SKIP() << "ser2net is not installed";
    }
};

TEST_F(ModemcfgNetwork, ReadsTheModuleBehindTheServer)
{
    ModemSim sim;
    Ser2net server(sim.path());
    const Outcome r = modemcfg({QStringLiteral("read"), QStringLiteral("--json"), QStringLiteral("--port"), url(server)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.json()[QStringLiteral("port")].toString(), url(server));
    EXPECT_TRUE(r.json()[QStringLiteral("identification")].toString().contains(QStringLiteral("740R-B")));
}

TEST_F(ModemcfgNetwork, WriteVerifiesAndTheServersPortFollowsTheNewRate)
{
    ModemSim sim;
    Ser2net server(sim.path());
    // The file sets the module to 19200 bit/s: the verify after the write and the
    // one below reach it only if the server's port moved too.
    const Outcome written = modemcfg({QStringLiteral("write"), QStringLiteral("--json"), QStringLiteral("--port"),
                                      url(server), kGolden});
    ASSERT_EQ(written.status, 0) << written.out.toStdString() << written.err.toStdString();
    EXPECT_EQ(written.json()[QStringLiteral("result")].toString(), QStringLiteral("done"));
    const Outcome verified = modemcfg({QStringLiteral("verify"), QStringLiteral("--baud"), QStringLiteral("19200"),
                                       QStringLiteral("--port"), url(server), kGolden});
    EXPECT_EQ(verified.status, 0) << verified.out.toStdString() << verified.err.toStdString();
}

TEST_F(ModemcfgNetwork, DetectFindsTheRateThroughTheServer)
{
    ModemSim sim({"--rate", "19200"});
    Ser2net server(sim.path());
    const Outcome found = modemcfg({QStringLiteral("detect"), QStringLiteral("--json"), QStringLiteral("--port"), url(server)});
    ASSERT_EQ(found.status, 0) << found.out.toStdString() << found.err.toStdString();
    EXPECT_EQ(found.json()[QStringLiteral("baud")].toInt(), 19200);
    EXPECT_EQ(found.json()[QStringLiteral("format")].toString(), QStringLiteral("N-8-1"));
}

TEST_F(ModemcfgNetwork, AServerStoppedMidWriteEndsAsALostLocalLineDoes)
{
    // The same write, once on a local line that hangs up while the registers go
    // out, once behind a server that stops at the same point.
    ModemSim local({"--hangup-after", "20"});
    const Outcome lostLine = modemcfg({QStringLiteral("write"), QStringLiteral("--json"), QStringLiteral("--port"),
                                       QString::fromStdString(local.path()), kGolden});

    ModemSim sim;
    Ser2net server(sim.path());
    const Outcome lostServer = modemcfg(
        {QStringLiteral("write"), QStringLiteral("--json"), QStringLiteral("--port"), url(server), kGolden}, [&] {
            waitFor(sim, "RX \"ATS");
            server.stop();
        });
    EXPECT_NE(lostServer.status, 0);
    EXPECT_EQ(lostServer.status, lostLine.status) << lostServer.out.toStdString() << lostServer.err.toStdString();
    EXPECT_NE(lostServer.json()[QStringLiteral("result")].toString(), QStringLiteral("done"));
    EXPECT_EQ(lostServer.json()[QStringLiteral("result")], lostLine.json()[QStringLiteral("result")]);
    EXPECT_EQ(lostServer.json()[QStringLiteral("message")], lostLine.json()[QStringLiteral("message")]);
    EXPECT_EQ(sim.logText().find("AT&W"), std::string::npos);   // nothing stored
}

TEST_F(ModemcfgNetwork, ARefusedConnectionIsPortUnavailableNamingHostAndPort)
{
    const int port = Ser2net::freePort();
    const Outcome r = modemcfg({QStringLiteral("read"), QStringLiteral("--port"),
                                QStringLiteral("rfc2217://127.0.0.1:%1").arg(port)});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE((r.out + r.err).contains(QStringLiteral("127.0.0.1 port %1").arg(port).toUtf8())) << r.err.toStdString();
}

TEST_F(ModemcfgNetwork, AMalformedAddressIsBadUsage)
{
    const Outcome r = modemcfg({QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("rfc2217://host")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("rfc2217://host:port")) << r.err.toStdString();
}

} // namespace
