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

const char *formatName(const PortSettings &f)
{
    static const char *names[2][2][3] = {{{"7N1", "7O1", "7E1"}, {"7N2", "7O2", "7E2"}},
                                         {{"8N1", "8O1", "8E1"}, {"8N2", "8O2", "8E2"}}};
    return names[f.dataBits][f.stopBits][f.parity];
}

TEST(ModuleFinder, FindsAModuleAtARandomRateAndFormat)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    const auto formats = ModuleFinder::frameFormats();
    const int rateIndex = int(random() % 12);
    const PortSettings format = formats[random() % formats.size()];
    const std::string rate = std::to_string(kBaudRates[rateIndex]);
    std::cout << "seed " << seed << ": module at " << rate << " " << formatName(format) << std::endl;

    SimOnCom1 com1({"--rate", rate, "--format", formatName(format), "--guard", "100"});
    const std::atomic<bool> stop{false};
    int lastStep = 0;
    const auto result = ModuleFinder(kGuard).find(PortSettings{}, stop, [&](const ModuleFinder::Progress &p) {
        EXPECT_EQ(p.step, lastStep + 1);
        lastStep = p.step;
    });
    ASSERT_EQ(result.outcome, ModuleFinder::Result::Outcome::Found) << "seed " << seed;
    // A pty carries neither data bits nor parity: only the rate and stop bits can tell.
    EXPECT_EQ(result.settings.baudIndex, rateIndex) << "seed " << seed;
    EXPECT_EQ(result.settings.stopBits, format.stopBits) << "seed " << seed;
    EXPECT_TRUE(result.identification.contains("740R-B")) << qPrintable(result.identification);
}

TEST(ModuleFinder, ModuleInCommandModeAnswersAPlainAt)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    SimOnCom1 com1({"--start", "command", "--rate", "38400", "--format", "8N2", "--guard", "100"});
    const std::atomic<bool> stop{false};
    const auto result = ModuleFinder(kGuard).find(PortSettings{}, stop);
    ASSERT_EQ(result.outcome, ModuleFinder::Result::Outcome::Found);
    EXPECT_EQ(result.settings, (PortSettings{0, 8, 1, 1, 0}));
    EXPECT_EQ(com1.sim.logText().find("RX \"+++\""), std::string::npos) << "escaped a module in command mode";
}

TEST(ModuleFinder, CancelEndsTheSearchWithThePortClosed)
{
    if (!ModemSim::available())
        GTEST_SKIP() << "modem-sim is not built";
    SimOnCom1 com1({"--silent"});
    std::atomic<bool> stop{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(300ms);
        stop = true;
    });
    const auto started = std::chrono::steady_clock::now();
    const auto result = ModuleFinder(1000ms).find(PortSettings{}, stop);
    canceller.join();
    EXPECT_EQ(result.outcome, ModuleFinder::Result::Outcome::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1000ms) << "the cancel waited out a guard time";
    SerialLine line;
    EXPECT_TRUE(line.open());
}

} // namespace
