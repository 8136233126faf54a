// Measures what the serial port object adds to an exchange: 200 "AT&W" / "OK"
// exchanges at T = 100 ms against modem-sim. The simulator logs when each reply left
// (CLOCK_MONOTONIC, the clock of std::chrono::steady_clock); an exchange cannot end
// before that moment plus the read interval T, so anything beyond is overhead.
//
//   bench-serial [count]

#include "support/ModemSim.h"

#include "comm/ModuleChannel.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr unsigned kIntervalMs = 100;

double nowSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Times of the log's TX records (replies as written), in order.
std::vector<double> replyTimes(const std::string &logPath)
{
    std::vector<double> times;
    std::ifstream in(logPath);
    std::string line;
    while (std::getline(in, line)) {
        const auto space = line.find(' ');
        if (space == std::string::npos || line.compare(space + 1, 3, "TX ") != 0)
            continue;
        times.push_back(std::stod(line.substr(0, space)));
    }
    return times;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    if (!ModemSim::available()) {
        std::fprintf(stderr, "modem-sim is not built\n");
        return 1;
    }
    ModemSim sim({"--start", "command"});
    qputenv("CFG_COM1", QByteArray::fromStdString(sim.path()));

    std::vector<double> ends;
    ends.reserve(static_cast<std::size_t>(count));
    int failures = 0;
    {
        ModuleChannel channel{LineSettings{}};
        for (int i = 0; i < count; ++i) {
            try {
                channel.command("AT&W\r", ReplyRule::shortReply("OK", kIntervalMs));
            } catch (const Exception &e) {
                ++failures;
                std::fprintf(stderr, "exchange %d: %s\n", i, qPrintable(e.message()));
            }
            ends.push_back(nowSeconds());
        }
    }
    sim.stop();

    const std::vector<double> replies = replyTimes(sim.logPath());
    if (replies.size() != ends.size() || failures) {
        std::fprintf(stderr, "%zu replies logged for %zu exchanges, %d failed\n", replies.size(), ends.size(), failures);
        return 1;
    }
    std::vector<double> addedMs;
    for (std::size_t i = 0; i < ends.size(); ++i)
        addedMs.push_back((ends[i] - replies[i]) * 1000.0 - kIntervalMs);

    const double median = percentile(addedMs, 0.5);
    const double p99 = percentile(addedMs, 0.99);
    std::printf("exchanges: %d at T = %u ms\n", count, kIntervalMs);
    std::printf("added beyond reply + T: median %.3f ms, p99 %.3f ms, min %.3f ms, max %.3f ms\n", median, p99,
                *std::min_element(addedMs.begin(), addedMs.end()), *std::max_element(addedMs.begin(), addedMs.end()));
    const auto over = std::count_if(addedMs.begin(), addedMs.end(), [](double v) { return v > 1.0; });
    std::printf("exchanges over 1 ms: %ld\n", long(over));
    std::printf("target: median <= 1 ms, p99 <= 5 ms: %s\n", median <= 1.0 && p99 <= 5.0 ? "met" : "NOT met");
    return 0;
}
