#pragma once

// Small networks built in code: members from the example files' settings, changed
// field by field.
#include "network/Network.h"
#include "network/NetworkChecks.h"
#include "settings/ProductVariant.h"
#include "settings/SettingsRecord.h"

#include <QString>

#include <algorithm>
#include <initializer_list>

namespace networktest {

inline const QString kExamples = QStringLiteral(CFG_SOURCE_DIR "/docs/examples");

// A 740R-B member read from an example file (the Auto-Connect master by default).
inline NetworkMember member(const QString &name, OperatingMode mode, int unit,
                            const QString &file = QStringLiteral("auto-connect/master.40B"))
{
    const ProductVariant variant = *selectProductVariant(QStringLiteral("740R-B"));
    NetworkMember m;
    m.name = name;
    m.variant = variant;
    m.productName = QStringLiteral("740R-B");
    m.settings = readSettingsFile(kExamples + QLatin1Char('/') + file, variant).settings;
    m.settings.mode = mode;
    m.settings[Field::UnitAddress] = unit;
    for (int n = 0; n < 4; ++n) {
        m.settings[routeDestination(n)] = 0;
        for (int k = 1; k <= 5; ++k)
            m.settings[routeRepeater(n, k)] = 0;
    }
    return m;
}

inline NetworkMember master(int unit = 1) { return member(QStringLiteral("Master"), OperatingMode::AutoConnectMaster, unit); }
inline NetworkMember slave(int unit)
{
    return member(QStringLiteral("Slave %1").arg(unit), OperatingMode::AutoConnectSlave, unit);
}

// Stored destination n: through `repeaters` to `destination`.
inline void route(NetworkMember &m, int n, int destination, std::initializer_list<int> repeaters = {})
{
    m.settings[routeDestination(n)] = destination;
    int k = 1;
    for (int r : repeaters)
        m.settings[routeRepeater(n, k++)] = r;
}

inline Network network(std::initializer_list<NetworkMember> members) { return Network{QString(), members}; }

// The findings of one rule.
inline std::vector<NetworkFinding> findings(const Network &n, const QString &rule)
{
    std::vector<NetworkFinding> all = checkNetwork(n);
    all.erase(std::remove_if(all.begin(), all.end(), [&](const NetworkFinding &f) { return f.rule != rule; }),
              all.end());
    return all;
}

}  // namespace networktest
