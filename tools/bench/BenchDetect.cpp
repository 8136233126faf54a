// Figures of Find Module against modem-sim at the factory guard time: how long the
// search takes for a module at a given rate and format, for a module that answers
// nothing, and four ports searched at once against one. Prints figures; judges nothing.
//   bench-detect [short|quick|all] [data|command]
//     short:           9600, 19200, 115200 at 8-N-1, two late settings, a silent module
//     quick (default): 9600, 19200, 115200 at 8-N-1, every rate once in a rotating
//                      format, then four ports together
//     all:             every rate in every format, then four ports together
//   The modules start on-line (data, as shipped) or in command mode.

#include "operations/ModuleFinder.h"
#include "support/ModemSim.h"

#include <QByteArray>

#include <cstdio>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// modem-sim's name of a format: "8N1".
std::string formatName(const LineSettings &f)
{
    static constexpr char kParityLetters[] = {'N', 'O', 'E'};
    return std::to_string(f.dataBits) + kParityLetters[int(f.parity)] + std::to_string(f.stopBits);
}

std::string startMode = "data";

// Seconds to find a module at `rateIndex` and `format` on COM(slot+1); negative when missed.
double timeSearch(int slot, std::size_t rateIndex, const LineSettings &format)
{
    ModemSim sim({"--start", startMode, "--rate", std::to_string(kBaudRates[rateIndex]), "--format", formatName(format)});
    const QByteArray var = "CFG_COM" + QByteArray::number(slot + 1);
    qputenv(var.constData(), QByteArray::fromStdString(sim.path()));
    LineSettings current;
    current.port = QStringLiteral("COM%1").arg(slot + 1);
    const std::stop_source stop;
    const auto start = Clock::now();
    const auto result = ModuleFinder().find(current, stop.get_token());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const bool right = result.outcome == ModuleFinder::Result::Outcome::Found && result.settings.baudRate == kBaudRates[rateIndex]
                       && result.settings.stopBits == format.stopBits;
    return right ? seconds : -seconds;
}

void report(std::size_t rateIndex, const LineSettings &format, double seconds)
{
    std::printf("%6d %s  %6.1f s%s\n", kBaudRates[rateIndex], formatName(format).c_str(), seconds < 0 ? -seconds : seconds,
                seconds < 0 ? "  NOT FOUND" : "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (!ModemSim::available()) {
        std::fprintf(stderr, "modem-sim is not built\n");
        return 1;
    }
    const std::string mode = argc > 1 ? argv[1] : "quick";
    const bool all = mode == "all";
    if (argc > 2)
        startMode = argv[2];
    const auto formats = ModuleFinder::frameFormats();
    const std::size_t likely[] = {3, 5, 11};

    std::printf("Search time, modules %s, start from 9600 8-N-1, guard 1 s (the module at):\n",
                startMode == "data" ? "on-line" : "in command mode");
    if (mode == "short") {
        for (std::size_t rate : likely)
            report(rate, formats[0], timeSearch(0, rate, formats[0]));
        report(9, formats[3], timeSearch(0, 9, formats[3]));   // 57600 8-N-2
        report(0, formats[4], timeSearch(0, 0, formats[4]));   // 1200 7-E-1, the last format
        ModemSim silent({"--silent"});
        qputenv("CFG_COM1", QByteArray::fromStdString(silent.path()));
        const std::stop_source stop;
        const auto start = Clock::now();
        const auto result = ModuleFinder().find(LineSettings{}, stop.get_token());
        std::printf("silent module: %s after %.1f s\n",
                    result.outcome == ModuleFinder::Result::Outcome::NotFound ? "not found" : "FOUND",
                    std::chrono::duration<double>(Clock::now() - start).count());
        return 0;
    }
    double likelyWorst = 0;
    for (std::size_t rate : likely) {
        const double s = timeSearch(0, rate, formats[0]);
        report(rate, formats[0], s);
        likelyWorst = std::max(likelyWorst, s < 0 ? 1e9 : s);
    }
    double worst = 0;
    for (std::size_t rate = 0; rate < kBaudRates.size(); ++rate)
        for (std::size_t f = 0; f < formats.size(); ++f) {
            if (!all && f != rate % formats.size())
                continue;
            const double s = timeSearch(0, rate, formats[f]);
            report(rate, formats[f], s);
            worst = std::max(worst, s < 0 ? 1e9 : s);
        }
    std::printf("9600/19200/115200 8-N-1: slowest %.1f s\n", likelyWorst);
    std::printf("%s: slowest %.1f s\n", all ? "every rate and format" : "every rate, one format each", worst);

    // Four ports at once, each module at 57600 8-N-2, against one port alone.
    const std::size_t rate = 9;
    const LineSettings format = formats[3];
    const double one = std::abs(timeSearch(0, rate, format));
    double times[4] = {};
    std::vector<std::thread> searches;
    const auto start = Clock::now();
    for (int slot = 0; slot < 4; ++slot)
        searches.emplace_back([&, slot] { times[slot] = timeSearch(slot, rate, format); });
    for (auto &t : searches)
        t.join();
    const double four = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("one port %.1f s, four ports together %.1f s (%.2f x)%s\n", one, four, four / one,
                std::all_of(std::begin(times), std::end(times), [](double t) { return t > 0; }) ? "" : "  A PORT MISSED");
    return 0;
}
