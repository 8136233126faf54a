// The in-process module behind its port layer: the read time-outs and the guard time
// pass on the virtual clock, the line's rate decides what the module understands, and
// an unplugged line drains, then fails.
#include "SimLog.h"
#include "support/SimulatedModule.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes(const std::string &s) { return Bytes(s.begin(), s.end()); }
std::string text(const Bytes &b) { return std::string(b.begin(), b.end()); }

struct Line {
    explicit Line(std::vector<std::string> args) : module(std::make_shared<SimulatedModule>(args)), port(module, "COM1")
    {
        EXPECT_TRUE(port.open("COM1"));
    }
    std::string read(int maxBytes, SerialPortLayer::Timeouts timeouts, bool *ok = nullptr)
    {
        port.setTimeouts(timeouts);
        Bytes data;
        const bool done = port.read(data, maxBytes);
        if (ok)
            *ok = done;
        return text(data);
    }
    // The virtual seconds of the module's records of one kind.
    QList<double> stamps(const char *kind) const
    {
        QList<double> out;
        for (const SimEvent &e : parseSimLog(module->logText()))
            if (e.kind == kind)
                out << e.time;
        return out;
    }
    std::shared_ptr<SimulatedModule> module;
    TestPort port;
};

TEST(SimulatedModule, ReadsEndByTheirTimeOutsOnTheVirtualClock)
{
    Line line({"--start", "command", "--delay", "300"});
    const auto wallStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(line.port.write(bytes("AT\r")));
    // The reply comes 300 ms after the command: a 100 ms total time-out ends first.
    EXPECT_EQ(line.read(64, {0, 0, 100, 0, 0}), "AT\r");
    EXPECT_EQ(line.read(64, {0, 0, 100, 0, 0}), "");
    // The interval ends a read once the reply has stopped coming.
    EXPECT_EQ(line.read(64, {20, 0, 1000, 0, 0}), "\r\nOK\r\n");
    // A read of N bytes ends with the N-th.
    ASSERT_TRUE(line.port.write(bytes("ATI\r")));
    EXPECT_EQ(line.read(4, {0, 0, 0, 0, 0}), "ATI\r");
    EXPECT_LT(std::chrono::steady_clock::now() - wallStart, std::chrono::milliseconds(200));

    const QList<double> rx = line.stamps("RX");
    const QList<double> tx = line.stamps("TX");
    ASSERT_EQ(rx.size(), 2);
    ASSERT_EQ(tx.size(), 1); // the answer to "ATI" is not due yet
    EXPECT_NEAR(tx[0] - rx[0], 0.300, 2e-6);
    // Characters take 10 bits each at 9600 bit/s: the six of the reply, the 20 ms of
    // silence that ended the read, then the four of "ATI\r".
    EXPECT_NEAR(rx[1] - tx[0], 10 * 10 / 9600.0 + 0.020, 1e-5);
}

TEST(SimulatedModule, TheEscapeNeedsItsGuardTimesAndTheRightRate)
{
    Line line({"--start", "data", "--guard", "500"});
    ASSERT_TRUE(line.port.write(bytes("+++")));
    EXPECT_EQ(line.read(64, {0, 0, 400, 0, 0}), "");  // the trailing guard has not passed
    EXPECT_EQ(line.read(64, {50, 0, 400, 0, 0}), "\r\nOK\r\n");

    // At another rate the module hears noise and does not answer.
    SerialPortLayer::LineState fast{19200, 8, 0, 0};
    ASSERT_TRUE(line.port.setLineState(fast));
    ASSERT_TRUE(line.port.write(bytes("AT\r")));
    EXPECT_EQ(line.read(64, {50, 0, 400, 0, 0}), "");
    EXPECT_EQ(line.stamps("IG").size(), 1);
    SerialPortLayer::LineState back;
    ASSERT_TRUE(line.port.getLineState(back));
    EXPECT_EQ(back, fast);
}

TEST(SimulatedModule, AnUnpluggedLineDrainsThenFails)
{
    Line line({"--start", "command", "--hangup-after", "1"});
    TestPort second(line.module, "COM1");
    EXPECT_FALSE(second.open("COM1")) << "opened twice";
    ASSERT_TRUE(line.port.write(bytes("AT\r")));
    EXPECT_FALSE(line.port.ctsOn());
    bool ok = false;
    EXPECT_EQ(line.read(64, {50, 0, 400, 0, 0}, &ok), "AT\r\r\nOK\r\n");
    EXPECT_FALSE(ok);
    EXPECT_FALSE(line.port.write(bytes("AT\r")));
    line.port.close();
    EXPECT_FALSE(second.open("COM1"));
}

} // namespace
