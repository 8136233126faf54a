// modem-sim as a process on its pty: what a serial client sees and what the log records.
#include "SimClient.h"
#include "support/ModemSim.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sys/stat.h>

namespace {

class ModemSimTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!ModemSim::available())
            GTEST_SKIP() << "modem-sim not built";
    }
};

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

int count(const std::string &text, const std::string &part)
{
    int n = 0;
    for (auto p = text.find(part); p != std::string::npos; p = text.find(part, p + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(ModemSimTest, EchoVerboseNumericAndQuietResultCodes)
{
    ModemSim sim({"--start", "command"});
    SimClient c(sim.path());
    ASSERT_TRUE(c.isOpen());

    EXPECT_EQ(c.command("\r"), "\r\r\nOK\r\n") << "a lone carriage return, echoed, then OK";
    EXPECT_EQ(c.command("ATS0=3\r"), "ATS0=3\r\r\nOK\r\n");
    EXPECT_EQ(c.command("ATC14\r"), "ATC14\r\r\nERROR\r\n");
    EXPECT_EQ(c.command("ATE0\r"), "ATE0\r\r\nOK\r\n") << "the line turning echo off is still echoed";
    EXPECT_EQ(c.command("ATS0=4\r"), "\r\nOK\r\n");

    c.send("ATV0\r");
    EXPECT_EQ(c.readUntil("0\r", 1000), "0\r");
    c.send("ATB7\r");
    EXPECT_EQ(c.readUntil("4\r", 1000), "4\r");
    c.send("ATI\r");
    EXPECT_EQ(c.readUntil("0\r", 1000), "\r\n740R-B V1.90\r\n0\r");

    c.send("ATQ1\r");
    EXPECT_EQ(c.readFor(250), "") << "quiet mode: no result code, not even for ATQ1";
    c.send("ATI\r");
    EXPECT_EQ(c.readFor(250), "\r\n740R-B V1.90\r\n") << "information text is still sent";
    c.send("ATQ0V1E1\r");
    EXPECT_EQ(c.readUntil("OK\r\n", 1000), "\r\nOK\r\n");

    const std::string log = sim.logText();
    EXPECT_TRUE(std::regex_search(log, std::regex(R"(\n\d+\.\d{6} RX "ATS0=3\\r"\n\d+\.\d{6} TX "\\r\\nOK\\r\\n"\n)")))
        << log;
    EXPECT_TRUE(contains(log, "EC \"ATS0=3\\r\"\n"));
}

TEST_F(ModemSimTest, ListingAndIdentificationOverTheLine)
{
    ModemSim sim({"--start", "command", "--omit-key", "S18:", "--omit-key", "S19", "--model", "240R-B",
                  "--firmware", "1.89"});
    SimClient c(sim.path());
    std::string listing = c.command("AT&V\r");
    ASSERT_TRUE(contains(listing, "&Z3= \r\n\r\nOK\r\n")) << listing;
    EXPECT_EQ(listing.rfind("AT&V\r\r\nB0 C4 E1 ", 0), 0u) << listing;
    EXPECT_FALSE(contains(listing, "S18:"));
    EXPECT_FALSE(contains(listing, "S19:"));
    EXPECT_TRUE(contains(listing, " S17:0 S20:100 S21:1 "));
    EXPECT_EQ(c.command("ATI\r"), "ATI\r\r\n240R-B V1.89\r\n\r\nOK\r\n");

    // The whole listing arrives in one write, so a 255-byte read sees it at once.
    const std::string log = sim.logText();
    EXPECT_TRUE(contains(log, "TX \"\\r\\nB0 C4 E1 Q0 V1 X0 &B2 &C1 &D0 &E0 &G1 &K4 &L1 &M0 &N1 &S0 &U1 \\\\T0 \\r\\n"))
        << log;
}

TEST_F(ModemSimTest, EscapeSequenceNeedsGuardTimesOnBothSides)
{
    ModemSim sim({"--guard", "100"});
    SimClient c(sim.path());

    c.send("\r");
    EXPECT_EQ(c.readFor(200), "") << "data mode: a carriage return is radio data";
    c.send("x+++");
    EXPECT_EQ(c.readFor(300), "") << "no leading silence";
    c.send("+++");
    c.readFor(20);
    c.send("y");
    EXPECT_EQ(c.readFor(300), "") << "trailing guard broken";
    c.send("++");
    EXPECT_EQ(c.readFor(300), "") << "only two escape characters";
    c.send("+++");
    EXPECT_EQ(c.readUntil("OK\r\n", 1000), "\r\nOK\r\n");
    EXPECT_EQ(c.command("\r"), "\r\r\nOK\r\n") << "now in command mode";

    // Another escape character (S2) and ATO back to data mode.
    EXPECT_EQ(c.command("ATS2=45O\r"), "ATS2=45O\r\r\nOK\r\n");
    c.send("\r");
    EXPECT_EQ(c.readFor(200), "");
    c.send("+++");
    EXPECT_EQ(c.readFor(300), "") << "+ is no longer the escape character";
    c.send("---");
    EXPECT_EQ(c.readUntil("OK\r\n", 1000), "\r\nOK\r\n");

    const std::string log = sim.logText();
    EXPECT_EQ(count(log, "RX \"+++\""), 1) << log;
    EXPECT_EQ(count(log, "RX \"---\""), 1) << log;
}

TEST_F(ModemSimTest, EscapeTimingFollowsS1WithoutGuardOption)
{
    ModemSim sim({"--start", "command"});
    SimClient c(sim.path());
    EXPECT_EQ(c.command("ATS1=3O\r"), "ATS1=3O\r\r\nOK\r\n"); // 60 ms guard
    c.readFor(100);
    c.send("+++");
    EXPECT_EQ(c.readUntil("OK\r\n", 1000), "\r\nOK\r\n");
}

TEST_F(ModemSimTest, RateAndFormatChangesTakeEffectAfterTheReply)
{
    ModemSim sim({"--start", "command"});
    SimClient c(sim.path(), 9600);

    EXPECT_EQ(c.command("ATC6\r"), "ATC6\r\r\nOK\r\n") << "the reply still comes at 9600";
    c.send("\r");
    EXPECT_EQ(c.readFor(200), "") << "the module now talks at 19200";
    ASSERT_TRUE(c.setLine(19200));
    EXPECT_EQ(c.command("\r"), "\r\r\nOK\r\n");

    EXPECT_EQ(c.command("ATC8&B3\r"), "ATC8&B3\r\r\nOK\r\n");
    ASSERT_TRUE(c.setLine(31250, false));
    c.send("\r");
    EXPECT_EQ(c.readFor(200), "") << "one stop bit where the module wants two";
    ASSERT_TRUE(c.setLine(31250, true));
    EXPECT_EQ(c.command("\r"), "\r\r\nOK\r\n");

    EXPECT_EQ(c.command("ATC13\r"), "ATC13\r\r\nOK\r\n");
    ASSERT_TRUE(c.setLine(93750, true));
    EXPECT_EQ(c.command("ATC0\r"), "ATC0\r\r\nOK\r\n");
    ASSERT_TRUE(c.setLine(115200, true));
    EXPECT_EQ(c.command("\r"), "\r\r\nOK\r\n");

    // Nothing was stored: a reset returns to 9600 and one stop bit.
    EXPECT_EQ(c.command("ATZ\r"), "ATZ\r\r\nOK\r\n");
    ASSERT_TRUE(c.setLine(9600, false));
    EXPECT_EQ(c.command("\r"), "\r\r\nOK\r\n");

    // One line that changes rate and format, stores and resets.
    EXPECT_EQ(c.command("ATC10AT&B2AT&WATZ\r"), "ATC10AT&B2AT&WATZ\r\r\nOK\r\n");
    ASSERT_TRUE(c.setLine(57600));
    EXPECT_EQ(c.command("\r"), "\r\r\nOK\r\n");

    // Factory defaults stored: back to 9600, 8-N-1.
    EXPECT_EQ(c.command("AT&F&W\r"), "AT&F&W\r\r\nOK\r\n");
    ASSERT_TRUE(c.setLine(9600));
    EXPECT_EQ(c.command("\r"), "\r\r\nOK\r\n");

    const std::string log = sim.logText();
    EXPECT_GE(count(log, " IG \"\\r\""), 2) << log;
}

TEST_F(ModemSimTest, StoreResetAndFactoryDefaults)
{
    ModemSim sim({"--start", "command"});
    SimClient c(sim.path());
    c.command("AT&S17&Z0=5,2\r");
    c.command("AT&W\r");
    c.command("AT&S99&Z0=\r");
    EXPECT_TRUE(contains(c.command("AT&V\r"), "&S99 "));
    EXPECT_EQ(c.command("ATZ\r"), "ATZ\r\r\nOK\r\n");
    std::string listing = c.command("AT&V\r");
    EXPECT_TRUE(contains(listing, "&S17 ")) << listing;
    EXPECT_TRUE(contains(listing, "&Z0=5,2 ")) << listing;

    c.command("AT&F\r");
    listing = c.command("AT&V\r");
    EXPECT_TRUE(contains(listing, "&S0 ")) << listing;
    EXPECT_TRUE(contains(listing, "&Z0=2 ")) << listing;
    c.command("ATZ\r");
    EXPECT_TRUE(contains(c.command("AT&V\r"), "&S17 ")) << "&F alone is not stored";
}

TEST_F(ModemSimTest, ResetReturnsToThePowerUpMode)
{
    ModemSim sim({"--guard", "100"});
    SimClient c(sim.path());
    c.readFor(120);
    c.send("+++");
    ASSERT_EQ(c.readUntil("OK\r\n", 1000), "\r\nOK\r\n");
    EXPECT_EQ(c.command("ATZ\r"), "ATZ\r\r\nOK\r\n");
    c.send("\r");
    EXPECT_EQ(c.readFor(200), "") << "back in data mode after the reset";
}

TEST_F(ModemSimTest, StateSurvivesRestarts)
{
    const std::string stateFile = "/tmp/modemsim-state-" + std::to_string(getpid());
    unlink(stateFile.c_str());
    {
        ModemSim sim({"--start", "command", "--state", stateFile});
        SimClient c(sim.path());
        EXPECT_TRUE(contains(c.command("AT&V\r"), "&S0 ")) << "no file yet: factory settings";
        EXPECT_EQ(c.command("AT&S42C6&W\r"), "AT&S42C6&W\r\r\nOK\r\n");
    }
    {
        ModemSim sim({"--start", "command", "--state", stateFile});
        SimClient c(sim.path(), 9600);
        c.send("\r");
        EXPECT_EQ(c.readFor(200), "") << "the stored rate is 19200";
        ASSERT_TRUE(c.setLine(19200));
        std::string listing = c.command("AT&V\r");
        EXPECT_TRUE(contains(listing, "&S42 ")) << listing;
        EXPECT_TRUE(contains(listing, "C6 ")) << listing;
    }
    {
        std::ofstream(stateFile) << "C=77\n";
        EXPECT_THROW(ModemSim({"--start", "command", "--state", stateFile}), std::runtime_error)
            << "a broken state file is refused";
    }
    unlink(stateFile.c_str());
}

TEST_F(ModemSimTest, RejectedCommandsAnswerError)
{
    ModemSim sim({"--start", "command", "--reject", "AT&K5"});
    SimClient c(sim.path());
    EXPECT_EQ(c.command("AT&K4\r"), "AT&K4\r\r\nOK\r\n");
    EXPECT_EQ(c.command("AT&K5\r"), "AT&K5\r\r\nERROR\r\n");
    EXPECT_EQ(c.command("ATE1&K5\r"), "ATE1&K5\r\r\nERROR\r\n");
    EXPECT_TRUE(contains(c.command("AT&V\r"), "&K4 "));
}

TEST_F(ModemSimTest, TestModesReportUntilReset)
{
    ModemSim sim({"--start", "command"});
    SimClient c(sim.path());
    EXPECT_TRUE(contains(c.command("AT&K0\r"), "OK"));
    EXPECT_TRUE(contains(c.command("AT&T0\r"), "00"));
    EXPECT_EQ(c.readFor(400), "") << "the transmit test reports nothing";

    c.command("AT&T1\r");
    std::string reports = c.readFor(1000);
    std::smatch m;
    const std::regex ber(R"((\S+) (\S+) (\S+) (\S+) (\S+) (\S+) (\S+) x (\S+)\r\n)");
    ASSERT_TRUE(std::regex_search(reports, m, ber)) << reports;
    EXPECT_GE(count(reports, " x "), 2);

    EXPECT_TRUE(contains(c.command("AT&T3\r"), "OK")) << "commands are taken while a test runs";
    reports = c.readFor(1000);
    EXPECT_TRUE(std::regex_search(reports, std::regex(R"(RSSI -\d+ dBm\r\n)"))) << reports;
    EXPECT_FALSE(contains(reports, " x ")) << "test 3 replaces test 1";

    c.send("ATZ\r");
    c.readFor(400);
    EXPECT_EQ(c.readFor(700), "") << "no reports after the reset";
}

TEST_F(ModemSimTest, HangupAfterClosesTheLine)
{
    const std::string link = "/tmp/modemsim-hangup-link-" + std::to_string(getpid());
    ModemSim sim({"--start", "command", "--hangup-after", "2", "--link", link});
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    SimClient c(sim.path());
    EXPECT_EQ(c.command("\r"), "\r\r\nOK\r\n");
    EXPECT_EQ(c.command("ATI\r"), "ATI\r\r\n740R-B V1.90\r\n\r\nOK\r\n") << "the second line is still answered";
    c.readFor(300);
    EXPECT_TRUE(c.hungUp());
    EXPECT_TRUE(sim.waitExit(2000));
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "symlink removed";
}

TEST_F(ModemSimTest, SilentGarbageAndDelay)
{
    {
        ModemSim sim({"--start", "command", "--silent"});
        SimClient c(sim.path());
        c.send("ATI\r");
        EXPECT_EQ(c.readFor(300), "");
        EXPECT_TRUE(contains(sim.logText(), "RX \"ATI\\r\""));
    }
    {
        ModemSim sim({"--start", "command", "--garbage"});
        SimClient c(sim.path());
        c.send("\r");
        std::string got = c.readFor(300);
        EXPECT_FALSE(got.empty());
        EXPECT_FALSE(contains(got, "OK"));
        EXPECT_FALSE(contains(got, "0\r"));
        EXPECT_FALSE(contains(got, "\r"));
    }
    {
        ModemSim sim({"--start", "command", "--delay", "300"});
        SimClient c(sim.path());
        c.send("ATE0\r");
        EXPECT_EQ(c.readFor(150), "ATE0\r") << "the echo is immediate, the result code not yet";
        EXPECT_EQ(c.readUntil("OK\r\n", 1000), "\r\nOK\r\n");
    }
}

TEST_F(ModemSimTest, ReopeningThePortKeepsTheLineUsable)
{
    ModemSim sim({"--start", "command"});
    for (int i = 0; i < 3; ++i) {
        SimClient c(sim.path());
        ASSERT_TRUE(c.isOpen());
        EXPECT_EQ(c.command("\r"), "\r\r\nOK\r\n") << "round " << i;
        // An exclusive open must not outlive the user: the simulator's own slave
        // descriptor keeps the tty alive, which would lock out the next open.
        ASSERT_EQ(ioctl(c.fd(), TIOCEXCL), 0);
        int exclusive = 0;
        ASSERT_EQ(ioctl(c.fd(), TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 1);
        c.close();
        // The simulator clears the flag once it sees the hang-up: wait for that.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            SimClient probe(sim.path());
            ASSERT_EQ(ioctl(probe.fd(), TIOCGEXCL, &exclusive), 0);
            if (exclusive == 0 || std::chrono::steady_clock::now() >= end)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_EQ(exclusive, 0) << "round " << i;
    }
}

TEST_F(ModemSimTest, SigtermStopsCleanlyAndRemovesTheLink)
{
    const std::string link = "/tmp/modemsim-term-link-" + std::to_string(getpid());
    unlink(link.c_str());
    ASSERT_EQ(symlink("/dev/null", link.c_str()), 0); // a stale link of an earlier run
    ModemSim sim({"--link", link});
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim.path());
    const int status = sim.stop();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0);
}

TEST_F(ModemSimTest, BadArgumentsAndLinkOverAFileAreRefused)
{
    EXPECT_THROW(ModemSim({"--bogus"}), std::runtime_error);
    EXPECT_THROW(ModemSim({"--start", "sideways"}), std::runtime_error);
    EXPECT_THROW(ModemSim({"--hangup-after", "0"}), std::runtime_error);
    const std::string file = "/tmp/modemsim-plain-file-" + std::to_string(getpid());
    std::ofstream(file) << "keep me";
    EXPECT_THROW(ModemSim({"--link", file}), std::runtime_error);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << "a regular file is never replaced";
    unlink(file.c_str());
}
