// Ports behind a device server: ser2net serves modem-sim's pty on 127.0.0.1 over
// RFC 2217 or raw TCP, and the program's own channel talks to it by URL. The line
// settings and CTS travel over RFC 2217, a stop ends a wait promptly, a refused
// connection names host and port, and a server that goes away is a lost line.

#include "support/ModemSim.h"
#include "support/Ser2net.h"

#include "comm/ModuleChannel.h"
#include "comm/PortBindings.h"

#include <gtest/gtest.h>

#include <stop_token>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

LineSettings lineTo(const std::string &url, int baudRate = 9600)
{
    LineSettings line;
    line.port = QString::fromStdString(url);
    line.baudRate = baudRate;
    return line;
}

class NetworkPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ModemSim::available())
            GTEST_SKIP() << "modem-sim is not part of this build";
        if (!Ser2net::available())
            GTEST_SKIP() << "ser2net is not installed";
        sim = std::make_unique<ModemSim>(std::vector<std::string>{"--start", "command", "--guard", "100"});
    }
    bool logged(const std::string &record) const { return sim->logText().find(record) != std::string::npos; }

    std::unique_ptr<ModemSim> sim;
};

TEST_F(NetworkPortTest, CommandsReachTheModuleOverRfc2217)
{
    Ser2net server(sim->path());
    ModuleChannel channel(lineTo(server.url("?ignore-cts")));
    EXPECT_NO_THROW(channel.command("AT\r", ReplyRule::shortReply("OK", 200)));
    EXPECT_NO_THROW(channel.command("ATI\r", ReplyRule::shortReply("OK", 200)));
    EXPECT_TRUE(channel.lastReply().contains("740R-B"));
    EXPECT_TRUE(logged("RX \"ATI\\r\""));
}

TEST_F(NetworkPortTest, ASlotBoundToTheServerOpensIt)
{
    Ser2net server(sim->path());
    qputenv("CFG_COM4", QByteArray::fromStdString(server.url("?ignore-cts")));
    LineSettings line;
    line.port = QStringLiteral("COM4");
    ModuleChannel channel(line);
    qunsetenv("CFG_COM4");
    EXPECT_NO_THROW(channel.command("AT\r", ReplyRule::shortReply("OK", 200)));
}

TEST_F(NetworkPortTest, TheRateGoesToTheServersPort)
{
    Ser2net server(sim->path());
    {
        // The module listens at 9600: at 19200 on the server's port it hears noise.
        ModuleChannel channel(lineTo(server.url("?ignore-cts"), 19200));
        SerialPortLayer::LineState state;
        ASSERT_TRUE(channel.line().port()->getLineState(state));
        EXPECT_EQ(state.baudRate, 19200);   // as the server acknowledged it
        EXPECT_THROW(channel.command("AT\r", ReplyRule::shortReply("OK", 200)), ModuleReplyError);
    }
    ModuleChannel channel(lineTo(server.url("?ignore-cts"), 9600));
    EXPECT_NO_THROW(channel.command("AT\r", ReplyRule::shortReply("OK", 200)));
}

TEST_F(NetworkPortTest, CtsComesFromTheServersModemState)
{
    // A pty has no modem lines: ser2net reports CTS off, and the check stands.
    Ser2net server(sim->path());
    ModuleChannel channel(lineTo(server.url()));
    EXPECT_FALSE(channel.line().port()->ctsOn());
    try {
        channel.command("AT\r", ReplyRule::shortReply("OK", 100));
        ADD_FAILURE() << "no error";
    } catch (const SerialLineError &e) {
        EXPECT_EQ(e.message(), "CTS on modem was not detected.");
    }
    EXPECT_FALSE(logged("RX \"AT\\r\""));
}

TEST_F(NetworkPortTest, RawTcpLeavesTheLineToTheServer)
{
    Ser2net server(sim->path(), Ser2net::Protocol::RawTcp);
    ModuleChannel channel(lineTo(server.url(), 19200));   // the server's 9600 stands
    EXPECT_TRUE(channel.line().port()->ctsOn());
    EXPECT_NO_THROW(channel.command("AT\r", ReplyRule::shortReply("OK", 200)));
}

TEST_F(NetworkPortTest, PurgeDropsWhatTheModuleSentBefore)
{
    Ser2net server(sim->path());
    ModuleChannel channel(lineTo(server.url("?ignore-cts")));
    ASSERT_TRUE(channel.line().writeBytes("AT\r"));
    std::this_thread::sleep_for(300ms);   // "OK" is on its way or here
    channel.line().purge();
    QByteArray piece;
    ASSERT_TRUE(channel.line().readPiece(piece, 64));
    EXPECT_EQ(piece, "");
}

TEST_F(NetworkPortTest, EveryCommandOfALongRunReachesTheModule)
{
    // Each command follows the purge of the line: a purge the server carried out
    // late would drop the command after it.
    Ser2net server(sim->path());
    ModuleChannel channel(lineTo(server.url("?ignore-cts")));
    for (int i = 0; i < 30; ++i)
        ASSERT_NO_THROW(channel.command("ATS7=5\r", ReplyRule::shortReply("OK", 100))) << "command " << i;
}

TEST_F(NetworkPortTest, AStopEndsAWaitPromptly)
{
    Ser2net server(sim->path());
    ModuleChannel channel(lineTo(server.url("?ignore-cts")));
    std::stop_source stop;
    channel.setStopToken(stop.get_token());
    Clock::time_point ended;
    std::thread worker([&] {
        channel.line().pollUntilStopped();   // the module says nothing
        ended = Clock::now();
    });
    std::this_thread::sleep_for(300ms);
    const Clock::time_point requested = Clock::now();
    stop.request_stop();
    worker.join();
    EXPECT_LT(ended - requested, 100ms);
}

TEST_F(NetworkPortTest, ARefusedConnectionNamesHostAndPort)
{
    const int port = Ser2net::freePort();
    const std::string url = "rfc2217://127.0.0.1:" + std::to_string(port);
    try {
        ModuleChannel channel(lineTo(url));
        ADD_FAILURE() << "opened";
    } catch (const PortOpenError &e) {
        EXPECT_TRUE(e.message().contains(QString("127.0.0.1 port %1").arg(port))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("refused")) << e.message().toStdString();
    }
}

TEST_F(NetworkPortTest, AMalformedAddressSaysHowToWriteIt)
{
    try {
        ModuleChannel channel(lineTo("rfc2217://127.0.0.1"));
        ADD_FAILURE() << "opened";
    } catch (const PortOpenError &e) {
        EXPECT_TRUE(e.message().contains("rfc2217://host:port")) << e.message().toStdString();
    }
}

TEST_F(NetworkPortTest, AServerThatGoesAwayIsALostLine)
{
    auto server = std::make_unique<Ser2net>(sim->path());
    ModuleChannel channel(lineTo(server->url("?ignore-cts")));
    EXPECT_NO_THROW(channel.command("AT\r", ReplyRule::shortReply("OK", 200)));
    server->stop();
    EXPECT_FALSE(channel.line().poll());   // the read sees the hang-up
    try {
        channel.command("AT&W\r", ReplyRule::shortReply("OK", 50));
        ADD_FAILURE() << "no error";
    } catch (const SerialLineError &e) {
        EXPECT_EQ(e.message(), "CTS on modem was not detected.");
    }
}

} // namespace
