#pragma once

#include "comm/LineSettings.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

// Finds the rate and frame format a module on one port talks at: tries each PC
// setting in turn, most likely first, until "ATI" answers with an identification.
// At each setting it asks a plain "AT" (a module already in command mode answers),
// then sends the escape sequence between two guard times of silence. Blocks; meant
// for a worker thread or a console program. Qt Core only.
class ModuleFinder {
public:
    // One step of the search, reported before it is tried.
    struct Progress {
        int step = 0;     // 1-based
        int steps = 0;
        PortSettings trying;
    };
    using ProgressCallback = std::function<void(const Progress &)>;

    struct Result {
        enum class Outcome { Found, NotFound, Cancelled, PortError };
        Outcome outcome = Outcome::NotFound;
        PortSettings settings;     // the setting that answered (Found)
        QString identification;    // what "ATI" answered, echo and result code removed
        QString error;             // why the port would not open (PortError)
    };

    // The five frame formats tried, as (data bits, stop bits, parity) indices of PortSettings.
    static std::vector<PortSettings> frameFormats();
    // Every setting of the search in the order tried, for the port of `current`: the
    // current setting, then 8-N-1 at 9600, 19200, 115200, 57600 and 38400 bit/s, then
    // the remaining rates, then every other format at each rate in the same order.
    static std::vector<PortSettings> searchOrder(const PortSettings &current);

    // `guard` is the module's escape guard time (S1 x 20 ms; 1 s at the factory value).
    explicit ModuleFinder(std::chrono::milliseconds guard = std::chrono::milliseconds(1000));

    // Searches the port of `current`. `stop` is polled at least every 50 ms; a stop
    // ends the search with the port closed.
    Result find(const PortSettings &current, const std::atomic<bool> &stop,
                const ProgressCallback &progress = {}) const;

private:
    std::chrono::milliseconds m_guard;
};

// "9600 8-N-1": a rate and format as people write them.
QString describeLineSettings(const PortSettings &settings);
