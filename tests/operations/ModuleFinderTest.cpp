// Find Module against modem-sim: a module at a rate and format chosen at random, one
// already in command mode, and a cancel that leaves the port closed (ModuleFinder.*,
// in real time). In process under the virtual clock (ModuleFinderInProcess.*): where
// the escapes go, counted, for modules on-line, in command mode, silent, and behind
// a line that answers noise.

#include "comm/SerialLine.h"
#include "operations/ModuleFinder.h"
#include "support/ModemSim.h"
#include "support/SimulatedModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
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

// The in-process module as the far end of the test port, counting the escape
// sequences sent to it and, where `noisy` says so for the PC's line, answering every
// write with as many bytes of noise: what a module in command mode echoes when it
// cannot read the rate, or what a radio link passes on. The noise holds no echo and no
// result code, even with bit 7 dropped.
class CountingEnd final : public FarEnd {
public:
    using NoiseRule = std::function<bool(const LineState &pcLine, bool moduleOnLine)>;
    CountingEnd(std::shared_ptr<SimulatedModule> module, std::shared_ptr<std::atomic<int>> escapes, NoiseRule noisy)
        : m_module(std::move(module)), m_escapes(std::move(escapes)), m_noisy(std::move(noisy))
    {
    }
    bool open(const std::string &name) override { return m_module->open(name); }
    bool isCommDevice() const override { return m_module->isCommDevice(); }
    void close() override { m_module->close(); }
    bool getLineState(LineState &state) const override { return m_module->getLineState(state); }
    bool setLineState(const LineState &state) override { return m_module->setLineState(state); }
    bool getTimeouts(Timeouts &timeouts) const override { return m_module->getTimeouts(timeouts); }
    bool setTimeouts(const Timeouts &timeouts) override { return m_module->setTimeouts(timeouts); }
    bool read(std::vector<std::uint8_t> &data, int maxBytes, const SerialPortLayer &port) override
    {
        if (m_noise.empty())
            return m_module->read(data, maxBytes, port);
        const auto n = std::min(m_noise.size(), std::size_t(std::max(maxBytes, 0)));
        data.assign(m_noise.begin(), m_noise.begin() + long(n));
        m_noise.erase(m_noise.begin(), m_noise.begin() + long(n));
        return true;
    }
    bool write(std::span<const std::uint8_t> data, const SerialPortLayer &port) override
    {
        if (std::string(data.begin(), data.end()) == "+++")
            ++*m_escapes;
        LineState line;
        if (m_noisy && m_module->getLineState(line) && m_noisy(line, m_module->profiles().onLine))
            for (std::size_t i = 0; i < data.size(); ++i)
                m_noise.push_back(i % 2 ? 0xfe : 0xff);
        return m_module->write(data, port);
    }
    void purgeOutput() override { m_module->purgeOutput(); }
    void purgeInput() override { m_module->purgeInput(); }
    bool ctsOn() const override { return m_module->ctsOn(); }
    bool pause(std::chrono::milliseconds duration, const SerialPortLayer &port) override
    {
        return m_module->pause(duration, port);
    }
    std::chrono::steady_clock::time_point now() const override { return m_module->now(); }
    bool wakesBlockedReads() const override { return m_module->wakesBlockedReads(); }
    void interruptChanged() override { m_module->interruptChanged(); }

private:
    std::shared_ptr<SimulatedModule> m_module;
    std::shared_ptr<std::atomic<int>> m_escapes;
    NoiseRule m_noisy;
    std::deque<std::uint8_t> m_noise;
};

// The in-process module on COM1 while the object lives.
class ModuleOnCom1 {
public:
    explicit ModuleOnCom1(const std::vector<std::string> &args, CountingEnd::NoiseRule noisy = {})
        : module(std::make_shared<SimulatedModule>(args))
    {
        qputenv("CFG_COM1", "/simulated/COM1");
        m_previous = setPortLayerFactory([module = module, escapes = m_escapes, noisy] {
            return testPort(std::make_shared<CountingEnd>(module, escapes, noisy), "COM1");
        });
    }
    ~ModuleOnCom1()
    {
        setPortLayerFactory(m_previous);
        qunsetenv("CFG_COM1");
    }
    int escapesSent() const { return m_escapes->load(); }

    std::shared_ptr<SimulatedModule> module;

private:
    std::shared_ptr<std::atomic<int>> m_escapes = std::make_shared<std::atomic<int>>(0);
    PortLayerFactory m_previous;
};

// Where `s` comes in the search from 9600 8-N-1.
std::size_t searchPosition(const LineSettings &s)
{
    const auto order = ModuleFinder::searchOrder(LineSettings{});
    return std::size_t(std::find(order.begin(), order.end(), s) - order.begin());
}

bool atRate(const SerialPortLayer::LineState &line, int rate, bool twoStopBits)
{
    return line.baudRate == rate && (line.stopBits == 2) == twoStopBits;
}

ModuleFinder::Result findOnCom1()
{
    const std::stop_source stop;
    return ModuleFinder(std::chrono::milliseconds(1000)).find(LineSettings{}, stop.get_token());
}

TEST(ModuleFinderInProcess, ModuleInCommandModeIsFoundWithoutAnyEscape)
{
    // 57600 8-N-2 comes late in the search: every setting's "AT" comes before the
    // escapes of the settings after the likely ones.
    ModuleOnCom1 com1({"--start", "command", "--rate", "57600", "--format", "8N2"});
    const auto result = findOnCom1();
    ASSERT_EQ(result.outcome, ModuleFinder::Result::Outcome::Found);
    EXPECT_EQ(result.settings, (LineSettings{.baudRate = 57600, .stopBits = 2}));
    EXPECT_FALSE(result.wasOnLine);
    EXPECT_EQ(com1.escapesSent(), 6) << "escapes beyond the likely settings";
}

TEST(ModuleFinderInProcess, OnLineModuleAtAnUnlikelySettingIsWokenAfterEverySilentSettingBeforeIt)
{
    // Silence says nothing: an on-line module is silent at its own setting too.
    ModuleOnCom1 com1({"--start", "data", "--rate", "4800", "--format", "8N2"});
    const auto result = findOnCom1();
    ASSERT_EQ(result.outcome, ModuleFinder::Result::Outcome::Found);
    const LineSettings expected{.baudRate = 4800, .stopBits = 2};
    EXPECT_EQ(result.settings, expected);
    EXPECT_TRUE(result.wasOnLine);
    EXPECT_TRUE(com1.module->profiles().onLine) << "not sent back on-line";
    EXPECT_EQ(com1.escapesSent(), int(searchPosition(expected)) + 1);
}

TEST(ModuleFinderInProcess, SettingsThatAnswerNoiseAreEscapedLast)
{
    ModuleOnCom1 com1({"--start", "data", "--rate", "4800", "--format", "8N2"},
                      [](const SerialPortLayer::LineState &pc, bool) { return !atRate(pc, 4800, true); });
    const auto started = com1.module->now();
    const auto result = findOnCom1();
    ASSERT_EQ(result.outcome, ModuleFinder::Result::Outcome::Found);
    EXPECT_EQ(result.settings, (LineSettings{.baudRate = 4800, .stopBits = 2}));
    EXPECT_TRUE(result.wasOnLine);
    // The only silent setting of the second round is the module's.
    EXPECT_EQ(com1.escapesSent(), 1);
    EXPECT_LT(com1.module->now() - started, std::chrono::seconds(15));
}

TEST(ModuleFinderInProcess, NoiseAtTheModulesOwnSettingStillGetsItsEscape)
{
    // A module on-line whose radio link passes data: bytes at every setting.
    ModuleOnCom1 com1({"--start", "data", "--rate", "2400", "--format", "8N1"},
                      [](const SerialPortLayer::LineState &, bool onLine) { return onLine; });
    const auto result = findOnCom1();
    ASSERT_EQ(result.outcome, ModuleFinder::Result::Outcome::Found);
    const LineSettings expected{.baudRate = 2400};
    EXPECT_EQ(result.settings, expected);
    EXPECT_TRUE(result.wasOnLine);
    EXPECT_EQ(com1.escapesSent(), int(searchPosition(expected)) + 1);
}

TEST(ModuleFinderInProcess, SilentModuleGetsOneEscapePerSettingAndConsecutiveSteps)
{
    ModuleOnCom1 com1({"--silent"});
    const std::stop_source stop;
    int lastStep = 0;
    int steps = 0;
    const auto result = ModuleFinder(std::chrono::milliseconds(1000))
                            .find(LineSettings{}, stop.get_token(), [&](const ModuleFinder::Progress &p) {
                                EXPECT_EQ(p.step, lastStep + 1);
                                lastStep = p.step;
                                steps = p.steps;
                            });
    EXPECT_EQ(result.outcome, ModuleFinder::Result::Outcome::NotFound);
    const int settings = int(ModuleFinder::searchOrder(LineSettings{}).size());
    EXPECT_EQ(com1.escapesSent(), settings);
    EXPECT_EQ(lastStep, steps);
    EXPECT_EQ(steps, 2 * settings);
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
