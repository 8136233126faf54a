// Command line of modem-sim.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace modemsim {

struct Options
{
    bool startInDataMode = true;
    std::optional<int> guardMs;     // overrides S1 x 20 ms
    int delayMs = 0;                // before every reply
    int reportIntervalMs = 300;     // between test-mode reports
    bool silent = false;
    bool garbage = false;
    std::vector<std::string> reject;
    std::set<std::string> omitKeys;
    std::string firmware = "1.90";
    std::string model = "740R-B";
    std::optional<long> hangupAfter; // command lines answered before the line goes away
    std::string stateFile;
    std::string logFile;
    std::string link;
};

// Parses argv; on a bad or help argument returns nothing and fills `message`.
std::optional<Options> parseOptions(int argc, char **argv, std::string &message);

std::string usage();

} // namespace modemsim
