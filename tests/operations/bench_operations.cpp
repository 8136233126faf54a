// Times a full configure and a full read at 9600 bit/s against modem-sim and sets
// them beside the floor that the exchanges themselves impose: for every exchange in
// the simulator's log, from the command's arrival (its echo) to the reply's last byte, plus the
// read interval T that must pass in silence before the port returns the reply.
// Not a test: it prints, it does not judge.
#include "OperationTestSupport.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The read interval of an exchange: the wake's carriage return waits 50 ms, the
// serial-parameter commands 5 ms, everything else 100 ms.
double readIntervalFor(const QByteArray &command)
{
    if (command == "\r")
        return 0.050;
    if (command.startsWith("ATC") && !command.contains("AT&W"))
        return 0.005;
    return 0.100;
}

struct Floor {
    double seconds = 0;
    int exchanges = 0;
};

Floor exchangeFloor(const std::string &logText, double from)
{
    Floor floor;
    double start = -1;       // the exchange's command began to arrive
    double lastReply = -1;   // its reply's last byte went out
    double interval = 0;
    double nextStart = -1;   // the echo of the next command, logged before its line
    auto close = [&] {
        if (start >= 0 && lastReply >= start) {
            floor.seconds += lastReply - start + interval;
            ++floor.exchanges;
        }
    };
    for (const SimEvent &e : parseSimLog(logText)) {
        if (e.time < from)
            continue;
        if (e.kind == "EC") {
            if (nextStart < 0)
                nextStart = e.time;
        } else if (e.kind == "RX") {
            close();
            start = nextStart >= 0 ? nextStart : e.time;
            nextStart = -1;
            lastReply = -1;
            interval = readIntervalFor(e.bytes);
        } else if (e.kind == "TX") {
            lastReply = e.time;
        }
    }
    close();
    return floor;
}

double monotonicNow()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct Run {
    double measured;
    Floor floor;
};

template <class Command>
Run timeOnce(Command command, std::vector<std::string> simArguments)
{
    SimOnCom1 sim(std::move(simArguments));
    TestHost host;
    const double from = monotonicNow();
    QElapsedTimer clock;
    clock.start();
    command(host);
    const double measured = double(clock.nsecsElapsed()) / 1e9;
    if (!host.fake.empty())
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(host.fake.texts().join('|')));
    return {measured, exchangeFloor(sim.logText(), from)};
}

template <class Command>
void bench(const char *name, Command command, int repetitions,
           const std::vector<std::string> &simArguments = {"--start", "command"})
{
    std::vector<Run> runs;
    for (int i = 0; i < repetitions; ++i)
        runs.push_back(timeOnce(command, simArguments));
    std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) { return a.measured < b.measured; });
    const Run &median = runs[runs.size() / 2];
    std::printf("%-10s %9.3f s %9.3f s %6.3f %10d\n", name, median.measured, median.floor.seconds,
                median.measured / median.floor.seconds, median.floor.exchanges);
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!ModemSim::available()) {
        std::fprintf(stderr, "modem-sim is not built\n");
        return 1;
    }
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::printf("9600 bit/s, median of %d runs\n", repetitions);
    std::printf("%-10s %11s %11s %6s %10s\n", "operation", "measured", "floor", "ratio", "exchanges");
    bench("configure", [](TestHost &h) { ModuleCommands(h).configure(); }, repetitions);
    bench("read", [](TestHost &h) { ModuleCommands(h).read(); }, repetitions);
    // The window's Configure with Verify After Configure, as it runs behind the
    // progress dialog: the listing read back in the configure's own wake.
    const auto configureAndVerify = [](TestHost &h) {
        std::optional<ModuleSettings> readBack;
        ModuleCommands(h).configure(&readBack);
        if (!readBack)
            std::fprintf(stderr, "the configure's verify brought no listing\n");
    };
    bench("window-cv", configureAndVerify, repetitions);
    bench("window-cv-online", configureAndVerify, repetitions, {"--start", "data"});
    return 0;
}
