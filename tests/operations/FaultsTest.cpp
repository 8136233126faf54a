// Cancel, a module that never answers, a line that goes away, and the progress
// the dialog shows.
#include "OperationTestSupport.h"

#include "comm/ModuleChannel.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QtTest>

namespace {
const QString kBadReply = QStringLiteral("Error communicating with 740R-B. The module did not respond correctly.");
const QString kNoCts = QStringLiteral("CTS on modem was not detected.");
}  // namespace

class FaultTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!ModemSim::available())
            QSKIP("modem-sim is not built");
    }

    void progressRunsToTheMaximum()
    {
        SimOnCom1 sim;
        TestHost host;
        CommandBuilder(host.model().settings(), host.commands).buildTransparent();
        int midValue = -1;
        int midMaximum = -1;
        // What the dialog shows as it closes.
        struct Closing {
            QString title;
            QSize size;
            int maximum = -1;
            int value = -1;
            QString status;
        };
        const auto watchClosing = [](Closing &seen) {
            actOnDialogWhen([] { return true; }, [&seen](ProgressDialog &f) {
                QObject::connect(&f, &QDialog::finished, &f, [&seen, &f] {
                    seen = {f.windowTitle(), f.size(), f.progressBar()->maximum(), f.progressBar()->value(),
                            f.statusLabel()->text()};
                });
            });
        };
        actOnDialogWhen([&] { return sim.received().size() >= 10; },
                        [&](ProgressDialog &f) {
                            midValue = f.progressBar()->value();
                            midMaximum = f.progressBar()->maximum();
                        });
        Closing form;
        watchClosing(form);
        ModuleCommands(host).showProgress(OperationKind::Configure);
        QCOMPARE(form.title, QStringLiteral("Module Configuration"));
        QCOMPARE(form.size, QSize(289, 95));
        QCOMPARE(midMaximum, 50);
        QVERIFY(midValue >= 5 && midValue < 50);
        QCOMPARE(form.maximum, 50);
        QCOMPARE(form.value, 50);
        QCOMPARE(form.status, QStringLiteral("Configuring Module..."));
        QVERIFY(host.fake.empty());

        Closing read;
        watchClosing(read);
        QVERIFY(ModuleCommands(host).showProgress(OperationKind::Read));
        QCOMPARE(read.maximum, 20);
        QCOMPARE(read.value, 20);
        QCOMPARE(read.status, QStringLiteral("Updating Main Form..."));
    }

    void cancelInTheCommandLoopStoresNothing()
    {
        SimOnCom1 sim;
        TestHost host;
        qsizetype sentAtCancel = 0;
        QString statusAtCancel;
        actOnDialogWhen([&] { return sim.received().size() >= 12; },
                        [&](ProgressDialog &f) {
                            sentAtCancel = sim.received().size();
                            f.cancelButton()->click();
                            statusAtCancel = f.statusLabel()->text();
                        });
        ModuleCommands(host).configure();

        QCOMPARE(statusAtCancel, QStringLiteral("Cancelling Operation..."));
        QList<QByteArray> rx = sim.received();
        // The exchange under way is finished, nothing of the list after it is sent;
        // the module drops the half-applied settings.
        QVERIFY2(rx.size() <= sentAtCancel + 3, qPrintable(QString::number(rx.size())));
        QCOMPARE(rx.takeLast(), QByteArray("ATZ\r"));
        QCOMPARE(rx, plainConfigureLines(host.commands).mid(0, rx.size()));
        QVERIFY(!rx.contains("AT&W\r"));
        QVERIFY(host.fake.empty());
        QVERIFY(!visibleProgressForm());
    }

    // Cancelled once the module runs at the new rate: "ATZ" goes out at that rate,
    // the module falls back to its stored 9600 and so does the PC.
    void cancelAfterTheRateChangeResetsBothSides()
    {
        for (int linesAfterRateChange : {0, 1, 8}) {
            SimOnCom1 sim;
            TestHost host;
            host.model().set(Field::SerialBaudRate, 6);  // 19200
            actOnDialogWhen(
                [&] {
                    const QList<QByteArray> rx = sim.received();
                    const qsizetype at = rx.indexOf("ATC6\r");
                    return at >= 0 && rx.size() - at - 1 >= linesAfterRateChange;
                },
                [](ProgressDialog &f) { f.cancelButton()->click(); });
            ModuleCommands(host).configure();

            const QList<QByteArray> rx = sim.received();
            QCOMPARE(rx.last(), QByteArray("ATZ\r"));  // heard: sent at 19200
            QVERIFY(!rx.contains("AT&W\r"));
            QCOMPARE(host.ports, LineSettings{});
            QCOMPARE(host.baudPanel, QStringLiteral("9600"));
            QVERIFY(host.fake.empty());
            ModuleChannel channel(LineSettings{});
            QVERIFY_THROWS_NO_EXCEPTION(channel.command("AT\r", ReplyRule::shortReply("OK", 100)));
        }
    }

    // Cancel while a silent module is woken for a rate change: the window keeps
    // running and the operation ends soon after, with nothing for the module to undo.
    void cancelDuringTheRateChangeWakeEndsAtOnce()
    {
        REAL_TIME_SIM_ON_COM1(sim, {"--start", "command", "--silent"});
        TestHost host;
        host.model().set(Field::SerialBaudRate, 6);
        QElapsedTimer clock;
        qint64 cancelledAt = -1;
        actOnDialogWhen([&] { return clock.elapsed() >= 1000; },
                        [&](ProgressDialog &f) {
                            cancelledAt = clock.elapsed();
                            f.cancelButton()->click();
                        });
        clock.start();
        ModuleCommands(host).configure();
        const qint64 ended = clock.elapsed();
        QVERIFY2(cancelledAt >= 1000 && cancelledAt < 1200, qPrintable(QString::number(cancelledAt)));
        QVERIFY2(ended - cancelledAt < 500, qPrintable(QString::number(ended - cancelledAt)));
        QVERIFY(!sim.received().contains("ATC6\r"));
        QVERIFY(!sim.received().contains("ATZ\r"));
        QVERIFY(host.fake.empty());
        QCOMPARE(host.ports, LineSettings{});
    }

    void escapeAndTheFrameOnlyCancel()
    {
        SimOnCom1 sim({"--start", "command", "--silent"});
        TestHost host;
        bool visibleAfterEscape = false;
        bool visibleAfterClose = false;
        actOnDialogWhen([&] { return !sim.received().isEmpty(); },
                        [&](ProgressDialog &f) {
                            QTest::keyClick(&f, Qt::Key_Escape);
                            visibleAfterEscape = f.isVisible();
                            f.close();
                            visibleAfterClose = f.isVisible();
                        });
        ModuleCommands(host).read();
        QVERIFY(visibleAfterEscape);
        QVERIFY(visibleAfterClose);
        QCOMPARE(sim.received(), (QList<QByteArray>{"\r"}));
        QVERIFY(host.fake.empty());
        QVERIFY(!visibleProgressForm());
    }

    void silentModuleIsReportedAndThePortFreed()
    {
        SimOnCom1 sim({"--start", "command", "--silent"});
        TestHost host;
        ModuleCommands(host).read();
        // At most two escape attempts, then the listing request fails on its own.
        QCOMPARE(sim.received(), (QList<QByteArray>{"\r", "+++", "+++", "AT&V\r"}));
        QCOMPARE(host.fake.texts(), QStringList{kBadReply});

        // The port was closed: the next operation opens it again.
        actOnDialogWhen([&] { return sim.received().size() > 4; },
                        [](ProgressDialog &f) { f.cancelButton()->click(); });
        ModuleCommands(host).read();
        QCOMPARE(sim.received().size(), 5);
        QCOMPARE(host.fake.texts(), QStringList{kBadReply});
    }

    void lineGoneDuringConfigure()
    {
        SimOnCom1 sim({"--start", "command", "--hangup-after", "5"});
        TestHost host;
        ModuleCommands(host).configure();
        QCOMPARE(sim.received(), plainConfigureLines(host.commands).mid(0, 5));
        QCOMPARE(host.fake.texts(),
                 (QStringList{kNoCts, QStringLiteral("Nothing was stored, the module could not be reset.")}));
        QVERIFY(!visibleProgressForm());
        QCOMPARE(host.strayLogLines.load(), 0);

        // The pty is gone with the module: the next operation cannot open it.
        ModuleCommands(host).read();
        QCOMPARE(host.fake.count(), 3);
        QCOMPARE(host.fake.last().text.section(QLatin1Char('\n'), 0, 0), QStringLiteral("COM1- This port may be already in use or not present."));
    }

    void lineGoneBeforeTheListing()
    {
        SimOnCom1 sim({"--start", "command", "--hangup-after", "1"});
        TestHost host;
        const ModuleSettings before = host.model().settings();
        ModuleCommands(host).read();
        QCOMPARE(host.fake.texts(), QStringList{kNoCts});
        QCOMPARE(host.model().settings(), before);
    }

    void cancelledRestoreLeavesThePcSideWithTheModule()
    {
        REAL_TIME_SIM_ON_COM1(sim, {"--start", "data"});
        TestHost host;
        host.ports.baudRate = 19200;
        host.ports.parity = Parity::Even;
        host.ports.dataBits = 7;
        host.fake.answer(MessageSink::Answer::Yes);
        QElapsedTimer clock;
        clock.start();
        actOnDialogWhen([&] { return clock.elapsed() > 300; },
                        [](ProgressDialog &f) { f.cancelButton()->click(); });
        const LineSettings before = host.ports;
        ModuleCommands(host).restoreFactoryDefaults();
        QCOMPARE(host.fake.count(), 1);  // the question only
        QVERIFY(!sim.received().contains("AT&F&W\r"));
        // Nothing reached the module: the PC side stays where the module still talks.
        QCOMPARE(host.ports, before);
    }
};

QTEST_MAIN(FaultTest)
#include "FaultsTest.moc"
