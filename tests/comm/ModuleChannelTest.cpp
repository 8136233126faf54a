// ModuleChannel over the in-memory port layer: judging replies, waking the module,
// flushing the line.

#include "../support/ScriptedLine.h"

#include "comm/ModuleChannel.h"

#include <gtest/gtest.h>

namespace {

const QString kBadReply = "Error communicating with 740R-B. The module did not respond correctly.";
const QString kCannotWake = "Error communicating with 740R-B. Unable to wake modem.";

class ChannelTest : public ::testing::Test {
protected:
    std::shared_ptr<ScriptedLine> state = std::make_shared<ScriptedLine>();
    std::unique_ptr<ModuleChannel> channel;
    std::vector<QByteArray> heard;

    void SetUp() override
    {
        channel = std::make_unique<ModuleChannel>(LineSettings{}, testPort(state));
        // These pin the silence-ended reading; the final-code reading has tests of its own.
        channel->line().setPace(ReplyPace::Silence);
        channel->setReceiveHandler([this](const QByteArray &text, quint16 length) {
            EXPECT_EQ(length, text.size());
            heard.push_back(text);
        });
    }
    void reply(const QByteArray &text) { state->reads.push_back({text, true}); }
    // A module that answers `answer` to the commands for which `accepts` is true.
    void module(std::function<bool(const QByteArray &)> accepts, QByteArray answer = "\r\nOK\r\n")
    {
        state->module = [accepts, answer](const QByteArray &written) {
            return accepts(written) ? answer : QByteArray();
        };
    }
    std::vector<QByteArray> written()
    {
        std::lock_guard lock(state->mutex);
        return state->writes;
    }
};

QString errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Exception &e) {
        return e.message();
    }
    return "<nothing raised>";
}

TEST(ChannelSetup, LineSettingsMapOntoThePort)
{
    auto state = std::make_shared<ScriptedLine>();
    {
        ModuleChannel defaults(LineSettings{}, testPort(state));
        EXPECT_EQ(state->openedName, "COM1");
        EXPECT_EQ(state->lineWrites.at(0), (SerialPortLayer::LineState{9600, 8, 0, 0}));
    }
    EXPECT_FALSE(state->opened);   // closed by the destructor

    const LineSettings s{QStringLiteral("COM8"), 76800, 7, Parity::Even, 2};
    state->lineWrites.clear();
    ModuleChannel other(s, testPort(state));
    EXPECT_EQ(state->openedName, "COM8");
    EXPECT_EQ(state->lineWrites.at(0), (SerialPortLayer::LineState{76800, 7, 2, 2}));
    EXPECT_TRUE(state->opened);
}

TEST(ChannelSetup, PortFailureReachesTheCreator)
{
    auto state = std::make_shared<ScriptedLine>();
    state->openSucceeds = false;
    LineSettings s;
    s.port = QStringLiteral("COM2");
    EXPECT_EQ(errorOf([&] { ModuleChannel c(s, testPort(state)); }).section('\n', 0, 0),
              "COM2- This port may be already in use or not present.");
}

TEST_F(ChannelTest, SendCommandJudgesTheReply)
{
    reply("AT&W\r\r\nOK\r\n");
    EXPECT_NO_THROW(channel->command("AT&W\r", ReplyRule::shortReply("OK", 100)));
    reply("0\r");
    EXPECT_NO_THROW(channel->command("AT&W\r", ReplyRule::shortReply("OK", 100)));
    reply("AT&W\r0\r");
    EXPECT_NO_THROW(channel->command("AT&W\r", ReplyRule::shortReply("OK", 100)));
    EXPECT_EQ(errorOf([&] { channel->command("AT&W\r", ReplyRule::shortReply("OK", 5)); }), kBadReply);
    EXPECT_EQ(channel->lastReply(), "");
    reply("\r\nERROR\r\n");
    EXPECT_EQ(errorOf([&] { channel->command("AT&W\r", ReplyRule::shortReply("OK", 5)); }), kBadReply);
    EXPECT_EQ(channel->lastReply(), "\r\nERROR\r\n");
    EXPECT_EQ(heard.size(), 5u);
}

TEST_F(ChannelTest, CarriageReturnAsExpectedAcceptsAnyReplyWithOne)
{
    reply("ATZ\r");
    EXPECT_NO_THROW(channel->command("ATZ\r", ReplyRule::shortReply("\r", 100)));
    reply("garbage");
    EXPECT_EQ(errorOf([&] { channel->command("ATZ\r", ReplyRule::shortReply("\r", 5)); }), kBadReply);
}

TEST_F(ChannelTest, SendStoresAndForwardsWithoutJudging)
{
    reply("\r\nERROR\r\n");
    EXPECT_NO_THROW(channel->deliver("ATC9\r", ReplyRule::shortReply("", 50)));
    EXPECT_EQ(channel->lastReply(), "\r\nERROR\r\n");
    EXPECT_EQ(state->readCount(), 1);
    EXPECT_NO_THROW(channel->deliver("ATC9\r", ReplyRule::shortReply("", 50)));
    EXPECT_EQ(channel->lastReply(), "");   // replaced also by an empty reply
    ASSERT_EQ(heard.size(), 2u);
}

TEST_F(ChannelTest, FailedWriteIsNotAnsweredByTheEarlierReply)
{
    reply("\r\nOK\r\n");
    EXPECT_NO_THROW(channel->command("AT\r", ReplyRule::shortReply("OK", 50)));
    state->writeSucceeds = false;
    EXPECT_EQ(errorOf([&] { channel->command("AT&W\r", ReplyRule::shortReply("OK", 50)); }), kBadReply);
    // Send judges no reply, but a command that never went out is still a failure.
    EXPECT_EQ(errorOf([&] { channel->deliver("ATQ1\r", ReplyRule::shortReply("OK", 50)); }), kBadReply);
    EXPECT_EQ(channel->lastReply(), "\r\nOK\r\n");   // kept, but not taken as the answer
    EXPECT_EQ(heard.size(), 1u);
}

TEST_F(ChannelTest, MissingCtsPassesThroughSendAndSendCommand)
{
    state->ctsDefault = false;
    EXPECT_EQ(errorOf([&] { channel->command("AT\r", ReplyRule::shortReply("OK", 50)); }), "CTS on modem was not detected.");
    EXPECT_EQ(errorOf([&] { channel->deliver("AT\r", ReplyRule::shortReply("OK", 50)); }), "CTS on modem was not detected.");
    EXPECT_TRUE(heard.empty());
}

TEST_F(ChannelTest, WakeModemInCommandModeSendsNoEscape)
{
    module([](const QByteArray &c) { return c == "\r"; });
    EXPECT_NO_THROW(channel->wakeModem());
    EXPECT_EQ(written(), std::vector<QByteArray>{"\r"});

    state->writes.clear();
    module([](const QByteArray &c) { return c == "\r"; }, "0\r");
    EXPECT_NO_THROW(channel->wakeModem());
    EXPECT_EQ(written(), std::vector<QByteArray>{"\r"});
}

TEST_F(ChannelTest, WakeModemFromDataMode)
{
    module([](const QByteArray &c) { return c == "+++"; });
    EXPECT_NO_THROW(channel->wakeModem());
    EXPECT_EQ(written(), (std::vector<QByteArray>{"\r", "+++"}));
    EXPECT_EQ(channel->lastReply(), "\r\nOK\r\n");
}

TEST_F(ChannelTest, WakeModemTakesTheSecondEscapeAndTheLastCarriageReturn)
{
    int escapes = 0;
    state->module = [&escapes](const QByteArray &c) -> QByteArray {
        return c == "+++" && ++escapes == 2 ? "x0\r" : "";   // "0\r" anywhere counts here
    };
    EXPECT_NO_THROW(channel->wakeModem());
    EXPECT_EQ(written(), (std::vector<QByteArray>{"\r", "+++", "+++"}));

    state->writes.clear();
    int returns = 0;
    state->module = [&returns](const QByteArray &c) -> QByteArray { return c == "\r" && ++returns == 2 ? "OK" : ""; };
    EXPECT_NO_THROW(channel->wakeModem());
    EXPECT_EQ(written(), (std::vector<QByteArray>{"\r", "+++", "+++", "\r"}));
}

TEST_F(ChannelTest, SilentModuleCannotBeWoken)
{
    EXPECT_EQ(errorOf([&] { channel->wakeModem(); }), kCannotWake);
    EXPECT_EQ(written(), (std::vector<QByteArray>{"\r", "+++", "+++", "\r"}));
    std::vector<int> expected;
    expected.insert(expected.end(), 20, 22);
    expected.insert(expected.end(), 20, 255);
    expected.insert(expected.end(), 20, 22);
    EXPECT_EQ(state->readSizes, expected);
    EXPECT_EQ(heard.size(), 4u);
}

TEST_F(ChannelTest, OtherEscapeCharacterIsSentAndReadLikeThePlusSign)
{
    EXPECT_EQ(channel->escapeCharacter(), '+');
    channel->setEscapeCharacter(42);
    EXPECT_EQ(errorOf([&] { channel->wakeModem(); }), kCannotWake);
    EXPECT_EQ(written(), (std::vector<QByteArray>{"\r", "***", "***", "\r"}));
    std::vector<int> expected(20, 22);
    expected.insert(expected.end(), 20, 255);
    expected.insert(expected.end(), 20, 22);
    EXPECT_EQ(state->readSizes, expected);

    state->writes.clear();
    module([](const QByteArray &c) { return c == "***"; });
    EXPECT_NO_THROW(channel->wakeModem());
    EXPECT_EQ(written(), (std::vector<QByteArray>{"\r", "***"}));

    // The channel's own character wins over the program-wide one.
    state->writes.clear();
    channel->setEscapeCharacter('#');
    EXPECT_EQ(channel->escapeCharacter(), '#');
    module([](const QByteArray &c) { return c == "###"; });
    EXPECT_EQ(channel->tryWake(), ExchangeStatus::Ok);
    EXPECT_EQ(written(), (std::vector<QByteArray>{"\r", "###"}));
}

TEST_F(ChannelTest, TryWakeReportsInsteadOfRaising)
{
    EXPECT_EQ(channel->tryWake(), ExchangeStatus::Timeout);
    EXPECT_EQ(written(), (std::vector<QByteArray>{"\r", "+++", "+++", "\r"}));

    state->writes.clear();
    module([](const QByteArray &) { return true; }, "\r\nERROR\r\n");
    EXPECT_EQ(channel->tryWake(), ExchangeStatus::Error);
    EXPECT_EQ(state->readCount(), 60 + 4);   // every attempt ended at its first read

    state->writeSucceeds = false;
    EXPECT_EQ(channel->tryWake(), ExchangeStatus::LineLost);
}

TEST_F(ChannelTest, ExchangeUnderAnExplicitRule)
{
    // "ATI" answered "ERROR" ends at once, whatever the framing.
    reply("ATI\r\r\nERROR\r\n");
    reply("never read");
    ExchangeResult result = channel->exchange("ATI\r", ReplyRule::longReply("V", 100));
    EXPECT_EQ(result.status, ExchangeStatus::Error);
    EXPECT_EQ(result.reply, "ATI\r\r\nERROR\r\n");
    EXPECT_EQ(state->readSizes, std::vector<int>{255});
    EXPECT_EQ(channel->lastReply(), result.reply);
    EXPECT_EQ(heard.size(), 1u);

    // The listing rule reads long pieces whatever the command says.
    state->reads.clear();
    state->readSizes.clear();
    reply("&Z3=1 \r\n");
    result = channel->exchange("AT&V1\r", ReplyRule::listing(100));
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(state->readSizes, std::vector<int>{255});

    // A write that fails is a lost line and leaves the last reply alone.
    state->writeSucceeds = false;
    EXPECT_EQ(channel->exchange("AT\r", ReplyRule::shortReply("OK", 50)).status, ExchangeStatus::LineLost);
    EXPECT_EQ(channel->lastReply(), "&Z3=1 \r\n");
}

TEST_F(ChannelTest, WakeModemAbsorbsMissingCtsOnlyOnTheFirstAttempt)
{
    state->ctsDefault = false;
    EXPECT_EQ(errorOf([&] { channel->wakeModem(); }), "CTS on modem was not detected.");
    EXPECT_TRUE(written().empty());

    // CTS back for the escape: the wake-up goes on.
    state->ctsDefault = true;
    state->cts = {false, false};
    module([](const QByteArray &c) { return c == "+++"; });
    EXPECT_NO_THROW(channel->wakeModem());
    EXPECT_EQ(written(), std::vector<QByteArray>{"+++"});
}

TEST_F(ChannelTest, WakeModemIgnoresAReplyLeftFromBeforeAFailedWrite)
{
    reply("\r\nOK\r\n");
    channel->command("AT\r", ReplyRule::shortReply("OK", 50));
    state->writeSucceeds = false;
    EXPECT_EQ(errorOf([&] { channel->wakeModem(); }), kCannotWake);
}

TEST_F(ChannelTest, FlushLineReadsOnceWaitsAndPurges)
{
    module([](const QByteArray &c) { return c == "\r"; }, QByteArray(30, 'r'));
    channel->flushLine();
    EXPECT_EQ(written(), std::vector<QByteArray>{"\r"});
    EXPECT_EQ(state->readSizes, std::vector<int>{20});
    EXPECT_EQ(state->timeouts.readInterval, 5u);
    const QStringList events = state->eventList();
    EXPECT_EQ(events.mid(events.size() - 3), QStringList({"pause 100", "purgeOut", "purgeIn"}));
    EXPECT_EQ(channel->lastReply(), QByteArray(20, 'r'));
}

TEST_F(ChannelTest, ListenerIsOptional)
{
    channel->setReceiveHandler({});
    reply("OK");
    EXPECT_NO_THROW(channel->command("AT\r", ReplyRule::shortReply("OK", 50)));
    EXPECT_EQ(channel->lastReply(), "OK");
    EXPECT_TRUE(heard.empty());
}

} // namespace
