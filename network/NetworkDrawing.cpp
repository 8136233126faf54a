#include "network/NetworkDrawing.h"

#include <QMap>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kBoxWidth = 200;
constexpr double kBoxHeight = 64;
constexpr double kColumnGap = 40;
constexpr double kRowGap = 80;
constexpr double kMargin = 24;

enum class Row { Origin, Repeater, Other };

}  // namespace

QString DrawingNode::label() const
{
    return member ? name : QStringLiteral("unit %1").arg(unitAddress.value_or(0));
}

QString DrawingNode::details() const
{
    if (!member)
        return QStringLiteral("not in the network");
    const QString modeText = modeCaption(mode);
    return unitAddress ? QStringLiteral("unit %1, %2").arg(*unitAddress).arg(modeText) : modeText;
}

NetworkDrawing drawNetwork(const Network &network, const std::vector<NetworkFinding> &findings)
{
    NetworkDrawing drawing;
    drawing.findings = findings;
    const int memberCount = int(network.members.size());
    for (int i = 0; i < memberCount; ++i) {
        const NetworkMember &m = network.members[std::size_t(i)];
        DrawingNode node;
        node.name = m.name;
        node.unitAddress = unitAddressOf(m.settings);
        node.mode = m.settings.mode;
        node.systemAddress = m.settings[Field::SystemAddress];
        node.memberIndex = i;
        drawing.nodes.push_back(node);
    }

    // A unit address resolves to a controlled member under the same system address,
    // else to one node standing for the address outside the network.
    QMap<QPair<int, int>, int> ghosts;  // (system address, unit address) -> node
    const auto nodeFor = [&](int systemAddress, int unit) {
        for (int i = 0; i < memberCount; ++i) {
            const DrawingNode &n = drawing.nodes[std::size_t(i)];
            if (n.unitAddress == unit && n.systemAddress == systemAddress)
                return i;
        }
        const QPair<int, int> key{systemAddress, unit};
        if (!ghosts.contains(key)) {
            DrawingNode ghost;
            ghost.member = false;
            ghost.unitAddress = unit;
            ghost.systemAddress = systemAddress;
            ghost.name = QStringLiteral("unit %1").arg(unit);
            ghosts.insert(key, int(drawing.nodes.size()));
            drawing.nodes.push_back(ghost);
        }
        return ghosts.value(key);
    };
    QSet<int> origins;
    QSet<int> repeaters;
    for (int i = 0; i < memberCount; ++i) {
        const NetworkMember &m = network.members[std::size_t(i)];
        for (const Route &route : routesOf(m.settings)) {
            DrawingEdge edge;
            edge.routeIndex = route.index;
            edge.hops.push_back(i);
            for (int r : route.repeaters) {
                edge.hops.push_back(nodeFor(drawing.nodes[std::size_t(i)].systemAddress, r));
                repeaters.insert(edge.hops.back());
            }
            edge.hops.push_back(nodeFor(drawing.nodes[std::size_t(i)].systemAddress, route.destination));
            origins.insert(i);
            drawing.edges.push_back(std::move(edge));
        }
        if (m.settings.mode == OperatingMode::TransparentRepeater)
            repeaters.insert(i);
    }
    for (int r : repeaters) {
        if (r >= memberCount || drawing.nodes[std::size_t(r)].mode != OperatingMode::TransparentRepeater)
            continue;
        for (int i = 0; i < memberCount; ++i) {
            const DrawingNode &n = drawing.nodes[std::size_t(i)];
            // Each pair of transparent repeaters once.
            if (i == r || !isTransparentMode(n.mode) || n.systemAddress != drawing.nodes[std::size_t(r)].systemAddress ||
                (n.mode == OperatingMode::TransparentRepeater && i > r))
                continue;
            drawing.edges.push_back(DrawingEdge{{i, r}, -1});
        }
    }

    // Marks: a finding marks every member it names.
    for (int f = 0; f < int(findings.size()); ++f) {
        const NetworkFinding &finding = findings[std::size_t(f)];
        for (DrawingNode &node : drawing.nodes) {
            if (!node.member || !finding.members.contains(node.name))
                continue;
            node.findings.push_back(f);
            if (!node.worst || finding.severity < *node.worst)
                node.worst = finding.severity;
        }
    }

    // Rows, each centred on the widest.
    const auto rowOf = [&](int i) {
        if (repeaters.contains(i))
            return Row::Repeater;
        const DrawingNode &n = drawing.nodes[std::size_t(i)];
        if (origins.contains(i) || n.mode == OperatingMode::AutoConnectMaster)
            return Row::Origin;
        return Row::Other;
    };
    std::vector<std::vector<int>> rows(3);
    for (int i = 0; i < int(drawing.nodes.size()); ++i)
        rows[std::size_t(rowOf(i))].push_back(i);
    std::size_t widest = 0;
    for (const std::vector<int> &row : rows)
        widest = std::max(widest, row.size());
    const double fullWidth = double(widest) * kBoxWidth + double(widest > 0 ? widest - 1 : 0) * kColumnGap;
    double y = kMargin;
    for (const std::vector<int> &row : rows) {
        if (row.empty())
            continue;
        const double width = double(row.size()) * kBoxWidth + double(row.size() - 1) * kColumnGap;
        double x = kMargin + (fullWidth - width) / 2;
        for (int i : row) {
            drawing.nodes[std::size_t(i)].box = QRectF(x, y, kBoxWidth, kBoxHeight);
            x += kBoxWidth + kColumnGap;
        }
        y += kBoxHeight + kRowGap;
    }

    // A repeater moves above the nodes its routes go on to, so that the direct
    // routes from the row above pass beside it rather than behind it.
    std::vector<int> &middle = rows[std::size_t(Row::Repeater)];
    if (!middle.empty() && !rows[std::size_t(Row::Other)].empty()) {
        QMap<int, double> wanted;
        for (int r : middle) {
            double sum = 0;
            int count = 0;
            for (const DrawingEdge &edge : drawing.edges)
                for (std::size_t h = 0; h + 1 < edge.hops.size(); ++h)
                    if (edge.hops[h] == r && rowOf(edge.hops[h + 1]) == Row::Other) {
                        sum += drawing.nodes[std::size_t(edge.hops[h + 1])].box.center().x();
                        ++count;
                    }
            wanted.insert(r, count > 0 ? sum / count : drawing.nodes[std::size_t(r)].box.center().x());
        }
        std::stable_sort(middle.begin(), middle.end(), [&](int a, int b) { return wanted.value(a) < wanted.value(b); });
        double left = kMargin;
        for (int r : middle) {
            QRectF &box = drawing.nodes[std::size_t(r)].box;
            box.moveLeft(std::max(wanted.value(r) - kBoxWidth / 2, left));
            left = box.right() + kColumnGap;
        }
    }
    QRectF used;
    for (const DrawingNode &node : drawing.nodes)
        used = used.united(node.box);
    drawing.bounds = QRectF(0, 0, used.right() + kMargin, used.bottom() + kMargin);
    return drawing;
}

QPointF boxEdgePoint(const QRectF &box, const QPointF &towards)
{
    const QPointF c = box.center();
    const double dx = towards.x() - c.x();
    const double dy = towards.y() - c.y();
    if (dx == 0 && dy == 0)
        return c;
    const double tx = dx != 0 ? (box.width() / 2) / std::abs(dx) : 1e9;
    const double ty = dy != 0 ? (box.height() / 2) / std::abs(dy) : 1e9;
    const double t = std::min(tx, ty);
    return {c.x() + dx * t, c.y() + dy * t};
}

QString severityColour(std::optional<Severity> severity)
{
    if (!severity)
        return QStringLiteral("#37474f");
    switch (*severity) {
    case Severity::Error: return QStringLiteral("#c62828");
    case Severity::Warning: return QStringLiteral("#ef6c00");
    case Severity::Information: return QStringLiteral("#1565c0");
    }
    return QStringLiteral("#37474f");
}

QByteArray networkSvg(const Network &network, const std::vector<NetworkFinding> &findings)
{
    return networkSvg(drawNetwork(network, findings));
}
