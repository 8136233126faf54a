// The SVG and DOT forms of a network drawing.
#include "network/NetworkDrawing.h"

#include <QXmlStreamWriter>

#include <cmath>

namespace {

constexpr double kFindingLineHeight = 18;
constexpr double kBadgeRadius = 10;
constexpr double kArrowSize = 10;
constexpr double kCharacterWidth = 7.5;  // a generous average at the findings' 13 px

QString number(double v) { return QString::number(v, 'f', 1); }

// The numbers of a node's findings as the marks show them: "1, 3".
QString markText(const DrawingNode &node)
{
    QStringList numbers;
    for (int f : node.findings)
        numbers << QString::number(f + 1);
    return numbers.join(QStringLiteral(", "));
}

void text(QXmlStreamWriter &xml, double x, double y, const QString &content, const QString &extra = {})
{
    xml.writeStartElement(QStringLiteral("text"));
    xml.writeAttribute(QStringLiteral("x"), number(x));
    xml.writeAttribute(QStringLiteral("y"), number(y));
    if (!extra.isEmpty())
        xml.writeAttribute(QStringLiteral("style"), extra);
    xml.writeCharacters(content);
    xml.writeEndElement();
}

// An arrowhead as a polygon of its own: renderers of SVG Tiny (Qt's among them) draw
// no markers.
void arrowhead(QXmlStreamWriter &xml, const QPointF &from, const QPointF &tip)
{
    const double angle = std::atan2(tip.y() - from.y(), tip.x() - from.x());
    const auto corner = [&](double turn) {
        return tip - QPointF(std::cos(angle + turn) * kArrowSize, std::sin(angle + turn) * kArrowSize);
    };
    const QPointF a = corner(0.45), b = corner(-0.45);
    xml.writeEmptyElement(QStringLiteral("polygon"));
    xml.writeAttribute(QStringLiteral("points"), QStringLiteral("%1,%2 %3,%4 %5,%6")
                                                     .arg(number(tip.x()), number(tip.y()), number(a.x()),
                                                          number(a.y()), number(b.x()), number(b.y())));
    xml.writeAttribute(QStringLiteral("fill"), QStringLiteral("#455a64"));
}

void edge(QXmlStreamWriter &xml, const NetworkDrawing &drawing, const DrawingEdge &e)
{
    xml.writeStartElement(QStringLiteral("g"));
    xml.writeAttribute(QStringLiteral("class"), QStringLiteral("route"));
    xml.writeTextElement(QStringLiteral("title"),
                         e.relay() ? QStringLiteral("%1 relayed by %2")
                                         .arg(drawing.nodes[std::size_t(e.hops.front())].label(),
                                              drawing.nodes[std::size_t(e.hops.back())].label())
                                   : QStringLiteral("%1: destination %2")
                                         .arg(drawing.nodes[std::size_t(e.hops.front())].label())
                                         .arg(e.routeIndex + 1));
    for (std::size_t h = 0; h + 1 < e.hops.size(); ++h) {
        const QRectF from = drawing.nodes[std::size_t(e.hops[h])].box;
        const QRectF to = drawing.nodes[std::size_t(e.hops[h + 1])].box;
        const QPointF a = boxEdgePoint(from, to.center());
        const QPointF b = boxEdgePoint(to, from.center());
        xml.writeEmptyElement(QStringLiteral("line"));
        xml.writeAttribute(QStringLiteral("x1"), number(a.x()));
        xml.writeAttribute(QStringLiteral("y1"), number(a.y()));
        xml.writeAttribute(QStringLiteral("x2"), number(b.x()));
        xml.writeAttribute(QStringLiteral("y2"), number(b.y()));
        xml.writeAttribute(QStringLiteral("stroke"), QStringLiteral("#455a64"));
        xml.writeAttribute(QStringLiteral("stroke-width"), QStringLiteral("2"));
        if (e.relay())
            xml.writeAttribute(QStringLiteral("stroke-dasharray"), QStringLiteral("6 4"));
        else
            arrowhead(xml, a, b);
    }
    xml.writeEndElement();
}

void node(QXmlStreamWriter &xml, const DrawingNode &n)
{
    const QString colour = severityColour(n.worst);
    xml.writeStartElement(QStringLiteral("g"));
    xml.writeAttribute(QStringLiteral("class"), n.member ? QStringLiteral("member") : QStringLiteral("outside"));
    xml.writeEmptyElement(QStringLiteral("rect"));
    xml.writeAttribute(QStringLiteral("x"), number(n.box.x()));
    xml.writeAttribute(QStringLiteral("y"), number(n.box.y()));
    xml.writeAttribute(QStringLiteral("width"), number(n.box.width()));
    xml.writeAttribute(QStringLiteral("height"), number(n.box.height()));
    xml.writeAttribute(QStringLiteral("rx"), QStringLiteral("6"));
    xml.writeAttribute(QStringLiteral("fill"), n.member ? QStringLiteral("#ffffff") : QStringLiteral("#f5f5f5"));
    xml.writeAttribute(QStringLiteral("stroke"), colour);
    xml.writeAttribute(QStringLiteral("stroke-width"), n.worst ? QStringLiteral("3") : QStringLiteral("1.5"));
    if (!n.member)
        xml.writeAttribute(QStringLiteral("stroke-dasharray"), QStringLiteral("6 4"));
    const double cx = n.box.center().x();
    text(xml, cx, n.box.y() + 26, n.label(), QStringLiteral("font-weight:bold"));
    text(xml, cx, n.box.y() + 46, n.details());
    if (!n.findings.empty()) {
        const QPointF badge(n.box.right(), n.box.top());
        xml.writeEmptyElement(QStringLiteral("circle"));
        xml.writeAttribute(QStringLiteral("cx"), number(badge.x()));
        xml.writeAttribute(QStringLiteral("cy"), number(badge.y()));
        xml.writeAttribute(QStringLiteral("r"), number(kBadgeRadius));
        xml.writeAttribute(QStringLiteral("fill"), colour);
        text(xml, badge.x(), badge.y() + 4, QString::number(n.findings.size()),
             QStringLiteral("fill:#ffffff;font-size:11px;font-weight:bold"));
        xml.writeTextElement(QStringLiteral("title"), QStringLiteral("Findings %1").arg(markText(n)));
    }
    xml.writeEndElement();
}

QString dotQuoted(const QString &s)
{
    QString quoted = s;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QByteArray networkSvg(const NetworkDrawing &drawing)
{
    const double findingsHeight =
        drawing.findings.empty() ? 0 : kFindingLineHeight * double(drawing.findings.size() + 1);
    double width = std::max(drawing.bounds.width(), 480.0);
    for (std::size_t f = 0; f < drawing.findings.size(); ++f)
        width = std::max(width, 48 + kCharacterWidth * double(drawing.findings[f].message.size() +
                                                             drawing.findings[f].rule.size() + 20));
    const double height = drawing.bounds.height() + findingsHeight;
    QByteArray svg;
    QXmlStreamWriter xml(&svg);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("svg"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("width"), number(width));
    xml.writeAttribute(QStringLiteral("height"), number(height));
    xml.writeAttribute(QStringLiteral("viewBox"), QStringLiteral("0 0 %1 %2").arg(number(width), number(height)));
    xml.writeAttribute(QStringLiteral("font-family"), QStringLiteral("sans-serif"));
    xml.writeAttribute(QStringLiteral("font-size"), QStringLiteral("13"));
    xml.writeAttribute(QStringLiteral("text-anchor"), QStringLiteral("middle"));
    xml.writeTextElement(QStringLiteral("title"), QStringLiteral("Radio network"));
    xml.writeEmptyElement(QStringLiteral("rect"));
    xml.writeAttribute(QStringLiteral("width"), number(width));
    xml.writeAttribute(QStringLiteral("height"), number(height));
    xml.writeAttribute(QStringLiteral("fill"), QStringLiteral("#fafafa"));
    for (const DrawingEdge &e : drawing.edges)
        edge(xml, drawing, e);
    for (const DrawingNode &n : drawing.nodes)
        node(xml, n);
    if (!drawing.findings.empty()) {
        xml.writeStartElement(QStringLiteral("g"));
        xml.writeAttribute(QStringLiteral("class"), QStringLiteral("findings"));
        xml.writeAttribute(QStringLiteral("text-anchor"), QStringLiteral("start"));
        double y = drawing.bounds.height() + kFindingLineHeight / 2;
        for (std::size_t f = 0; f < drawing.findings.size(); ++f) {
            const NetworkFinding &finding = drawing.findings[f];
            y += kFindingLineHeight;
            text(xml, 24, y,
                 QStringLiteral("%1. %2 (%3): %4")
                     .arg(f + 1)
                     .arg(severityName(finding.severity), finding.rule, finding.message),
                 QStringLiteral("fill:") + severityColour(finding.severity));
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return svg;
}

QByteArray networkDot(const NetworkDrawing &drawing)
{
    QString dot = QStringLiteral("digraph network {\n  node [shape=box, style=rounded, fontname=\"sans-serif\"];\n");
    for (std::size_t i = 0; i < drawing.nodes.size(); ++i) {
        const DrawingNode &n = drawing.nodes[i];
        // The label carries "\n" line breaks of DOT's own; quote the rest.
        QString quoted = dotQuoted(n.label() + QLatin1Char('\n') + n.details() +
                                   (n.findings.empty() ? QString() : QStringLiteral("\nfindings ") + markText(n)));
        quoted.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        dot += QStringLiteral("  n%1 [label=%2, color=%3%4];\n")
                   .arg(i)
                   .arg(quoted, dotQuoted(severityColour(n.worst)),
                        n.member ? QString() : QStringLiteral(", style=\"rounded,dashed\""));
    }
    for (const DrawingEdge &e : drawing.edges) {
        QStringList hops;
        for (int h : e.hops)
            hops << QStringLiteral("n%1").arg(h);
        if (e.relay())
            dot += QStringLiteral("  %1 [dir=none, style=dashed];\n").arg(hops.join(QStringLiteral(" -> ")));
        else
            dot += QStringLiteral("  %1 [label=\"Z%2\"];\n").arg(hops.join(QStringLiteral(" -> "))).arg(e.routeIndex);
    }
    dot += QStringLiteral("}\n");
    return dot.toUtf8();
}
