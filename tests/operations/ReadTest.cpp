// Read and restore against the simulated module, and the end of a read: listing,
// identification, firmware check, reset.
#include "OperationTestSupport.h"
#include "operations/ModuleIdentity.h"

#include "comm/ModuleChannel.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

namespace {
const QString kBadReply = QStringLiteral("Error communicating with 740R-B. The module did not respond correctly.");

// Settings that differ from both the defaults and the module's factory listing.
void editSomething(SettingsModel &m)
{
    m.selectMode(OperatingMode::SingleConnect);
    m.set(Field::PacketSize, 100);
    m.set(Field::Route2Destination, 33);
    m.set(Field::RadioSignature, 2);
}
}  // namespace

class ReadTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!ModemSim::available())
            QSKIP("modem-sim is not built");
    }

    // --- the pure parts of the identification -----------------------------------

    void identificationLine_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("identification");
        QTest::newRow("echo and OK") << QByteArray("ATI\r\r\n740R-B V1.90\r\n\r\nOK\r\n") << "740R-B V1.90";
        QTest::newRow("at the start") << QByteArray("40R-B V2.01\r\n") << "40R-B V2.01";
        QTest::newRow("no CR LF") << QByteArray("\r\n740R-B V1.90\r") << "";
        QTest::newRow("another model") << QByteArray("ATI\r\r\n620R V1.20\r\nOK\r\n") << "620R V1.20";
    }
    void identificationLine()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, identification);
        QCOMPARE(::identificationLine(reply), identification);
    }

    void firmwareVersion()
    {
        QCOMPARE(::firmwareVersion("740R-B V1.89", RadioClass::Class740), 1.89);
        QCOMPARE(::firmwareVersion("740R-B V1.9x", RadioClass::Class740), 1.9);
        QCOMPARE(::firmwareVersion("740R-B V1.90", RadioClass::Class620), 0.0);
        QCOMPARE(::firmwareVersion("740R-B", RadioClass::Class740), 0.0);
        QCOMPARE(::firmwareVersion("740R-B V", RadioClass::Class740), 0.0);
        QCOMPARE(::firmwareVersion("740R-B V1.2.3", RadioClass::Class740), 0.0);
        QCOMPARE(::firmwareVersion("", RadioClass::Class740), 0.0);
    }

    void s21WarningBoundaries()
    {
        struct Case {
            const char *id;
            int priorS21;
            const char *exe;
            bool warns;
        };
        const Case cases[] = {
            {"740R-B V1.89", 1, "Cfg_740RB", true},  {"740R-B V1.90", 1, "Cfg_740RB", false},
            {"740R-B V1.9", 3, "Cfg_740RB", false},  {"740R-B V1.00", 0, "Cfg_740RB", false},
            {"", 1, "Cfg_740RB", true},              {"740R-B V1.10", 1, "Cfg_620R", false},
        };
        for (const Case &c : cases) {
            TestHost host(QString::fromLatin1(c.exe));
            if (const auto warning = radioSignatureWarning(QString::fromLatin1(c.id), c.priorS21,
                                                           host.variant().radioClass))
                host.fake.show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok, *warning);
            QCOMPARE(host.fake.count(), c.warns ? 1 : 0);
            if (c.warns) {
                QCOMPARE(host.fake.last().icon, MessageSink::Icon::Warning);
                QCOMPARE(host.fake.last().buttons, MessageSink::Buttons::Ok);
                QCOMPARE(host.fake.last().text,
                         QStringLiteral("The connected module firmware version does not support \"Radio Message "
                                        "Signature\" adjustment.\n\rThe Radio Message Signature in the connected "
                                        "module is fixed to 0.\n\rEnsure ALL 740R-B that communicate with the "
                                        "connected module MUST have S21 = 0.\n\rConsult the 740R-B user manual for "
                                        "further information"));
            }
        }
    }

    // --- read -----------------------------------------------------------------------

    void readBringsTheListingIntoTheSettings()
    {
        SimOnCom1 sim;
        TestHost host;
        editSomething(host.model());
        ModuleCommands(host).read();

        QCOMPARE(sim.received(), (QList<QByteArray>{"\r", "AT&V\r", "ATI\r", "ATZ\r"}));
        QVERIFY2(host.fake.empty(), qPrintable(host.fake.texts().join('|')));
        const ModuleSettings &s = host.model().settings();
        QCOMPARE(s.mode, OperatingMode::Transparent);  // the factory module's mode
        QCOMPARE(s[Field::DefaultSystemAddress], 100);
        QCOMPARE(s[Field::Route0Destination], 2);
        QCOMPARE(s[Field::Route2Destination], 0);
        QCOMPARE(s[Field::RadioSignature], 1);
        QCOMPARE(host.heldPriorS21, 2);  // the value kept through the defaults
        QCOMPARE(host.status, QStringLiteral("740R-B V1.90"));
        QVERIFY(host.log.size() >= 4);
        QVERIFY(host.log[1].contains("&Z3="));
        QCOMPARE(host.strayLogLines.load(), 0);
        QVERIFY(host.repaints > 0);
    }

    void cutListingLeavesTheSettingsAlone()
    {
        SimOnCom1 sim({"--start", "command", "--omit-key", "&Z3="});
        TestHost host;
        editSomething(host.model());
        const ModuleSettings before = host.model().settings();
        ModuleCommands(host).read();

        QCOMPARE(sim.received(), (QList<QByteArray>{"\r", "AT&V\r"}));
        QCOMPARE(host.fake.count(), 1);
        // The listing ends at its "OK": it came whole, and its parse names what is missing.
        QVERIFY(host.fake.last().text != kBadReply);
        QCOMPARE(host.fake.last().icon, MessageSink::Icon::Error);
        QCOMPARE(host.model().settings(), before);
        QCOMPARE(host.status, QString());
    }

    void conversionFailureSkipsIdentificationAndKeepsTheSettings()
    {
        SimOnCom1 sim({"--start", "command", "--omit-key", "S14:"});
        TestHost host;
        editSomething(host.model());
        const ModuleSettings before = host.model().settings();
        ModuleCommands(host).read();

        QCOMPARE(sim.received(), (QList<QByteArray>{"\r", "AT&V\r"}));  // no "ATI", no "ATZ"
        QCOMPARE(host.fake.count(), 1);
        QCOMPARE(host.fake.last().icon, MessageSink::Icon::Error);
        QVERIFY(host.fake.last().text != kBadReply);
        QCOMPARE(host.model().settings(), before);
    }

    void s21WarningOnReadFollowsTheFirmware()
    {
        for (const char *firmware : {"1.89", "1.90"}) {
            SimOnCom1 sim({"--start", "command", "--firmware", firmware});
            TestHost host;
            host.model().set(Field::RadioSignature, 1);
            ModuleCommands(host).read();
            QCOMPARE(host.fake.count(), QByteArray(firmware) == "1.89" ? 1 : 0);
            QCOMPARE(host.status, QStringLiteral("740R-B V") + QLatin1String(firmware));
        }
    }

    void resetWithoutAnswerIsSilentWhenEchoIsOff()
    {
        // No echo and no result codes: "ATZ" gets nothing back.
        QTemporaryDir dir;
        const std::string state = dir.filePath("state").toStdString();
        std::ofstream(state) << "E=0\nQ=1\n";
        SimOnCom1 sim({"--start", "command", "--state", state});
        TestHost host;
        ModuleCommands(host).read();
        QVERIFY(host.model().settings().flag(Field::EchoOff));
        // The wake gets no answer either and goes through its two escape sequences.
        QCOMPARE(sim.received(), (QList<QByteArray>{"\r", "+++", "+++", "AT&V\r", "ATI\r", "ATZ\r"}));
        QCOMPARE(host.status, QStringLiteral("740R-B V1.90"));
        QVERIFY2(host.fake.empty(), qPrintable(host.fake.texts().join('|')));
    }

    void lostLineAtTheResetIsReportedWhenEchoIsOn()
    {
        // The line goes away once "ATI" has been answered.
        SimOnCom1 sim({"--start", "command", "--hangup-after", "3"});
        TestHost host;
        ModuleCommands(host).read();
        QVERIFY(!host.model().settings().flag(Field::EchoOff));
        QCOMPARE(host.status, QStringLiteral("740R-B V1.90"));
        QCOMPARE(host.model().get(Field::Route0Destination), 2);  // the listing stays applied
        QCOMPARE(host.fake.count(), 1);
        QCOMPARE(host.fake.last().icon, MessageSink::Icon::Error);
        QCOMPARE(host.fake.last().text,
                 QStringLiteral("Error communicating with 740R-B. The module CTS signal was not detected.\r\n"
                                "Ensure COM port connections are correct, and module is Switched On."));
    }

    void refusedIdentificationIsReportedWithTheModelName()
    {
        SimOnCom1 sim({"--start", "command", "--reject", "ATI"});
        TestHost host(QStringLiteral("KMA 410D"));
        ModuleCommands(host).read();
        QCOMPARE(sim.received(), (QList<QByteArray>{"\r", "AT&V\r", "ATI\r"}));
        QCOMPARE(host.fake.count(), 1);
        QCOMPARE(host.fake.last().text,
                 QStringLiteral("Error communicating with ") + host.variant().modelName +
                     QStringLiteral(". The module did not respond correctly.\r\n"
                                    "Ensure COM port settings are correct, and module is Switched On.\r\n"
                                    "(Hint: Set Switch 2 on module to restore factory defaults.)"));
        QCOMPARE(host.status, QString());
    }

    void portThatCannotOpenIsReported()
    {
        TestHost host;
        qputenv("CFG_COM1", "/nonexistent/tty");
        ModuleCommands(host).read();
        qunsetenv("CFG_COM1");
        QCOMPARE(host.fake.count(), 1);
        const QStringList lines = host.fake.last().text.split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("COM1- This port may be already in use or not present."));
        QVERIFY(lines.value(1).startsWith(QStringLiteral("/nonexistent/tty does not exist.")));
    }

    void unknownKindOnlyShowsAndClosesTheDialog()
    {
        TestHost host;
        qputenv("CFG_COM1", "/nonexistent/tty");
        QVERIFY(!ModuleCommands(host).showProgress(static_cast<OperationKind>(3)));
        qunsetenv("CFG_COM1");
        QVERIFY(host.fake.empty());  // the port was never opened
        QVERIFY(!visibleProgressForm());
    }

    // --- restore ----------------------------------------------------------------------

    void restoreMovesThePcTo9600AndReads()
    {
        QTemporaryDir dir;
        const std::string state = dir.filePath("state").toStdString();
        std::ofstream(state) << "C=6\nS20=77\n";  // the module talks 19200
        SimOnCom1 sim({"--start", "command", "--state", state});
        TestHost host;
        host.ports.baudRate = 19200;
        host.ports.parity = Parity::Even;
        host.ports.dataBits = 7;
        host.ports.port = QStringLiteral("COM1");
        host.fake.answer(MessageSink::Answer::Yes);
        ModuleCommands(host).restoreFactoryDefaults();

        QCOMPARE(host.fake.count(), 1);
        QCOMPARE(host.fake.at(0).text,
                 QStringLiteral("This option will delete all existing configuration data\r\nand restore factory "
                                "defaults to the modem. Continue?"));
        QCOMPARE(host.fake.at(0).buttons, MessageSink::Buttons::YesNoDefaultNo);  // Enter answers No
        QCOMPARE(host.fake.at(0).icon, MessageSink::Icon::Warning);
        QCOMPARE(sim.received(), (QList<QByteArray>{"\r", "AT&F&W\r", "\r", "AT&V\r", "ATI\r", "ATZ\r"}));
        QCOMPARE(sim.count("IG"), 0);
        QCOMPARE(host.ports, LineSettings{});
        QCOMPARE(host.baudPanel, QStringLiteral("9600"));
        QCOMPARE(host.formatPanel, QStringLiteral("N-8-1"));
        QCOMPARE(host.model().get(Field::SerialBaudRate), 4);
        QCOMPARE(host.model().get(Field::DefaultSystemAddress), 100);
    }

    void restoreAnsweredNoDoesNothing()
    {
        SimOnCom1 sim;
        TestHost host;
        host.fake.answer(MessageSink::Answer::No);
        ModuleCommands(host).restoreFactoryDefaults();
        QCOMPARE(host.fake.count(), 1);
        QVERIFY(sim.received().isEmpty());
    }
};

QTEST_MAIN(ReadTest)
#include "ReadTest.moc"
