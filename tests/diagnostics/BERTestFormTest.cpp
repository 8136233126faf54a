// The receive test dialog: its layout, how it shows report lines, and its start,
// stop and close commands against a scripted module (CTS and silence on demand).

#include "DiagTestSupport.h"

#include "diagnostics/BERTestForm.h"
#include "diagnostics/DiagnosticMessages.h"
#include "tests/support/FakeMessages.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <thread>

namespace {

const QString kNoCts = QStringLiteral("CTS on modem was not detected.");

QStringList fieldTexts(const TBERTestForm &form)
{
    return {form.edit_Test->text(), form.edit_Error->text(), form.edit_Extra->text(), form.edit_Level->text(),
            form.edit_TotErr->text(), form.edit_TotMiss->text(), form.edit_TotTest->text()};
}

// A dialog on a channel over the scripted module.
struct ScriptedRun {
    std::shared_ptr<ScriptedModule> module = std::make_shared<ScriptedModule>();
    FakeMessages messages;
    TChannelSlot slot;
    std::unique_ptr<TBERTestForm> form;

    explicit ScriptedRun(int kind)
    {
        slot = scriptedChannels(module)(PortSettings{});
        form = std::make_unique<TBERTestForm>(messages);
        form->SetupTest(slot, kind);
        form->show();
    }
    ~ScriptedRun() { form.reset(); }
    bool closeShown() const { return form->btn_Close->isVisible() && form->btn_Close->isEnabled(); }
};

} // namespace

class BERTestFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layoutAndCaptions();
    void berLinesFillTheFields();
    void levelLinesFillTheLevelOnly();
    void linesFromThePumpThreadReachTheFields();
    void startRunsTheTestAndStopResetsTheModule();
    void noCtsAtStartStaysIdle();
    void silentModuleAtStartStaysIdle();
    void failuresWhileStoppingReturnToIdle();
    void closingWhileRunningStopsFirst();
    void closingWhenIdleSendsNothing();
};

void BERTestFormTest::layoutAndCaptions()
{
    FakeMessages messages;
    TChannelSlot none;
    for (int kind : {1, 2, 3}) {
        TBERTestForm form(messages);
        form.SetupTest(none, kind);
        QCOMPARE(form.windowTitle(), kind == 3 ? QString("RSSI Measurement") : QString("Receive Bit Error Rate Test"));
        QCOMPARE(form.TestCommand(), "AT&T" + QByteArray::number(kind));
    }
    TBERTestForm form(messages);
    QCOMPARE(form.windowTitle(), QString("Receive Bit Error Rate Test"));
    QStringList labels;
    for (QLabel *l : form.findChildren<QLabel *>())
        labels << l->text();
    for (const char *t : {"Test:", "Errors", "Extra", "Level", "Tot Error", "Tot Miss", "Tot Test"})
        QVERIFY2(labels.contains(QString(t)), t);
    for (QLineEdit *e : form.findChildren<QLineEdit *>())
        QVERIFY(e->isReadOnly());
    QCOMPARE(form.edit_Test->accessibleName(), QString("Test"));
    QCOMPARE(form.edit_TotMiss->accessibleName(), QString("Tot Miss"));
    QCOMPARE(form.findChildren<QLineEdit *>().size(), 7);
    QCOMPARE(form.btn_StartStop->text(), QString("Start"));
    QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(form.layout()->sizeConstraint(), QLayout::SetFixedSize);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    // It opens ready to start: "Start" is the default button and has the keyboard.
    QVERIFY(form.btn_StartStop->isDefault());
    QCOMPARE(QApplication::focusWidget(), form.btn_StartStop);
    // "Start" on the left, the close button on the right, below the fields.
    QVERIFY(form.btn_StartStop->x() < form.btn_Close->x());
    QVERIFY(form.btn_StartStop->y() > form.edit_TotTest->y());
    QVERIFY(form.edit_Level->y() > form.edit_Test->y());
    QCOMPARE(form.edit_Level->y(), form.edit_TotTest->y());
}

void BERTestFormTest::berLinesFillTheFields()
{
    FakeMessages messages;
    TChannelSlot none;
    for (int kind : {1, 2}) {
        TBERTestForm form(messages);
        form.SetupTest(none, kind);
        form.ReceiveTestData("0001 x 0002 0003 -070 0005 0006 0019.2 rest\r\n", 0);
        QCOMPARE(fieldTexts(form), QStringList({"0001", "x", "0002", "0003", "-070", "0005", "0006 kbit"}));
        // Echoes, "OK" and level lines leave the fields as they are.
        form.ReceiveTestData("AT&T1\r\r\n01\r\nOK\r\nRSSI -070 dBm\r\n", 0);
        QCOMPARE(form.edit_Test->text(), QString("0001"));
        QCOMPARE(form.edit_TotTest->text(), QString("0006 kbit"));
        // A shorter report empties what it does not have; pieces split anywhere.
        form.ReceiveTestData("0002 x", 0);
        form.ReceiveTestData(" 0009\r", 0);
        form.ReceiveTestData("\n", 0);
        QCOMPARE(fieldTexts(form), QStringList({"0002", "x", "0009", "", "", "", ""}));
    }
}

void BERTestFormTest::levelLinesFillTheLevelOnly()
{
    FakeMessages messages;
    TChannelSlot none;
    TBERTestForm form(messages);
    form.SetupTest(none, 3);
    form.ReceiveTestData("RSSI -07", 0);
    QVERIFY(form.edit_Level->text().isEmpty());
    form.ReceiveTestData("3 dBm\r\n", 0);
    QCOMPARE(form.edit_Level->text(), QString("RSSI -073 dBm"));
    form.ReceiveTestData("OK\r\n0001 x 0002 0003\r\n", 0);
    QCOMPARE(fieldTexts(form), QStringList({"", "", "", "RSSI -073 dBm", "", "", ""}));
}

void BERTestFormTest::linesFromThePumpThreadReachTheFields()
{
    FakeMessages messages;
    TChannelSlot none;
    TBERTestForm form(messages);
    form.SetupTest(none, 1);
    const QByteArray stream = "0001 x 0000 0000 -070 0000 0000 0019.2\r\n0002 x 0001 0000 -071 0001 0000 0019.2\r\n";
    std::thread pump([&] {
        for (char c : stream)
            form.ReceiveTestData(QByteArray(1, c), 1);
    });
    pump.join();
    // Nothing is set from the other thread itself; the GUI thread applies the values.
    QCOMPARE(form.edit_Test->text(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(form.edit_Test->text(), QString("0002"), 10000);
    QCOMPARE(fieldTexts(form), QStringList({"0002", "x", "0001", "0000", "-071", "0001", "0000 kbit"}));
}

void BERTestFormTest::startRunsTheTestAndStopResetsTheModule()
{
    ScriptedRun run(2);
    run.form->btn_StartStop->click();
    QVERIFY(run.messages.empty());
    QCOMPARE(run.form->btn_StartStop->text(), QString("Stop"));
    QVERIFY(!run.form->btn_Close->isVisible());
    QVERIFY(!run.form->btn_Close->isEnabled());
    QVERIFY(run.form->testRunning());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    {
        std::lock_guard lock(run.module->mutex);
        QCOMPARE(run.module->writes, QStringList({"\r", "AT&K0\r", "\r", "AT&T2\r"}));
    }
    run.module->arrive("0007 x 0001 00");
    run.module->arrive("00 -070 0001 0000 0057.6\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(run.form->edit_Test->text(), QString("0007"), 10000);
    QCOMPARE(run.form->edit_TotTest->text(), QString("0000 kbit"));

    run.form->btn_StartStop->click();
    QVERIFY(run.messages.empty());
    QCOMPARE(run.form->btn_StartStop->text(), QString("Start"));
    QVERIFY(run.closeShown());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    {
        std::lock_guard lock(run.module->mutex);
        QCOMPARE(run.module->writes.mid(4), QStringList({"\r", "\r", "ATZ\r"}));
    }
    // The pump is gone: what arrives now is not read any more.
    run.module->arrive("0008 x 0\r\n");
    QTest::qWait(50);
    QCOMPARE(run.form->edit_Test->text(), QString("0007"));
    QVERIFY(run.form->isVisible());
}

void BERTestFormTest::noCtsAtStartStaysIdle()
{
    ScriptedRun run(1);
    run.module->cts = false;
    run.form->btn_StartStop->click();
    QCOMPARE(run.messages.texts(), QStringList{kNoCts});
    QCOMPARE(run.messages.last().icon, MessageSink::Icon::Error);
    QCOMPARE(run.messages.last().buttons, MessageSink::Buttons::Ok);
    QCOMPARE(run.form->btn_StartStop->text(), QString("Start"));
    QVERIFY(run.closeShown());
    QCOMPARE(run.module->countWrites("AT&T1\r"), 0);
}

void BERTestFormTest::silentModuleAtStartStaysIdle()
{
    ScriptedRun run(3);
    run.module->answers = false;
    run.form->btn_StartStop->click();
    QCOMPARE(run.messages.texts(), QStringList{DiagnosticMessages::moduleNoResponse()});
    QCOMPARE(run.form->btn_StartStop->text(), QString("Start"));
    QCOMPARE(run.module->countWrites("AT&T3\r"), 0);
}

void BERTestFormTest::failuresWhileStoppingReturnToIdle()
{
    ScriptedRun run(1);
    run.form->btn_StartStop->click();
    QVERIFY(run.form->testRunning());
    run.module->cts = false;
    run.form->btn_StartStop->click();
    QCOMPARE(run.messages.texts(), QStringList{kNoCts});
    QCOMPARE(run.form->btn_StartStop->text(), QString("Start"));
    QVERIFY(run.closeShown());

    run.module->cts = true;
    run.form->btn_StartStop->click();
    QVERIFY(run.form->testRunning());
    run.module->answers = false;
    run.form->btn_StartStop->click();
    QCOMPARE(run.messages.count(), 2);
    QCOMPARE(run.messages.last().text, DiagnosticMessages::moduleNoResponse());
    QCOMPARE(run.form->btn_StartStop->text(), QString("Start"));
    QVERIFY(run.closeShown());
}

void BERTestFormTest::closingWhileRunningStopsFirst()
{
    // The close box (a close event), with the module answering: the reset goes out.
    {
        ScriptedRun run(1);
        QSignalSpy finished(run.form.get(), &QDialog::finished);
        run.form->btn_StartStop->click();
        QVERIFY(run.form->testRunning());
        QVERIFY(run.form->close());
        QCOMPARE(run.module->countWrites("ATZ\r"), 1);
        QVERIFY(!run.form->isVisible());
        QCOMPARE(finished.count(), 1);
        QVERIFY(run.messages.empty());
    }
    // Escape while running takes the same road.
    {
        ScriptedRun run(3);
        run.form->btn_StartStop->click();
        QTest::keyClick(run.form.get(), Qt::Key_Escape);
        QCOMPARE(run.module->countWrites("ATZ\r"), 1);
        QVERIFY(!run.form->isVisible());
    }
    // A port failure while closing is reported as unexpected; the dialog closes anyway.
    {
        ScriptedRun run(2);
        run.form->btn_StartStop->click();
        run.module->cts = false;
        run.form->close();
        QCOMPARE(run.messages.texts(), QStringList{"An unexpected error occured while communicating with the module."});
        QVERIFY(!run.form->isVisible());
    }
    // A module that no longer answers gets the settings hint.
    {
        ScriptedRun run(1);
        run.form->btn_StartStop->click();
        run.module->answers = false;
        run.form->StopTestAndClose();
        QCOMPARE(run.messages.texts(), QStringList{DiagnosticMessages::moduleNoResponse()});
        QVERIFY(!run.form->isVisible());
        QCOMPARE(run.module->countWrites("ATZ\r"), 0);  // the wake-up failed before it
    }
}

void BERTestFormTest::closingWhenIdleSendsNothing()
{
    ScriptedRun run(1);
    QSignalSpy finished(run.form.get(), &QDialog::finished);
    run.form->btn_Close->click();
    QVERIFY(!run.form->isVisible());
    QCOMPARE(finished.count(), 1);
    std::lock_guard lock(run.module->mutex);
    QVERIFY(run.module->writes.isEmpty());
}

QTEST_MAIN(BERTestFormTest)
#include "BERTestFormTest.moc"
