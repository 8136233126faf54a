// Find Module against modem-sim: a module at a rate and format chosen at random, one
// already in command mode, and a cancel that leaves the port closed.

#include "comm/SerialLine.h"
#include "operations/ModuleFinder.h"
#include "support/ModemSim.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr auto kGuard = 100ms;

struct SimOnCom1 {
    explicit SimOnCom1(std::vector<std::string> args) : sim(std::move(args))
    {
        qputenv("CFG_COM1", QByteArray::fromStdString(sim.path()));
    }
    ~SimOnCom1() { qunsetenv("CFG_COM1"); }
    ModemSim sim;
};

// modem-sim's name of a format: "8N1".
std::string formatName(const LineSettings &f)
{
    static constexpr char kParityLetters[] = {'N', 'O', 'E'};
    return std::to_string(f.dataBits) + kParityLetters[int(f.parity)] + std::to_string(f.stopBits);
}

TEST(ModuleFinder, FindsAModuleAtARandomRateAndFormat)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    const auto formats = ModuleFinder::frameFormats();
    const int rateIndex = int(random() % 12);
    const LineSettings format = formats[random() % formats.size()];
    const std::string rate = std::to_string(kBaudRates[rateIndex]);
    std::cout << "seed " << seed << ": module at " << rate << " " << formatName(format) << std::endl;

    SimOnCom1 com1({"--rate", rate, "--format", formatName(format), "--guard", "100"});
    const std::stop_source stop;
    int lastStep = 0;
    const auto result = ModuleFinder(kGuard).find(LineSettings{}, stop.get_token(), [&](const ModuleFinder::Progress &p) {
        EXPECT_EQ(p.step, lastStep + 1);
        lastStep = p.step;
    });
    ASSERT_EQ(result.outcome, ModuleFinder::Result::Outcome::Found) << "seed " << seed;
    // A pty carries neither data bits nor parity: only the rate and stop bits can tell.
    EXPECT_EQ(result.settings.baudRate, kBaudRates[rateIndex]) << "seed " << seed;
    EXPECT_EQ(result.settings.stopBits, format.stopBits) << "seed " << seed;
    EXPECT_TRUE(result.identification.contains("740R-B")) << qPrintable(result.identification);
}

TEST(ModuleFinder, ModuleInCommandModeAnswersAPlainAt)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    SimOnCom1 com1({"--start", "command", "--rate", "38400", "--format", "8N2", "--guard", "100"});
    const std::stop_source stop;
    const auto result = ModuleFinder(kGuard).find(LineSettings{}, stop.get_token());
    ASSERT_EQ(result.outcome, ModuleFinder::Result::Outcome::Found);
    EXPECT_EQ(result.settings, (LineSettings{.baudRate = 38400, .stopBits = 2}));
    EXPECT_EQ(com1.sim.logText().find("RX \"+++\""), std::string::npos) << "escaped a module in command mode";
}

TEST(ModuleFinder, CancelEndsTheSearchWithThePortClosed)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    SimOnCom1 com1({"--silent"});
    std::stop_source stop;
    std::thread canceller([&] {
        std::this_thread::sleep_for(300ms);
        stop.request_stop();
    });
    const auto started = std::chrono::steady_clock::now();
    const auto result = ModuleFinder(1000ms).find(LineSettings{}, stop.get_token());
    canceller.join();
    EXPECT_EQ(result.outcome, ModuleFinder::Result::Outcome::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1000ms) << "the cancel waited out a guard time";
    SerialLine line;
    EXPECT_TRUE(line.open());
}

} // namespace
