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
    std::optional<long> faultAfter;  // command lines before --silent, --garbage and --delay apply
    std::string stateFile;
    std::string activeFile;         // the settings in force and the on-line state, after every change
    std::string logFile;
    std::string link;
    std::optional<int> rateIndex;   // "ATC" index of --rate, over the stored one
    std::optional<int> formatCode;  // "AT&B" code of --format, over the stored one
};

// "ATC" index of a serial rate in bit/s (115200 gives 12); nothing for a rate the
// module does not have.
std::optional<int> rateIndexOf(long rate);
// "AT&B" code of a frame format written as data bits, parity and stop bits: "8N1",
// "7-E-1", "8o2" (parity N none, O odd, E even); nothing for anything else.
std::optional<int> formatCodeOf(const std::string &format);

// Parses argv; on a bad or help argument returns nothing and fills `message`.
std::optional<Options> parseOptions(int argc, char **argv, std::string &message);

std::string usage();

} // namespace modemsim
