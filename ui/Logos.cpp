#include "ui/Logos.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {
QPixmap blank(QSize size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    return pm;
}

void drawCentredText(QPainter &p, const QRectF &r, const QString &text, int pixelSize, const QColor &colour)
{
    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(pixelSize);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}
} // namespace

QPixmap korvelEggLogo()
{
    QPixmap pm = blank(kKorvelEggLogoSize);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = pm.width();
    const qreal h = pm.height();

    // Egg outline: narrower top, fuller bottom.
    QPainterPath egg;
    egg.moveTo(w / 2, 2);
    egg.cubicTo(w * 0.86, 2, w - 3, h * 0.55, w - 3, h * 0.64);
    egg.cubicTo(w - 3, h * 0.88, w * 0.76, h - 2, w / 2, h - 2);
    egg.cubicTo(w * 0.24, h - 2, 3, h * 0.88, 3, h * 0.64);
    egg.cubicTo(3, h * 0.55, w * 0.14, 2, w / 2, 2);

    QRadialGradient shade(QPointF(w * 0.38, h * 0.35), w * 0.75);
    shade.setColorAt(0, QColor(255, 250, 232));
    shade.setColorAt(1, QColor(214, 176, 98));
    p.setPen(QPen(QColor(120, 84, 30), 1.5));
    p.setBrush(shade);
    p.drawPath(egg);

    // Radio waves rising from a small mast.
    p.setPen(QPen(QColor(30, 60, 140), 2));
    const QPointF mast(w / 2, h * 0.62);
    p.drawLine(mast, QPointF(w / 2, h * 0.82));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 3; ++i) {
        const qreal r = 6.0 * i;
        p.drawArc(QRectF(mast.x() - r, mast.y() - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
    }
    drawCentredText(p, QRectF(0, h * 0.82, w, h * 0.14), QStringLiteral("KORVEL"), 9, QColor(30, 60, 140));
    return pm;
}

QPixmap briscaLogo()
{
    QPixmap pm = blank(kBriscaLogoSize);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1, 1, pm.width() - 2, pm.height() - 2);

    QLinearGradient bg(r.topLeft(), r.bottomLeft());
    bg.setColorAt(0, QColor(0, 120, 90));
    bg.setColorAt(1, QColor(0, 70, 50));
    p.setPen(QPen(QColor(0, 40, 30), 1));
    p.setBrush(bg);
    p.drawRoundedRect(r, 8, 8);

    // A stylised "B" made of two stacked lobes and a signal bar chart.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 240, 220));
    for (int i = 0; i < 4; ++i) {
        const qreal barH = 8.0 + 7.0 * i;
        p.drawRect(QRectF(10 + i * 8, 44 - barH, 5, barH));
    }
    drawCentredText(p, QRectF(0, 46, pm.width(), 20), QStringLiteral("BRISCA"), 13, QColor(240, 240, 220));
    return pm;
}

QPixmap tolvaneLogo()
{
    QPixmap pm = blank(kTolvaneLogoSize);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = pm.width();

    p.setPen(QPen(QColor(90, 20, 20), 3));
    p.setBrush(QColor(200, 40, 40));
    p.drawEllipse(QRectF(4, 4, s - 8, s - 8));

    // A diamond mark with the initials.
    QPainterPath diamond;
    diamond.moveTo(s / 2, 14);
    diamond.lineTo(s - 14, s / 2);
    diamond.lineTo(s / 2, s - 14);
    diamond.lineTo(14, s / 2);
    diamond.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 235, 200));
    p.drawPath(diamond);
    drawCentredText(p, QRectF(0, 0, s, s), QStringLiteral("JT"), 26, QColor(150, 20, 20));
    return pm;
}
