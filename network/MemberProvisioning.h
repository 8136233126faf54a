#pragma once

#include "network/Network.h"

#include "comm/LineSettings.h"
#include "operations/ModuleOperations.h"
#include "settings/SettingsComparison.h"

#include <QString>

#include <stop_token>
#include <vector>

// The line a member is written on: its port ("COM1".."COM8" or a device path) at its
// rate and format ("N-8-1", "E-7-1", "O-7-1", "E-7-2", "O-7-2"; default 9600 N-8-1).
// `searchFirst` is set for a rate of "auto": the module's rate and format are to be
// found first. Throws Exception naming the member when the port, rate or format is
// not one of those.
LineSettings memberLineSettings(const NetworkMember &member, bool *searchFirst = nullptr);

// How writing one member ended.
struct MemberOutcome {
    enum class Result { Verified, Differences, Failed, Cancelled };
    Result result = Result::Failed;
    QString text;            // one line for the user
    QString identification;  // the module's "ATI" line, when it answered
    std::vector<SettingDifference> differences;

    bool succeeded() const { return result == Result::Verified; }
};

// Configures the module on the member's port with the member's settings, then reads
// it back and compares, as the window's Configure with Verify After Configure does.
// Blocks; runs on the caller's thread.
MemberOutcome provisionMember(const NetworkMember &member, OperationObserver &observer, std::stop_token stop);
