// The receive test dialog: its layout, how it shows report lines, and its start,
// stop and close commands against a scripted module (CTS and silence on demand).

#include "DiagTestSupport.h"

#include "diagnostics/DiagnosticMessages.h"
#include "ui/ReceiveTestDialog.h"
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

QStringList fieldTexts(const ReceiveTestDialog &form)
{
    return {form.testField()->text(), form.errorField()->text(), form.extraField()->text(), form.levelField()->text(),
            form.totalErrorField()->text(), form.totalMissField()->text(), form.totalTestField()->text()};
}

// A dialog on a channel over the scripted module.
struct ScriptedRun {
    std::shared_ptr<ScriptedLine> module = scriptedModule();
    FakeMessages messages;
    std::unique_ptr<ReceiveTestDialog> form;

    explicit ScriptedRun(int kind)
    {
        form = std::make_unique<ReceiveTestDialog>(messages);
        form->setupTest(std::make_unique<ReceiveTest>(kind, scriptedChannels(module)(LineSettings{})));
        form->show();
    }
    ~ScriptedRun() { form.reset(); }
    bool closeShown() const { return form->closeButton()->isVisible() && form->closeButton()->isEnabled(); }
    // Start and Stop return at once; the dialog settles when the module has answered
    // (while a start is out the button stays enabled as "Cancel").
    bool click()
    {
        form->startStopButton()->click();
        return QTest::qWaitFor([this] { return settled(); }, 10000);
    }
    bool settled() const
    {
        return form->startStopButton()->isEnabled() && form->startStopButton()->text() != QLatin1String("Cancel");
    }
    // A close while the test runs waits for the stop commands.
    bool closed()
    {
        return QTest::qWaitFor([this] { return !form->isVisible(); }, 10000);
    }
};

// A dialog whose test has no channel: text is fed to it directly.
std::unique_ptr<ReceiveTestDialog> fedDialog(MessageSink &messages, int kind)
{
    auto form = std::make_unique<ReceiveTestDialog>(messages);
    form->setupTest(std::make_unique<ReceiveTest>(kind));
    return form;
}

} // namespace

class ReceiveTestDialogTest : public QObject {
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
    void startOnASilentModuleCanBeCancelled();
    void berPercentageAndLargeLevel();
};

void ReceiveTestDialogTest::startOnASilentModuleCanBeCancelled()
{
    // A silent module that keeps every read waiting 10 s: only a stop that ends the
    // read under way settles the dialog in time.
    ScriptedRun run(1);
    run.module->answers = false;
    run.module->idleRead = std::chrono::seconds(10);
    run.form->startStopButton()->click();
    // While the start waits for the module, the button cancels it and the dialog
    // can be closed.
    QCOMPARE(run.form->startStopButton()->text(), QString("Cancel"));
    QVERIFY(run.form->startStopButton()->isEnabled());
    QVERIFY(run.form->closeButton()->isEnabled());
    QVERIFY(run.module->waitUntil([&] { return run.module->inRead > 0; }));
    run.form->startStopButton()->click();
    QVERIFY(QTest::qWaitFor([&] { return run.settled(); }, 3000));
    QCOMPARE(run.form->startStopButton()->text(), QString("Start"));
    QVERIFY(!run.form->testRunning());
    QCOMPARE(run.module->countWrites("AT&T1\r"), 0);

    // The close box while starting closes the dialog once the start has given up.
    ScriptedRun closing(1);
    closing.module->answers = false;
    closing.module->idleRead = std::chrono::seconds(10);
    closing.form->startStopButton()->click();
    QVERIFY(closing.form->closeButton()->isEnabled());
    QVERIFY(closing.module->waitUntil([&] { return closing.module->inRead > 0; }));
    closing.form->close();
    QVERIFY(QTest::qWaitFor([&] { return !closing.form->isVisible(); }, 3000));
}

void ReceiveTestDialogTest::berPercentageAndLargeLevel()
{
    QCOMPARE(ReceiveTestDialog::berPercent(QStringLiteral("0005"), QStringLiteral("0010 kbit")),
             QStringLiteral("0.05 %"));
    QCOMPARE(ReceiveTestDialog::berPercent(QStringLiteral("0000"), QStringLiteral("0010 kbit")),
             QStringLiteral("0 %"));
    QCOMPARE(ReceiveTestDialog::berPercent(QStringLiteral("0005"), QStringLiteral("0000 kbit")), QStringLiteral("-"));
    QCOMPARE(ReceiveTestDialog::berPercent(QStringLiteral("x"), QStringLiteral("0010 kbit")), QStringLiteral("-"));

    FakeMessages messages;
    const auto ber = fedDialog(messages, 1);
    ber->test().receiveText("0001 x 0002 0003 0004 0005 0010 rest\r\n");
    // "Tot Error" 0004 of "Tot Test" 0010 kbit.
    QCOMPARE(ber->berLabel()->text(), QStringLiteral("0.04 %"));
    QVERIFY(!ber->largeLevelLabel()->isVisibleTo(ber.get()));

    const auto rssi = fedDialog(messages, 3);
    QVERIFY(rssi->largeLevelLabel()->isVisibleTo(rssi.get()));
    QVERIFY(!rssi->berLabel()->isVisibleTo(rssi.get()));
    rssi->test().receiveText("RSSI -073 dBm\r\n");
    QCOMPARE(rssi->largeLevelLabel()->text(), QStringLiteral("-73 dBm"));
    QVERIFY(QFontInfo(rssi->largeLevelLabel()->font()).pixelSize() >= 3 * QFontInfo(rssi->levelField()->font()).pixelSize());
}

void ReceiveTestDialogTest::layoutAndCaptions()
{
    FakeMessages messages;
    for (int kind : {1, 2, 3}) {
        const auto form = fedDialog(messages, kind);
        QCOMPARE(form->windowTitle(), kind == 3 ? QString("RSSI Measurement") : QString("Receive Bit Error Rate Test"));
        QCOMPARE(form->testCommand(), "AT&T" + QByteArray::number(kind));
    }
    ReceiveTestDialog form(messages);
    QCOMPARE(form.windowTitle(), QString("Receive Bit Error Rate Test"));
    QStringList labels;
    for (QLabel *l : form.findChildren<QLabel *>())
        labels << l->text();
    for (const char *t : {"Test:", "Errors", "Extra", "Level", "Tot Error", "Tot Miss", "Tot Test"})
        QVERIFY2(labels.contains(QString(t)), t);
    for (QLineEdit *e : form.findChildren<QLineEdit *>())
        QVERIFY(e->isReadOnly());
    QCOMPARE(form.testField()->accessibleName(), QString("Test"));
    QCOMPARE(form.totalMissField()->accessibleName(), QString("Tot Miss"));
    QCOMPARE(form.findChildren<QLineEdit *>().size(), 7);
    QCOMPARE(form.startStopButton()->text(), QString("Start"));
    QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(form.layout()->sizeConstraint(), QLayout::SetFixedSize);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    // It opens ready to start: "Start" is the default button and has the keyboard.
    QVERIFY(form.startStopButton()->isDefault());
    QCOMPARE(QApplication::focusWidget(), form.startStopButton());
    // "Start" on the left, the close button on the right, below the fields.
    QVERIFY(form.startStopButton()->x() < form.closeButton()->x());
    QVERIFY(form.startStopButton()->y() > form.totalTestField()->y());
    QVERIFY(form.levelField()->y() > form.testField()->y());
    QCOMPARE(form.levelField()->y(), form.totalTestField()->y());
}

void ReceiveTestDialogTest::berLinesFillTheFields()
{
    FakeMessages messages;
    for (int kind : {1, 2}) {
        const auto dialog = fedDialog(messages, kind);
        ReceiveTestDialog &form = *dialog;
        form.test().receiveText("0001 x 0002 0003 -070 0005 0006 0019.2 rest\r\n");
        QCOMPARE(fieldTexts(form), QStringList({"0001", "x", "0002", "0003", "-070", "0005", "0006 kbit"}));
        // Echoes, "OK" and level lines leave the fields as they are.
        form.test().receiveText("AT&T1\r\r\n01\r\nOK\r\nRSSI -070 dBm\r\n");
        QCOMPARE(form.testField()->text(), QString("0001"));
        QCOMPARE(form.totalTestField()->text(), QString("0006 kbit"));
        // A shorter report empties what it does not have; pieces split anywhere.
        form.test().receiveText("0002 x");
        form.test().receiveText(" 0009\r");
        form.test().receiveText("\n");
        QCOMPARE(fieldTexts(form), QStringList({"0002", "x", "0009", "", "", "", ""}));
    }
}

void ReceiveTestDialogTest::levelLinesFillTheLevelOnly()
{
    FakeMessages messages;
    const auto dialog = fedDialog(messages, 3);
    ReceiveTestDialog &form = *dialog;
    form.test().receiveText("RSSI -07");
    QVERIFY(form.levelField()->text().isEmpty());
    form.test().receiveText("3 dBm\r\n");
    QCOMPARE(form.levelField()->text(), QString("RSSI -073 dBm"));
    form.test().receiveText("OK\r\n0001 x 0002 0003\r\n");
    QCOMPARE(fieldTexts(form), QStringList({"", "", "", "RSSI -073 dBm", "", "", ""}));
}

void ReceiveTestDialogTest::linesFromThePumpThreadReachTheFields()
{
    FakeMessages messages;
    const auto dialog = fedDialog(messages, 1);
    ReceiveTestDialog &form = *dialog;
    const QByteArray stream = "0001 x 0000 0000 -070 0000 0000 0019.2\r\n0002 x 0001 0000 -071 0001 0000 0019.2\r\n";
    std::thread pump([&] {
        for (char c : stream)
            form.test().receiveText(QByteArray(1, c));
    });
    pump.join();
    // Nothing is set from the other thread itself; the GUI thread applies the values.
    QCOMPARE(form.testField()->text(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(form.testField()->text(), QString("0002"), 10000);
    QCOMPARE(fieldTexts(form), QStringList({"0002", "x", "0001", "0000", "-071", "0001", "0000 kbit"}));
}

void ReceiveTestDialogTest::startRunsTheTestAndStopResetsTheModule()
{
    ScriptedRun run(2);
    QVERIFY(run.click());
    QVERIFY(run.messages.empty());
    QCOMPARE(run.form->startStopButton()->text(), QString("Stop"));
    QVERIFY(!run.form->closeButton()->isVisible());
    QVERIFY(!run.form->closeButton()->isEnabled());
    QVERIFY(run.form->testRunning());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    {
        QCOMPARE(run.module->writeList(), std::vector<QByteArray>({"\r", "AT&K0\r", "\r", "AT&T2\r"}));
    }
    run.module->arrive("0007 x 0001 00");
    run.module->arrive("00 -070 0001 0000 0057.6\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(run.form->testField()->text(), QString("0007"), 10000);
    QCOMPARE(run.form->totalTestField()->text(), QString("0000 kbit"));

    QVERIFY(run.click());
    QVERIFY(run.messages.empty());
    QCOMPARE(run.form->startStopButton()->text(), QString("Start"));
    QVERIFY(run.closeShown());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    {
        const std::vector<QByteArray> writes = run.module->writeList();
        QCOMPARE(std::vector<QByteArray>(writes.begin() + 4, writes.end()), std::vector<QByteArray>({"\r", "\r", "ATZ\r"}));
    }
    // The pump is gone: what arrives now is not read any more.
    run.module->arrive("0008 x 0\r\n");
    QTest::qWait(50);
    QCOMPARE(run.form->testField()->text(), QString("0007"));
    QVERIFY(run.form->isVisible());
}

void ReceiveTestDialogTest::noCtsAtStartStaysIdle()
{
    ScriptedRun run(1);
    run.module->setCts(false);
    QVERIFY(run.click());
    QCOMPARE(run.messages.texts(), QStringList{kNoCts});
    QCOMPARE(run.messages.last().icon, MessageSink::Icon::Error);
    QCOMPARE(run.messages.last().buttons, MessageSink::Buttons::Ok);
    QCOMPARE(run.form->startStopButton()->text(), QString("Start"));
    QVERIFY(run.closeShown());
    QCOMPARE(run.module->countWrites("AT&T1\r"), 0);
}

void ReceiveTestDialogTest::silentModuleAtStartStaysIdle()
{
    ScriptedRun run(3);
    run.module->answers = false;
    QVERIFY(run.click());
    QCOMPARE(run.messages.texts(), QStringList{DiagnosticMessages::moduleNoResponse()});
    QCOMPARE(run.form->startStopButton()->text(), QString("Start"));
    QCOMPARE(run.module->countWrites("AT&T3\r"), 0);
}

void ReceiveTestDialogTest::failuresWhileStoppingReturnToIdle()
{
    ScriptedRun run(1);
    QVERIFY(run.click());
    QVERIFY(run.form->testRunning());
    run.module->setCts(false);
    QVERIFY(run.click());
    QCOMPARE(run.messages.texts(), QStringList{kNoCts});
    QCOMPARE(run.form->startStopButton()->text(), QString("Start"));
    QVERIFY(run.closeShown());

    run.module->setCts(true);
    QVERIFY(run.click());
    QVERIFY(run.form->testRunning());
    run.module->answers = false;
    QVERIFY(run.click());
    QCOMPARE(run.messages.count(), 2);
    QCOMPARE(run.messages.last().text, DiagnosticMessages::moduleNoResponse());
    QCOMPARE(run.form->startStopButton()->text(), QString("Start"));
    QVERIFY(run.closeShown());
}

void ReceiveTestDialogTest::closingWhileRunningStopsFirst()
{
    // The close box (a close event), with the module answering: the reset goes out.
    {
        ScriptedRun run(1);
        QSignalSpy finished(run.form.get(), &QDialog::finished);
        QVERIFY(run.click());
        QVERIFY(run.form->testRunning());
        run.form->close();
        QVERIFY(run.closed());
        QCOMPARE(run.module->countWrites("ATZ\r"), 1);
        QVERIFY(!run.form->isVisible());
        QCOMPARE(finished.count(), 1);
        QVERIFY(run.messages.empty());
    }
    // Escape while running takes the same road.
    {
        ScriptedRun run(3);
        QVERIFY(run.click());
        QTest::keyClick(run.form.get(), Qt::Key_Escape);
        QVERIFY(run.closed());
        QCOMPARE(run.module->countWrites("ATZ\r"), 1);
        QVERIFY(!run.form->isVisible());
    }
    // A port failure while closing is reported as unexpected; the dialog closes anyway.
    {
        ScriptedRun run(2);
        QVERIFY(run.click());
        run.module->setCts(false);
        run.form->close();
        QVERIFY(run.closed());
        QCOMPARE(run.messages.texts(), QStringList{"An unexpected error occured while communicating with the module."});
        QVERIFY(!run.form->isVisible());
    }
    // A module that no longer answers gets the settings hint.
    {
        ScriptedRun run(1);
        QVERIFY(run.click());
        run.module->answers = false;
        run.form->stopTestAndClose();
        QVERIFY(run.closed());
        QCOMPARE(run.messages.texts(), QStringList{DiagnosticMessages::moduleNoResponse()});
        QVERIFY(!run.form->isVisible());
        QCOMPARE(run.module->countWrites("ATZ\r"), 0);  // the wake-up failed before it
    }
}

void ReceiveTestDialogTest::closingWhenIdleSendsNothing()
{
    ScriptedRun run(1);
    QSignalSpy finished(run.form.get(), &QDialog::finished);
    run.form->closeButton()->click();
    QVERIFY(!run.form->isVisible());
    QCOMPARE(finished.count(), 1);
    QVERIFY(run.module->writeList().empty());
}

QTEST_MAIN(ReceiveTestDialogTest)
#include "ReceiveTestDialogTest.moc"
