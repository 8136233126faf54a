// The Diagnostics menu's commands against the simulated module on COM1 (and, where
// a missing CTS line is needed, against the scripted module).

#include "DiagTestSupport.h"

#include "tests/support/FakeMessages.h"
#include "ui/DiagnosticsCommands.h"
#include "ui/ReceiveTestDialog.h"

#include <QAction>
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

// The transmit test as the main window runs it: its menu item and its log.
struct TxRun {
    LineSettings port;
    FakeMessages messages;
    QAction item{QStringLiteral("Start Tx BER Test")};
    QByteArray log;
    TransmitTestItem tx;

    explicit TxRun(ChannelFactory make = {})
        : tx(&item, messages, kModel, [this](const QByteArray &text, quint16) { log += text; }, std::move(make))
    {
    }
    // The item is disabled while the command is on the line.
    bool toggle()
    {
        tx.toggle(port);
        return QTest::qWaitFor([this] { return item.isEnabled(); }, 10000);
    }
    QString caption() const { return item.text(); }
};

// A dialog on the simulated module on COM1.
std::unique_ptr<ReceiveTest> simTest(int kind) { return ReceiveTest::open(kind, LineSettings{}); }

// Whether the port on COM1 can be had: nothing of the test keeps it open.
bool portIsFree()
{
    try {
        ModuleChannel probe{LineSettings{}};
        return true;
    } catch (const Exception &) {
        return false;
    }
}

bool clickAndSettle(ReceiveTestDialog &form)
{
    form.startStopButton()->click();
    return QTest::qWaitFor(
        [&] {
            return form.startStopButton()->isEnabled() && form.startStopButton()->text() != QLatin1String("Cancel");
        },
        30000);
}

} // namespace

class SimulatedModuleTest : public QObject {
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

void SimulatedModuleTest::init()
{
    if (!ModemSim::available())
        QSKIP("modem-sim is not built");
}

void SimulatedModuleTest::rssiRunShowsTheLevelLine()
{
    SimOnCom1 sim;
    FakeMessages messages;
    {
        ReceiveTestDialog form(messages);
        form.setupTest(simTest(3));
        form.show();
        QVERIFY(clickAndSettle(form));
        QCOMPARE(form.startStopButton()->text(), QString("Stop"));
        QTRY_VERIFY_WITH_TIMEOUT(form.levelField()->text().contains("dBm"), 10000);
        QVERIFY2(QRegularExpression("^RSSI -\\d{3} dBm$").match(form.levelField()->text()).hasMatch(),
                 qPrintable(form.levelField()->text()));
        QVERIFY(form.testField()->text().isEmpty());
        QVERIFY(clickAndSettle(form));
        QCOMPARE(form.startStopButton()->text(), QString("Start"));
        QVERIFY(form.closeButton()->isVisible());
    }
    QVERIFY(messages.empty());
    QVERIFY(sim.received("AT&K0\\r"));
    QVERIFY(sim.received("AT&T3\\r"));
    QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
}

void SimulatedModuleTest::berRunFillsTheFieldsUntilStopped()
{
    SimOnCom1 sim;
    FakeMessages messages;
    ReceiveTestDialog form(messages);
    form.setupTest(simTest(1));
    form.show();
    QVERIFY(clickAndSettle(form));
    QVERIFY(form.testRunning());
    QTRY_VERIFY_WITH_TIMEOUT(form.totalTestField()->text().endsWith(" kbit"), 10000);
    // Report "nnnn eeee 0000 -lll tttt 0000 rate x frames": every field is the module's text.
    QVERIFY2(QRegularExpression("^\\d{4}$").match(form.testField()->text()).hasMatch(), qPrintable(form.testField()->text()));
    QVERIFY2(QRegularExpression("^\\d{4}$").match(form.errorField()->text()).hasMatch(), qPrintable(form.errorField()->text()));
    QVERIFY(form.levelField()->text().startsWith('-'));
    QCOMPARE(form.totalTestField()->text(), QString("19.2 kbit"));
    const QString first = form.testField()->text();
    QTRY_VERIFY_WITH_TIMEOUT(form.testField()->text() != first, 10000);  // each report replaces the last
    QVERIFY(clickAndSettle(form));
    QVERIFY(!form.testRunning());
    QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
    form.closeButton()->click();
    QVERIFY(!form.isVisible());
    QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
    QVERIFY(messages.empty());
}

void SimulatedModuleTest::rxTestDialogClosedByItsCloseBoxWhileRunning()
{
    SimOnCom1 sim;
    FakeMessages messages;
    LineSettings port;
    ReceiveTestCommand rx(messages);
    bool sawReport = false;
    QString title;
    rx.setDialogReadyHandler([&](ReceiveTestDialog &form) {
        QVERIFY(form.test().isOpen());  // the channel is open while the dialog runs
        QTimer::singleShot(0, &form, [&] {
            auto closeBox = qScopeGuard([&] { form.close(); });
            QVERIFY(form.isModal() && form.isVisible());
            title = form.windowTitle();
            QVERIFY(clickAndSettle(form));
            QTRY_VERIFY_WITH_TIMEOUT(!form.testField()->text().isEmpty(), 10000);
            sawReport = true;
            QVERIFY(form.testRunning());
        });
    });
    rx.run(2, port);
    QVERIFY(sawReport);
    QCOMPARE(title, QString("Receive Bit Error Rate Test"));
    QVERIFY(sim.received("AT&T2\\r"));
    QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
    QVERIFY(messages.empty());
    // The port is free again: closed with the dialog.
    auto again = std::make_unique<ModuleChannel>(LineSettings{});
    QVERIFY_THROWS_NO_EXCEPTION(again->command("AT\r", ReplyRule::shortReply("OK", 100)));
}

void SimulatedModuleTest::vanishedPortEndsTheTestAtOnce()
{
    // The module hangs up (an unplugged adapter) once the test command is answered.
    SimOnCom1 sim({"--start", "command", "--hangup-after", "4"});
    FakeMessages messages;
    ReceiveTestDialog form(messages);
    form.setupTest(simTest(3));
    form.show();
    QVERIFY(clickAndSettle(form));
    QVERIFY(sim.received("AT&T3\\r"));
    QTRY_COMPARE_WITH_TIMEOUT(messages.texts(), QStringList{"COM1- This port may be already in use or not present."},
                              3000);
    QCOMPARE(messages.last().icon, MessageSink::Icon::Error);
    QCOMPARE(form.startStopButton()->text(), QString("Start"));
    QVERIFY(form.closeButton()->isVisible());
    QVERIFY(!form.test().isOpen());
}

void SimulatedModuleTest::portThatCannotOpenShowsNoDialog()
{
    qputenv("CFG_COM1", "/nonexistent/diag-tty");
    auto unset = qScopeGuard([] { qunsetenv("CFG_COM1"); });
    FakeMessages messages;
    ReceiveTestCommand rx(messages);
    bool shown = false;
    rx.setDialogReadyHandler([&](ReceiveTestDialog &) { shown = true; });
    rx.run(1, LineSettings{});
    QVERIFY(!shown);
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().icon, MessageSink::Icon::Error);
    QVERIFY(!messages.last().text.isEmpty());
    const QString portText = messages.last().text;

    TxRun run;
    QVERIFY(run.toggle());
    QCOMPARE(run.messages.texts(), QStringList{portText});
    QCOMPARE(run.caption(), QString("Start Tx BER Test"));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void SimulatedModuleTest::silentModuleCannotStart()
{
    SimOnCom1 sim({"--start", "command", "--silent"});
    FakeMessages messages;
    ReceiveTestDialog form(messages);
    form.setupTest(simTest(1));
    form.show();
    QVERIFY(clickAndSettle(form));
    QCOMPARE(messages.texts(),
             QStringList{"Error communicating with module. The module did not respond correctly.\r\n"
                         "Ensure COM port settings are correct, and module is Switched On.\r\n"
                         "(Hint: Set Switch 2 on module to restore factory defaults."});
    QCOMPARE(messages.last().icon, MessageSink::Icon::Error);
    QCOMPARE(form.startStopButton()->text(), QString("Start"));
    QVERIFY(form.closeButton()->isVisible());
    QVERIFY(!sim.received("AT&T1\\r"));
}

void SimulatedModuleTest::txTestStartsAndStops()
{
    SimOnCom1 sim;
    TxRun run;
    QVERIFY(run.toggle());
    QCOMPARE(run.caption(), QString("Stop Tx BER Test"));
    QCOMPARE(run.messages.texts(), QStringList{"Transmit Bit Error Rate Test started."});
    QCOMPARE(run.messages.last().icon, MessageSink::Icon::Information);
    QCOMPARE(run.messages.last().buttons, MessageSink::Buttons::Ok);
    QVERIFY(portIsFree());  // no port open between start and stop
    QVERIFY(run.log.contains("00"));  // the replies went to the main window's log
    QVERIFY(sim.received("AT&K0\\r"));
    QVERIFY(sim.received("AT&T0\\r"));
    QVERIFY(!sim.received("ATZ\\r"));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    QVERIFY(run.toggle());
    QCOMPARE(run.caption(), QString("Start Tx BER Test"));
    QCOMPARE(run.messages.last().text, QString("Transmit Bit Error Rate Test stopped."));
    QCOMPARE(run.messages.last().icon, MessageSink::Icon::Information);
    QVERIFY(portIsFree());
    QCOMPARE(sim.receivedCount("ATZ\\r"), 1);
    QCOMPARE(sim.receivedCount("AT&T0\\r"), 1);
}

void SimulatedModuleTest::txTestRefusedKeepsStart()
{
    SimOnCom1 sim({"--start", "command", "--reject", "AT&T0"});
    TxRun run;
    QVERIFY(run.toggle());
    QCOMPARE(run.messages.texts(),
             QStringList{"Error communicating with " + kModel + ". The module did not respond correctly.\r\n" + kHint});
    QCOMPARE(run.messages.last().icon, MessageSink::Icon::Error);
    QCOMPARE(run.caption(), QString("Start Tx BER Test"));
    QVERIFY(portIsFree());
    QVERIFY(sim.received("AT&T0\\r"));
}

void SimulatedModuleTest::txTestFailures()
{
    auto module = scriptedModule();
    module->setCts(false);
    TxRun run(scriptedChannels(module));
    QVERIFY(run.toggle());
    QCOMPARE(run.messages.texts(),
             QStringList{"Error communicating with " + kModel + ". The module CTS signal was not detected.\r\n"
                         "Ensure COM port connections are correct, and module is Switched On."});
    QCOMPARE(run.caption(), QString("Start Tx BER Test"));

    // Started, then the module stops answering: the stop fails and the caption stays.
    module->setCts(true);
    QVERIFY(run.toggle());
    QCOMPARE(run.caption(), QString("Stop Tx BER Test"));
    module->answers = false;
    QVERIFY(run.toggle());
    QCOMPARE(run.messages.last().text,
             "Error communicating with " + kModel + ". The module did not respond correctly.\r\n" + kHint);
    QCOMPARE(run.caption(), QString("Stop Tx BER Test"));
    QCOMPARE(module->countWrites("ATZ\r"), 0);
    QCOMPARE(module->openPorts.load(), 0);
}

QTEST_MAIN(SimulatedModuleTest)
#include "SimulatedModuleTest.moc"
