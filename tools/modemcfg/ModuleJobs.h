#pragma once

#include "Configuration.h"
#include "Report.h"

#include "comm/LineSettings.h"
#include "comm/ReplyRule.h"
#include "operations/ModuleOperations.h"
#include "settings/Types.h"

#include <functional>
#include <stop_token>
#include <vector>

// One module's share of a command: its port, the PC side's starting settings and
// what to stop on. Each job opens its own session, so jobs on several ports run
// side by side.
struct ModuleJob {
    LineSettings line;
    bool searchFirst = false;   // --baud auto: find the module's rate and format first
    ProductVariant variant;
    std::stop_token stop;
    char escape = '+';          // --escape: the character the module's escape sequence uses
    int timeoutSeconds = 0;     // --timeout: the longest the module's share may take; 0 none
    ReplyPace pace = ReplyPace::FinalCode;  // --pace: how a reply's end is recognised
};

// Reads the module; `settings` receives what it holds when the read succeeds.
ModuleReport readJob(const ModuleJob &job, OperationObserver &observer, ModuleSettings *settings = nullptr);
// Configures the module with `configuration`; with `verify` reads it back and compares.
ModuleReport writeJob(const ModuleJob &job, const Configuration &configuration, bool verify,
                      OperationObserver &observer);
// Reads the module and compares it with `configuration`.
ModuleReport verifyJob(const ModuleJob &job, const Configuration &configuration, OperationObserver &observer);
// Factory defaults, then a read.
ModuleReport restoreJob(const ModuleJob &job, OperationObserver &observer);
// Finds the rate and format the module answers at.
ModuleReport detectJob(const ModuleJob &job, OperationObserver &observer);

// Runs `job(slot)` for each slot 0..count-1, each on a thread of its own, and gives
// the reports in slot order.
std::vector<ModuleReport> runSideBySide(int count, const std::function<ModuleReport(int slot)> &job);
