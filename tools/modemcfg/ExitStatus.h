#pragma once

// The exit statuses of modemcfg. With several modules the worst (highest) one wins,
// except that an interruption is always reported as such.
enum class ExitStatus : int {
    Done = 0,
    BadUsage = 1,
    PortUnavailable = 2,
    NoResponse = 3,
    Refused = 4,        // the module refused a command, or a write failed
    Differences = 5,    // verification or diff found differences
    BadFile = 6,        // a file could not be read or is not a valid configuration
    Interrupted = 130,
};

inline ExitStatus worse(ExitStatus a, ExitStatus b)
{
    if (a == ExitStatus::Interrupted || b == ExitStatus::Interrupted)
        return ExitStatus::Interrupted;
    return int(a) >= int(b) ? a : b;
}
