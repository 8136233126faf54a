#pragma once

#include "comm/LineSettings.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

// Finds the rate and frame format a module on one port talks at: tries each PC
// setting in turn, most likely first, until "ATI" answers with an identification.
// At each setting it asks a plain "AT" (a module already in command mode answers);
// then, round by round, it sends the escape sequence between two guard times of
// silence, spending it last where only noise came back (see find()). Blocks; meant
// for a worker thread or a console program. Qt Core only. A module found on-line
// is sent back on-line, so the search leaves its data path as it found it. Its waits
// and reads follow the port layer's clock.
class ModuleFinder {
public:
    // One step of the search, reported before it is tried.
    struct Progress {
        int step = 0;     // 1-based
        int steps = 0;
        LineSettings trying;
    };
    using ProgressCallback = std::function<void(const Progress &)>;

    struct Result {
        enum class Outcome { Found, NotFound, Cancelled, PortError };
        Outcome outcome = Outcome::NotFound;
        LineSettings settings;     // the setting that answered (Found)
        QString identification;    // what "ATI" answered, echo and result code removed
        QString error;             // why the port would not open (PortError)
        // The module answered only to the escape sequence: it was on-line, and was sent
        // back there ("ATO") once identified, so its data path is as it was found.
        bool wasOnLine = false;
    };

    // The five frame formats tried (the rate and port of each are left at their defaults).
    static std::vector<LineSettings> frameFormats();
    // Every setting of the search in the order tried, for the port of `current`: the
    // current setting, then 8-N-1 at 9600, 19200, 115200, 57600 and 38400 bit/s, then
    // the remaining rates, then every other format at each rate in the same order.
    static std::vector<LineSettings> searchOrder(const LineSettings &current);

    // `guard` is the module's escape guard time (S1 x 20 ms; 1 s at the factory value),
    // `escape` its escape character.
    explicit ModuleFinder(std::chrono::milliseconds guard = std::chrono::milliseconds(1000), char escape = '+');

    // Searches the port of `current`. A stop ends a read or wait under way and the
    // search with the port closed.
    Result find(const LineSettings &current, std::stop_token stop, const ProgressCallback &progress = {}) const;

private:
    std::chrono::milliseconds m_guard;
    char m_escape;
};
