#pragma once

#include "network/NetworkDrawing.h"

#include <QImage>
#include <QString>

class QGraphicsScene;

// The network drawing as graphics items: a box per node, a line with an arrowhead per
// hop of a route, a badge with the number of findings. A member's items carry its
// index into the network's members as data(kMemberRole), -1 for an address outside it.
inline constexpr int kMemberRole = 0;
void drawNetworkScene(QGraphicsScene &scene, const NetworkDrawing &drawing);

// The scene as an SVG file (through Qt SVG) or as a PNG file at `scale`. Throw
// Exception with the file's name and the reason when the file cannot be written.
void exportSceneSvg(QGraphicsScene &scene, const QString &path, const QString &title);
void exportScenePng(QGraphicsScene &scene, const QString &path, double scale = 2.0);
// The scene rendered into an image at `scale`, on white.
QImage sceneImage(QGraphicsScene &scene, double scale);
