#include "network/NetworkPlan.h"

#include "comm/Exception.h"
#include "settings/SettingsRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

constexpr int kRouteCount = 4;
constexpr int kRepeatersPerRoute = 5;

// Where a plan's error is: "plan.json: member 2 (Slave 1)".
class PlanContext {
public:
    explicit PlanContext(QString planName) : m_where(std::move(planName)) {}
    PlanContext member(int index, const QString &name) const
    {
        PlanContext c(*this);
        c.m_where += name.isEmpty() ? QStringLiteral(": member %1").arg(index + 1)
                                    : QStringLiteral(": member %1 (%2)").arg(QString::number(index + 1), name);
        return c;
    }
    [[noreturn]] void fail(const QString &what) const { throw Exception(m_where + QStringLiteral(": ") + what); }

private:
    QString m_where;
};

QString text(const QJsonObject &o, const QString &key, const PlanContext &where)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined())
        return {};
    if (!v.isString())
        where.fail(QStringLiteral("\"%1\" must be a string.").arg(key));
    return v.toString().trimmed();
}

int whole(const QJsonValue &v, int min, int max, const QString &what, const PlanContext &where)
{
    const double d = v.toDouble(-1);
    if (!v.isDouble() || d != double(int(d)) || d < min || d > max)
        where.fail(QStringLiteral("%1 must be a whole number from %2 to %3.").arg(what).arg(min).arg(max));
    return int(d);
}

void checkKeys(const QJsonObject &o, const QStringList &known, const PlanContext &where)
{
    for (const QString &key : o.keys())
        if (!known.contains(key))
            where.fail(QStringLiteral("unknown field \"%1\" (known: %2).").arg(key, known.join(QStringLiteral(", "))));
}

// "destinations": up to four routes, each {"address": N, "repeaters": [r1, ...]}.
// They replace the file's stored destinations; the ones not given are disabled.
void applyDestinations(const QJsonValue &value, ModuleSettings &settings, const PlanContext &where)
{
    if (!value.isArray() || value.toArray().size() > kRouteCount)
        where.fail(QStringLiteral("\"destinations\" must be an array of at most four routes."));
    const QJsonArray routes = value.toArray();
    for (int n = 0; n < kRouteCount; ++n) {
        settings[routeDestination(n)] = 0;
        for (int k = 1; k <= kRepeatersPerRoute; ++k)
            settings[routeRepeater(n, k)] = 0;
        if (n >= routes.size())
            continue;
        const QJsonObject route = routes[n].toObject();
        if (!routes[n].isObject() || !route.contains(QStringLiteral("address")))
            where.fail(QStringLiteral("destination %1 must be an object with an \"address\".").arg(n + 1));
        checkKeys(route, {QStringLiteral("address"), QStringLiteral("repeaters")}, where);
        settings[routeDestination(n)] =
            whole(route.value(QStringLiteral("address")), 0, 255, QStringLiteral("the address of destination %1").arg(n + 1), where);
        const QJsonValue repeaters = route.value(QStringLiteral("repeaters"));
        if (repeaters.isUndefined())
            continue;
        if (!repeaters.isArray() || repeaters.toArray().size() > kRepeatersPerRoute)
            where.fail(QStringLiteral("the repeaters of destination %1 must be an array of at most five addresses.")
                           .arg(n + 1));
        const QJsonArray list = repeaters.toArray();
        for (int k = 0; k < list.size(); ++k)
            settings[routeRepeater(n, k + 1)] =
                whole(list[k], 1, 127, QStringLiteral("a repeater of destination %1").arg(n + 1), where);
    }
}

NetworkMember memberFrom(const QJsonValue &value, int index, const QString &folder, const QString &defaultProduct,
                         const PlanContext &plan)
{
    if (!value.isObject())
        plan.member(index, {}).fail(QStringLiteral("must be an object."));
    const QJsonObject o = value.toObject();
    NetworkMember member;
    member.name = text(o, QStringLiteral("name"), plan.member(index, {}));
    const PlanContext where = plan.member(index, member.name);
    checkKeys(o,
              {QStringLiteral("name"), QStringLiteral("file"), QStringLiteral("port"), QStringLiteral("baud"),
               QStringLiteral("format"), QStringLiteral("product"), QStringLiteral("unitAddress"),
               QStringLiteral("destinations")},
              where);
    if (member.name.isEmpty())
        where.fail(QStringLiteral("\"name\" is missing."));
    const QString file = text(o, QStringLiteral("file"), where);
    if (file.isEmpty())
        where.fail(QStringLiteral("\"file\" is missing."));
    member.source = QDir::cleanPath(QDir(folder).absoluteFilePath(file));
    member.port = text(o, QStringLiteral("port"), where);
    member.baud = text(o, QStringLiteral("baud"), where);
    member.format = text(o, QStringLiteral("format"), where);
    member.productName = text(o, QStringLiteral("product"), where);
    if (member.productName.isEmpty())
        member.productName = defaultProduct;
    try {
        member.variant = productVariantNamed(member.productName);
        const SettingsRecord record = readSettingsFile(member.source, member.variant);
        member.settings = record.settings;
        member.notices = record.notices;
    } catch (const Exception &e) {
        where.fail(e.message());
    }
    if (o.contains(QStringLiteral("unitAddress")))
        member.settings[Field::UnitAddress] =
            whole(o.value(QStringLiteral("unitAddress")), 1, 127, QStringLiteral("\"unitAddress\""), where);
    if (o.contains(QStringLiteral("destinations")))
        applyDestinations(o.value(QStringLiteral("destinations")), member.settings, where);
    return member;
}

}  // namespace

NetworkPlan networkPlanFromJson(const QByteArray &json, const QString &folder, const QString &planName)
{
    const PlanContext plan(planName);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        plan.fail(QStringLiteral("not valid JSON at offset %1 (%2).").arg(error.offset).arg(error.errorString()));
    if (!document.isObject())
        plan.fail(QStringLiteral("a plan is a JSON object with a \"members\" array."));
    const QJsonObject root = document.object();
    checkKeys(root, {QStringLiteral("name"), QStringLiteral("product"), QStringLiteral("members")}, plan);
    const QJsonValue members = root.value(QStringLiteral("members"));
    if (!members.isArray() || members.toArray().isEmpty())
        plan.fail(QStringLiteral("a plan is a JSON object with a \"members\" array that names at least one member."));

    NetworkPlan result;
    result.network.name = text(root, QStringLiteral("name"), plan);
    QString product = text(root, QStringLiteral("product"), plan);
    if (product.isEmpty())
        product = QStringLiteral("740R-B");
    QSet<QString> names;
    QSet<QString> ports;
    const QJsonArray list = members.toArray();
    for (int i = 0; i < list.size(); ++i) {
        NetworkMember member = memberFrom(list[i], i, folder, product, plan);
        const PlanContext where = plan.member(i, member.name);
        if (names.contains(member.name))
            where.fail(QStringLiteral("another member has the same name."));
        names.insert(member.name);
        if (!member.port.isEmpty()) {
            if (ports.contains(member.port))
                where.fail(QStringLiteral("another member has the same port %1.").arg(member.port));
            ports.insert(member.port);
        }
        result.network.members.push_back(std::move(member));
    }
    return result;
}

NetworkPlan loadNetworkPlan(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("%1: %2").arg(path, file.errorString()));
    constexpr qint64 kMaxPlanSize = 1024 * 1024;  // a plan names files; anything this big is not one
    if (file.size() > kMaxPlanSize)
        throw Exception(QStringLiteral("%1: too large for a network plan.").arg(path));
    const QFileInfo info(path);
    NetworkPlan plan = networkPlanFromJson(file.readAll(), info.absolutePath(), path);
    plan.path = info.absoluteFilePath();
    return plan;
}

Network loadNetwork(const QStringList &paths)
{
    if (paths.size() == 1 && paths.front().endsWith(QStringLiteral(".json"), Qt::CaseInsensitive))
        return loadNetworkPlan(paths.front()).network;
    return networkFromFiles(paths);
}
