#include "ui/NetworkScene.h"

#include "comm/Exception.h"

#include <QBuffer>
#include <QFont>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QPainter>
#include <QPen>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cmath>

namespace {

constexpr double kArrowSize = 10;
constexpr double kBadgeRadius = 10;

QGraphicsSimpleTextItem *centredText(QGraphicsScene &scene, const QString &text, const QPointF &centre, bool bold)
{
    auto *item = scene.addSimpleText(text);
    QFont font = item->font();
    font.setBold(bold);
    item->setFont(font);
    const QRectF r = item->boundingRect();
    item->setPos(centre - QPointF(r.width() / 2, r.height() / 2));
    return item;
}

void drawHop(QGraphicsScene &scene, const QRectF &from, const QRectF &to, QPen pen, bool relay)
{
    const QPointF a = boxEdgePoint(from, to.center());
    const QPointF b = boxEdgePoint(to, from.center());
    if (relay) {
        pen.setStyle(Qt::DashLine);
        scene.addLine(QLineF(a, b), pen);
        return;
    }
    scene.addLine(QLineF(a, b), pen);
    const double angle = std::atan2(b.y() - a.y(), b.x() - a.x());
    const auto corner = [&](double turn) {
        return b - QPointF(std::cos(angle + turn) * kArrowSize, std::sin(angle + turn) * kArrowSize);
    };
    scene.addPolygon(QPolygonF{b, corner(0.45), corner(-0.45)}, pen, pen.color());
}

void saveBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Exception(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

}  // namespace

void drawNetworkScene(QGraphicsScene &scene, const NetworkDrawing &drawing)
{
    scene.clear();
    const QPen routePen(QColor(QStringLiteral("#455a64")), 2);
    for (const DrawingEdge &edge : drawing.edges)
        for (std::size_t h = 0; h + 1 < edge.hops.size(); ++h)
            drawHop(scene, drawing.nodes[std::size_t(edge.hops[h])].box,
                    drawing.nodes[std::size_t(edge.hops[h + 1])].box, routePen, edge.relay());
    for (const DrawingNode &node : drawing.nodes) {
        const QColor colour(severityColour(node.worst));
        QPen pen(colour, node.worst ? 3 : 1.5);
        if (!node.member)
            pen.setStyle(Qt::DashLine);
        auto *box = scene.addRect(node.box, pen, node.member ? QBrush(Qt::white) : QBrush(QColor(0xf5, 0xf5, 0xf5)));
        box->setData(kMemberRole, node.memberIndex);
        QStringList tip{node.label(), node.details()};
        for (int f : node.findings)
            tip << QStringLiteral("%1. %2").arg(f + 1).arg(drawing.findings[std::size_t(f)].message);
        box->setToolTip(tip.join(QLatin1Char('\n')));
        centredText(scene, node.label(), node.box.center() - QPointF(0, 10), true)->setParentItem(box);
        centredText(scene, node.details(), node.box.center() + QPointF(0, 10), false)->setParentItem(box);
        if (!node.findings.empty()) {
            const QRectF badge(node.box.topRight() - QPointF(kBadgeRadius, kBadgeRadius),
                               QSizeF(2 * kBadgeRadius, 2 * kBadgeRadius));
            auto *circle = scene.addEllipse(badge, QPen(colour), QBrush(colour));
            circle->setParentItem(box);
            auto *count = centredText(scene, QString::number(node.findings.size()), badge.center(), true);
            count->setBrush(Qt::white);
            count->setParentItem(circle);
        }
    }
    scene.setSceneRect(drawing.bounds);
}

QImage sceneImage(QGraphicsScene &scene, double scale)
{
    const QRectF source = scene.sceneRect();
    QImage image((source.size() * scale).toSize(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(QPointF(0, 0), source.size() * scale), source);
    return image;
}

void exportScenePng(QGraphicsScene &scene, const QString &path, double scale)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!sceneImage(scene, scale).save(&buffer, "PNG"))
        throw Exception(QStringLiteral("%1: the picture could not be made.").arg(path));
    saveBytes(path, bytes);
}

void exportSceneSvg(QGraphicsScene &scene, const QString &path, const QString &title)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QRectF source = scene.sceneRect();
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(source.size().toSize());
    generator.setViewBox(QRectF(QPointF(0, 0), source.size()));
    generator.setTitle(title);
    {
        QPainter painter(&generator);
        scene.render(&painter, QRectF(QPointF(0, 0), source.size()), source);
    }
    saveBytes(path, bytes);
}
