// The Win32 port layer against modem-sim under Wine: COM1 is a simulator whose
// replies leave 300 ms after the echo, COM2 one that hangs up after its first
// command (scripts/test-windows maps both). Plain C++: no Qt, no test framework.
// Interrupts come from a second thread, as a stop does in the program.

#include "comm/Win32SerialPort.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Timeouts = SerialPortLayer::Timeouts;

constexpr auto kReplyDelay = 300ms;       // modem-sim --delay on COM1
// Wine's waits are coarser than the driver's; every measured limit gets this much.
constexpr auto kTolerance = 150ms;

int failures = 0;
std::string currentCase;

void check(bool ok, const char *what, int line, const std::string &detail = {})
{
    if (ok)
        return;
    ++failures;
    std::printf("  FAILED %s, line %d: %s%s%s\n", currentCase.c_str(), line, what, detail.empty() ? "" : " -- ",
                detail.c_str());
}
#define CHECK(cond) check((cond), #cond, __LINE__)
#define CHECK_WHY(cond, detail) check((cond), #cond, __LINE__, (detail))

std::vector<std::uint8_t> bytes(const std::string &text) { return {text.begin(), text.end()}; }
std::string text(const std::vector<std::uint8_t> &data) { return {data.begin(), data.end()}; }
long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}
long long ms(std::chrono::milliseconds d) { return d.count(); }

// Reads until `ending` has arrived or two seconds have passed.
std::string readUntil(Win32SerialPort &port, const std::string &ending)
{
    port.setTimeouts({50, 1, 100, 10, 100});
    std::string got;
    const auto start = Clock::now();
    std::vector<std::uint8_t> piece;
    while (got.find(ending) == std::string::npos && Clock::now() - start < 2s) {
        if (!port.read(piece, 64))
            break;
        got += text(piece);
    }
    return got;
}

std::string exchange(Win32SerialPort &port, const std::string &command)
{
    port.purgeInput();
    if (!port.write(bytes(command)))
        return "<write failed: " + port.errorText() + ">";
    return readUntil(port, "OK\r\n");
}

bool openAt9600(Win32SerialPort &port, const char *name)
{
    return port.open(name) && port.setLineState({9600, 8, NOPARITY, ONESTOPBIT});
}

void opensAtNineSixHundredEightNOne()
{
    Win32SerialPort port;
    CHECK_WHY(port.open("COM1"), port.errorText());
    CHECK(port.isCommDevice());
    CHECK_WHY(port.setLineState({9600, 8, NOPARITY, ONESTOPBIT}), port.errorText());
    SerialPortLayer::LineState line;
    CHECK_WHY(port.getLineState(line), port.errorText());
    CHECK(line == (SerialPortLayer::LineState{9600, 8, NOPARITY, ONESTOPBIT}));
    CHECK(port.ctsOn());   // no modem lines on a pseudo-terminal: nothing to wait for
    const std::string reply = exchange(port, "AT\r");
    CHECK_WHY(reply.find("\r\nOK\r\n") != std::string::npos, reply);
}

void timeoutsAreKeptFieldForField()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM1"));
    const Timeouts set{350, 3, 100, 10, 20};
    CHECK(port.setTimeouts(set));
    Timeouts got;
    CHECK(port.getTimeouts(got));
    CHECK(got == set);
}

void timedOutReadIsNoErrorAndLastsTheTotal()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM1"));
    port.purgeInput();
    port.setTimeouts({20, 2, 100, 10, 10});   // 50 bytes: 2 x 50 + 100 = 200 ms
    std::vector<std::uint8_t> data = bytes("stale");
    const auto start = Clock::now();
    CHECK(port.read(data, 50));
    const long long took = msSince(start);
    CHECK(data.empty());
    CHECK_WHY(took >= 190 && took <= 200 + ms(kTolerance), std::to_string(took) + " ms");
}

void gapLongerThanTheIntervalEndsTheRead()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM1"));
    port.purgeInput();
    CHECK(port.write(bytes("AT\r")));
    port.setTimeouts({50, 0, 3000, 10, 10});
    std::vector<std::uint8_t> data;
    auto start = Clock::now();
    CHECK(port.read(data, 100));
    long long took = msSince(start);
    CHECK_WHY(text(data) == "AT\r", text(data));   // the echo; the reply comes 300 ms later
    CHECK_WHY(took < ms(kReplyDelay), std::to_string(took) + " ms");
    CHECK(port.read(data, 100));
    CHECK_WHY(text(data) == "\r\nOK\r\n", text(data));

    // An interval longer than the pause keeps echo and reply in one read.
    port.setTimeouts({600, 0, 3000, 10, 10});
    CHECK(port.write(bytes("AT\r")));
    start = Clock::now();
    CHECK(port.read(data, 100));
    took = msSince(start);
    CHECK_WHY(text(data) == "AT\r\r\nOK\r\n", text(data));
    CHECK_WHY(took >= ms(kReplyDelay) + 550 && took < ms(kReplyDelay) + 600 + ms(kTolerance),
              std::to_string(took) + " ms");
}

void readEndsWhenTheRequestIsFilled()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM1"));
    port.purgeInput();
    port.setTimeouts({1000, 0, 3000, 10, 10});
    CHECK(port.write(bytes("AT\r")));
    std::vector<std::uint8_t> data;
    const auto start = Clock::now();
    CHECK(port.read(data, 2));
    CHECK_WHY(text(data) == "AT", text(data));
    CHECK_WHY(msSince(start) < ms(kTolerance), std::to_string(msSince(start)) + " ms");
    readUntil(port, "OK\r\n");
}

void purgedInputIsGone()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM1"));
    CHECK(port.write(bytes("AT\r")));
    std::this_thread::sleep_for(kReplyDelay + 200ms);
    port.purgeInput();
    port.setTimeouts({20, 1, 50, 10, 10});
    std::vector<std::uint8_t> data;
    CHECK(port.read(data, 50));
    CHECK_WHY(data.empty(), text(data));
}

void simulatorFollowsARateChange()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM1"));
    std::string reply = exchange(port, "ATC6\r");   // 19200; the answer still comes at 9600
    CHECK_WHY(reply.find("OK") != std::string::npos, reply);
    CHECK(port.setLineState({19200, 8, NOPARITY, ONESTOPBIT}));
    SerialPortLayer::LineState line;
    CHECK(port.getLineState(line) && line.baudRate == 19200);
    reply = exchange(port, "AT\r");
    CHECK_WHY(reply.find("\r\nOK\r\n") != std::string::npos, reply);

    // At the old rate the simulator hears only noise: the new rate is on the line.
    CHECK(port.setLineState({9600, 8, NOPARITY, ONESTOPBIT}));
    reply = exchange(port, "AT\r");
    CHECK_WHY(reply.empty(), reply);

    CHECK(port.setLineState({19200, 8, NOPARITY, ONESTOPBIT}));
    reply = exchange(port, "ATC4\r");
    CHECK_WHY(reply.find("OK") != std::string::npos, reply);
}

void secondOpenOfTheSamePortFails()
{
    Win32SerialPort first;
    CHECK(first.open("COM1"));
    Win32SerialPort second;
    CHECK(!second.open("COM1"));
    CHECK(!second.isOpen());
    CHECK_WHY(!second.errorText().empty(), "no text for the refusal");
    first.close();
    CHECK_WHY(second.open("COM1"), second.errorText());
}

void missingOrOrdinaryDevicesAreRefused()
{
    Win32SerialPort port;
    CHECK(!port.open("COM8"));   // mapped to nothing
    const std::string why = port.errorText();
    CHECK_WHY(!why.empty() && why.rfind("error ", 0) != 0, why);
    CHECK(!port.open("COM9"));

    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string file = std::string(folder) + "not-a-port.txt";
    std::ofstream(file) << "text";
    _putenv_s("CFG_COM3", file.c_str());
    CHECK(port.open("COM3"));
    CHECK(!port.isCommDevice());
    port.close();
    _putenv_s("CFG_COM3", "");
    DeleteFileA(file.c_str());
}

void vanishedDeviceFailsTheRead()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM2"));
    const std::string reply = exchange(port, "AT\r");   // its only answer; then it hangs up
    CHECK_WHY(reply.find("OK") != std::string::npos, reply);
    // It closes once the reply has been read; a slow machine gets two seconds for that.
    port.setTimeouts({50, 1, 200, 10, 10});
    std::vector<std::uint8_t> data;
    bool readFailed = false;
    std::string reads;
    const auto start = Clock::now();
    while (!readFailed && Clock::now() - start < 2s) {
        readFailed = !port.read(data, 10);
        reads += " [" + text(data) + "]";
    }
    CHECK_WHY(readFailed, "reads still succeed two seconds after the hang-up:" + reads);
    CHECK(!port.write(bytes("AT\r")) || !port.read(data, 10));
    port.close();
    CHECK(!port.isOpen());
}


// Interrupts `port` from another thread after `after`.
std::thread interruptAfter(Win32SerialPort &port, std::chrono::milliseconds after)
{
    return std::thread([&port, after] {
        std::this_thread::sleep_for(after);
        port.interrupt();
    });
}

void interruptEndsAReadUnderWay()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM1"));
    CHECK(port.wakesBlockedReads());
    port.purgeInput();
    // No total time-out and nothing on the line: only the interrupt can end this read.
    port.setTimeouts({50, 0, 0, 10, 10});
    std::vector<std::uint8_t> data = bytes("stale");
    auto start = Clock::now();
    std::thread waker = interruptAfter(port, 200ms);
    const bool ok = port.read(data, 50);
    const long long took = msSince(start);
    waker.join();
    CHECK_WHY(ok, port.errorText());
    CHECK_WHY(data.empty(), text(data));
    CHECK_WHY(took >= 190 && took <= 200 + ms(kTolerance), std::to_string(took) + " ms");

    // Interrupted, every read and write returns at once until the interrupt is cleared.
    start = Clock::now();
    CHECK(port.read(data, 50));
    CHECK(!port.write(bytes("AT\r")));
    CHECK_WHY(msSince(start) < ms(kTolerance), std::to_string(msSince(start)) + " ms");
    port.clearInterrupt();
    const std::string reply = exchange(port, "AT\r");
    CHECK_WHY(reply.find("\r\nOK\r\n") != std::string::npos, reply);
}

void interruptKeepsWhatArrivedBeforeIt()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM1"));
    port.purgeInput();
    port.setTimeouts({0, 0, 0, 10, 10});   // waits for all 100 bytes
    CHECK(port.write(bytes("AT\r")));
    std::thread waker = interruptAfter(port, kReplyDelay + 200ms);
    std::string got;
    std::vector<std::uint8_t> data;
    const auto start = Clock::now();
    // A driver may hand over a cancelled read's bytes or keep them for the next read.
    CHECK(port.read(data, 100));
    got += text(data);
    waker.join();
    const long long took = msSince(start);
    port.clearInterrupt();
    port.setTimeouts({20, 0, 100, 10, 10});
    CHECK(port.read(data, 100));
    got += text(data);
    CHECK_WHY(got == "AT\r\r\nOK\r\n", got);
    CHECK_WHY(took <= ms(kReplyDelay) + 200 + ms(kTolerance), std::to_string(took) + " ms");
}

void readReturnsDataThatArrivesDuringTheWait()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM1"));
    port.purgeInput();
    port.setTimeouts({0, 0, 3000, 10, 10});
    CHECK(port.write(bytes("AT\r")));
    std::vector<std::uint8_t> data;
    CHECK(port.read(data, 3));
    CHECK_WHY(text(data) == "AT\r", text(data));
    // The reply comes 300 ms after the echo, into a read already waiting for it.
    const auto start = Clock::now();
    CHECK(port.read(data, 6));
    const long long took = msSince(start);
    CHECK_WHY(text(data) == "\r\nOK\r\n", text(data));
    CHECK_WHY(took >= ms(kReplyDelay) - 50 && took < ms(kReplyDelay) + ms(kTolerance), std::to_string(took) + " ms");
}

void readWithADeadlineReturnsAtItWithWhatArrived()
{
    Win32SerialPort port;
    CHECK(openAt9600(port, "COM1"));
    port.purgeInput();
    // No interval: the read wants 100 bytes and ends at 600 ms, the reply long in.
    port.setTimeouts({0, 0, 600, 10, 10});
    CHECK(port.write(bytes("AT\r")));
    std::vector<std::uint8_t> data;
    const auto start = Clock::now();
    CHECK(port.read(data, 100));
    const long long took = msSince(start);
    CHECK_WHY(text(data) == "AT\r\r\nOK\r\n", text(data));
    CHECK_WHY(took >= 590 && took <= 600 + ms(kTolerance), std::to_string(took) + " ms");
}

} // namespace

int main()
{
    const std::pair<const char *, std::function<void()>> cases[] = {
        {"OpensAtNineSixHundredEightNOne", opensAtNineSixHundredEightNOne},
        {"TimeoutsAreKeptFieldForField", timeoutsAreKeptFieldForField},
        {"TimedOutReadIsNoErrorAndLastsTheTotal", timedOutReadIsNoErrorAndLastsTheTotal},
        {"GapLongerThanTheIntervalEndsTheRead", gapLongerThanTheIntervalEndsTheRead},
        {"ReadEndsWhenTheRequestIsFilled", readEndsWhenTheRequestIsFilled},
        {"PurgedInputIsGone", purgedInputIsGone},
        {"SimulatorFollowsARateChange", simulatorFollowsARateChange},
        {"SecondOpenOfTheSamePortFails", secondOpenOfTheSamePortFails},
        {"MissingOrOrdinaryDevicesAreRefused", missingOrOrdinaryDevicesAreRefused},
        {"VanishedDeviceFailsTheRead", vanishedDeviceFailsTheRead},
        {"InterruptEndsAReadUnderWay", interruptEndsAReadUnderWay},
        {"InterruptKeepsWhatArrivedBeforeIt", interruptKeepsWhatArrivedBeforeIt},
        {"ReadReturnsDataThatArrivesDuringTheWait", readReturnsDataThatArrivesDuringTheWait},
        {"ReadWithADeadlineReturnsAtItWithWhatArrived", readWithADeadlineReturnsAtItWithWhatArrived},
    };
    int failedCases = 0;
    for (const auto &[name, run] : cases) {
        currentCase = name;
        const int before = failures;
        run();
        const bool ok = failures == before;
        failedCases += ok ? 0 : 1;
        std::printf("%s %s\n", ok ? "[  OK  ]" : "[FAILED]", name);
        std::fflush(stdout);
    }
    std::printf("%d of %zu cases passed\n", int(std::size(cases)) - failedCases, std::size(cases));
    return failedCases ? 1 : 0;
}
