// The Network window: its drawing, table and findings, zoom, exports, and a member
// opened in the main window. Writing to modules is tested by ui.NetworkApply.
#include "tests/support/MainWindowFixture.h"

#include "network/NetworkPlan.h"
#include "settings/SettingsModel.h"
#include "ui/NetworkScene.h"
#include "ui/NetworkWindow.h"

#include <QFile>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QImage>
#include <QListWidget>
#include <QPointer>
#include <QSvgRenderer>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {
const QString kExamples = QStringLiteral(CFG_SOURCE_DIR "/docs/examples");
const QString kPlan = kExamples + QStringLiteral("/auto-connect/plan.json");

// The member indexes the drawing's boxes carry.
QList<int> memberBoxes(QGraphicsScene *scene)
{
    QList<int> members;
    for (QGraphicsItem *item : scene->items(Qt::AscendingOrder))
        if (item->data(kMemberRole).isValid())
            members << item->data(kMemberRole).toInt();
    std::sort(members.begin(), members.end());
    return members;
}
}  // namespace

class NetworkWindowTest : public MainWindowFixture {
    Q_OBJECT
private Q_SLOTS:
    void init() { startForm(QStringLiteral("Cfg_740RB")); }
    void cleanup() { closeForm(); }

    void aPlanShowsItsMembersAndItsDrawing()
    {
        QPointer<NetworkWindow> window = openNetworkWindow(*form, {kPlan});
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Network: Pumping station"));
        QTableWidget *table = window->membersTable();
        QCOMPARE(table->rowCount(), 5);
        QCOMPARE(table->item(0, NetworkWindow::NameColumn)->text(), QStringLiteral("Master"));
        QCOMPARE(table->item(0, NetworkWindow::UnitColumn)->text(), QStringLiteral("1"));
        QCOMPARE(table->item(0, NetworkWindow::ModeColumn)->text(), QStringLiteral("Auto-Connect Master"));
        QCOMPARE(table->item(4, NetworkWindow::PortColumn)->text(), QStringLiteral("/dev/ttyUSB4"));
        QCOMPARE(table->item(2, NetworkWindow::FindingsColumn)->text(), QStringLiteral("none"));
        QCOMPARE(memberBoxes(window->scene()), (QList<int>{0, 1, 2, 3, 4}));
        QCOMPARE(window->findingsList()->count(), 1);
        QCOMPARE(window->findingsList()->item(0)->text(), QStringLiteral("The check found nothing."));
        QVERIFY(window->applyAction()->isEnabled());
        window->close();
        QTRY_VERIFY(!window);
    }

    void filesWithFindingsAreMarkedAndCannotBeApplied()
    {
        // The master names units 2..5, only 2 is here: warnings; another system address: an error.
        NetworkWindow *window = openNetworkWindow(*form, {kExamples + QStringLiteral("/auto-connect/master.40B"),
                                                          kExamples + QStringLiteral("/auto-connect/slave-2.40B"),
                                                          kExamples + QStringLiteral("/transparent/base.40B")});
        QVERIFY(window);
        QCOMPARE(window->findingsList()->count(), int(window->findings().size()));
        QVERIFY(window->findingsList()->item(0)->text().startsWith(QStringLiteral("1. error (system-address)")));
        QCOMPARE(window->membersTable()->item(2, NetworkWindow::FindingsColumn)->text(), QStringLiteral("1 error"));
        QCOMPARE(window->membersTable()->item(0, NetworkWindow::FindingsColumn)->text(), QStringLiteral("3 warnings"));
        QCOMPARE(window->membersTable()->item(2, NetworkWindow::UnitColumn)->text(), QStringLiteral("-"));
        // The addresses outside the network are boxes of their own, carrying no member.
        QCOMPARE(memberBoxes(window->scene()), (QList<int>{-1, -1, -1, 0, 1, 2}));
        QVERIFY(!window->applyAction()->isEnabled());
        window->apply();  // not from a plan: nothing happens, nothing is asked
        QVERIFY(messages->empty());
        window->close();
    }

    void anUnreadableNetworkIsReported()
    {
        QVERIFY(!openNetworkWindow(*form, {QStringLiteral("/nonexistent/plan.json")}));
        QCOMPARE(messages->count(), 1);
        QCOMPARE(messages->last().icon, MessageSink::Icon::Error);
        QVERIFY(messages->last().text.contains(QStringLiteral("/nonexistent/plan.json")));
    }

    void zoomsWithinLimits()
    {
        NetworkWindow *window = openNetworkWindow(*form, {kPlan});
        const double start = window->zoom();
        window->zoomBy(1.25);
        QCOMPARE(window->zoom(), start * 1.25);
        for (int i = 0; i < 40; ++i)
            window->zoomBy(1.25);
        QVERIFY(window->zoom() <= 8.0);
        for (int i = 0; i < 80; ++i)
            window->zoomBy(0.8);
        QVERIFY(window->zoom() >= 0.1);
        window->close();
    }

    void exportsSvgAndPng()
    {
        NetworkWindow *window = openNetworkWindow(*form, {kPlan});
        QTemporaryDir dir;
        const QString svg = dir.filePath(QStringLiteral("network.svg"));
        const QString png = dir.filePath(QStringLiteral("network.png"));
        QVERIFY(window->exportSvg(svg));
        QVERIFY(window->exportPng(png));
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QVERIFY(renderer.defaultSize().width() > 0);
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Repeater 5"));
        const QImage image(png);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), (window->scene()->sceneRect().size() * 2).toSize());
        // Not only the white background: the boxes' outlines, text and routes are in it.
        int drawn = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                drawn += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
        QVERIFY(drawn > image.width() * image.height() / 400);
        QVERIFY(!window->exportSvg(dir.filePath(QStringLiteral("no/such/folder/network.svg"))));
        QCOMPARE(messages->last().icon, MessageSink::Icon::Error);
        window->close();
    }

    void aMemberOpensInTheMainWindowWithThePlansChanges()
    {
        QTemporaryDir dir;
        const QString plan = dir.filePath(QStringLiteral("plan.json"));
        QFile f(plan);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral(R"({"members":[{"name":"M","file":"%1/auto-connect/master.40B"},
                                  {"name":"S","file":"%1/auto-connect/slave-3.40B","unitAddress":9}]})")
                    .arg(kExamples)
                    .toUtf8());
        f.close();
        NetworkWindow *window = openNetworkWindow(*form, {plan});
        QVERIFY(window);
        window->membersTable()->setCurrentCell(1, 0);
        emit window->membersTable()->cellDoubleClicked(1, 0);
        QCOMPARE(form->currentFileName(), kExamples + QStringLiteral("/auto-connect/slave-3.40B"));
        QCOMPARE(form->model().get(Field::UnitAddress), 9);
        QCOMPARE(form->model().mode(), OperatingMode::AutoConnectSlave);
        window->openMember(0);
        QCOMPARE(form->model().get(Field::UnitAddress), 1);
        QCOMPARE(form->model().mode(), OperatingMode::AutoConnectMaster);
        window->close();
    }
};

QTEST_MAIN(NetworkWindowTest)
#include "NetworkWindowTest.moc"
