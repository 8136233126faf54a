#include "network/NetworkChecks.h"

#include "settings/SettingsModel.h"

#include <QMap>

#include <algorithm>
#include <functional>

namespace {

constexpr int kFastUnitAddressLimit = 15;

using Members = std::vector<const NetworkMember *>;

// "A", "A and B", "A, B and C".
QString listed(const QStringList &names)
{
    if (names.size() < 2)
        return names.value(0);
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + names.back();
}

QStringList namesOf(const Members &members)
{
    QStringList names;
    for (const NetworkMember *m : members)
        names << m->name;
    return names;
}

QString has(const QStringList &names) { return names.size() == 1 ? QStringLiteral("has") : QStringLiteral("have"); }

// The members grouped by system address, in the order the addresses first appear.
std::vector<Members> bySystemAddress(const Members &members)
{
    std::vector<Members> groups;
    QMap<int, std::size_t> index;
    for (const NetworkMember *m : members) {
        const int address = m->settings[Field::SystemAddress];
        if (!index.contains(address)) {
            index.insert(address, groups.size());
            groups.emplace_back();
        }
        groups[index.value(address)].push_back(m);
    }
    return groups;
}

Members controlledOf(const Members &members)
{
    Members controlled;
    for (const NetworkMember *m : members)
        if (isControlledMode(m->settings.mode))
            controlled.push_back(m);
    return controlled;
}

class Checker {
public:
    explicit Checker(const Network &network)
    {
        for (const NetworkMember &m : network.members)
            m_all.push_back(&m);
    }

    std::vector<NetworkFinding> run()
    {
        sameValue(m_all, Severity::Error, QStringLiteral("system-address"),
                  [](const NetworkMember &m) { return m.settings[Field::SystemAddress]; },
                  [](const NetworkMember &, int v) { return QStringLiteral("system address %1").arg(v); });
        sameValue(m_all, Severity::Error, QStringLiteral("radio-data-rate"),
                  [](const NetworkMember &m) { return m.settings[Field::RadioDataRate]; },
                  [](const NetworkMember &m, int v) {
                      const std::optional<int> rate = SettingsModel::radioDataRate(m.variant.radioClass, v);
                      return rate ? QStringLiteral("radio data rate %1").arg(*rate)
                                  : QStringLiteral("radio data rate choice %1").arg(v);
                  });
        sameValue(m_all, Severity::Error, QStringLiteral("crc"),
                  [](const NetworkMember &m) { return m.settings[Field::CrcChecking]; },
                  [](const NetworkMember &, int v) {
                      return v == 0 ? QStringLiteral("CRC error checking disabled")
                                    : QStringLiteral("CRC error checking enabled");
                  });
        Members class740;
        for (const NetworkMember *m : m_all)
            if (m->variant.radioClass == RadioClass::Class740)
                class740.push_back(m);
        sameValue(class740, Severity::Error, QStringLiteral("radio-signature"),
                  [](const NetworkMember &m) { return m.settings[Field::RadioSignature]; },
                  [](const NetworkMember &, int v) { return QStringLiteral("radio message signature (S21) %1").arg(v); });
        for (const Members &group : bySystemAddress(m_all)) {
            const Members controlled = controlledOf(group);
            uniqueUnitAddresses(controlled);
            knownAddresses(controlled);
            fastOperation(controlled);
            modeMix(group);
        }
        sameValue(m_all, Severity::Information, QStringLiteral("packet-size"),
                  [](const NetworkMember &m) { return m.settings[Field::PacketSize]; },
                  [](const NetworkMember &, int v) { return QStringLiteral("packet size %1 bytes").arg(v); });
        sameValue(m_all, Severity::Information, QStringLiteral("hold-off"),
                  [](const NetworkMember &m) { return m.settings[Field::TxHoldOff] * 256 + m.settings[Field::RxHoldOff]; },
                  [](const NetworkMember &, int v) {
                      return QStringLiteral("hold-offs of %1 ms (transmit) and %2 ms (receive)").arg(v / 256).arg(v % 256);
                  });
        std::stable_sort(m_findings.begin(), m_findings.end(),
                         [](const NetworkFinding &a, const NetworkFinding &b) { return a.severity < b.severity; });
        return m_findings;
    }

private:
    void add(Severity severity, const QString &rule, const QStringList &members, const QString &message)
    {
        m_findings.push_back({severity, rule, members, message});
    }

    // One finding per value that differs from the one most members share (on a tie,
    // the value met first), naming the members that hold it.
    void sameValue(const Members &members, Severity severity, const QString &rule,
                   const std::function<int(const NetworkMember &)> &value,
                   const std::function<QString(const NetworkMember &, int)> &describe)
    {
        QList<int> order;
        QMap<int, Members> holders;
        for (const NetworkMember *m : members) {
            const int v = value(*m);
            if (!holders.contains(v))
                order << v;
            holders[v].push_back(m);
        }
        if (order.size() < 2)
            return;
        int common = order.front();
        for (int v : order)
            if (holders[v].size() > holders[common].size())
                common = v;
        const QString commonText = describe(*holders[common].front(), common);
        for (int v : order) {
            if (v == common)
                continue;
            const QStringList names = namesOf(holders[v]);
            add(severity, rule, names,
                QStringLiteral("%1 %2 %3, while %4 %5.")
                    .arg(listed(names), has(names), describe(*holders[v].front(), v),
                         listed(namesOf(holders[common])), has(namesOf(holders[common])) + QLatin1Char(' ') + commonText));
        }
    }

    void uniqueUnitAddresses(const Members &controlled)
    {
        QList<int> order;
        QMap<int, Members> holders;
        for (const NetworkMember *m : controlled) {
            const int address = m->settings[Field::UnitAddress];
            if (!holders.contains(address))
                order << address;
            holders[address].push_back(m);
        }
        for (int address : order) {
            const Members &same = holders[address];
            if (same.size() < 2)
                continue;
            const QStringList names = namesOf(same);
            add(Severity::Error, QStringLiteral("unit-address-unique"), names,
                QStringLiteral("%1 %2 have unit address %3 under system address %4.")
                    .arg(listed(names), names.size() == 2 ? QStringLiteral("both") : QStringLiteral("all"),
                         QString::number(address), QString::number(same.front()->settings[Field::SystemAddress])));
        }
    }

    void knownAddresses(const Members &controlled)
    {
        QList<int> known;
        for (const NetworkMember *m : controlled)
            known << m->settings[Field::UnitAddress];
        for (const NetworkMember *m : controlled) {
            for (const Route &route : routesOf(m->settings)) {
                if (!known.contains(route.destination))
                    add(Severity::Warning, QStringLiteral("destination-unknown"), {m->name},
                        QStringLiteral("Destination %1 of %2 is unit address %3, which no member of the network has.")
                            .arg(QString::number(route.index + 1), m->name, QString::number(route.destination)));
                for (int repeater : route.repeaters)
                    if (!known.contains(repeater))
                        add(Severity::Warning, QStringLiteral("repeater-unknown"), {m->name},
                            QStringLiteral("The route of %1 to unit address %2 goes through repeater %3, which no "
                                           "member of the network has.")
                                .arg(m->name, QString::number(route.destination), QString::number(repeater)));
            }
        }
    }

    void fastOperation(const Members &controlled)
    {
        for (const NetworkMember *m : controlled) {
            if (!m->settings.flag(Field::FastOperation))
                continue;
            for (const Route &route : routesOf(m->settings))
                if (!route.repeaters.empty())
                    add(Severity::Error, QStringLiteral("fast-operation-repeaters"), {m->name},
                        QStringLiteral("%1 has Fast Operation on, which works without repeaters, but its route to unit "
                                       "address %2 goes through repeaters.")
                            .arg(m->name, QString::number(route.destination)));
            const int unit = m->settings[Field::UnitAddress];
            if (unit > kFastUnitAddressLimit)
                add(Severity::Error, QStringLiteral("fast-operation-unit-address"), {m->name},
                    QStringLiteral("%1 has Fast Operation on and unit address %2, above the 15 Fast Operation allows.")
                        .arg(m->name, QString::number(unit)));
            for (const Route &route : routesOf(m->settings))
                if (route.destination > kFastUnitAddressLimit)
                    add(Severity::Error, QStringLiteral("fast-operation-unit-address"), {m->name},
                        QStringLiteral("%1 has Fast Operation on and destination %2 at unit address %3, above the 15 "
                                       "Fast Operation allows.")
                            .arg(m->name, QString::number(route.index + 1), QString::number(route.destination)));
        }
        sameValue(controlled, Severity::Warning, QStringLiteral("fast-operation-mixed"),
                  [](const NetworkMember &m) { return m.settings[Field::FastOperation]; },
                  [](const NetworkMember &, int v) {
                      return v != 0 ? QStringLiteral("Fast Operation on") : QStringLiteral("Fast Operation off");
                  });
    }

    void modeMix(const Members &group)
    {
        Members transparent;
        Members controlled;
        for (const NetworkMember *m : group)
            (isControlledMode(m->settings.mode) ? controlled : transparent).push_back(m);
        if (transparent.empty() || controlled.empty())
            return;
        add(Severity::Warning, QStringLiteral("mode-mix"), namesOf(group),
            QStringLiteral("Under system address %1, %2 %3 in a transparent mode and %4 in a controlled mode.")
                .arg(QString::number(group.front()->settings[Field::SystemAddress]), listed(namesOf(transparent)),
                     transparent.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                     listed(namesOf(controlled))));
    }

    Members m_all;
    std::vector<NetworkFinding> m_findings;
};

}  // namespace

QString severityName(Severity severity)
{
    switch (severity) {
    case Severity::Error: return QStringLiteral("error");
    case Severity::Warning: return QStringLiteral("warning");
    case Severity::Information: return QStringLiteral("information");
    }
    return {};
}

std::vector<NetworkFinding> checkNetwork(const Network &network) { return Checker(network).run(); }

bool hasErrors(const std::vector<NetworkFinding> &findings)
{
    return std::any_of(findings.begin(), findings.end(),
                       [](const NetworkFinding &f) { return f.severity == Severity::Error; });
}

QStringList networkRuleIds()
{
    return {QStringLiteral("system-address"),      QStringLiteral("radio-data-rate"),
            QStringLiteral("crc"),                 QStringLiteral("radio-signature"),
            QStringLiteral("unit-address-unique"), QStringLiteral("destination-unknown"),
            QStringLiteral("repeater-unknown"),    QStringLiteral("fast-operation-repeaters"),
            QStringLiteral("fast-operation-unit-address"), QStringLiteral("fast-operation-mixed"),
            QStringLiteral("mode-mix"),            QStringLiteral("packet-size"),
            QStringLiteral("hold-off")};
}
