// The journal in the window: the module commands keep their records, a journal that
// cannot take one costs the command nothing, the history table filters and opens a
// recorded configuration, and the report goes out as HTML or PDF.
#include "support/FakeMessages.h"
#include "support/SimOnCom1.h"

#include "journal/CommissioningReport.h"
#include "journal/Journal.h"
#include "journal/JournalLocation.h"
#include "settings/ConfigFile.h"
#include "settings/ProductVariant.h"
#include "settings/SettingsModel.h"
#include "ui/CommissioningReportFile.h"
#include "ui/HistoryDialog.h"
#include "ui/MainWindow.h"
#include "ui/ReceiveTestDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class JournalWindowTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<FakeMessages> m_fake;
    std::unique_ptr<MainWindow> m_form;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString journal() const { return m_dir->filePath(QStringLiteral("journal.sqlite")); }
    JournalEntries records() const { return Journal(journal(), Journal::Mode::Read).entries(); }
    static QByteArray golden()
    {
        return ConfigFile().readLine(QStringLiteral(CFG_TEST_DATA_DIR "/golden/transparent_example.40B"));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        setJournalPathForRun(journal());
        m_fake = std::make_unique<FakeMessages>();
        m_form = std::make_unique<MainWindow>(*selectProductVariant(QStringLiteral("Cfg_740RB")), *m_fake);
        m_form->show();
    }
    void cleanup()
    {
        m_form.reset();
        m_fake.reset();
        setJournalPathForRun(QString());
        m_dir.reset();
    }

    void aReadIsRecordedWithWhatTheModuleHolds()
    {
        SimOnCom1 sim;
        m_form->commandAction(MainCommand::Read)->trigger();
        QVERIFY2(m_fake->empty(), qPrintable(m_fake->texts().join('|')));
        const JournalEntries list = records();
        QCOMPARE(list.size(), std::size_t(1));
        const JournalEntry &e = list.front();
        QCOMPARE(e.operation, QStringLiteral("read"));
        QCOMPARE(e.outcome, QStringLiteral("done"));
        QCOMPARE(e.identification, QStringLiteral("740R-B V1.90"));
        QCOMPARE(e.firmware, QStringLiteral("1.90"));
        QCOMPARE(e.product, QStringLiteral("740R-B Configuration"));
        QVERIFY(!e.lineAfter.isEmpty());
        QCOMPARE(e.systemAddress, std::optional<int>(m_form->model().get(Field::SystemAddress)));
    }

    void aVerifiedConfigureIsRecordedAsWriteReadAndVerify()
    {
        SimOnCom1 sim;
        m_form->findChild<QAction *>(QStringLiteral("Comm_Verify"))->setChecked(true);
        m_form->model().set(Field::PacketSize, 220);
        m_form->commandAction(MainCommand::Configure)->trigger();
        QVERIFY2(m_fake->empty(), qPrintable(m_fake->texts().join('|')));
        const JournalEntries list = records();
        // The listing is read back in the configure's own wake: no read of its own.
        QCOMPARE(list.size(), std::size_t(2));
        QCOMPARE(list[0].operation, QStringLiteral("write"));
        QCOMPARE(list[0].outcome, QStringLiteral("done"));
        QVERIFY(list[0].lineAfter.contains("ATS14:100"));   // 220 bytes as the module stores it
        QCOMPARE(list[1].operation, QStringLiteral("verify"));
        QVERIFY(list[1].compared);
        QVERIFY(list[1].differences.isEmpty());
        QCOMPARE(list[1].lineBefore, list[0].lineAfter);
    }

    void aDamagedJournalLeavesTheReadDoneAndSaysTheRecordWasNotKept()
    {
        QFile file(journal());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        SimOnCom1 sim;
        m_form->model().set(Field::Route0Destination, 99);
        m_form->commandAction(MainCommand::Read)->trigger();
        QCOMPARE(m_form->model().get(Field::Route0Destination), 2);   // the read went through
        // The unsaved edit is asked about first; then the one notice.
        QCOMPARE(m_fake->count(), 2);
        QVERIFY2(m_fake->last().text.contains(QStringLiteral("record was not kept")), qPrintable(m_fake->last().text));
    }

    void theTransmitTestIsRecordedWhenItStops()
    {
        SimOnCom1 sim;
        QAction *item = m_form->commandAction(MainCommand::TxBerTest);
        for (int i = 0; i < 2; ++i) {
            item->trigger();
            QVERIFY(QTest::qWaitFor([item] { return item->isEnabled(); }, 10000));
        }
        const JournalEntries list = records();
        QCOMPARE(list.size(), std::size_t(1));   // one run: started, then stopped
        QCOMPARE(list.front().operation, QStringLiteral("ber tx"));
        QCOMPARE(list.front().outcome, QStringLiteral("done"));
        QCOMPARE(list.front().port, QStringLiteral("COM1"));
    }

    void anRssiRunIsRecordedWithItsFigures()
    {
        SimOnCom1 sim;
        QTimer::singleShot(0, m_form.get(), [] {
            auto *dialog = qobject_cast<ReceiveTestDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto closeBox = qScopeGuard([dialog] { dialog->close(); });
            dialog->startStopButton()->click();
            QTRY_VERIFY_WITH_TIMEOUT(dialog->levelField()->text().contains("dBm"), 10000);
            dialog->startStopButton()->click();
            QTRY_VERIFY_WITH_TIMEOUT(dialog->startStopButton()->isEnabled() && !dialog->recording().isRunning(), 10000);
        });
        m_form->commandAction(MainCommand::RssiMeasurement)->trigger();
        const JournalEntries list = records();
        QCOMPARE(list.size(), std::size_t(1));
        QCOMPARE(list.front().operation, QStringLiteral("rssi"));
        QVERIFY(list.front().figures.value(QStringLiteral("reports")).toInt() > 0);
        QVERIFY(list.front().figures.contains(QStringLiteral("level")));
    }

    void theHistoryFiltersAndOpensARecordedConfiguration()
    {
        {
            Journal j(journal());
            JournalEntry e;
            e.port = QStringLiteral("COM1");
            e.operation = QStringLiteral("read");
            e.outcome = QStringLiteral("done");
            e.product = QStringLiteral("740R-B Configuration");
            e.lineAfter = golden();
            e.systemAddress = 0;
            j.append(e);
            e.port = QStringLiteral("COM2");
            e.lineAfter = QByteArray(golden()).replace("AT&S0", "AT&S42");
            e.systemAddress = 42;
            j.append(e);
            e.operation = QStringLiteral("rssi");
            e.lineAfter.clear();
            e.systemAddress.reset();
            j.append(e);
        }
        HistoryDialog dialog(journal());
        QCOMPARE(dialog.table()->rowCount(), 3);
        dialog.portFilter()->setText(QStringLiteral("COM2"));
        QCOMPARE(dialog.table()->rowCount(), 2);
        dialog.table()->selectRow(1);   // the RSSI run holds no configuration
        QVERIFY(!dialog.openButton()->isEnabled());
        dialog.systemFilter()->setValue(42);
        QCOMPARE(dialog.table()->rowCount(), 1);
        QCOMPARE(dialog.table()->item(0, 0)->text(), QStringLiteral("2"));
        dialog.sinceEnabled()->setChecked(true);
        dialog.sinceFilter()->setDate(QDate::currentDate().addDays(1));
        QCOMPARE(dialog.table()->rowCount(), 0);
        dialog.sinceEnabled()->setChecked(false);
        dialog.table()->selectRow(0);
        QVERIFY(dialog.openButton()->isEnabled());
        dialog.openButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.chosen());
        QVERIFY(m_form->openRecordedConfiguration(dialog.chosen()->lineAfter));
        QCOMPARE(m_form->model().get(Field::SystemAddress), 42);
        QVERIFY(m_form->currentFileName().isEmpty());
        QVERIFY2(m_fake->empty(), qPrintable(m_fake->texts().join('|')));
    }

    void theReportIsSavedAsHtmlOrPdf()
    {
        ReportInput input;
        JournalEntry e;
        e.port = QStringLiteral("COM3");
        e.operation = QStringLiteral("write");
        e.outcome = QStringLiteral("done");
        e.identification = QStringLiteral("740R-B V1.90");
        e.lineAfter = golden();
        e.product = QStringLiteral("740R-B Configuration");
        input.entries = {e};
        const QString html = m_dir->filePath(QStringLiteral("report.html"));
        QCOMPARE(saveCommissioningReport(input, html), QString());
        QFile page(html);
        QVERIFY(page.open(QIODevice::ReadOnly));
        QVERIFY(page.readAll().contains("740R-B V1.90"));
        const QString pdf = m_dir->filePath(QStringLiteral("report.pdf"));
        QCOMPARE(saveCommissioningReport(input, pdf), QString());
        QFile document(pdf);
        QVERIFY(document.open(QIODevice::ReadOnly));
        QVERIFY(document.readAll().startsWith("%PDF"));
        const QString failure = saveCommissioningReport(input, m_dir->filePath(QStringLiteral("none/report.html")));
        QVERIFY(failure.contains(QStringLiteral("none/report.html")));
    }
};

QTEST_MAIN(JournalWindowTest)
#include "JournalWindowTest.moc"
