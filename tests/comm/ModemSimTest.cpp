// The channel against the simulated module on a pseudo-terminal: waking it, numeric
// replies, the listing at 1200 bit/s, exclusive use of the port and a lost line.

#include "support/ModemSim.h"

#include "comm/COM740Object.h"
#include "comm/OnLineObject.h"

#include <gtest/gtest.h>

#include <condition_variable>

namespace {

using namespace std::chrono_literals;

const QString kBadReply = "Error communicating with 740R-B. The module did not respond correctly.";

struct EscapeCharGuard {
    char saved = EscapeChar.load();
    ~EscapeCharGuard() { EscapeChar.store(saved); }
};

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
    TCOM740Object channel{PortSettings{}};
    std::vector<QByteArray> heard;
    channel.SetReceiveHandler([&](const QByteArray &text, quint16) { heard.push_back(text); });
    EXPECT_NO_THROW(channel.WakeModem());
    EXPECT_TRUE(logged(*sim, "RX \"+++\""));
    ASSERT_EQ(heard.size(), 2u);   // nothing for "\r" in data mode, then "OK"
    EXPECT_EQ(heard[0], "");
    EXPECT_TRUE(heard[1].contains("OK"));
    EXPECT_TRUE(channel.SendCommand("ATS0=1\r", "OK", 100));
    EXPECT_TRUE(channel.LastReply().contains("ATS0=1\r"));   // echo on
}

TEST_F(SimTest, ModuleInCommandModeGetsNoEscape)
{
    auto sim = start({"--start", "command"});
    TCOM740Object channel{PortSettings{}};
    EXPECT_NO_THROW(channel.WakeModem());
    EXPECT_FALSE(logged(*sim, "+++"));
}

TEST_F(SimTest, WakesWithAnotherEscapeCharacter)
{
    EscapeCharGuard guard;
    auto sim = start({"--start", "command"});
    {
        TCOM740Object channel{PortSettings{}};
        EXPECT_TRUE(channel.SendCommand("ATS2=42\r", "OK", 100));
        channel.Send("ATO\r", "", 100);   // back to data mode
    }
    EscapeChar = 42;
    TCOM740Object channel{PortSettings{}};
    EXPECT_NO_THROW(channel.WakeModem());
    EXPECT_TRUE(logged(*sim, "RX \"***\""));
    EXPECT_FALSE(logged(*sim, "+++"));
    EXPECT_TRUE(channel.SendCommand("AT\r", "OK", 100));
}

TEST_F(SimTest, NumericRepliesCountAsOkButReturnFalse)
{
    auto sim = start({"--start", "command"});
    TCOM740Object channel{PortSettings{}};
    channel.SendCommand("ATV0\r", "OK", 100);
    EXPECT_FALSE(channel.SendCommand("AT&W\r", "OK", 100));
    EXPECT_EQ(channel.LastReply(), "AT&W\r0\r");
    EXPECT_NO_THROW(channel.WakeModem());   // "\r" answered "0\r"
    EXPECT_FALSE(logged(*sim, "+++"));
    EXPECT_EQ([&] {
        try {
            channel.SendCommand("ATS99=1\r", "OK", 20);
        } catch (const EWriteCommError &e) {
            return e.message();
        }
        return QString();
    }(), kBadReply);
}

TEST_F(SimTest, ListingAt1200)
{
    auto sim = start({"--start", "command"});
    {
        TCOM740Object channel{PortSettings{}};
        channel.Send("ATC1\r", "", 100);   // the module now talks at 1200 bit/s
    }
    PortSettings slow;
    slow.Baud = 0;
    QByteArray listing;
    {
        TCOM740Object channel{slow};
        EXPECT_TRUE(channel.SendCommand("AT&V\r", "&Z3=", 100));
        listing = channel.LastReply();
    }
    EXPECT_TRUE(listing.contains(" C1 "));
    EXPECT_TRUE(listing.contains("S21:1"));
    EXPECT_TRUE(listing.contains("&Z3="));

    // At the old rate the module hears only noise.
    TCOM740Object wrong(PortSettings{});
    EXPECT_THROW(wrong.SendCommand("AT\r", "OK", 20), EWriteCommError);
}

TEST_F(SimTest, ListingKeepsTheLastRouteAcrossTheFirstRead)
{
    // The length of the first route moves "&Z3=" around the end of the first 255-byte read.
    for (int baudItem : {1, 12}) {
        for (const QByteArray z0 : {"10,11,12,13,14,15", "10,11,12,13,14", "10,11,12,13", "1,2"}) {
            auto sim = start({"--start", "command"});
            {
                TCOM740Object channel{PortSettings{}};
                ASSERT_TRUE(channel.SendCommand("AT&Z0=" + z0 + "&Z1=20,21,22,23,24&Z3=30,31,32,33,34,35\r", "OK", 100));
                channel.Send("ATC" + QByteArray::number(baudItem) + "\r", "", 100);
            }
            PortSettings at;
            at.Baud = quint8(baudItem - 1);
            TCOM740Object channel{at};
            EXPECT_TRUE(channel.SendCommand("AT&V\r", "&Z3=", 100));
            EXPECT_TRUE(channel.LastReply().contains("&Z3=30,31,32,33,34,35 \r\n")) << baudItem << " " << z0.constData();
        }
    }
}

TEST_F(SimTest, SecondChannelOnTheSamePortFails)
{
    auto sim = start({"--start", "command"});
    auto first = std::make_unique<TCOM740Object>(PortSettings{});
    try {
        TCOM740Object second{PortSettings{}};
        ADD_FAILURE() << "second open succeeded";
    } catch (const EOpeningPortError &e) {
        EXPECT_EQ(e.message(), "COM1- This port may be already in use or not present.");
    }
    first.reset();
    TCOM740Object third{PortSettings{}};
    EXPECT_TRUE(third.SendCommand("AT\r", "OK", 100));
}

TEST_F(SimTest, LostLineFailsTheNextCommand)
{
    auto sim = start({"--start", "command", "--hangup-after", "1"});
    auto channel = std::make_unique<TCOM740Object>(PortSettings{});
    EXPECT_TRUE(channel->SendCommand("AT\r", "OK", 100));
    ASSERT_TRUE(sim->waitExit(5000));
    // A hung-up line has no modem lines to read: it fails before anything is written.
    try {
        channel->SendCommand("AT&W\r", "OK", 50);
        ADD_FAILURE() << "no error";
    } catch (const ECommsError &e) {
        EXPECT_EQ(e.message(), "CTS on modem was not detected.");
    }
    channel.reset();   // closing a dead line returns
}

TEST_F(SimTest, ReceivePumpCollectsTestReports)
{
    auto sim = start({"--start", "command"});
    TCOM740Object channel{PortSettings{}};
    EXPECT_TRUE(channel.SendCommand("AT&T3\r", "\r", 100));

    std::mutex mutex;
    std::condition_variable more;
    QByteArray stream;
    channel.SetReceiveHandler([&](const QByteArray &text, quint16) {
        std::lock_guard lock(mutex);
        stream += text;
        more.notify_all();
    });
    {
        TOnLineObject pump(channel);
        std::unique_lock lock(mutex);
        EXPECT_TRUE(more.wait_for(lock, 10s, [&] { return stream.count("RSSI") >= 2; }));
    }
    EXPECT_TRUE(stream.contains(" dBm\r\n"));
    channel.FlushLine();
    channel.SetReceiveHandler({});
    EXPECT_TRUE(channel.SendCommand("ATZ\r", "OK", 100));
}

} // namespace
