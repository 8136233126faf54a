// The POSIX port layer and SerialLine on a real pseudo-terminal: exclusive opening,
// non-terminal devices, line settings, and the read and write time-out semantics.

#include "PtyLineState.h"

#include "comm/SerialLine.h"
#include "comm/PosixSerialPort.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct Pty {
    int master = -1;
    int slave = -1;   // held by the test: shows the settings the port object made
    QByteArray path;
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = name;
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
    void send(const QByteArray &bytes) const { ASSERT_EQ(::write(master, bytes.constData(), bytes.size()), bytes.size()); }
    // Everything the port object wrote, gathered for up to `wait`.
    QByteArray receive(std::chrono::milliseconds wait = 300ms) const
    {
        QByteArray got;
        const auto end = std::chrono::steady_clock::now() + wait;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
                char buf[512];
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0)
                    got.append(buf, n);
            }
        }
        return got;
    }
};

// Waits until at least `count` bytes wait to be read on `fd`, which is not read.
bool inputPending(int fd, int count)
{
    const auto end = std::chrono::steady_clock::now() + 2s;
    int pending = 0;
    while (ioctl(fd, FIONREAD, &pending) == 0 && pending < count && std::chrono::steady_clock::now() < end)
        poll(nullptr, 0, 1);
    return pending >= count;
}

// What the port layer reads and writes, and its text.
using Bytes = std::vector<std::uint8_t>;
Bytes bytes(const QByteArray &text) { return Bytes(text.begin(), text.end()); }
QByteArray text(const Bytes &bytes) { return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())); }

// Points COM1 at a device for one test.
struct Com1 {
    explicit Com1(const QByteArray &path) { qputenv("CFG_COM1", path); }
    ~Com1() { qunsetenv("CFG_COM1"); }
};

int openDescriptors()
{
    int n = 0;
    if (DIR *d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n;
}

template <typename E>
QString errorOfOpen(SerialLine &port)
{
    try {
        port.open();
    } catch (const E &e) {
        return e.message();
    }
    return "<nothing raised>";
}

TEST(PtyPort, SecondOpenOfTheSamePortFails)
{
    Pty pty;
    ASSERT_FALSE(pty.path.isEmpty());
    Com1 com1(pty.path);
    SerialLine first;
    ASSERT_TRUE(first.open());
    SerialLine second;
    EXPECT_EQ(errorOfOpen<PortOpenError>(second),
              "COM1- This port may be already in use or not present.\n" + pty.path + " is already open in this program.");
    EXPECT_EQ(second.port(), nullptr);
    first.close();
    EXPECT_TRUE(second.open());
}

TEST(PtyPort, RegularFileIsNoCommunicationsPort)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    Com1 com1(file.fileName().toLocal8Bit());
    const int before = openDescriptors();
    SerialLine port;
    const QString notSerialText = QStringLiteral("COM1- %1 is not a serial port.").arg(file.fileName());
    EXPECT_EQ(errorOfOpen<SerialLineError>(port), notSerialText);
    EXPECT_EQ(port.port(), nullptr);
    EXPECT_EQ(openDescriptors(), before);
    // Nothing stays locked either: the same file gives the same answer again.
    EXPECT_EQ(errorOfOpen<SerialLineError>(port), notSerialText);
}

TEST(PtyPort, MissingDeviceCannotBeOpened)
{
    Com1 com1("/nonexistent/ttyX");
    const int before = openDescriptors();
    SerialLine port;
    const QString message = errorOfOpen<PortOpenError>(port);
    EXPECT_EQ(message.section('\n', 0, 0), "COM1- This port may be already in use or not present.");
    EXPECT_TRUE(message.section('\n', 1).startsWith("/nonexistent/ttyX does not exist.")) << qPrintable(message);
    EXPECT_EQ(openDescriptors(), before);

    SerialLine beyond;
    beyond.setLineSettings({.port = "COM9"});   // no such slot, nor a device of that name
    EXPECT_EQ(errorOfOpen<PortOpenError>(beyond).section('\n', 0, 0), "COM9- This port may be already in use or not present.");
}

TEST(PtyPort, EveryRateOfTheTableReachesTheDevice)
{
    Pty pty;
    Com1 com1(pty.path);
    for (int index = 0; index < 12; ++index) {
        SerialLine port;
        port.setLineSettings({.baudRate = kBaudRates[index], .stopBits = 2});
        ASSERT_TRUE(port.open());
        PtyLineState line;
        ASSERT_TRUE(readPtyLineState(pty.slave, line));
        EXPECT_EQ(line.outputSpeed, unsigned(kBaudRates[index]));
        EXPECT_EQ(line.inputSpeed, unsigned(kBaudRates[index]));
        EXPECT_TRUE(line.customRate);
        EXPECT_TRUE(line.twoStopBits);
        EXPECT_TRUE(line.rawInput);
        EXPECT_FALSE(line.outputProcessing);
        EXPECT_TRUE(line.receiverOnLocalLine);
        EXPECT_FALSE(line.hardwareFlowControl);

        SerialPortLayer::LineState state;
        ASSERT_TRUE(port.port()->getLineState(state));
        EXPECT_EQ(state.baudRate, kBaudRates[index]);
        EXPECT_EQ(state.stopBits, 2);
    }
}

TEST(PtyPort, ExchangeAndPoll)
{
    Pty pty;
    Com1 com1(pty.path);
    SerialLine port;
    QByteArray heard;
    port.setReceiveHandler([&](const QByteArray &text, quint16) { heard += text; });
    ASSERT_TRUE(port.open());
    EXPECT_TRUE(port.port()->ctsOn());   // a pty has no modem lines

    std::thread module([&] {
        QByteArray command;
        for (int i = 0; i < 200 && !command.contains('\r'); ++i)
            command += pty.receive(10ms);
        pty.send(command + "\r\nOK\r\n");
    });
    EXPECT_EQ(port.exchange("AT&W\r", ReplyRule::shortReply("OK", 100)).status, ExchangeStatus::Ok);
    module.join();
    EXPECT_EQ(heard, "AT&W\r\r\nOK\r\n");

    heard.clear();
    pty.send("01 -87\r\n");
    ASSERT_TRUE(inputPending(pty.slave, 8));
    port.poll();
    EXPECT_EQ(heard, "01 -87\r\n");
}

class PtyLayer : public ::testing::Test {
protected:
    Pty pty;
    Com1 com1{pty.path};
    PosixSerialPort layer;

    void SetUp() override
    {
        ASSERT_TRUE(layer.open("COM1"));
        ASSERT_TRUE(layer.isCommDevice());
    }
    void sendLater(std::vector<std::pair<std::chrono::milliseconds, QByteArray>> steps)
    {
        writer = std::thread([this, steps] {
            for (const auto &[pause, bytes] : steps) {
                std::this_thread::sleep_for(pause);
                pty.send(bytes);
            }
        });
    }
    void TearDown() override
    {
        if (writer.joinable())
            writer.join();
    }
    std::thread writer;
};

TEST_F(PtyLayer, ReadEndsWhenTheRequestIsFilled)
{
    layer.setTimeouts({1000, 3, 1000, 10, 10});
    pty.send("0123456789AB");
    ASSERT_TRUE(inputPending(pty.slave, 12));
    Bytes data;
    EXPECT_TRUE(layer.read(data, 5));
    EXPECT_EQ(text(data), "01234");
    layer.setTimeouts({50, 3, 100, 10, 10});
    EXPECT_TRUE(layer.read(data, 100));
    EXPECT_EQ(text(data), "56789AB");
}

TEST_F(PtyLayer, ShortGapsStayInOneRead)
{
    layer.setTimeouts({400, 3, 3000, 10, 10});
    sendLater({{0ms, "abc"}, {10ms, "def"}, {10ms, "ghi"}});
    Bytes data;
    EXPECT_TRUE(layer.read(data, 100));
    EXPECT_EQ(text(data), "abcdefghi");
}

TEST_F(PtyLayer, GapLongerThanTheIntervalEndsTheRead)
{
    layer.setTimeouts({30, 3, 3000, 10, 10});
    sendLater({{0ms, "abc"}, {600ms, "def"}});
    Bytes data;
    EXPECT_TRUE(layer.read(data, 100));
    EXPECT_EQ(text(data), "abc");
    EXPECT_TRUE(layer.read(data, 100));
    EXPECT_EQ(text(data), "def");
}

TEST_F(PtyLayer, TimedOutReadIsNoError)
{
    layer.setTimeouts({50, 1, 20, 10, 10});
    Bytes data = bytes("stale");
    EXPECT_TRUE(layer.read(data, 10));
    EXPECT_TRUE(data.empty());
}

TEST_F(PtyLayer, TotalTimeoutEndsATrickle)
{
    // Bytes keep coming faster than the interval; only the total limit ends the read.
    layer.setTimeouts({5000, 0, 200, 10, 10});
    std::vector<std::pair<std::chrono::milliseconds, QByteArray>> steps(60, {25ms, "x"});
    sendLater(steps);
    Bytes data;
    EXPECT_TRUE(layer.read(data, 1000));
    EXPECT_GE(data.size(), 1u);
    EXPECT_LT(data.size(), 60u);
}

TEST_F(PtyLayer, PurgedInputIsGone)
{
    layer.setTimeouts({20, 1, 20, 10, 10});
    pty.send("junk");
    ASSERT_TRUE(inputPending(pty.slave, 4));
    layer.purgeInput();
    layer.purgeOutput();
    Bytes data;
    EXPECT_TRUE(layer.read(data, 10));
    EXPECT_TRUE(data.empty());
}

TEST_F(PtyLayer, WrittenBytesSurviveTheDiscardOfPendingOutput)
{
    layer.setTimeouts({50, 3, 50, 10, 10});
    EXPECT_TRUE(layer.write(bytes("ATZ\r")));
    layer.purgeOutput();   // the other side has not read them yet
    EXPECT_EQ(pty.receive(50ms), "ATZ\r");
}

TEST_F(PtyLayer, WriteThatCannotFinishTimesOutAndCloseReturns)
{
    layer.setTimeouts({50, 3, 50, 0, 200});
    EXPECT_TRUE(layer.write(bytes("AT\r")));
    EXPECT_EQ(pty.receive(50ms), "AT\r");
    // Nobody reads the other side: the line fills up.
    EXPECT_FALSE(layer.write(bytes(QByteArray(1 << 20, 'z'))));
    layer.close();
    EXPECT_FALSE(layer.isOpen());
}

TEST_F(PtyLayer, InterruptEndsAReadWithWhatArrivedUntilCleared)
{
    // Nothing but the interrupt would end this read before its 10 s.
    layer.setTimeouts({10'000, 0, 10'000, 10, 10});
    pty.send("abc");
    std::thread interrupter([this] {
        std::this_thread::sleep_for(100ms);
        layer.interrupt();
    });
    const auto start = std::chrono::steady_clock::now();
    Bytes data;
    EXPECT_TRUE(layer.read(data, 100));
    interrupter.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(text(data), "abc");
    // Interrupted until cleared: reads, writes and pauses return at once.
    pty.send("def");
    ASSERT_TRUE(inputPending(pty.slave, 3));
    EXPECT_TRUE(layer.read(data, 100));
    EXPECT_TRUE(data.empty());
    EXPECT_FALSE(layer.write(bytes("AT\r")));
    EXPECT_FALSE(layer.pause(10s));
    layer.clearInterrupt();
    layer.setTimeouts({20, 3, 20, 10, 10});
    EXPECT_TRUE(layer.read(data, 100));
    EXPECT_EQ(text(data), "def");
    EXPECT_TRUE(layer.write(bytes("AT\r")));
}

TEST_F(PtyLayer, InterruptEndsAWriteTheLineDoesNotTake)
{
    layer.setTimeouts({50, 3, 50, 0, 10'000});
    std::thread interrupter([this] {
        std::this_thread::sleep_for(100ms);
        layer.interrupt();
    });
    const auto start = std::chrono::steady_clock::now();
    // Nobody reads the other side: the line fills up and only the interrupt ends the wait.
    EXPECT_FALSE(layer.write(bytes(QByteArray(1 << 20, 'z'))));
    interrupter.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(PtyLayer, HangUpFailsTheRead)
{
    layer.setTimeouts({50, 3, 1000, 10, 10});
    ::close(pty.master);
    pty.master = -1;
    ::close(pty.slave);
    pty.slave = -1;
    Bytes data;
    EXPECT_FALSE(layer.read(data, 10));
}

TEST_F(PtyLayer, ClosedLayerRefusesEverything)
{
    layer.close();
    Bytes data;
    EXPECT_FALSE(layer.read(data, 10));
    EXPECT_FALSE(layer.write(bytes("x")));
    EXPECT_FALSE(layer.ctsOn());
    SerialPortLayer::LineState line;
    EXPECT_FALSE(layer.getLineState(line));
    EXPECT_TRUE(layer.open("COM1"));
}

} // namespace
