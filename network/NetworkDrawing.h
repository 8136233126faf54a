#pragma once

#include "network/Network.h"
#include "network/NetworkChecks.h"

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

// A network as a picture: a box per member, an arrow per route through its
// repeaters, the findings marked on the boxes. The window's scene, the SVG and the
// DOT writers all draw this one model.
struct DrawingNode {
    QString name;
    std::optional<int> unitAddress;  // controlled modes only
    OperatingMode mode = OperatingMode::None;
    int systemAddress = 0;
    // A unit address a route names that no member has: drawn dashed, named by its address.
    bool member = true;
    int memberIndex = -1;            // into Network::members; -1 for an address outside the network
    std::vector<int> findings;       // indexes into the findings, in their order
    std::optional<Severity> worst;   // the most serious of them
    QRectF box;                      // where it is drawn

    QString label() const;           // "Master", "unit 7" (an address outside the network)
    QString details() const;         // "unit 1, Auto-Connect Master", "Transparent Mode", "not in the network"
};

// A route: from the member that stores it, through its repeaters, to its destination.
// In the transparent modes, where there are no routes, a relay: a member and a
// Transparent Repeater under its system address, which passes its packets on
// (drawn dashed, without a direction).
struct DrawingEdge {
    std::vector<int> hops;  // node indexes: the member, its repeaters, the destination
    int routeIndex = 0;     // 0..3: stored destination 1..4; -1 for a relay
    bool relay() const { return routeIndex < 0; }
};

struct NetworkDrawing {
    std::vector<DrawingNode> nodes;
    std::vector<DrawingEdge> edges;
    std::vector<NetworkFinding> findings;
    QRectF bounds;  // every box with a margin
};

// Lays the network out in rows: members that start connections on top, the
// repeaters their routes pass through below, then the others; addresses outside the
// network sit with the row of their role.
NetworkDrawing drawNetwork(const Network &network, const std::vector<NetworkFinding> &findings);

// The drawing as an SVG document (UTF-8), the findings listed below it, numbered as
// the marks on the boxes.
QByteArray networkSvg(const NetworkDrawing &drawing);
QByteArray networkSvg(const Network &network, const std::vector<NetworkFinding> &findings);

// The drawing as a Graphviz DOT graph.
QByteArray networkDot(const NetworkDrawing &drawing);

// The point where a line from the centre of `box` towards `towards` leaves the box.
QPointF boxEdgePoint(const QRectF &box, const QPointF &towards);

// The colour of a severity's mark ("#c62828", ...) and of a node without findings.
QString severityColour(std::optional<Severity> severity);
