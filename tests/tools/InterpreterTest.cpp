// The simulated module's command language, driven without a pty.
#include "modemsim/Interpreter.h"
#include "modemsim/Settings.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <vector>

using namespace modemsim;

namespace {

struct Module
{
    Interpreter interpreter{Identity{}, {}, {}};
    Settings current = Settings::factory();
    Settings stored = Settings::factory();

    LineOutcome run(const std::string &line) { return interpreter.execute(line, current, stored); }
};

// Key -> value text, read the way the program's listing parser reads: each key at its
// first occurrence after the previous one, the value up to the next space.
std::vector<std::pair<std::string, std::string>> readListing(const std::string &text,
                                                             const std::vector<std::string> &keys)
{
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t pos = 0;
    for (const auto &key : keys) {
        std::size_t at = text.find(key, pos);
        if (at == std::string::npos)
            continue;
        std::size_t start = at + key.size();
        std::size_t space = text.find(' ', start);
        if (space == std::string::npos)
            return out; // value not ended by a space: stop, the test sees a short list
        out.emplace_back(key, text.substr(start, space - start));
        pos = space;
    }
    return out;
}

const std::vector<std::string> kListingKeys = {
    "B", "C", "E", "Q", "V", "X", "&B", "&C", "&D", "&E", "&G", "&K", "&L", "&M", "&N", "&S", "&U", "\\T",
    "S0:", "S1:", "S2:", "S3:", "S4:", "S5:", "S6:", "S7:", "S8:", "S9:", "S10:", "S11:", "S12:", "S13:",
    "S14:", "S16:", "S17:", "S18:", "S19:", "S20:", "S21:", "&Z0=", "&Z1=", "&Z2=", "&Z3="};

} // namespace

TEST(ModemSimInterpreter, EveryConfigurationCommandOfTheListIsAccepted)
{
    Module m;
    // A full configuration as the program sends it, one command per line.
    const char *commands[] = {"ATB2", "ATC13", "ATE0", "ATQ0", "ATV1", "ATX3", "AT&B15", "AT&C2", "AT&D3",
                              "AT&E1", "AT&G255", "AT&K5", "AT&S17", "AT&U127", "AT\\T255", "ATS0=255",
                              "ATS1=3", "ATS2=1", "ATS3=127", "ATS4=127", "ATS5=127", "ATS6=255", "ATS7=255",
                              "ATS8=255", "ATS10=255", "ATS11=255", "ATS14=0", "ATS16=255", "ATS17=255",
                              "ATS18=255", "ATS19=255", "ATS20=255", "ATS21=3", "AT&Z1=", "AT&Z2=1,2,3,4,5,0",
                              "AT&Z3=9", "AT&Z0=5,2", "AT&L3", "AT&N0", "AT&M3"};
    for (const char *c : commands)
        EXPECT_FALSE(m.run(c).error) << c;
    EXPECT_EQ(m.current.get(Setting::C), 13);
    EXPECT_EQ(m.current.get(Setting::AmpB), 15);
    EXPECT_EQ(m.current.get(Setting::BackslashT), 255);
    EXPECT_EQ(m.current.get(Setting::S1), 3);
    EXPECT_EQ(m.current.get(Setting::S21), 3);
    EXPECT_EQ(m.current.routes[0], "5,2");
    EXPECT_EQ(m.current.routes[1], "");
    EXPECT_EQ(m.current.routes[2], "1,2,3,4,5,0");
    EXPECT_EQ(m.current.get(Setting::AmpM), 3);
    EXPECT_FALSE(m.run("AT&K1").error) << "a module takes &K1 and &K2 as well";
    EXPECT_FALSE(m.run("AT&K2").error);
}

TEST(ModemSimInterpreter, OutOfRangeAndUnknownCommandsAreErrors)
{
    Module m;
    const char *bad[] = {"ATB3", "ATC14", "ATE2", "ATQ2", "ATV2", "ATX4", "AT&B16", "AT&C3", "AT&D4", "AT&E2",
                         "AT&G256", "AT&K6", "AT&L4", "AT&M4", "AT&N2", "AT&S256", "AT&U256", "AT\\T256",
                         "ATS1=2", "ATS1=256", "ATS3=128", "ATS21=4", "ATS15=1", "ATS22=0", "ATS9=5",
                         "ATS12=1", "ATS13=1", "ATS0=", "ATS0", "AT&Z4=1", "AT&Z0=,5", "AT&Z0=5,,2",
                         "AT&Z0=256", "AT&Z0=1,2,3,4,5,6,7", "AT&Z0", "AT&T4", "ATY", "AT&Q", "HELLO",
                         "ATS0=123456", "AT&V1", "ATZ1"};
    for (const char *c : bad) {
        Module fresh;
        EXPECT_TRUE(fresh.run(c).error) << c;
        EXPECT_EQ(fresh.current.values, Settings::factory().values) << c << " changed a setting";
    }
}

TEST(ModemSimInterpreter, SeveralCommandsOnOneLineRunInOrderUntilAnError)
{
    Module m;
    EXPECT_FALSE(m.run("ATC13AT&B2AT&WATZ").error);
    EXPECT_EQ(m.stored.get(Setting::C), 13);

    LineOutcome out = m.run("ATC6&B3S0=7");
    EXPECT_FALSE(out.error);
    EXPECT_EQ(m.current.get(Setting::C), 6);
    EXPECT_EQ(m.current.get(Setting::AmpB), 3);
    EXPECT_EQ(m.current.get(Setting::S0), 7);

    out = m.run("ATS0=9 S7=300 S8=4");
    EXPECT_TRUE(out.error);
    EXPECT_EQ(m.current.get(Setting::S0), 9) << "commands before the error stay applied";
    EXPECT_EQ(m.current.get(Setting::S8), 0) << "commands after the error are not run";

    EXPECT_FALSE(m.run("at&k0&t0").error) << "lower case is accepted";
    EXPECT_EQ(m.current.get(Setting::AmpK), 0);
    EXPECT_FALSE(m.run("").error) << "a bare carriage return is answered with OK";
    EXPECT_FALSE(m.run("ATE").error) << "a missing value means 0";
    EXPECT_EQ(m.current.get(Setting::E), 0);
}

TEST(ModemSimInterpreter, StoreResetAndFactoryDefaults)
{
    Module m;
    m.run("AT&S17C6&Z0=3,4");
    EXPECT_EQ(m.stored.get(Setting::AmpS), 0) << "nothing is stored without &W";
    LineOutcome out = m.run("AT&W");
    EXPECT_TRUE(out.stored);
    EXPECT_EQ(m.stored.get(Setting::AmpS), 17);
    EXPECT_EQ(m.stored.routes[0], "3,4");

    out = m.run("ATS0=9ZS0=8");
    EXPECT_TRUE(out.reset);
    EXPECT_EQ(m.current.get(Setting::S0), 9) << "Z ends the line; the reset itself happens after the reply";

    out = m.run("AT&F");
    EXPECT_FALSE(out.stored);
    EXPECT_EQ(m.current.values, Settings::factory().values);
    EXPECT_EQ(m.current.rate(), 9600u);
    EXPECT_FALSE(m.current.twoStopBits());
    EXPECT_EQ(m.stored.get(Setting::AmpS), 17) << "&F alone does not store";

    out = m.run("AT&F&W");
    EXPECT_TRUE(out.stored);
    EXPECT_EQ(m.stored.values, Settings::factory().values);
}

TEST(ModemSimInterpreter, IdentificationTestsAndQueries)
{
    Interpreter custom(Identity{"240R-B", "1.89"}, {}, {});
    Settings cur = Settings::factory(), st = cur;
    EXPECT_EQ(custom.execute("ATI", cur, st).info, "\r\n240R-B V1.89\r\n");

    Module m;
    EXPECT_EQ(m.run("ATI").info, "\r\n740R-B V1.90\r\n");
    LineOutcome t0 = m.run("AT&K0&T0");
    EXPECT_NE(t0.info.find("00"), std::string::npos);
    EXPECT_EQ(t0.test, 0);
    EXPECT_EQ(m.run("AT&T3").test, 3);
    EXPECT_EQ(m.run("ATS14?").info, "\r\n255\r\n");
}

TEST(ModemSimInterpreter, RejectedPrefixesFailPerCommandWithinALine)
{
    Interpreter rejecting(Identity{}, {"AT&K5", "S7="}, {});
    Settings cur = Settings::factory(), st = cur;
    EXPECT_FALSE(rejecting.execute("AT&K4", cur, st).error);
    EXPECT_TRUE(rejecting.execute("AT&K5", cur, st).error);
    EXPECT_TRUE(rejecting.execute("ATE1&K5", cur, st).error);
    EXPECT_TRUE(rejecting.execute("ATC6AT&K5AT&W", cur, st).error);
    EXPECT_EQ(cur.get(Setting::C), 6);
    EXPECT_EQ(cur.get(Setting::AmpK), 4);
    EXPECT_TRUE(rejecting.execute("ATS7=3", cur, st).error) << "a prefix without AT matches the command alone";
    EXPECT_FALSE(rejecting.execute("ATS17=3", cur, st).error);
}

TEST(ModemSimInterpreter, ResultCodesFollowVerboseAndQuiet)
{
    Settings s = Settings::factory();
    EXPECT_EQ(Interpreter::resultCode(s, false), "\r\nOK\r\n");
    EXPECT_EQ(Interpreter::resultCode(s, true), "\r\nERROR\r\n");
    s.set(Setting::V, 0);
    EXPECT_EQ(Interpreter::resultCode(s, false), "0\r");
    EXPECT_EQ(Interpreter::resultCode(s, true), "4\r");
    s.set(Setting::Q, 1);
    EXPECT_EQ(Interpreter::resultCode(s, false), "");
    EXPECT_EQ(Interpreter::resultCode(s, true), "");
}

TEST(ModemSimInterpreter, ListingHoldsEveryKeyInOrderWithSpaceEndedValues)
{
    Module m;
    m.run("AT&S17&Z0=5,12,9&Z3=7C13&B12S14=3");
    const std::string text = m.run("AT&V").info;
    auto entries = readListing(text, kListingKeys);
    ASSERT_EQ(entries.size(), kListingKeys.size()) << text;

    std::map<std::string, std::string> v(entries.begin(), entries.end());
    EXPECT_EQ(v["C"], "13");
    EXPECT_EQ(v["&B"], "12");
    EXPECT_EQ(v["&S"], "17");
    EXPECT_EQ(v["S1:"], "50") << "module units: 20 ms steps";
    EXPECT_EQ(v["S10:"], "1");
    EXPECT_EQ(v["S14:"], "3");
    EXPECT_EQ(v["&Z0="], "5,12,9");
    EXPECT_EQ(v["&Z1="], "");
    EXPECT_EQ(v["&Z3="], "7");

    // Nothing before "B" that a key search could find, and the listing ends with the
    // "&Z3=" route, a space and a line end.
    EXPECT_EQ(text.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ&\\"), text.find('B'));
    const std::string tail = "&Z3=7 \r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 3) << "spread over a few lines";
}

TEST(ModemSimInterpreter, OmittedKeysAreLeftOut)
{
    Interpreter omitting(Identity{}, {}, {"S18:", "S19", "S21:"});
    Settings cur = Settings::factory(), st = cur;
    const std::string text = omitting.execute("AT&V", cur, st).info;
    EXPECT_EQ(text.find("S18:"), std::string::npos);
    EXPECT_EQ(text.find("S19:"), std::string::npos);
    EXPECT_EQ(text.find("S21:"), std::string::npos);
    EXPECT_NE(text.find("S20:100 "), std::string::npos);
    EXPECT_NE(text.find("S17:0 "), std::string::npos);
}

TEST(ModemSimInterpreter, StoredProfileRoundTripsAndRejectsBadLines)
{
    Settings s = Settings::factory();
    s.set(Setting::C, 6);
    s.set(Setting::AmpS, 200);
    s.routes[2] = "1,2,3";
    Settings back = Settings::factory();
    EXPECT_FALSE(back.deserialize(s.serialize()).has_value());
    EXPECT_EQ(back.values, s.values);
    EXPECT_EQ(back.routes, s.routes);

    Settings bad = Settings::factory();
    EXPECT_EQ(bad.deserialize("C=99\n"), std::optional<std::string>("C=99"));
    EXPECT_TRUE(bad.deserialize("&Z0=,1\n").has_value());
    EXPECT_TRUE(bad.deserialize("S9=3\n").has_value()) << "read-only registers are not stored";
    EXPECT_TRUE(bad.deserialize("garbage\n").has_value());
}
