// The Diagnostics menu of the main window drives the tests on the simulated module.

#include "DiagTestSupport.h"

#include "settings/ProductVariant.h"
#include "settings/SettingsModel.h"
#include "tests/support/FakeMessages.h"
#include "ui/MainWindow.h"
#include "ui/ReceiveTestDialog.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

class MainWindowDiagnosticsTest : public QObject {
    Q_OBJECT
    static std::unique_ptr<MainWindow> makeForm(FakeMessages &messages)
    {
        return std::make_unique<MainWindow>(selectProductVariant(QStringLiteral("Cfg_740RB")).value(), messages);
    }
    // The item is disabled while its command is on the line.
    static bool triggerAndSettle(QAction *item)
    {
        item->trigger();
        return QTest::qWaitFor([item] { return item->isEnabled(); }, 10000);
    }

private Q_SLOTS:
    void init()
    {
        if (!ModemSim::available())
            QSKIP("modem-sim is not built");
    }

    void diagnosticsCommandsAreEnabled()
    {
        FakeMessages messages;
        const auto form = makeForm(messages);
        for (MainCommand c : {MainCommand::TxBerTest, MainCommand::RxBerTest, MainCommand::TxRxBerTest,
                              MainCommand::RssiMeasurement})
            QVERIFY(form->commandEnabled(c));
        QCOMPARE(form->commandAction(MainCommand::TxBerTest)->text(), QString("Start Tx BER Test"));
    }

    void txMenuItemStartsAndStopsWithRepliesInTheLog()
    {
        SimOnCom1 sim;
        FakeMessages messages;
        const auto form = makeForm(messages);
        QAction *item = form->commandAction(MainCommand::TxBerTest);
        QVERIFY(triggerAndSettle(item));
        QCOMPARE(messages.texts(), QStringList{"Transmit Bit Error Rate Test started."});
        QCOMPARE(item->text(), QString("Stop Tx BER Test"));
        QVERIFY2(form->logText().contains("00"), qPrintable(form->logText()));
        QVERIFY(triggerAndSettle(item));
        QCOMPARE(messages.last().text, QString("Transmit Bit Error Rate Test stopped."));
        QCOMPARE(item->text(), QString("Start Tx BER Test"));
        QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
    }

    // While the transmit test runs, the module holds the test's settings: reading them
    // into the window (and storing them by a later Configure) is refused, and no
    // "ATZ" ends the test behind the menu.
    void moduleCommandsWaitForTheTxTest()
    {
        SimOnCom1 sim;
        FakeMessages messages;
        const auto form = makeForm(messages);
        QAction *item = form->commandAction(MainCommand::TxBerTest);
        QVERIFY(triggerAndSettle(item));
        const ModuleSettings before = form->model().settings();
        for (MainCommand c : {MainCommand::Read, MainCommand::Configure, MainCommand::RestoreDefaults}) {
            const qsizetype shown = messages.count();
            form->commandAction(c)->trigger();
            QCOMPARE(messages.count(), shown + 1);
            QVERIFY(messages.last().text.startsWith(QStringLiteral("The Tx BER Test is running")));
        }
        QCOMPARE(sim.receivedCount("AT&V\\r"), 0);
        QCOMPARE(sim.receivedCount("ATZ\\r"), 0);
        QCOMPARE(form->model().settings(), before);
        QCOMPARE(item->text(), QString("Stop Tx BER Test"));
        QVERIFY(triggerAndSettle(item));
        QCOMPARE(item->text(), QString("Start Tx BER Test"));
    }

    void txFailureNamesTheModel()
    {
        SimOnCom1 sim({"--start", "command", "--reject", "AT&T0"});
        FakeMessages messages;
        const auto form = makeForm(messages);
        QVERIFY(triggerAndSettle(form->commandAction(MainCommand::TxBerTest)));
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.last().text.startsWith("Error communicating with " + form->variant().modelName +
                                                ". The module did not respond correctly.\r\n"));
        QCOMPARE(form->commandAction(MainCommand::TxBerTest)->text(), QString("Start Tx BER Test"));
    }

    void rssiMenuItemRunsTheDialogModally()
    {
        SimOnCom1 sim;
        FakeMessages messages;
        const auto form = makeForm(messages);
        QString title;
        QString level;
        QTimer::singleShot(0, form.get(), [&] {
            auto *dialog = qobject_cast<ReceiveTestDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto closeBox = qScopeGuard([dialog] { dialog->close(); });
            title = dialog->windowTitle();
            dialog->startStopButton()->click();
            QTRY_VERIFY_WITH_TIMEOUT(dialog->levelField()->text().contains("dBm"), 10000);
            level = dialog->levelField()->text();
        });
        form->commandAction(MainCommand::RssiMeasurement)->trigger();
        QCOMPARE(title, QString("RSSI Measurement"));
        QVERIFY(level.endsWith("dBm"));
        QVERIFY(sim.received("AT&T3\\r"));
        QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
        QVERIFY(messages.empty());
    }
};

QTEST_MAIN(MainWindowDiagnosticsTest)
#include "MainWindowTest.moc"
