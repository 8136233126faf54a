// How the main window fits the desktop: its status-row menus against their bars,
// its icon for each brand, and the log pane's lines.
#include "settings/ProductVariant.h"
#include "tests/support/MainWindowFixture.h"
#include "ui/MainWindow.h"
#include "ui/StatusRow.h"

#include <QDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

class MainWindowDesktopTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void cleanup() { closeForm(); }

    void statusRowMenusOpenClearOfTheirBars()
    {
        startForm(QStringLiteral("Cfg_740RB"));
        const LineSettings before = form->lineSettings();
        for (const char *name : {"StatusBar_Com", "StatusBar_Baud", "StatusBar_Format"}) {
            auto *bar = get<StatusPanel>(name);
            const QRect barArea(bar->mapToGlobal(QPoint(0, 0)), bar->size());
            // Through the window system, so that an open menu gets the clicks over it.
            QWindow *window = form->windowHandle();
            const QPoint at = bar->mapTo(form.get(), QPoint(10, 10));
            QTest::mousePress(window, Qt::LeftButton, {}, at);
            QTRY_VERIFY(bar->menu()->isVisible());
            // At the bar's left edge, its bottom on the bar's top, on the screen.
            const QRect menu = bar->menu()->geometry();
            QCOMPARE(menu.left(), barArea.left());
            QCOMPARE(menu.bottom() + 1, barArea.top());
            QVERIFY(bar->screen()->availableGeometry().contains(menu));
            // The rest of a double-click lands on the bar, not on an item.
            QTest::mouseRelease(window, Qt::LeftButton, {}, at);
            QTest::mouseClick(window, Qt::LeftButton, {}, at);
            bar->menu()->close();
            QCOMPARE(form->lineSettings(), before);
        }

        // With no room above, the menu opens below the bar.
        form->move(form->x(), -form->height() + 60);
        auto *com = get<StatusPanel>("StatusBar_Com");
        const QRect comArea(com->mapToGlobal(QPoint(0, 0)), com->size());
        QVERIFY(comArea.top() < com->menu()->sizeHint().height());
        QTest::mousePress(com, Qt::LeftButton);
        QTRY_VERIFY(com->menu()->isVisible());
        QCOMPARE(com->menu()->geometry().top(), comArea.bottom() + 1);
        com->menu()->close();
    }

    void windowIconByBrand_data()
    {
        QTest::addColumn<QString>("exeName");
        QTest::addColumn<bool>("ownIcon");
        QTest::newRow("KORVEL") << "Cfg_740RB" << true;
        QTest::newRow("KMA 410D") << "KMA 410D-868" << false;
        QTest::newRow("JT") << "JT-LNK-9-D" << false;
    }

    void windowIconByBrand()
    {
        QFETCH(QString, exeName);
        QFETCH(bool, ownIcon);
        startForm(exeName);
        // The partner brands show the application icon on the window (and so on the
        // window system's side) and on the dialogs it owns.
        QVERIFY(!form->windowHandle()->icon().isNull());
        QCOMPARE(form->windowIcon().cacheKey() != QApplication::windowIcon().cacheKey(), ownIcon);
        QDialog dialog(form.get());
        QCOMPARE(dialog.windowIcon().cacheKey(), form->windowIcon().cacheKey());
    }

    void logPaneWrapsAndFollowsTheNewestLine()
    {
        startForm(QStringLiteral("Cfg_740RB"));
        auto *pane = get<QPlainTextEdit>("LogPane");
        const QSize size = pane->size();
        const QByteArray listing = "E0 Q0 V1 X1 &C1 &D2 &K3 &M0 &S0 S0=001 S1=060 S2=043 S3=013 "
                                   "S4=010 S5=008 S6=010 S7=003 S8=000 S9=000 S10=005 S11=005\r\n";
        for (int i = 0; i < 12; ++i)
            form->receiveData(QByteArray::number(i) + ' ' + listing, 0);
        pane->verticalScrollBar()->setValue(0);  // scrolled back
        form->receiveData("LAST\r\n", 6);
        QCOMPARE(pane->size(), size);
        // Long lines wrap instead of running off to the right...
        QCOMPARE(pane->horizontalScrollBar()->maximum(), 0);
        QVERIFY(pane->verticalScrollBar()->maximum() > 0);
        // ...and the view stays at the newest line.
        QTextCursor end(pane->document());
        end.movePosition(QTextCursor::End);
        QVERIFY(pane->viewport()->rect().contains(pane->cursorRect(end)));
        QVERIFY(form->logText().endsWith(QStringLiteral("\nLAST")));
    }
};

QTEST_MAIN(MainWindowDesktopTest)
#include "MainWindowDesktopTest.moc"
