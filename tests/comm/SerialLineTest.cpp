// SerialLine over the in-memory port layer: opening, the exchange and its read budgets.

#include "../support/ScriptedLine.h"

#include "comm/ComPorts.h"
#include "comm/SerialLine.h"

#include <gtest/gtest.h>

namespace {

struct Received {
    std::vector<QByteArray> texts;
    std::vector<quint16> lengths;
    ReceiveHandler handler()
    {
        return [this](const QByteArray &text, quint16 length) {
            texts.push_back(text);
            lengths.push_back(length);
        };
    }
};

class SerialLineTest : public ::testing::Test {
protected:
    std::shared_ptr<ScriptedLine> state = std::make_shared<ScriptedLine>();
    SerialLine port{testPort(state)};
    Received received;

    void openPort()
    {
        // These pin the silence-ended reading (see ReplyReaderTest for the default).
        port.setPace(ReplyPace::Silence);
        port.setReceiveHandler(received.handler());
        ASSERT_TRUE(port.open());
        std::lock_guard lock(state->mutex);
        state->events.clear();
        state->readSizes.clear();
        state->readTimeouts.clear();
    }
    void queueReads(std::initializer_list<QByteArray> pieces)
    {
        for (const QByteArray &p : pieces)
            state->reads.push_back({p, true});
    }
};

// Whether the expected text answered the command, as the silence-ended reading
// judges it: an "ERROR" ends the reading early, but the text it holds still counts.
bool answered(SerialLine &port, const QByteArray &command, const ReplyRule &rule)
{
    const ExchangeResult result = port.exchange(command, rule);
    if (result.status == ExchangeStatus::Cancelled)
        throw ExchangeCancelled();
    const bool ok = result.status == ExchangeStatus::Ok
                    || (result.status == ExchangeStatus::Error && result.reply.contains(rule.expected));
    return ok && !rule.expected.isEmpty();
}

template <typename E, typename F>
QString messageOf(F &&f)
{
    try {
        f();
    } catch (const E &e) {
        return e.message();
    }
    return QStringLiteral("<nothing raised>");
}

TEST(ComPorts, NamesAndDevicePaths)
{
    EXPECT_EQ(comDeviceName(0), "COM1");
    EXPECT_EQ(comDeviceName(7), "COM8");
    EXPECT_EQ(comDeviceName(8), "");
    EXPECT_EQ(comDeviceName(-1), "");
    EXPECT_EQ(comPortIndex("COM3"), 2);
    EXPECT_EQ(comPortIndex("COM9"), -1);
    EXPECT_EQ(comPortIndex(""), -1);

    qunsetenv("CFG_COM2");
    EXPECT_EQ(comDevicePath(1), "/dev/ttyS1");
    qputenv("CFG_COM2", "/dev/pts/77");
    EXPECT_EQ(comDevicePath(1), "/dev/pts/77");
    EXPECT_EQ(comDevicePath(0), qEnvironmentVariableIsSet("CFG_COM1") ? qgetenv("CFG_COM1").toStdString() : "/dev/ttyS0");
    qunsetenv("CFG_COM2");
    EXPECT_EQ(comDevicePath(8), "");
}

TEST_F(SerialLineTest, OpenSetsInitialTimeoutsAndTheFourLineItems)
{
    state->line = {4800, 5, 2, 2};
    port.setLineSettings({.port = "COM3", .baudRate = 31250, .dataBits = 7, .parity = Parity::Odd, .stopBits = 1});
    EXPECT_TRUE(port.open());
    EXPECT_EQ(state->openedName, "COM3");
    EXPECT_NE(port.port(), nullptr);
    EXPECT_EQ(state->timeouts, (SerialPortLayer::Timeouts{50, 1, 0, 1, 10}));
    ASSERT_EQ(state->lineWrites.size(), 1u);
    EXPECT_EQ(state->lineWrites[0], (SerialPortLayer::LineState{31250, 7, 1, 0}));
}

TEST_F(SerialLineTest, ValuesOutsideTheLinesRangeKeepThePortsValues)
{
    state->line = {4800, 6, 0, 0};
    port.setLineSettings({.baudRate = 0, .dataBits = 9, .stopBits = 2});
    port.open();
    ASSERT_EQ(state->lineWrites.size(), 1u);
    EXPECT_EQ(state->lineWrites[0], (SerialPortLayer::LineState{4800, 6, 0, 2}));
}

TEST_F(SerialLineTest, OpenTwiceRaisesAlreadyOpenWithTheDeviceName)
{
    port.open();
    EXPECT_EQ(messageOf<PortAlreadyOpenError>([&] { port.open(); }), "COM1- The port is already open.");

    auto other = std::make_shared<ScriptedLine>();
    SerialLine second(testPort(other));
    second.setLineSettings({.port = "COM2"});
    second.open();
    EXPECT_EQ(messageOf<PortAlreadyOpenError>([&] { second.open(); }), "COM2- The port is already open.");
    EXPECT_TRUE(other->opened);
}

TEST_F(SerialLineTest, DeviceThatCannotBeOpened)
{
    state->openSucceeds = false;
    port.setLineSettings({.port = "COM5"});
    EXPECT_EQ(messageOf<PortOpenError>([&] { port.open(); }).section('\n', 0, 0), "COM5- This port may be already in use or not present.");
    EXPECT_EQ(port.port(), nullptr);
}

TEST_F(SerialLineTest, DeviceThatIsNoSerialPortIsClosedAgain)
{
    state->commDevice = false;
    // What the device is, not a Windows handle's words.
    const QString notSerialText = QStringLiteral("COM1- %1 is not a serial port.").arg(devicePathOf(QStringLiteral("COM1")));
    EXPECT_EQ(messageOf<SerialLineError>([&] { port.open(); }), notSerialText);
    EXPECT_EQ(port.port(), nullptr);
    EXPECT_FALSE(state->opened);
    EXPECT_EQ(state->events, QStringList({"open COM1", "close"}));
    EXPECT_TRUE(state->lineWrites.empty());
}

TEST_F(SerialLineTest, CloseAndPurge)
{
    openPort();
    port.purge();
    port.close();
    port.close();
    EXPECT_EQ(state->events, QStringList({"purgeOut", "purgeIn", "close"}));
    EXPECT_EQ(port.port(), nullptr);
    port.open();   // a closed object opens again
    EXPECT_TRUE(state->opened);
}

TEST_F(SerialLineTest, ExchangeOrderAndTimeouts)
{
    openPort();
    queueReads({"\r\nOK\r\n"});
    EXPECT_TRUE(answered(port, "AT&W\r", ReplyRule::shortReply("OK", 100)));
    EXPECT_EQ(state->events,
              QStringList({"cts", "purgeOut", "purgeIn", "write AT&W\r", "purgeOut", "read 22", "purgeIn"}));
    EXPECT_EQ(state->timeouts, (SerialPortLayer::Timeouts{100, 3, 100, 10, 10}));
    ASSERT_EQ(received.texts.size(), 1u);
    EXPECT_EQ(received.texts[0], "\r\nOK\r\n");
    EXPECT_EQ(received.lengths[0], 6);
}

TEST_F(SerialLineTest, CtsMissingTwiceWritesAndReadsNothing)
{
    openPort();
    state->ctsDefault = false;
    EXPECT_EQ(messageOf<SerialLineError>([&] { answered(port, "ATZ\r", ReplyRule::shortReply("OK", 50)); }), "CTS on modem was not detected.");
    EXPECT_TRUE(state->writes.empty());
    EXPECT_EQ(state->readCount(), 0);
    EXPECT_TRUE(received.texts.empty());
    EXPECT_EQ(state->events.count("cts"), 2);
}

TEST_F(SerialLineTest, CtsBackOnTheSecondLookWrites)
{
    openPort();
    state->cts = {false, true};
    queueReads({"OK"});
    EXPECT_TRUE(answered(port, "ATZ\r", ReplyRule::shortReply("OK", 50)));
    ASSERT_EQ(state->writes.size(), 1u);
}

TEST_F(SerialLineTest, FailedWriteReadsNothing)
{
    openPort();
    state->writeSucceeds = false;
    queueReads({"OK"});
    EXPECT_FALSE(answered(port, "ATZ\r", ReplyRule::shortReply("OK", 50)));
    EXPECT_EQ(state->readCount(), 0);
    EXPECT_TRUE(received.texts.empty());
}

TEST_F(SerialLineTest, FailedReadStillDeliversThePartialText)
{
    openPort();
    state->reads = {{"\r\nO", true}, {"", false}, {"K\r\n", true}};
    EXPECT_FALSE(answered(port, "AT\r", ReplyRule::shortReply("OK", 50)));
    EXPECT_EQ(state->readCount(), 2);
    ASSERT_EQ(received.texts.size(), 1u);
    EXPECT_EQ(received.texts[0], "\r\nO");
}

TEST_F(SerialLineTest, ReplyInPiecesEndsOnceTheEndingIsComplete)
{
    openPort();
    queueReads({"\r\n", "O", "K", "\r\n", "more"});
    EXPECT_TRUE(answered(port, "AT\r", ReplyRule::shortReply("OK", 50)));
    EXPECT_EQ(state->readCount(), 4);   // the ending's line runs to its CR LF
    EXPECT_EQ(received.texts.at(0), "\r\nOK\r\n");
}

// The last route of a listing may straddle the end of the first 255-byte read.
TEST_F(SerialLineTest, ListingKeepsTheLineOfItsEndingWhereverTheReadEnds)
{
    openPort();
    const QByteArray tail = "&Z3=30,31,32,33,34,35 \r\n\r\nOK\r\n";
    for (int offset : {200, 240, 250, 251, 254}) {
        const QByteArray listing = QByteArray(offset, 'x') + tail;
        state->module = [listing](const QByteArray &) { return listing; };
        received.texts.clear();
        EXPECT_TRUE(answered(port, "AT&V\r", ReplyRule::listing(100))) << offset;
        ASSERT_EQ(received.texts.size(), 1u);
        EXPECT_TRUE(received.texts[0].contains("&Z3=30,31,32,33,34,35 \r")) << offset;
    }
    // A module that stops mid-line: one silent read ends the exchange, nothing waits longer.
    state->module = [](const QByteArray &) { return QByteArray("&Z3=30,3"); };
    state->readSizes.clear();
    EXPECT_TRUE(answered(port, "AT&V\r", ReplyRule::listing(100)));
    EXPECT_EQ(state->readSizes.size(), 2u);
    state->module = nullptr;
}

TEST_F(SerialLineTest, ReadBudgetsAndRequestSizes)
{
    openPort();
    // The rule decides, never the command's text.
    struct Case {
        QByteArray command;
        ReplyRule rule;
        int reads, size;
    } cases[] = {
        {"AT&W\r", ReplyRule::shortReply("OK", 5), 20, 22},
        {"AT&V\r", ReplyRule::listing(5), 10, 255},
        {"ATI\r", ReplyRule::longReply("V", 5), 10, 255},
        {"+++", ReplyRule::longReply("OK", 5), 10, 255},
        {"***", ReplyRule::longReply("OK", 5), 10, 255},
        {"AT\r", ReplyRule::shortReply("\r", 5), 20, 21},
        {"xxAT&Vyy", ReplyRule::shortReply("OK", 5), 20, 22},
    };
    for (const Case &c : cases) {
        state->readSizes.clear();
        received.texts.clear();
        EXPECT_FALSE(answered(port, c.command, c.rule)) << c.command.constData();
        EXPECT_EQ(state->readSizes, std::vector<int>(c.reads, c.size)) << c.command.constData();
        ASSERT_EQ(received.texts.size(), 1u);   // delivered even when empty
        EXPECT_EQ(received.texts[0], "");
        EXPECT_EQ(received.lengths[0], 0);
    }
}

TEST_F(SerialLineTest, PartialReplyDeliveredWhenTheBudgetRunsOut)
{
    openPort();
    for (int i = 0; i < 25; ++i)
        state->reads.push_back({"x", true});
    EXPECT_FALSE(answered(port, "AT\r", ReplyRule::shortReply("OK", 5)));
    EXPECT_EQ(state->readCount(), 20);
    EXPECT_EQ(received.texts.at(0), QByteArray(20, 'x'));
}

TEST_F(SerialLineTest, EmptyExpectedMakesExactlyOneRead)
{
    openPort();
    queueReads({"\r\nOK\r\n", "more"});
    EXPECT_FALSE(answered(port, "ATC3\r", ReplyRule::shortReply("", 50)));
    EXPECT_EQ(state->readSizes, std::vector<int>{20});
    EXPECT_EQ(received.texts.at(0), "\r\nOK\r\n");
}

TEST_F(SerialLineTest, NumericOkEndsTheExchange)
{
    openPort();
    const QByteArray ending[] = {"0\r", "ATZ\r0\r", "\r\nOK\r\n"};
    for (const QByteArray &reply : ending) {
        state->readSizes.clear();
        queueReads({reply, "never read"});
        EXPECT_TRUE(answered(port, "AT\r", ReplyRule::shortReply("OK", 50))) << reply.constData();
        EXPECT_EQ(state->readCount(), 1);
        state->reads.clear();
    }
    // Neither exactly "0\r" nor "\r0\r": not an ending.
    const QByteArray notEnding[] = {"10\r", "0\r\n", "\r0"};
    for (const QByteArray &reply : notEnding) {
        state->readSizes.clear();
        queueReads({reply});
        EXPECT_FALSE(answered(port, "AT\r", ReplyRule::shortReply("OK", 5))) << reply.constData();
        EXPECT_EQ(state->readCount(), 20);
    }
}

TEST_F(SerialLineTest, ErrorEndsTheExchangeAtOnce)
{
    openPort();
    struct Case {
        QByteArray reply;
        bool numericCodes;
        ExchangeStatus status;
        int reads;
    } cases[] = {
        {"AT&W\r\r\nERROR\r\n", true, ExchangeStatus::Error, 1},
        {"\r\nERROR", true, ExchangeStatus::Error, 1},      // its line break still on the way
        {"AT&W\r4\r", true, ExchangeStatus::Error, 1},
        {"4\r", true, ExchangeStatus::Error, 1},
        {"4\r", false, ExchangeStatus::Timeout, 20},
        {"0\r", false, ExchangeStatus::Timeout, 20},
        {"NOERRORS\r\n", true, ExchangeStatus::Timeout, 20},  // not a line of its own
        {"14\r", true, ExchangeStatus::Timeout, 20},
    };
    for (const Case &c : cases) {
        state->readSizes.clear();
        state->reads.clear();
        queueReads({c.reply});
        ReplyRule rule = ReplyRule::shortReply("OK", 5);
        rule.numericCodes = c.numericCodes;
        const ExchangeResult result = port.exchange("AT&W\r", rule);
        EXPECT_EQ(result.status, c.status) << c.reply.constData();
        EXPECT_EQ(result.reply, c.reply) << c.reply.constData();
        EXPECT_EQ(state->readCount(), c.reads) << c.reply.constData();
    }
    // Without errorEnds an "ERROR" is just text.
    state->reads.clear();
    queueReads({"\r\nERROR\r\n", "\r\nOK\r\n"});
    ReplyRule rule = ReplyRule::shortReply("OK", 5);
    rule.errorEnds = false;
    EXPECT_EQ(port.exchange("AT\r", rule).status, ExchangeStatus::Ok);
    // The old call still answers true when the error text holds what it waits for.
    queueReads({"ATZ\r\r\nERROR\r\n"});
    EXPECT_TRUE(answered(port, "ATZ\r", ReplyRule::shortReply("\r", 100)));
}

TEST_F(SerialLineTest, ExchangeStatuses)
{
    openPort();
    queueReads({"\r\nOK\r\n"});
    EXPECT_EQ(port.exchange("AT\r", ReplyRule::shortReply("OK", 5)).status, ExchangeStatus::Ok);
    EXPECT_EQ(port.exchange("AT\r", ReplyRule::shortReply("OK", 5)).status, ExchangeStatus::Timeout);
    state->reads = {{"\r\nO", true}, {"", false}};
    const ExchangeResult lost = port.exchange("AT\r", ReplyRule::shortReply("OK", 5));
    EXPECT_EQ(lost.status, ExchangeStatus::LineLost);
    EXPECT_EQ(lost.reply, "\r\nO");
    // One read, whatever it brings, for an empty expected text.
    queueReads({"x"});
    EXPECT_EQ(port.exchange("ATC3\r", ReplyRule::shortReply("", 5)).status, ExchangeStatus::Ok);
    state->writeSucceeds = false;
    EXPECT_EQ(port.exchange("AT\r", ReplyRule::shortReply("OK", 5)).status, ExchangeStatus::LineLost);
    EXPECT_EQ(received.texts.size(), 4u);   // the unwritten command had no reply to hand on
}

TEST_F(SerialLineTest, EndingOnlyInTheLastPermittedReadIsAFailure)
{
    openPort();
    for (int i = 0; i < 19; ++i)
        queueReads({""});
    queueReads({"OK"});
    EXPECT_FALSE(answered(port, "AT\r", ReplyRule::shortReply("OK", 5)));
    EXPECT_EQ(received.texts.at(0), "OK");

    for (int i = 0; i < 18; ++i)
        queueReads({""});
    queueReads({"OK"});
    EXPECT_TRUE(answered(port, "AT\r", ReplyRule::shortReply("OK", 5)));

    for (int i = 0; i < 9; ++i)
        queueReads({"&A=1 "});
    queueReads({"&Z3=0"});
    EXPECT_FALSE(answered(port, "AT&V\r", ReplyRule::listing(100)));
    EXPECT_TRUE(received.texts.back().endsWith("&Z3=0"));
}

TEST_F(SerialLineTest, ListingAt1200WaitsLongerBetweenCharacters)
{
    port.setLineSettings({.baudRate = 1200});
    openPort();
    queueReads({"&Z3=1 \r\n"});
    answered(port, "AT&V\r", ReplyRule::listing(100));
    ASSERT_EQ(state->readTimeouts.size(), 1u);
    EXPECT_EQ(state->readTimeouts[0], (SerialPortLayer::Timeouts{350, 3, 100, 10, 10}));

    // Other commands at 1200 keep T.
    queueReads({"V1.61"});
    state->readTimeouts.clear();
    answered(port, "ATI\r", ReplyRule::longReply("V", 100));
    EXPECT_EQ(state->readTimeouts.at(0).readInterval, 100u);
}

TEST_F(SerialLineTest, ListingAt9600KeepsT)
{
    port.setLineSettings({.baudRate = 9600});
    openPort();
    queueReads({"&Z3=1"});
    answered(port, "AT&V\r", ReplyRule::listing(100));
    EXPECT_EQ(state->readTimeouts.at(0), (SerialPortLayer::Timeouts{100, 3, 100, 10, 10}));
}

TEST_F(SerialLineTest, PollDeliversOnlyWhatArrivedAndKeepsPendingInput)
{
    openPort();
    state->input = QByteArray(300, 'a');
    EXPECT_TRUE(port.poll());
    EXPECT_TRUE(port.poll());
    EXPECT_TRUE(port.poll());   // nothing left: the handler is not called
    EXPECT_EQ(state->readSizes, std::vector<int>(3, 255));
    ASSERT_EQ(received.texts.size(), 2u);
    EXPECT_EQ(received.texts[0].size(), 255);
    EXPECT_EQ(received.lengths[1], 45);
    EXPECT_EQ(state->events.count("purgeIn"), 0);
}

TEST_F(SerialLineTest, FailedPollDeliversNothing)
{
    openPort();
    state->reads = {{"abc", false}};
    EXPECT_FALSE(port.poll());
    EXPECT_TRUE(received.texts.empty());
}

TEST_F(SerialLineTest, ClosedPortNeitherReadsNorWrites)
{
    port.setReceiveHandler(received.handler());
    EXPECT_FALSE(port.poll());
    EXPECT_THROW(answered(port, "AT\r", ReplyRule::shortReply("OK", 5)), SerialLineError);
    EXPECT_TRUE(state->writes.empty());
    EXPECT_EQ(state->readCount(), 0);
}

} // namespace
