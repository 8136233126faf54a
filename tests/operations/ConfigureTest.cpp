// Configure against the simulated module: the exact command sequence and the
// serial-rate and format changes of both sides.
#include "OperationTestSupport.h"

#include "comm/ModuleChannel.h"
#include "settings/SettingsComparison.h"
#include "support/ScriptedLine.h"

#include <QScopeGuard>
#include <QtTest>

class ConfigureTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!ModemSim::available())
            QSKIP("modem-sim is not built");
    }

    void transparentModeSendsTheWholeList()
    {
        SimOnCom1 sim;
        TestHost host;
        ModuleCommands(host).configure();

        QVERIFY(host.commands[0].startsWith("ATB"));
        QCOMPARE(sim.received(), plainConfigureLines(host.commands));
        QVERIFY2(host.fake.empty(), qPrintable(host.fake.texts().join('|')));
        QCOMPARE(sim.count("IG"), 0);
        QCOMPARE(host.ports, LineSettings{});
        QCOMPARE(host.strayLogLines.load(), 0);
        // Every reply reached the log on the GUI thread, the identification included.
        QVERIFY(host.log.size() >= plainConfigureLines(host.commands).size());
        QVERIFY(host.log.contains("ATI\r\r\n740R-B V1.90\r\n\r\nOK\r\n\r"));
    }

    void bothPacesSendTheSameCommandsInTheSameOrder()
    {
        for (const ReplyPace pace : {ReplyPace::FinalCode, ReplyPace::Silence}) {
            SimOnCom1 sim({"--start", "data"});
            TestHost host;
            host.pace = pace;
            QVERIFY(ModuleCommands(host).configure());
            QList<QByteArray> expected = plainConfigureLines(host.commands);
            expected[0] = "+++";   // on-line: the probe is data to the module, then one escape
            QCOMPARE(sim.received(), expected);
            QVERIFY2(host.fake.empty(), qPrintable(host.fake.texts().join('|')));
        }
    }

    void verifyReadsBackAfterTheStoreInTheSameWake()
    {
        SimOnCom1 sim({"--start", "data"});
        TestHost host;
        const ModuleSettings before = host.model().settings();
        std::optional<ModuleSettings> readBack;
        QVERIFY(ModuleCommands(host).configure(&readBack));
        QList<QByteArray> expected = plainConfigureLines(host.commands);
        expected[0] = "+++";
        expected.insert(expected.size() - 1, "AT&V\r");   // after "AT&W", before "ATZ"
        QCOMPARE(sim.received(), expected);
        QCOMPARE(sim.received().count("+++"), 1);
        QVERIFY(readBack.has_value());
        QVERIFY(compareSettings(host.model().settings(), *readBack, host.variant().radioClass).empty());
        QCOMPARE(host.model().settings(), before);   // the listing is the verify's, not the window's
    }

    void controlledModeSendsTheControlledList()
    {
        SimOnCom1 sim;
        TestHost host;
        host.model().selectMode(OperatingMode::AutoConnectMaster);
        host.model().set(Field::Route0Destination, 17);
        ModuleCommands(host).configure();

        CommandList expected;
        CommandBuilder(host.model().settings(), expected).buildControlled();
        QCOMPARE(host.commands, expected);
        QCOMPARE(sim.received(), plainConfigureLines(expected));
        QVERIFY(sim.received().contains("AT&Z0=17\r"));
        QVERIFY(host.fake.empty());
    }

    void noModeIsRefusedWithoutTouchingTheList()
    {
        TestHost host;
        ModuleSettings s = host.model().settings();
        s.mode = OperatingMode::None;
        host.model().replaceAll(s);
        host.commands[0] = "kept";
        host.log << "old line";
        qputenv("CFG_COM1", "/nonexistent/tty");
        ModuleCommands(host).configure();
        qunsetenv("CFG_COM1");
        QCOMPARE(host.fake.count(), 1);  // no dialog: no port error after it
        QCOMPARE(host.fake.last().text, QStringLiteral("An operating mode must be selected!"));
        QCOMPARE(host.fake.last().icon, MessageSink::Icon::Warning);
        QCOMPARE(host.commands[0], QByteArray("kept"));
        QCOMPARE(host.log.size(), 1);
    }

    void rateChangeGoesFirstAtTheOldRate()
    {
        SimOnCom1 sim;
        TestHost host;
        host.model().set(Field::SerialBaudRate, 6);  // 19200
        ModuleCommands(host).configure();

        const QList<QByteArray> rx = sim.received();
        QVERIFY(rx.size() > 3);
        QCOMPARE(rx[0], QByteArray("\r"));
        QCOMPARE(rx[1], QByteArray("ATC6\r"));
        // The rest went out at 19200, where the module now listens.
        QCOMPARE(rx.mid(2), plainConfigureLines(host.commands));
        QCOMPARE(sim.count("IG"), 0);
        QCOMPARE(host.ports.baudRate, 19200);
        QCOMPARE(host.baudPanel, QStringLiteral("19200"));
        QVERIFY(host.fake.empty());
    }

    void firstBaudItemMovesThePcTo115200()
    {
        SimOnCom1 sim;
        TestHost host;
        host.model().set(Field::SerialBaudRate, 0);
        ModuleCommands(host).configure();
        QCOMPARE(sim.received().value(1), QByteArray("ATC0\r"));
        QCOMPARE(host.ports.baudRate, 115200);
        QCOMPARE(host.baudPanel, QStringLiteral("115200"));
        QCOMPARE(sim.count("IG"), 0);
        QVERIFY(host.fake.empty());
    }

    void nonStandardRateDefersRateAndFormatToTheLastLine()
    {
        SimOnCom1 sim;
        TestHost host;
        host.model().set(Field::SerialBaudRate, 13);  // 93750
        host.model().set(Field::SerialParity, 3);
        ModuleCommands(host).configure();

        const QList<QByteArray> rx = sim.received();
        QCOMPARE(host.commands[1], QByteArray("ATC13"));
        QVERIFY(host.commands[6].startsWith("AT&B"));
        QList<QByteArray> expected{"\r"};
        for (int i = 0; i <= kCommandCount - 2; ++i)
            if (i != 1 && i != 3 && i != 6)
                expected << host.commands[static_cast<std::size_t>(i)] + '\r';
        expected << host.commands[kCommandCount - 1] + '\r' << "\r" << host.commands[3] + '\r' << "ATI\r"
                 << host.commands[1] + host.commands[6] + "AT&WATZ\r";
        QCOMPARE(rx, expected);
        QCOMPARE(host.ports, LineSettings{});  // the PC cannot follow
        QVERIFY(host.fake.empty());
    }

    void parityOddToNoneIsAFormatChange()
    {
        SimOnCom1 sim;
        TestHost host;
        host.ports.parity = Parity::Odd;  // the PC talks odd parity, the module is to have none
        ModuleCommands(host).configure();

        const QList<QByteArray> rx = sim.received();
        QCOMPARE(rx.value(0), QByteArray("\r"));
        QCOMPARE(rx.value(1), QByteArray("AT&B2\r"));  // 1 stop bit, 8 data bits, no parity
        QCOMPARE(rx.mid(2), plainConfigureLines(host.commands));
        QCOMPARE(host.ports.parity, Parity::None);
        QCOMPARE(host.formatPanel, QStringLiteral("N-8-1"));
        QVERIFY(host.displayCalls > 0);
        QVERIFY(host.fake.empty());
    }

    void quietModuleGetsStoreAndResetWithoutIdentification()
    {
        SimOnCom1 sim;
        TestHost host;
        host.model().set(Field::ResponseCodesOff, 1);
        ModuleCommands(host).configure();

        QCOMPARE(host.commands[3], QByteArray("ATQ1"));
        QList<QByteArray> expected = plainConfigureLines(host.commands);
        expected.removeAll("ATI\r");
        QCOMPARE(sim.received(), expected);
        QVERIFY2(host.fake.empty(), qPrintable(host.fake.texts().join('|')));
    }

    void quietConfigureWhoseWritesFailIsAnError()
    {
        // A module that answers everything, on a port whose writes fail once "AT&M0" is out.
        auto state = std::make_shared<ScriptedLine>();
        ScriptedLine *line = state.get();
        state->module = [line](const QByteArray &written) {
            if (written.startsWith("AT&M0"))
                line->writeSucceeds = false;
            return QByteArray("\r\nOK\r\n");
        };
        const PortLayerFactory previous = setPortLayerFactory([state] { return testPort(state); });
        auto restore = qScopeGuard([&] { setPortLayerFactory(previous); });

        TestHost host;
        host.model().set(Field::ResponseCodesOff, 1);
        ModuleCommands(host).configure();

        QCOMPARE(host.commands[kCommandCount - 1], QByteArray("AT&M0"));
        QCOMPARE(state->writes.back(), QByteArray("AT&M0\r"));  // nothing went out after it
        QVERIFY(host.fake.count() >= 2);
        const auto error = host.fake.at(host.fake.count() - 2);
        QCOMPARE(error.text, QStringLiteral("Error communicating with 740R-B. The module did not respond correctly."));
        QCOMPARE(error.icon, MessageSink::Icon::Error);
        // The reset that would undo the half-applied list could not reach the module either.
        QCOMPARE(host.fake.last().text, QStringLiteral("Nothing was stored, the module could not be reset."));
    }

    void refusedXonXoffStopsBeforeTheStore()
    {
        SimOnCom1 sim({"--start", "command", "--reject", "AT&K5"});
        TestHost host;
        host.model().set(Field::FlowControl, 3);  // XON/XOFF
        host.model().set(Field::ResponseCodesOff, 0);
        ModuleCommands(host).configure();

        QCOMPARE(host.commands[11], QByteArray("AT&K5"));
        const QList<QByteArray> rx = sim.received();
        // The refusal ends the list; the reset drops what went before it.
        QCOMPARE(rx.last(), QByteArray("ATZ\r"));
        QCOMPARE(rx.at(rx.size() - 2), QByteArray("AT&K5\r"));
        QVERIFY(!rx.contains("AT&W\r"));
        QCOMPARE(host.fake.count(), 2);
        QCOMPARE(host.fake.at(0).text,
                 QStringLiteral("Error programming XON/XOFF flow control. This parameter is not supported by the "
                                "module firmware."));
        QCOMPARE(host.fake.at(0).icon, MessageSink::Icon::Error);
        QCOMPARE(host.fake.at(0).buttons, MessageSink::Buttons::Ok);
        QCOMPARE(host.fake.last().text, QStringLiteral("Nothing was stored, the module was reset."));
    }

    void failureWithResponseCodesOffWarnsFirst()
    {
        SimOnCom1 sim({"--start", "command", "--reject", "ATS7="});
        TestHost host;
        host.model().set(Field::ResponseCodesOff, 1);
        ModuleCommands(host).configure();

        QVERIFY(!sim.received().contains("AT&W\r"));
        QCOMPARE(host.fake.count(), 3);
        QCOMPARE(host.fake.at(2).text, QStringLiteral("Nothing was stored, the module was reset."));
        QCOMPARE(host.fake.at(0).text,
                 QStringLiteral("\"Disable Response Codes\" is selected, if this parameter is already set in the "
                                "modem\n\rthen you need to restore factory defaults (switch 2) on the modem before "
                                "configuring."));
        QCOMPARE(host.fake.at(0).icon, MessageSink::Icon::Warning);
        QCOMPARE(host.fake.at(1).text,
                 QStringLiteral("Error communicating with 740R-B. The module did not respond correctly."));
        QCOMPARE(host.fake.at(1).icon, MessageSink::Icon::Error);
    }

    void s21WarningDuringConfigureFollowsTheFirmware()
    {
        for (const char *firmware : {"1.89", "1.90"}) {
            SimOnCom1 sim({"--start", "command", "--firmware", firmware});
            TestHost host;
            host.model().set(Field::RadioSignature, 2);
            ModuleCommands(host).configure();
            QCOMPARE(host.heldPriorS21, 2);
            if (QByteArray(firmware) == "1.89") {
                QCOMPARE(host.fake.count(), 1);
                QCOMPARE(host.fake.last().icon, MessageSink::Icon::Warning);
                QVERIFY(host.fake.last().text.startsWith(
                    QStringLiteral("The connected module firmware version does not support \"Radio Message")));
            } else {
                QVERIFY(host.fake.empty());
            }
            QVERIFY(sim.received().contains("AT&W\r"));
        }
    }
};

QTEST_MAIN(ConfigureTest)
#include "ConfigureTest.moc"
