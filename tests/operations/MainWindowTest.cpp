// The module commands of the real main window, driven from its menu and tool bar
// against the simulated module.
#include "OperationTestSupport.h"
#include "support/FakeMessages.h"
#include "support/ModemSim.h"

#include "settings/ProductVariant.h"
#include "settings/SettingsModel.h"
#include "comm/SerialLine.h"
#include "ui/FindModuleDialog.h"
#include "ui/ComparisonDialog.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

class MainWindowOperationsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<FakeMessages> m_fake;
    std::unique_ptr<MainWindow> m_form;

    QString panel(const char *name) const
    {
        auto *label = m_form->findChild<QLabel *>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("<missing>");
    }

private Q_SLOTS:
    void init()
    {
        if (!ModemSim::available())
            QSKIP("modem-sim is not built");
        m_fake = std::make_unique<FakeMessages>();
        m_form = std::make_unique<MainWindow>(*selectProductVariant(QStringLiteral("Cfg_740RB")), *m_fake);
        m_form->show();
    }
    void cleanup()
    {
        m_form.reset();
        m_fake.reset();
    }

    void readFromTheMenu()
    {
        REAL_TIME_SIM_ON_COM1(sim, {"--start", "command"});
        m_form->model().set(Field::Route0Destination, 99);
        m_form->model().set(Field::RadioSignature, 2);
        QVERIFY(m_form->commandEnabled(MainCommand::Read));
        // The edits are not saved: the read asks first (Discard, the fake's default).
        m_form->commandAction(MainCommand::Read)->trigger();

        QCOMPARE(sim.received(), (QList<QByteArray>{"\r", "AT&V\r", "ATI\r", "ATZ\r"}));
        QCOMPARE(m_fake->count(), 1);
        QCOMPARE(m_fake->last().buttons, MessageSink::Buttons::SaveDiscardCancel);
        QVERIFY(!m_form->hasUnsavedChanges());
        QCOMPARE(m_form->model().get(Field::Route0Destination), 2);
        QCOMPARE(m_form->priorS21(), 2);
        QCOMPARE(m_form->statusText(), QStringLiteral("740R-B V1.90"));
        QCOMPARE(panel("StatusBar_Status"), QStringLiteral("740R-B V1.90"));
        // Replies reach the log pane in the order they came, the worker's and the
        // GUI steps' alike.
        const QString log = m_form->logText();
        const qsizetype listing = log.indexOf(QStringLiteral("&Z3="));
        const qsizetype identification = log.indexOf(QStringLiteral("740R-B V1.90"));
        QVERIFY(listing >= 0);
        QVERIFY(identification > listing);
    }

    void configureFromTheToolBarMovesBothSides()
    {
        REAL_TIME_SIM_ON_COM1(sim, {"--start", "command"});
        m_form->model().set(Field::SerialBaudRate, 6);
        m_form->commandAction(MainCommand::Configure)->trigger();

        const QList<QByteArray> rx = sim.received();
        QVERIFY(rx.size() > 40);
        QCOMPARE(rx[0], QByteArray("\r"));
        QCOMPARE(rx[1], QByteArray("ATC6\r"));
        QCOMPARE(rx.last(), QByteArray("ATZ\r"));
        QVERIFY(rx.contains("AT&W\r"));
        QVERIFY2(m_fake->empty(), qPrintable(m_fake->texts().join('|')));
        QCOMPARE(m_form->commandList()[1], QByteArray("ATC6"));
        QCOMPARE(m_form->lineSettings().baudRate, 19200);
        QCOMPARE(panel("StatusBar_Baud"), QStringLiteral("19200"));
        QVERIFY(m_form->logText().contains(QStringLiteral("740R-B V1.90")));
        // The outcome stays on the screen: the status row and the log.
        const QString outcome = m_form->statusText();
        QVERIFY2(outcome.startsWith(QStringLiteral("Configured 740R-B V1.90 on COM1: not verified (")),
                 qPrintable(outcome));
        QVERIFY(m_form->logText().endsWith(outcome));
        QVERIFY(!m_form->hasUnsavedChanges());
    }

    // The search runs behind its dialog; "Use These Settings" moves the status row.
    void findModuleSetsTheStatusRow()
    {
        REAL_TIME_SIM_ON_COM1(sim, {"--start", "command", "--rate", "57600"});
        auto *find = m_form->findChild<QAction *>(QStringLiteral("Comm_Find"));
        QVERIFY(find);
        bool clicked = false;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = m_form->findChild<FindModuleDialog *>();
            QVERIFY(dialog);
            QTRY_VERIFY_WITH_TIMEOUT(dialog->useButton()->isVisible(), 20000);
            QVERIFY2(dialog->statusLabel()->text().contains(QStringLiteral("57600 N-8-1")),
                     qPrintable(dialog->statusLabel()->text()));
            dialog->useButton()->click();
            clicked = true;
        });
        find->trigger();
        QVERIFY(clicked);
        QCOMPARE(panel("StatusBar_Baud"), QStringLiteral("57600"));
    }

    void findModuleCancelLeavesThePortClosed()
    {
        REAL_TIME_SIM_ON_COM1(sim, {"--silent"});
        QTimer::singleShot(300, this, [&] {
            auto *dialog = m_form->findChild<FindModuleDialog *>();
            QVERIFY(dialog && dialog->searching());
            dialog->cancelButton()->click();
        });
        QElapsedTimer clock;
        clock.start();
        m_form->findChild<QAction *>(QStringLiteral("Comm_Find"))->trigger();
        QVERIFY(clock.elapsed() < 2000);
        SerialLine line;
        QVERIFY(line.open());
    }

    void restoreFromTheMenuReadsAt9600()
    {
        SimOnCom1 sim;
        m_form->lineSettings().parity = Parity::Even;
        m_form->lineSettings().dataBits = 7;
        m_form->showLineSettings();
        QCOMPARE(panel("StatusBar_Format"), QStringLiteral("E-7-1"));
        m_fake->answer(MessageSink::Answer::Yes);
        m_form->commandAction(MainCommand::RestoreDefaults)->trigger();

        QCOMPARE(sim.received(), (QList<QByteArray>{"\r", "AT&F&W\r", "\r", "AT&V\r", "ATI\r", "ATZ\r"}));
        QCOMPARE(m_fake->count(), 1);
        QCOMPARE(m_form->lineSettings(), LineSettings{});
        QCOMPARE(panel("StatusBar_Baud"), QStringLiteral("9600"));
        QCOMPARE(panel("StatusBar_Format"), QStringLiteral("N-8-1"));
        QVERIFY2(m_form->statusText().startsWith(QStringLiteral("Restored the factory defaults of 740R-B V1.90 on COM1 (")),
                 qPrintable(m_form->statusText()));
        QCOMPARE(m_fake->last().buttons, MessageSink::Buttons::YesNoDefaultNo);
    }

    void compareModuleReadsIntoItsOwnRecord()
    {
        SimOnCom1 sim;
        m_form->model().set(Field::PacketSize, 220);
        const ModuleSettings before = m_form->model().settings();
        m_form->findChild<QAction *>(QStringLiteral("Comm_Compare"))->trigger();

        QCOMPARE(sim.received(), (QList<QByteArray>{"\r", "AT&V\r", "ATI\r", "ATZ\r"}));
        QVERIFY2(m_fake->empty(), qPrintable(m_fake->texts().join('|')));
        QCOMPARE(m_form->model().settings(), before);
        std::unique_ptr<ComparisonDialog> dialog(m_form->findChild<ComparisonDialog *>());
        QVERIFY(dialog);
        QTreeWidget *table = dialog->table();
        QList<QStringList> rows;
        for (int i = 0; i < table->topLevelItemCount(); ++i)
            rows << QStringList{table->topLevelItem(i)->text(1), table->topLevelItem(i)->text(2)};
        QVERIFY2(rows.contains(QStringList({QStringLiteral("S14"), QStringLiteral("220")})),
                 qPrintable(QString::number(rows.size())));
    }

    void verifyAfterConfigureReadsBackAndStaysQuietWhenEqual()
    {
        QAction *verify = m_form->findChild<QAction *>(QStringLiteral("Comm_Verify"));
        QVERIFY(verify->isCheckable());
        QVERIFY(!verify->isChecked());
        SimOnCom1 sim;
        verify->setChecked(true);
        m_form->model().set(Field::PacketSize, 220);
        m_form->commandAction(MainCommand::Configure)->trigger();

        const QList<QByteArray> rx = sim.received();
        const qsizetype stored = rx.indexOf("AT&W\r");
        QVERIFY(stored >= 0);
        QVERIFY2(rx.indexOf("AT&V\r", stored) > stored, "read back after the configure");
        QVERIFY2(m_fake->empty(), qPrintable(m_fake->texts().join('|')));
        QVERIFY(!m_form->findChild<ComparisonDialog *>());
        QCOMPARE(m_form->model().get(Field::PacketSize), 220);
        QVERIFY2(m_form->statusText().startsWith(
                     QStringLiteral("Configured 740R-B V1.90 on COM1: verified, no differences (")),
                 qPrintable(m_form->statusText()));
    }

    void readingAnotherModelSaysSo()
    {
        SimOnCom1 sim({"--start", "command", "--model", "620R"});
        m_form->commandAction(MainCommand::Read)->trigger();
        QStringList warnings;
        for (const FakeMessages::Message &m : m_fake->messages())
            if (m.text.contains(QStringLiteral("not a 740R-B")))
                warnings << m.text;
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].startsWith(QStringLiteral("The module on COM1 is a 620R V")), qPrintable(warnings[0]));
    }

    void readingTheRunningModelSaysNothingMore()
    {
        SimOnCom1 sim;
        m_form->commandAction(MainCommand::Read)->trigger();
        QVERIFY2(m_fake->empty(), qPrintable(m_fake->texts().join('|')));
        QVERIFY(m_form->logText().contains(QStringLiteral("Read 740R-B V1.90 on COM1 (")));
    }

    void failedReadKeepsTheWindowsSettings()
    {
        SimOnCom1 sim({"--start", "command", "--omit-key", "&Z3="});
        m_form->model().selectMode(OperatingMode::AutoConnectSlave);
        m_form->model().set(Field::UnitAddress, 42);
        const ModuleSettings before = m_form->model().settings();
        // The edits are not saved: asked first, then discarded for the read.
        m_form->commandAction(MainCommand::Read)->trigger();
        QCOMPARE(m_fake->count(), 2);
        QCOMPARE(m_fake->at(0).buttons, MessageSink::Buttons::SaveDiscardCancel);
        // The listing ends at its "OK" and comes whole; its parse fails on the missing route.
        QVERIFY(m_fake->last().text !=
                QStringLiteral("Error communicating with 740R-B. The module did not respond correctly."));
        QCOMPARE(m_form->model().settings(), before);
        // The status row says the read failed and that the module was not changed.
        QVERIFY2(m_form->statusText().startsWith(QStringLiteral("Read on COM1 failed")), qPrintable(m_form->statusText()));
        QVERIFY(m_form->statusText().endsWith(QStringLiteral("The module's settings were not changed.")));
    }
};

QTEST_MAIN(MainWindowOperationsTest)
#include "MainWindowTest.moc"
