// The Network window's Apply against modem-sim in real time (ctest label "slow").
#include "operations/SimLog.h"
#include "support/FakeMessages.h"
#include "support/ModemSim.h"

#include "network/NetworkPlan.h"
#include "ui/NetworkWindow.h"

#include <QFile>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kAutoConnect = QStringLiteral(CFG_SOURCE_DIR "/docs/examples/auto-connect");

QString pty(const ModemSim &sim) { return QString::fromStdString(sim.path()); }

Network planOf(const QTemporaryDir &dir, const QString &members)
{
    const QString path = dir.filePath(QStringLiteral("plan.json"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("{\"members\":[%1]}").arg(members).toUtf8());
    f.close();
    return loadNetworkPlan(path).network;
}

QString member(const QString &name, const QString &file, const QString &port, const QString &extra = {})
{
    return QStringLiteral(R"({"name":"%1","file":"%2/%3","port":"%4"%5})").arg(name, kAutoConnect, file, port, extra);
}
}  // namespace

class NetworkApplyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyMemberIsWrittenAndTheFailureNamed()
    {
        if (!ModemSim::available())
            QSKIP("modem-sim is not built");
        ModemSim good, refusing({"--reject", "S14="});
        QTemporaryDir dir;
        FakeMessages messages;
        NetworkWindow window(planOf(dir, member(QStringLiteral("A"), QStringLiteral("master.40B"), pty(good)) +
                                             QLatin1Char(',') +
                                             member(QStringLiteral("B"), QStringLiteral("slave-2.40B"), pty(refusing))),
                             true, messages);
        window.show();
        QSignalSpy finished(&window, &NetworkWindow::applyFinished);
        window.apply();
        QVERIFY(!window.applyAction()->isEnabled());
        QVERIFY(finished.wait(90000));
        QVERIFY(messages.empty());
        QTableWidget *table = window.membersTable();
        QCOMPARE(table->item(0, NetworkWindow::ResultColumn)->text(), QStringLiteral("Written and verified."));
        QVERIFY(table->item(1, NetworkWindow::ResultColumn)->text() != QStringLiteral("Written and verified."));
        QVERIFY(!table->item(1, NetworkWindow::ResultColumn)->text().isEmpty());
        const auto bar = [&](int row) { return static_cast<QProgressBar *>(table->cellWidget(row, NetworkWindow::ProgressColumn)); };
        QCOMPARE(bar(0)->value(), bar(0)->maximum());
        QVERIFY(bar(1)->value() < bar(1)->maximum());
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("1 of 2 members written and verified; failed: B."));
        QVERIFY(simReceived(good.logText()).join().contains("AT&W"));
        QVERIFY(!simReceived(refusing.logText()).join().contains("AT&W"));
        QVERIFY(window.applyAction()->isEnabled());
    }

    void aNetworkWithErrorsIsWrittenOnlyWhenTheUserSaysSo()
    {
        if (!ModemSim::available())
            QSKIP("modem-sim is not built");
        ModemSim sim;
        QTemporaryDir dir;
        FakeMessages messages;
        // Two members at unit address 2: an error.
        NetworkWindow window(planOf(dir, member(QStringLiteral("A"), QStringLiteral("slave-2.40B"), pty(sim)) +
                                             QLatin1Char(',') +
                                             member(QStringLiteral("B"), QStringLiteral("slave-2.40B"), QStringLiteral("COM8"))),
                             true, messages);
        messages.answer(MessageSink::Answer::No);
        window.apply();
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().icon, MessageSink::Icon::Question);
        QVERIFY(window.applyAction()->isEnabled());
        QTest::qWait(200);
        QVERIFY(simReceived(sim.logText()).isEmpty());
    }
};

QTEST_MAIN(NetworkApplyTest)
#include "NetworkApplyTest.moc"
