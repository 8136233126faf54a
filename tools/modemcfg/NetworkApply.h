#pragma once

#include "ExitStatus.h"

#include "network/NetworkPlan.h"

#include <QJsonObject>
#include <QTextStream>

#include <stop_token>

// Writes and verifies every member of a plan on its port, all at once: one line (or
// JSON report) per member, then a summary naming the members that failed. Gives the
// worst status; a member without a usable port stops everything before any write.
struct NetworkApplyResult {
    ExitStatus status = ExitStatus::Done;
    QJsonObject json;   // "members" (each report with "member") and "failed"
};
NetworkApplyResult applyNetworkPlan(const NetworkPlan &plan, bool json, QTextStream &out, QTextStream &err,
                                    std::stop_token stop);
