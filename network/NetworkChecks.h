#pragma once

#include "network/Network.h"

#include <QString>
#include <QStringList>

#include <vector>

// How much a finding matters: an error stops a network from working as configured; a
// warning may, depending on radios the network does not list; information is worth
// knowing.
enum class Severity { Error, Warning, Information };

// "error", "warning", "information".
QString severityName(Severity severity);

// One thing a check found about a network.
struct NetworkFinding {
    Severity severity = Severity::Information;
    QString rule;         // a stable identifier ("system-address", ...), listed in docs/network-rules.md
    QStringList members;  // the names of the members involved
    QString message;      // one sentence for the user

    bool operator==(const NetworkFinding &) const = default;
};

// Every rule on the network, errors first, then warnings, then information; within
// a severity in the order of the rules.
std::vector<NetworkFinding> checkNetwork(const Network &network);

// Whether any finding is an error.
bool hasErrors(const std::vector<NetworkFinding> &findings);

// The rule identifiers, in the order they are checked.
QStringList networkRuleIds();
