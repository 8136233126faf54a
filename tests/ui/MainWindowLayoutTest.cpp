// The main window's arrangement: at its default size every control stands where it
// always stood (a golden list of geometries); made larger, the spare room goes to the
// log pane; the window fits a 1024x768 screen.
#include "tests/support/MainWindowFixture.h"
#include "ui/LogPane.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>

namespace {

// The height the client area is arranged in at the window's designed size.
constexpr int kArrangedHeight = 392;

const QString kGolden = QStringLiteral(CFG_TEST_DATA_DIR "/ui/main-window-geometry.txt");

// Every named, visible widget of the client area: "name x y width height", in the
// window's coordinates, sorted.
QStringList geometries(const QMainWindow &window)
{
    QStringList lines;
    for (const QWidget *w : window.centralWidget()->findChildren<QWidget *>()) {
        // The client area itself was the central widget before the banner joined it.
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")) ||
            w->objectName() == QLatin1String("ClientArea") || !w->isVisibleTo(&window))
            continue;
        const QPoint at = w->mapTo(&window, QPoint(0, 0));
        lines << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(w->objectName())
                     .arg(at.x())
                     .arg(at.y())
                     .arg(w->width())
                     .arg(w->height());
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace

class MainWindowLayoutTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void cleanup() { closeForm(); }

    void defaultSizeKeepsTheArrangement()
    {
        startForm(QStringLiteral("Cfg_740RB"));
        const QStringList now = geometries(*form);
        if (qEnvironmentVariableIsSet("CFG_UPDATE_GOLDEN")) {
            QFile out(kGolden);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QTextStream(&out) << QStringLiteral("%1 %2\n").arg(form->width()).arg(form->height())
                              << now.join(QLatin1Char('\n')) << '\n';
        }
        QFile in(kGolden);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QStringList golden = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(!golden.isEmpty());
        const QString size = golden.takeFirst();
        QCOMPARE(QStringLiteral("%1 %2").arg(form->width()).arg(form->height()), size);
        // One by one, so a failure names the control that moved.
        for (qsizetype i = 0; i < std::min(now.size(), golden.size()); ++i)
            QCOMPARE(now[i], golden[i]);
        QCOMPARE(now.size(), golden.size());
    }

    void spareRoomGoesToTheLogPane()
    {
        startForm(QStringLiteral("Cfg_740RB"));
        const QSize designed = form->size();
        auto *log = get<LogPane>("LogPane");
        auto *options = get<QWidget>("SettingsGB");
        auto *status = get<QWidget>("StatusBar_Status");
        const QRect logAt = log->geometry();
        const QRect optionsAt = options->geometry();
        const int statusWidth = status->width();
        auto *client = get<QWidget>("ClientArea");
        const QSize area = client->size();
        // Below the log pane at the designed size: the label row and the status row.
        const int belowLog = kArrangedHeight - (logAt.y() - client->y() + logAt.height());

        form->resize(designed + QSize(200, 150));
        QTRY_COMPARE(client->width(), area.width() + 200);
        QTRY_COMPARE(log->width(), logAt.width() + 200);
        // All the height gained goes to the log pane (the menu bar settles on a row
        // more or less of its own, so the area is measured, not assumed).
        QTRY_COMPARE(client->height() - (log->y() - client->y() + log->height()), belowLog);
        QVERIFY(log->height() >= logAt.height() + 148);
        QCOMPARE(log->pos(), logAt.topLeft());
        QCOMPARE(options->geometry(), optionsAt.translated(200, 0));
        QCOMPARE(status->width(), statusWidth + 200);

        // Never smaller than designed, and that fits a 1024x768 screen with its frame.
        QCOMPARE(form->minimumSizeHint().expandedTo(form->minimumSize()).boundedTo(designed), designed);
        QVERIFY(designed.width() <= 1024 - 16 && designed.height() <= 768 - 64);
    }

    void largerDesktopFontScalesFaceAndArrangement()
    {
        // The desktop's text twice the 12 pixels the window was drawn for.
        const QFont before = QApplication::font();
        QFont large = before;
        large.setPixelSize(24);
        qApp->setProperty("desktopFont", large);
        startForm(QStringLiteral("Cfg_740RB"));
        auto *log = get<LogPane>("LogPane");
        const int face = QFontInfo(form->font()).pixelSize();
        const QSize logSize = log->size();
        const QSize minimum = get<QWidget>("ClientArea")->minimumSizeHint();
        closeForm();
        qApp->setProperty("desktopFont", QVariant());
        QApplication::setFont(before);

        QCOMPARE(face, 22);
        QCOMPARE(logSize.width(), 2 * 169);
        QVERIFY2(std::abs(logSize.height() - 2 * 97) <= 2, qPrintable(QString::number(logSize.height())));
        QVERIFY2(minimum.width() >= 2 * 625, qPrintable(QString::number(minimum.width())));
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "MainWindowLayoutTest.moc"
