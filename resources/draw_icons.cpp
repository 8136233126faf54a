// Draws the program's icons and tool-bar images into PNG files.
// Run by hand after changing a picture: draw-icons <resources/images dir>; the PNGs
// are committed and embedded through images.qrc.
// The build runs draw-icons --hicolor <dir> <prefix> for the desktop's icon theme:
// the application icons at the theme's sizes, <dir>/<N>x<N>/apps/<prefix><name>.png.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <functional>

namespace {

using Painter = std::function<void(QPainter &, int size)>;

QImage render(int size, const Painter &paint)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);  // every picture is drawn on a 32 x 32 grid
    paint(p, size);
    return img;
}

void letter(QPainter &p, const QRectF &box, const QString &text, const QColor &colour, int pointSize)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(pointSize);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

// A radio modem: a box with an antenna and two lamps.
void modem(QPainter &p, const QColor &body)
{
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.drawLine(QPointF(24, 14), QPointF(24, 3));
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(QPointF(24, 3), 1.5, 1.5);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(3, 14, 26, 14), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 220, 60));
    p.drawEllipse(QPointF(8, 21), 2, 2);
    p.setBrush(QColor(240, 180, 30));
    p.drawEllipse(QPointF(14, 21), 2, 2);
}

// ---- application icons -------------------------------------------------------

void iconDefault(QPainter &p, int) { modem(p, QColor(70, 110, 190)); }

void iconKorvel(QPainter &p, int)
{
    p.setPen(QPen(QColor(90, 10, 10), 1));
    p.setBrush(QColor(180, 30, 30));
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    letter(p, QRectF(0, 0, 32, 32), QStringLiteral("K"), Qt::white, 22);
}

void iconKorvelEgg(QPainter &p, int)
{
    QPainterPath egg;
    egg.moveTo(16, 1.5);
    egg.cubicTo(26, 1.5, 29, 18, 29, 21);
    egg.cubicTo(29, 27.5, 23, 30.5, 16, 30.5);
    egg.cubicTo(9, 30.5, 3, 27.5, 3, 21);
    egg.cubicTo(3, 18, 6, 1.5, 16, 1.5);
    QLinearGradient g(0, 0, 32, 32);
    g.setColorAt(0, QColor(255, 230, 140));
    g.setColorAt(1, QColor(215, 150, 20));
    p.setPen(QPen(QColor(140, 90, 0), 1));
    p.setBrush(g);
    p.drawPath(egg);
    letter(p, QRectF(0, 7, 32, 24), QStringLiteral("K"), QColor(150, 20, 20), 17);
}

void iconBrisca(QPainter &p, int)
{
    p.setPen(QPen(QColor(10, 80, 40), 1));
    p.setBrush(QColor(30, 150, 80));
    p.drawEllipse(QRectF(1.5, 1.5, 29, 29));
    letter(p, QRectF(0, 0, 32, 32), QStringLiteral("B"), Qt::white, 20);
}

void iconTolvane(QPainter &p, int)
{
    QPolygonF diamond({QPointF(16, 1), QPointF(31, 16), QPointF(16, 31), QPointF(1, 16)});
    p.setPen(QPen(QColor(50, 20, 90), 1));
    p.setBrush(QColor(110, 60, 170));
    p.drawPolygon(diamond);
    letter(p, QRectF(0, 0, 32, 32), QStringLiteral("T"), Qt::white, 17);
}

// ---- tool-bar images -----------------------------------------------------------

void page(QPainter &p)
{
    QPolygonF sheet({QPointF(6, 2), QPointF(20, 2), QPointF(27, 9), QPointF(27, 30), QPointF(6, 30)});
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.setBrush(QColor(210, 210, 210));
    p.drawPolygon(QPolygonF({QPointF(20, 2), QPointF(20, 9), QPointF(27, 9)}));
}

void imageNew(QPainter &p, int) { page(p); }

void imageOpen(QPainter &p, int)
{
    p.setPen(QPen(QColor(120, 85, 10), 1.5));
    p.setBrush(QColor(235, 190, 70));
    p.drawPolygon(QPolygonF({QPointF(2, 8), QPointF(11, 8), QPointF(14, 11), QPointF(26, 11),
                             QPointF(26, 28), QPointF(2, 28)}));
    p.setBrush(QColor(250, 215, 110));
    p.drawPolygon(QPolygonF({QPointF(7, 15), QPointF(31, 15), QPointF(26, 28), QPointF(2, 28)}));
}

void imageSave(QPainter &p, int)
{
    p.setPen(QPen(QColor(20, 40, 90), 1.5));
    p.setBrush(QColor(50, 90, 170));
    p.drawRoundedRect(QRectF(3, 3, 26, 26), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 3, 16, 11));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(10, 19, 12, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 40, 90));
    p.drawRect(QRectF(18, 5, 3, 7));
}

void arrow(QPainter &p, QPointF from, QPointF to, const QColor &colour)
{
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u(d.x() / len, d.y() / len), n(-u.y(), u.x());
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({to + u * 3, to - u * 5 + n * 5, to - u * 5 - n * 5}));
}

void imageRead(QPainter &p, int)
{
    modem(p, QColor(120, 120, 130));
    arrow(p, QPointF(12, 13), QPointF(12, 3), QColor(20, 130, 40));
}

void imageConfigure(QPainter &p, int)
{
    modem(p, QColor(120, 120, 130));
    arrow(p, QPointF(12, 1), QPointF(12, 10), QColor(200, 40, 30));
}

void imageComPort(QPainter &p, int)
{
    // A nine-pin D connector.
    p.setPen(QPen(QColor(50, 50, 50), 1.5));
    p.setBrush(QColor(180, 185, 195));
    p.drawPolygon(QPolygonF({QPointF(2, 9), QPointF(30, 9), QPointF(26, 24), QPointF(6, 24)}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(8 + i * 4, 14), 1.4, 1.4);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(10 + i * 4, 19.5), 1.4, 1.4);
}

void imageDefaults(QPainter &p, int)
{
    // A circular arrow: back to the start.
    p.setPen(QPen(QColor(30, 90, 170), 3.5, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 5, 22, 22), 100 * 16, 290 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 170));
    p.drawPolygon(QPolygonF({QPointF(10, 1), QPointF(19, 6), QPointF(10, 12)}));
}

void imageHelp(QPainter &p, int)
{
    p.setPen(QPen(QColor(20, 60, 140), 1));
    p.setBrush(QColor(50, 110, 210));
    p.drawEllipse(QRectF(2, 2, 28, 28));
    letter(p, QRectF(0, 0, 32, 32), QStringLiteral("?"), Qt::white, 22);
}

struct Picture {
    const char *file;
    int size;
    Painter paint;
};

// The application icons the desktop entries use, one per brand.
struct ThemeIcon {
    const char *name;
    Painter paint;
};
const ThemeIcon kThemeIcons[] = {{"korvelegg", iconKorvelEgg}, {"brisca", iconBrisca}, {"tolvane", iconTolvane}};
const int kThemeSizes[] = {48, 64, 128, 256};

int drawHicolor(const QDir &out, const QString &prefix, QTextStream &err)
{
    for (const int size : kThemeSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!out.mkpath(folder)) {
            err << "cannot create " << out.filePath(folder) << "\n";
            return 1;
        }
        for (const ThemeIcon &icon : kThemeIcons) {
            const QString path = out.filePath(folder + QLatin1Char('/') + prefix + QLatin1String(icon.name) +
                                              QLatin1String(".png"));
            if (!render(size, icon.paint).save(path)) {
                err << "cannot write " << path << "\n";
                return 1;
            }
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("--hicolor"))
        return drawHicolor(QDir(args[1]), args[2], err);
    if (args.size() != 1) {
        err << "usage: draw-icons <output directory>\n"
               "       draw-icons --hicolor <output directory> <icon name prefix>\n";
        return 2;
    }
    const QDir out(args[0]);
    const Picture pictures[] = {
        {"DEFAULT.png", 32, iconDefault},     {"KORVEL.png", 32, iconKorvel},
        {"KORVELEGG.png", 32, iconKorvelEgg}, {"BRISCA.png", 32, iconBrisca},
        {"TOLVANE.png", 32, iconTolvane},     {"DEFAULT-16.png", 16, iconDefault},
        {"KORVEL-16.png", 16, iconKorvel},    {"KORVELEGG-16.png", 16, iconKorvelEgg},
        {"BRISCA-16.png", 16, iconBrisca},    {"TOLVANE-16.png", 16, iconTolvane},
        {"tb_New.png", 16, imageNew},         {"tb_Open.png", 16, imageOpen},
        {"tb_Save.png", 16, imageSave},       {"tb_UpLoad.png", 16, imageRead},
        {"tb_Program.png", 16, imageConfigure}, {"tb_ComSettings.png", 16, imageComPort},
        {"tb_Defaults.png", 16, imageDefaults}, {"tb_Help.png", 16, imageHelp},
    };
    for (const Picture &pic : pictures) {
        const QString path = out.filePath(QString::fromLatin1(pic.file));
        if (!render(pic.size, pic.paint).save(path)) {
            err << "cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}
