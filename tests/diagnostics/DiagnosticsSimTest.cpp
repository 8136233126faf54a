// The Diagnostics menu's commands against the simulated module on COM1 (and, where
// a missing CTS line is needed, against the scripted module).

#include "DiagTestSupport.h"

#include "diagnostics/BERTestForm.h"
#include "diagnostics/RxBerTest.h"
#include "diagnostics/TxBerTest.h"
#include "tests/support/FakeMessages.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

namespace {

const QString kHint = QStringLiteral("Ensure COM port settings are correct, and module is Switched On.\r\n"
                                     "(Hint: Set Switch 2 on module to restore factory defaults.");
const QString kModel = QStringLiteral("TR-740RB");

// The transmit test as the main window runs it: its caption and its log.
struct TxRun {
    PortSettings port;
    FakeMessages messages;
    TChannelSlot slot;
    QString caption = QStringLiteral("Start Tx BER Test");
    QByteArray log;
    TTxBerTest tx;

    explicit TxRun(TChannelFactory make = {})
        : tx(port, kModel, messages, slot, [this](const QByteArray &text, quint16) { log += text; },
             {[this] { return caption; }, [this](const QString &c) { caption = c; }}, std::move(make))
    {
    }
};

} // namespace

class DiagnosticsSimTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void rssiRunShowsTheLevelLine();
    void berRunFillsTheFieldsUntilStopped();
    void rxTestDialogClosedByItsCloseBoxWhileRunning();
    void vanishedPortEndsTheTestAtOnce();
    void portThatCannotOpenShowsNoDialog();
    void silentModuleCannotStart();
    void txTestStartsAndStops();
    void txTestRefusedKeepsStart();
    void txTestFailures();
};

void DiagnosticsSimTest::init()
{
    if (!ModemSim::available())
        QSKIP("modem-sim is not built");
}

void DiagnosticsSimTest::rssiRunShowsTheLevelLine()
{
    SimOnCom1 sim;
    FakeMessages messages;
    TChannelSlot slot = std::make_unique<TCOM740Object>(PortSettings{});
    {
        TBERTestForm form(messages);
        form.SetupTest(slot, 3);
        form.show();
        form.btn_StartStop->click();
        QCOMPARE(form.btn_StartStop->text(), QString("Stop"));
        QTRY_VERIFY_WITH_TIMEOUT(form.edit_Level->text().contains("dBm"), 10000);
        QVERIFY2(QRegularExpression("^RSSI -\\d{3} dBm$").match(form.edit_Level->text()).hasMatch(),
                 qPrintable(form.edit_Level->text()));
        QVERIFY(form.edit_Test->text().isEmpty());
        form.btn_StartStop->click();
        QCOMPARE(form.btn_StartStop->text(), QString("Start"));
        QVERIFY(form.btn_Close->isVisible());
    }
    QVERIFY(messages.empty());
    QVERIFY(sim.received("AT&K0\\r"));
    QVERIFY(sim.received("AT&T3\\r"));
    QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
}

void DiagnosticsSimTest::berRunFillsTheFieldsUntilStopped()
{
    SimOnCom1 sim;
    FakeMessages messages;
    TChannelSlot slot = std::make_unique<TCOM740Object>(PortSettings{});
    TBERTestForm form(messages);
    form.SetupTest(slot, 1);
    form.show();
    form.btn_StartStop->click();
    QVERIFY(form.testRunning());
    QTRY_VERIFY_WITH_TIMEOUT(form.edit_TotTest->text().endsWith(" kbit"), 10000);
    // Report "nnnn eeee 0000 -lll tttt 0000 rate x frames": every field is the module's text.
    QVERIFY2(QRegularExpression("^\\d{4}$").match(form.edit_Test->text()).hasMatch(), qPrintable(form.edit_Test->text()));
    QVERIFY2(QRegularExpression("^\\d{4}$").match(form.edit_Error->text()).hasMatch(), qPrintable(form.edit_Error->text()));
    QVERIFY(form.edit_Level->text().startsWith('-'));
    QCOMPARE(form.edit_TotTest->text(), QString("19.2 kbit"));
    const QString first = form.edit_Test->text();
    QTRY_VERIFY_WITH_TIMEOUT(form.edit_Test->text() != first, 10000);  // each report replaces the last
    form.btn_StartStop->click();
    QVERIFY(!form.testRunning());
    QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
    form.btn_Close->click();
    QVERIFY(!form.isVisible());
    QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
    QVERIFY(messages.empty());
}

void DiagnosticsSimTest::rxTestDialogClosedByItsCloseBoxWhileRunning()
{
    SimOnCom1 sim;
    FakeMessages messages;
    PortSettings port;
    TChannelSlot slot;
    TRxBerTest rx(port, messages, slot);
    bool sawReport = false;
    QString title;
    rx.onDialogReady = [&](TBERTestForm &form) {
        QVERIFY(slot);  // the channel is open while the dialog runs
        QTimer::singleShot(0, &form, [&] {
            auto closeBox = qScopeGuard([&] { form.close(); });
            QVERIFY(form.isModal() && form.isVisible());
            title = form.windowTitle();
            form.btn_StartStop->click();
            QTRY_VERIFY_WITH_TIMEOUT(!form.edit_Test->text().isEmpty(), 10000);
            sawReport = true;
            QVERIFY(form.testRunning());
        });
    };
    rx.RxBerTest(2);
    QVERIFY(sawReport);
    QCOMPARE(title, QString("Receive Bit Error Rate Test"));
    QVERIFY(!slot);  // closed with the dialog
    QVERIFY(sim.received("AT&T2\\r"));
    QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
    QVERIFY(messages.empty());
    // The port is free again.
    TChannelSlot again = std::make_unique<TCOM740Object>(PortSettings{});
    QVERIFY(again->SendCommand("AT\r", "OK", 100));
}

void DiagnosticsSimTest::vanishedPortEndsTheTestAtOnce()
{
    // The module hangs up (an unplugged adapter) once the test command is answered.
    SimOnCom1 sim({"--start", "command", "--hangup-after", "4"});
    FakeMessages messages;
    TChannelSlot slot = std::make_unique<TCOM740Object>(PortSettings{});
    TBERTestForm form(messages);
    form.SetupTest(slot, 3);
    form.show();
    form.btn_StartStop->click();
    QVERIFY(sim.received("AT&T3\\r"));
    QTRY_COMPARE_WITH_TIMEOUT(messages.texts(), QStringList{"COM1- This port may be already in use or not present."},
                              3000);
    QCOMPARE(messages.last().icon, MessageSink::Icon::Error);
    QCOMPARE(form.btn_StartStop->text(), QString("Start"));
    QVERIFY(form.btn_Close->isVisible());
    QCOMPARE(slot->port().Handle(), nullptr);
}

void DiagnosticsSimTest::portThatCannotOpenShowsNoDialog()
{
    qputenv("CFG_COM1", "/nonexistent/diag-tty");
    auto unset = qScopeGuard([] { qunsetenv("CFG_COM1"); });
    FakeMessages messages;
    PortSettings port;
    TChannelSlot slot;
    TRxBerTest rx(port, messages, slot);
    bool shown = false;
    rx.onDialogReady = [&](TBERTestForm &) { shown = true; };
    rx.RxBerTest(1);
    QVERIFY(!shown);
    QVERIFY(!slot);
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().icon, MessageSink::Icon::Error);
    QVERIFY(!messages.last().text.isEmpty());
    const QString portText = messages.last().text;

    TxRun run;
    run.tx.TxBertest();
    QCOMPARE(run.messages.texts(), QStringList{portText});
    QCOMPARE(run.caption, QString("Start Tx BER Test"));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void DiagnosticsSimTest::silentModuleCannotStart()
{
    SimOnCom1 sim({"--start", "command", "--silent"});
    FakeMessages messages;
    TChannelSlot slot = std::make_unique<TCOM740Object>(PortSettings{});
    TBERTestForm form(messages);
    form.SetupTest(slot, 1);
    form.show();
    form.btn_StartStop->click();
    QCOMPARE(messages.texts(),
             QStringList{"Error communicating with module. The module did not respond correctly.\r\n"
                         "Ensure COM port settings are correct, and module is Switched On.\r\n"
                         "(Hint: Set Switch 2 on module to restore factory defaults."});
    QCOMPARE(messages.last().icon, MessageSink::Icon::Error);
    QCOMPARE(form.btn_StartStop->text(), QString("Start"));
    QVERIFY(form.btn_Close->isVisible());
    QVERIFY(!sim.received("AT&T1\\r"));
}

void DiagnosticsSimTest::txTestStartsAndStops()
{
    SimOnCom1 sim;
    TxRun run;
    run.tx.TxBertest();
    QCOMPARE(run.caption, QString("Stop Tx BER Test"));
    QCOMPARE(run.messages.texts(), QStringList{"Transmit Bit Error Rate Test started."});
    QCOMPARE(run.messages.last().icon, MessageSink::Icon::Information);
    QCOMPARE(run.messages.last().buttons, MessageSink::Buttons::Ok);
    QVERIFY(!run.slot);  // no port open between start and stop
    QVERIFY(run.log.contains("00"));  // the replies went to the main window's log
    QVERIFY(sim.received("AT&K0\\r"));
    QVERIFY(sim.received("AT&T0\\r"));
    QVERIFY(!sim.received("ATZ\\r"));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    run.tx.TxBertest();
    QCOMPARE(run.caption, QString("Start Tx BER Test"));
    QCOMPARE(run.messages.last().text, QString("Transmit Bit Error Rate Test stopped."));
    QCOMPARE(run.messages.last().icon, MessageSink::Icon::Information);
    QVERIFY(!run.slot);
    QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
    QCOMPARE(sim.receivedCount("AT&T0\\r"), 1);
}

void DiagnosticsSimTest::txTestRefusedKeepsStart()
{
    SimOnCom1 sim({"--start", "command", "--reject", "AT&T0"});
    TxRun run;
    run.tx.TxBertest();
    QCOMPARE(run.messages.texts(),
             QStringList{"Error communicating with " + kModel + ". The module did not respond correctly.\r\n" + kHint});
    QCOMPARE(run.messages.last().icon, MessageSink::Icon::Error);
    QCOMPARE(run.caption, QString("Start Tx BER Test"));
    QVERIFY(!run.slot);
    QVERIFY(sim.received("AT&T0\\r"));
}

void DiagnosticsSimTest::txTestFailures()
{
    auto module = std::make_shared<ScriptedModule>();
    module->cts = false;
    TxRun run(scriptedChannels(module));
    run.tx.TxBertest();
    QCOMPARE(run.messages.texts(),
             QStringList{"Error communicating with " + kModel + ". The module CTS signal was not detected.\r\n"
                         "Ensure COM port connections are correct, and module is Switched On."});
    QCOMPARE(run.caption, QString("Start Tx BER Test"));

    // Started, then the module stops answering: the stop fails and the caption stays.
    module->cts = true;
    run.tx.TxBertest();
    QCOMPARE(run.caption, QString("Stop Tx BER Test"));
    module->answers = false;
    run.tx.TxBertest();
    QCOMPARE(run.messages.last().text,
             "Error communicating with " + kModel + ". The module did not respond correctly.\r\n" + kHint);
    QCOMPARE(run.caption, QString("Stop Tx BER Test"));
    QCOMPARE(module->countWrites("ATZ\r"), 0);
    QVERIFY(!run.slot);
}

QTEST_MAIN(DiagnosticsSimTest)
#include "DiagnosticsSimTest.moc"
