// The channel against the simulated module on a pseudo-terminal: waking it, numeric
// replies, refused commands, the listing at 1200 bit/s, exclusive use of the port and a lost line.

#include "support/ModemSim.h"

#include "comm/ModuleChannel.h"
#include "comm/ReceivePump.h"

#include <gtest/gtest.h>

#include <condition_variable>

namespace {

using namespace std::chrono_literals;

const QString kBadReply = "Error communicating with 740R-B. The module did not respond correctly.";

class SimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string(CFG_MODEM_SIM).empty())
            GTEST_SKIP() << "modem-sim is not part of this build";
    }
    void TearDown() override { qunsetenv("CFG_COM1"); }

    // Starts the simulator (short escape guard) and points COM1 at it.
    std::unique_ptr<ModemSim> start(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--guard", "100"});
        auto sim = std::make_unique<ModemSim>(args);
        qputenv("CFG_COM1", QByteArray::fromStdString(sim->path()));
        return sim;
    }
    static bool logged(const ModemSim &sim, const std::string &record) { return sim.logText().find(record) != std::string::npos; }
};

TEST_F(SimTest, WakesTheModuleFromDataModeWithTheEscapeSequence)
{
    auto sim = start({"--start", "data"});
    ModuleChannel channel{LineSettings{}};
    std::vector<QByteArray> heard;
    channel.setReceiveHandler([&](const QByteArray &text, quint16) { heard.push_back(text); });
    EXPECT_NO_THROW(channel.wakeModem());
    EXPECT_TRUE(logged(*sim, "RX \"+++\""));
    ASSERT_EQ(heard.size(), 2u);   // nothing for "\r" in data mode, then "OK"
    EXPECT_EQ(heard[0], "");
    EXPECT_TRUE(heard[1].contains("OK"));
    EXPECT_NO_THROW(channel.command("ATS0=1\r", ReplyRule::shortReply("OK", 100)));
    EXPECT_TRUE(channel.lastReply().contains("ATS0=1\r"));   // echo on
}

TEST_F(SimTest, ModuleInCommandModeGetsNoEscape)
{
    auto sim = start({"--start", "command"});
    ModuleChannel channel{LineSettings{}};
    EXPECT_NO_THROW(channel.wakeModem());
    EXPECT_FALSE(logged(*sim, "+++"));
}

TEST_F(SimTest, WakesWithAnotherEscapeCharacter)
{
    auto sim = start({"--start", "command"});
    {
        ModuleChannel channel{LineSettings{}};
        EXPECT_NO_THROW(channel.command("ATS2=42\r", ReplyRule::shortReply("OK", 100)));
        channel.deliver("ATO\r", ReplyRule::lineChange());   // back to data mode
    }
    ModuleChannel channel{LineSettings{}};
    channel.setEscapeCharacter(42);
    EXPECT_NO_THROW(channel.wakeModem());
    EXPECT_TRUE(logged(*sim, "RX \"***\""));
    EXPECT_FALSE(logged(*sim, "+++"));
    EXPECT_NO_THROW(channel.command("AT\r", ReplyRule::shortReply("OK", 100)));
}

TEST_F(SimTest, NumericRepliesCountAsOkButReturnFalse)
{
    auto sim = start({"--start", "command"});
    ModuleChannel channel{LineSettings{}};
    channel.command("ATV0\r", ReplyRule::shortReply("OK", 100));
    EXPECT_NO_THROW(channel.command("AT&W\r", ReplyRule::shortReply("OK", 100)));
    EXPECT_EQ(channel.lastReply(), "AT&W\r0\r");
    EXPECT_NO_THROW(channel.wakeModem());   // "\r" answered "0\r"
    EXPECT_FALSE(logged(*sim, "+++"));
    EXPECT_EQ([&] {
        try {
            channel.command("ATS99=1\r", ReplyRule::shortReply("OK", 20));
        } catch (const ModuleReplyError &e) {
            return e.message();
        }
        return QString();
    }(), kBadReply);
}

TEST_F(SimTest, RefusedIdentificationEndsAsAnErrorInBothForms)
{
    auto sim = start({"--start", "command", "--reject", "ATI"});
    ModuleChannel channel{LineSettings{}};
    ExchangeResult result = channel.exchange("ATI\r", ReplyRule::longReply("V", 100));
    EXPECT_EQ(result.status, ExchangeStatus::Error);
    EXPECT_TRUE(result.reply.contains("\r\nERROR\r\n")) << result.reply.constData();
    channel.command("ATV0\r", ReplyRule::shortReply("OK", 100));
    result = channel.exchange("ATI\r", ReplyRule::longReply("V", 100));
    EXPECT_EQ(result.status, ExchangeStatus::Error);
    EXPECT_EQ(result.reply, "ATI\r4\r");
}

TEST_F(SimTest, ListingAt1200)
{
    auto sim = start({"--start", "command"});
    {
        ModuleChannel channel{LineSettings{}};
        channel.deliver("ATC1\r", ReplyRule::lineChange());   // the module now talks at 1200 bit/s
    }
    LineSettings slow;
    slow.baudRate = 1200;
    QByteArray listing;
    {
        ModuleChannel channel{slow};
        EXPECT_NO_THROW(channel.command("AT&V\r", ReplyRule::listing(100)));
        listing = channel.lastReply();
    }
    EXPECT_TRUE(listing.contains(" C1 "));
    EXPECT_TRUE(listing.contains("S21:1"));
    EXPECT_TRUE(listing.contains("&Z3="));

    // At the old rate the module hears only noise.
    ModuleChannel wrong(LineSettings{});
    EXPECT_THROW(wrong.command("AT\r", ReplyRule::shortReply("OK", 20)), ModuleReplyError);
}

TEST_F(SimTest, ListingKeepsTheLastRouteAcrossTheFirstRead)
{
    // The length of the first route moves "&Z3=" around the end of the first 255-byte read.
    for (int baudItem : {1, 12}) {
        for (const QByteArray z0 : {"10,11,12,13,14,15", "10,11,12,13,14", "10,11,12,13", "1,2"}) {
            auto sim = start({"--start", "command"});
            {
                ModuleChannel channel{LineSettings{}};
                ASSERT_NO_THROW(channel.command("AT&Z0=" + z0 + "&Z1=20,21,22,23,24&Z3=30,31,32,33,34,35\r", ReplyRule::shortReply("OK", 100)));
                channel.deliver("ATC" + QByteArray::number(baudItem) + "\r", ReplyRule::lineChange());
            }
            LineSettings at;
            at.baudRate = kBaudRates[std::size_t(baudItem - 1)];
            ModuleChannel channel{at};
            EXPECT_NO_THROW(channel.command("AT&V\r", ReplyRule::listing(100)));
            EXPECT_TRUE(channel.lastReply().contains("&Z3=30,31,32,33,34,35 \r\n")) << baudItem << " " << z0.constData();
        }
    }
}

TEST_F(SimTest, SecondChannelOnTheSamePortFails)
{
    auto sim = start({"--start", "command"});
    auto first = std::make_unique<ModuleChannel>(LineSettings{});
    try {
        ModuleChannel second{LineSettings{}};
        ADD_FAILURE() << "second open succeeded";
    } catch (const PortOpenError &e) {
        EXPECT_EQ(e.message().section('\n', 0, 0), "COM1- This port may be already in use or not present.");
        EXPECT_TRUE(e.message().section('\n', 1).endsWith("is already open in this program.")) << qPrintable(e.message());
    }
    first.reset();
    ModuleChannel third{LineSettings{}};
    EXPECT_NO_THROW(third.command("AT\r", ReplyRule::shortReply("OK", 100)));
}

TEST_F(SimTest, LostLineFailsTheNextCommand)
{
    auto sim = start({"--start", "command", "--hangup-after", "1"});
    auto channel = std::make_unique<ModuleChannel>(LineSettings{});
    EXPECT_NO_THROW(channel->command("AT\r", ReplyRule::shortReply("OK", 100)));
    ASSERT_TRUE(sim->waitExit(5000));
    // A hung-up line has no modem lines to read: it fails before anything is written.
    try {
        channel->command("AT&W\r", ReplyRule::shortReply("OK", 50));
        ADD_FAILURE() << "no error";
    } catch (const SerialLineError &e) {
        EXPECT_EQ(e.message(), "CTS on modem was not detected.");
    }
    channel.reset();   // closing a dead line returns
}

TEST_F(SimTest, ReceivePumpCollectsTestReports)
{
    auto sim = start({"--start", "command"});
    ModuleChannel channel{LineSettings{}};
    EXPECT_NO_THROW(channel.command("AT&T3\r", ReplyRule::shortReply("\r", 100)));

    std::mutex mutex;
    std::condition_variable more;
    QByteArray stream;
    channel.setReceiveHandler([&](const QByteArray &text, quint16) {
        std::lock_guard lock(mutex);
        stream += text;
        more.notify_all();
    });
    {
        ReceivePump pump(channel);
        std::unique_lock lock(mutex);
        EXPECT_TRUE(more.wait_for(lock, 10s, [&] { return stream.count("RSSI") >= 2; }));
    }
    EXPECT_TRUE(stream.contains(" dBm\r\n"));
    channel.flushLine();
    channel.setReceiveHandler({});
    EXPECT_NO_THROW(channel.command("ATZ\r", ReplyRule::shortReply("OK", 100)));
}

} // namespace
