#include "Options.h"

#include "Settings.h"

#include <cctype>
#include <cstdlib>

namespace modemsim {

namespace {

bool toNumber(const std::string &text, long min, long max, long &out)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

} // namespace

std::optional<int> rateIndexOf(long rate)
{
    for (int index = 1; index <= 13; ++index)
        if (rate > 0 && serialRate(index) == static_cast<unsigned>(rate))
            return index;
    return std::nullopt;
}

std::optional<int> formatCodeOf(const std::string &format)
{
    std::string f;
    for (char c : format)
        if (c != '-')
            f += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (f.size() != 3 || (f[0] != '7' && f[0] != '8') || (f[2] != '1' && f[2] != '2'))
        return std::nullopt;
    int parity = 0;   // the module's parity numbers: 0 none, 1 zero, 2 odd, 3 even
    if (f[1] == 'O')
        parity = 2;
    else if (f[1] == 'E')
        parity = 3;
    else if (f[1] != 'N')
        return std::nullopt;
    return (f[2] == '2' ? 1 : 0) + 2 * (f[0] == '8' ? 1 : 0) + 4 * parity;
}

std::string usage()
{
    return "usage: modem-sim [--start data|command] [--guard MS] [--delay MS] [--link PATH]\n"
           "                 [--log FILE] [--state FILE] [--active FILE] [--model NAME] [--firmware X.YY]\n"
           "                 [--reject PREFIX]... [--omit-key KEY]... [--hangup-after N] [--fault-after N]\n"
           "                 [--report-interval MS] [--silent] [--garbage] [--rate BAUD] [--format 8N1]\n"
           "Prints the pty slave path on the first line of stdout; see tools/README.md.\n";
}

std::optional<Options> parseOptions(int argc, char **argv, std::string &message)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc) {
                message = arg + " needs a value\n" + usage();
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        long n = 0;
        if (arg == "--help" || arg == "-h") {
            message = usage();
            return std::nullopt;
        } else if (arg == "--silent") {
            o.silent = true;
        } else if (arg == "--garbage") {
            o.garbage = true;
        } else if (arg == "--start") {
            if (!value(v))
                return std::nullopt;
            if (v != "data" && v != "command") {
                message = "--start takes data or command\n";
                return std::nullopt;
            }
            o.startInDataMode = v == "data";
        } else if (arg == "--guard" || arg == "--delay" || arg == "--hangup-after" || arg == "--fault-after") {
            if (!value(v))
                return std::nullopt;
            if (!toNumber(v, arg == "--hangup-after" ? 1 : 0, 600000, n)) {
                message = arg + ": bad number " + v + "\n";
                return std::nullopt;
            }
            if (arg == "--guard")
                o.guardMs = static_cast<int>(n);
            else if (arg == "--delay")
                o.delayMs = static_cast<int>(n);
            else if (arg == "--fault-after")
                o.faultAfter = n;
            else
                o.hangupAfter = n;
        } else if (arg == "--rate") {
            if (!value(v))
                return std::nullopt;
            long rate = 0;
            if (!toNumber(v, 1, 1000000, rate) || !(o.rateIndex = rateIndexOf(rate))) {
                message = "--rate: no such module rate " + v + "\n";
                return std::nullopt;
            }
        } else if (arg == "--format") {
            if (!value(v))
                return std::nullopt;
            if (!(o.formatCode = formatCodeOf(v))) {
                message = "--format: bad frame format " + v + " (for example 8N1, 7E1, 8N2)\n";
                return std::nullopt;
            }
        } else if (arg == "--report-interval") {
            if (!value(v))
                return std::nullopt;
            if (!toNumber(v, 1, 600000, n)) {
                message = arg + ": bad number " + v + "\n";
                return std::nullopt;
            }
            o.reportIntervalMs = static_cast<int>(n);
        } else if (arg == "--reject") {
            if (!value(v))
                return std::nullopt;
            o.reject.push_back(v);
        } else if (arg == "--omit-key") {
            if (!value(v))
                return std::nullopt;
            o.omitKeys.insert(v);
        } else if (arg == "--firmware") {
            if (!value(o.firmware))
                return std::nullopt;
        } else if (arg == "--model") {
            if (!value(o.model))
                return std::nullopt;
        } else if (arg == "--state") {
            if (!value(o.stateFile))
                return std::nullopt;
        } else if (arg == "--active") {
            if (!value(o.activeFile))
                return std::nullopt;
        } else if (arg == "--log") {
            if (!value(o.logFile))
                return std::nullopt;
        } else if (arg == "--link") {
            if (!value(o.link))
                return std::nullopt;
        } else {
            message = "unknown argument " + arg + "\n" + usage();
            return std::nullopt;
        }
    }
    if (o.silent && o.garbage) {
        message = "--silent and --garbage exclude each other\n";
        return std::nullopt;
    }
    return o;
}

} // namespace modemsim
