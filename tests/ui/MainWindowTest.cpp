// The main window as a view of the settings model: start-up state, mode panels,
// numeric fields, status row, log pane and commands.
#include "settings/ProductVariant.h"
#include "settings/SerialParams.h"
#include "settings/SettingsModel.h"
#include "tests/support/MainWindowFixture.h"
#include "ui/ChoiceGroup.h"
#include "ui/MainWindow.h"
#include "ui/SpinField.h"
#include "ui/StatusRow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>
#include <thread>

using Answer = MessageSink::Answer;

class MainWindowTest : public MainWindowFixture {
    Q_OBJECT

private:
    void start(const QString &exeName) { startForm(exeName); }
    // In front: the widget and every panel above it shown.
    bool visible(const char *name) const { return get<QWidget>(name)->isVisibleTo(form.get()); }
    // Not hidden by the window's rules (its tab page may be behind another).
    bool shown(const char *name) const { return !get<QWidget>(name)->isHidden(); }

private slots:
    void cleanup() { closeForm(); }

    void startUpState740()
    {
        start(QStringLiteral("Cfg_740RB"));
        QCOMPARE(statusBar("StatusBar_Com"), QStringLiteral("COM1"));
        QCOMPARE(statusBar("StatusBar_Baud"), QStringLiteral("9600"));
        QCOMPARE(statusBar("StatusBar_Format"), QStringLiteral("N-8-1"));
        QCOMPARE(form->statusText(), QString());
        QCOMPARE(form->windowTitle(), QStringLiteral("740R-B Configuration"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("740R-B Configuration"));
        QVERIFY(get<QRadioButton>("rb_TransMode")->isChecked());
        QCOMPARE(form->model().mode(), OperatingMode::Transparent);
        QVERIFY(visible("TransModeGB"));
        QVERIFY(!visible("BlankModeGB"));
        QVERIFY(!visible("ed_TM_GrpAdd2"));
        QVERIFY(!visible("lbl_TM_GrpAdd2"));

        auto *sReg = get<QTabWidget>("SReg_PageControl");
        QCOMPARE(sReg->tabText(3), QStringLiteral("S18 - S21"));
        QVERIFY(shown("sreg_21"));
        QVERIFY(shown("chk_CM_Fast"));
        QVERIFY(shown("lbl_CM_FastNote"));
        QCOMPARE(get<ChoiceGroup>("Radio_DataRate")->items(),
                 QStringList({"19200", "57600", "115200"}));
        QCOMPARE(get<QTabWidget>("Settings_PageControl")->currentIndex(), 0);
        QCOMPARE(sReg->currentIndex(), 0);

        // The defaults shown, mirrors equal, no question asked on the way.
        QVERIFY(messages->empty());
        QCOMPARE(spin("sreg_18")->text(), QStringLiteral("120"));
        QCOMPARE(spin("sreg_19")->text(), QStringLiteral("5"));
        QCOMPARE(spin("ed_TM_SysAdd")->text(), spin("ed_CM_SysAdd")->text());
        const int sysAdd = spin("ed_TM_SysAdd")->value();
        QVERIFY(sysAdd >= 1 && sysAdd <= 254);
        QCOMPARE(spin("Radio_PackSize")->text(), QStringLiteral("530"));
        QVERIFY(get<QCheckBox>("Modbus_CheckBox")->isChecked());
        QCOMPARE(get<QComboBox>("Serial_Baud")->currentText(), QStringLiteral("9600"));
        QCOMPARE(get<QComboBox>("Serial_Flow")->currentText(), QStringLiteral("RS-485"));
        QCOMPARE(get<ChoiceGroup>("Serial_DCD")->itemIndex(), 1);
        QCOMPARE(form->lineSettings(), LineSettings{});
        QVERIFY(form->logText().isEmpty());

        // The designed client area below the menu bar; the window resizes from there.
        QCOMPARE(get<QWidget>("ClientArea")->size(), QSize(625, 392));
        QVERIFY(form->minimumSize() != form->maximumSize());
        QVERIFY(form->windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    }

    void startUpState620()
    {
        start(QStringLiteral("KMA 410D-868"));
        QCOMPARE(form->windowTitle(), QStringLiteral("KMA 410D Configuration (868 MHz)"));
        QCOMPARE(get<QTabWidget>("SReg_PageControl")->tabText(3), QStringLiteral("S18 - S20"));
        QVERIFY(!shown("sreg_21"));
        QVERIFY(!shown("chk_CM_Fast"));
        QVERIFY(!shown("lbl_CM_FastNote"));
        QCOMPARE(get<ChoiceGroup>("Radio_DataRate")->items(), QStringList({"19200", "38400", "76800"}));
        QCOMPARE(spin("sreg_18")->text(), QStringLiteral("129"));
    }

    void statusRowMenus()
    {
        start(QStringLiteral("Cfg_740RB"));
        auto *com = get<StatusPanel>("StatusBar_Com");
        QCOMPARE(com->cursor().shape(), Qt::PointingHandCursor);
        QStringList comItems;
        for (QAction *a : com->menu()->actions())
            comItems << a->text();
        QCOMPARE(comItems, QStringList({"COM&1", "COM&2", "COM&3", "COM&4", "COM&5", "COM&6", "COM&7",
                                        "COM&8"}));
        com->menu()->actions().at(3)->trigger();
        QCOMPARE(com->text(), QStringLiteral("COM4"));
        QCOMPARE(com->accessibleName(), QStringLiteral("COM4"));
        QCOMPARE(form->lineSettings().port, QStringLiteral("COM4"));

        action("puO72")->trigger();
        QCOMPARE(statusBar("StatusBar_Format"), QStringLiteral("O-7-2"));
        QCOMPARE(form->lineSettings().parity, Parity::Odd);
        QCOMPARE(form->lineSettings().dataBits, 7);
        QCOMPARE(form->lineSettings().stopBits, 2);
        action("puE71")->trigger();
        QCOMPARE(statusBar("StatusBar_Format"), QStringLiteral("E-7-1"));
        QCOMPARE(action("puN81")->text(), QStringLiteral("N-8-1 (parity, databits, stopbits)"));
        action("puN81")->trigger();
        QCOMPARE(statusBar("StatusBar_Format"), QStringLiteral("N-8-1"));

        auto *baud = get<StatusPanel>("StatusBar_Baud");
        QStringList rates, disabled;
        for (QAction *a : baud->menu()->actions()) {
            rates << a->text();
            if (!a->isEnabled())
                disabled << a->text();
        }
        QCOMPARE(rates, QStringList({"1200", "2400", "4800", "9600", "14400", "19200", "28800", "31250", "38400",
                                     "57600", "76800", "115200", "93750"}));
        QCOMPARE(disabled, QStringList({"31250", "76800", "93750"}));
#ifdef _WIN32
        QCOMPARE(action("br31250")->toolTip(), QStringLiteral("Data Rate not Supported by Windows"));
#else
        // Only Windows is to blame on Windows.
        QVERIFY(!action("br31250")->toolTip().contains(QStringLiteral("Windows")));
#endif
        action("br115200")->trigger();
        QCOMPARE(baud->text(), QStringLiteral("115200"));
        QCOMPARE(form->lineSettings().baudRate, 115200);
        QVERIFY(action("br115200")->isChecked());
        action("br1200")->trigger();
        QCOMPARE(form->lineSettings().baudRate, 1200);
        // A disabled item cannot be chosen; 93750 would change nothing anyway.
        action("br93750")->trigger();
        QCOMPARE(baud->text(), QStringLiteral("1200"));

        QTest::mousePress(com, Qt::RightButton);
        QTRY_VERIFY(com->menu()->isVisible());
        com->menu()->close();
        QTest::mousePress(get<StatusPanel>("StatusBar_Status"), Qt::LeftButton);  // no menu, nothing happens
    }

    // The rate menu and the module's rate choice both come from the module's rate list.
    void rateChoicesFollowTheRateList()
    {
        start(QStringLiteral("Cfg_740RB"));
        const QList<QAction *> items = get<StatusPanel>("StatusBar_Baud")->menu()->actions();
        const std::vector<ModuleRate> rates = distinctModuleRates();
        QCOMPARE(items.size(), qsizetype(rates.size()));
        for (std::size_t i = 0; i < rates.size(); ++i) {
            const QAction *a = items.at(qsizetype(i));
            QCOMPARE(a->text(), QString::number(rates[i].bitsPerSecond));
            QCOMPARE(a->isEnabled(), rates[i].pcFollows);
            QCOMPARE(a->isCheckable(), baudRateIndex(rates[i].bitsPerSecond) >= 0);
        }
        // The one checked is the current rate, however it was set.
        const auto checked = [&items] {
            QStringList texts;
            for (const QAction *a : items)
                if (a->isChecked())
                    texts << a->text();
            return texts;
        };
        QCOMPARE(checked(), QStringList{QStringLiteral("9600")});
        form->lineSettings().baudRate = 57600;
        form->showLineSettings();
        QCOMPARE(checked(), QStringList{QStringLiteral("57600")});
        // The module at a rate the PC has: the PC follows and the menu with it.
        form->model().set(Field::SerialBaudRate, 0);
        form->followModuleSerialSettings();
        QCOMPARE(checked(), QStringList{QStringLiteral("115200")});
        // At 93750 the PC keeps its rate.
        form->model().set(Field::SerialBaudRate, 13);
        form->followModuleSerialSettings();
        QCOMPARE(checked(), QStringList{QStringLiteral("115200")});
        QCOMPARE(statusBar("StatusBar_Baud"), QStringLiteral("115200"));

        QStringList moduleItems;
        for (const ModuleRate &r : moduleRates())
            moduleItems << QString::number(r.bitsPerSecond);
        auto *serialBaud = get<QComboBox>("Serial_Baud");
        QCOMPARE(serialBaud->count(), int(moduleItems.size()));
        for (int i = 0; i < serialBaud->count(); ++i)
            QCOMPARE(serialBaud->itemText(i), moduleItems.at(i));
    }

    void typedValueIsClampedAndMirrored()
    {
        start(QStringLiteral("Cfg_740RB"));
        SpinField *pack = spin("Radio_PackSize");
        type(pack, QStringLiteral("600"));
        QCOMPARE(pack->text(), QStringLiteral("600"));  // kept while edited
        QCOMPARE(pack->value(), 600);                   // reading does not clamp
        leaveTo(get<QWidget>("Radio_TxHold"));
        QCOMPARE(pack->text(), QStringLiteral("530"));
        QCOMPARE(spin("sreg_14")->text(), QStringLiteral("530"));
        QCOMPARE(form->model().get(Field::PacketSize), 530);
        QVERIFY(messages->empty());  // the packet size did not change: no question

        // A new packet size goes to the mirror and offers to recompute the thresholds.
        messages->answer(Answer::Yes);
        type(pack, QStringLiteral("100"));
        leaveTo(get<QWidget>("Radio_TxHold"));
        QCOMPARE(spin("sreg_14")->text(), QStringLiteral("100"));
        QCOMPARE(messages->count(), 1);
        QCOMPARE(messages->last().text, SettingsModel::kAskAdjustThresholds);
        QCOMPARE(messages->last().icon, MessageSink::Icon::Question);
        QCOMPARE(spin("sreg_18")->value(), form->model().get(Field::RxBufferThreshold));

        // And the other way round, from the S-register page.
        type(spin("sreg_16"), QStringLiteral("999"));
        leaveTo(spin("sreg_17"));
        QCOMPARE(spin("sreg_16")->text(), QStringLiteral("255"));
        QCOMPARE(spin("Radio_TxHold")->text(), QStringLiteral("255"));
        QCOMPARE(form->model().get(Field::TxHoldOff), 255);
    }

    void nonNumericTextReadsAsMinimum()
    {
        start(QStringLiteral("Cfg_740RB"));
        SpinField *guard = spin("sreg_1");
        type(guard, QStringLiteral("abc"));
        QCOMPARE(guard->value(), 60);
        leaveTo(spin("sreg_2"));
        QCOMPARE(guard->text(), QStringLiteral("60"));
        QCOMPARE(form->model().get(Field::EscapeGuardTime), 60);

        type(spin("sreg_0"), QStringLiteral("-5"));
        leaveTo(spin("sreg_2"));
        QCOMPARE(spin("sreg_0")->text(), QStringLiteral("0"));
        type(spin("sreg_0"), QStringLiteral(" 42 "));
        leaveTo(spin("sreg_2"));
        QCOMPARE(form->model().get(Field::AnswerAttempts), 42);
    }

    void commitEditLeavesTheField()
    {
        start(QStringLiteral("Cfg_740RB"));
        SpinField *pack = spin("Radio_PackSize");
        type(pack, QStringLiteral("20000"));
        QCOMPARE(form->editedField(), pack);
        form->commitEdit();
        QCOMPARE(form->editedField(), nullptr);
        QVERIFY(get<QToolBar>("ToolBar")->hasFocus());
        QCOMPARE(pack->text(), QStringLiteral("530"));

        // Without an active window no focus-out comes; the field is left all the same.
        type(spin("sreg_8"), QStringLiteral("300"));
        QApplication::setActiveWindow(nullptr);
        form->commitEdit();
        QCOMPARE(spin("sreg_8")->text(), QStringLiteral("255"));
        QCOMPARE(form->model().get(Field::TestTimer), 255);
    }

    void modeSwitchingShowsTheRightPanels()
    {
        start(QStringLiteral("Cfg_740RB"));
        auto *advancedStack = get<QWidget>("AutoConnectPanel")->parentWidget();
        auto *stack = qobject_cast<QStackedWidget *>(advancedStack);
        QVERIFY(stack);
        auto destVisible = [this](int n) {
            return !form->findChild<QGroupBox *>(QStringLiteral("Z%1_GroupBox").arg(n))->isHidden();
        };
        auto grey = [](SpinField *f) {
            return f->palette().color(QPalette::Base) == f->palette().color(QPalette::Button);
        };

        get<QRadioButton>("rb_CM_Slave")->click();
        QCOMPARE(form->model().mode(), OperatingMode::AutoConnectSlave);
        QVERIFY(visible("ContModeGB"));
        QVERIFY(!visible("TransModeGB"));
        QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("AutoConnectPanel"));
        QVERIFY(!destVisible(0) && !destVisible(1) && !destVisible(2) && !destVisible(3));
        QCOMPARE(spin("ed_CM_UnitAdd")->text(), QStringLiteral("2"));
        QCOMPARE(spin("Z0_Dest")->text(), QStringLiteral("0"));
        QVERIFY(grey(spin("ed_CM_LinkChk")) && grey(spin("ed_CM_LinkRst")));
        QVERIFY(spin("ed_CM_LinkChk")->isEnabled());

        get<QRadioButton>("rb_ContMode")->click();
        QVERIFY(destVisible(0) && !destVisible(1) && !destVisible(2) && !destVisible(3));
        QCOMPARE(spin("ed_CM_UnitAdd")->text(), QStringLiteral("1"));
        QCOMPARE(spin("Z0_Dest")->text(), QStringLiteral("2"));
        QVERIFY(!grey(spin("ed_CM_LinkChk")) && !grey(spin("ed_CM_LinkRst")));

        get<QRadioButton>("rb_CM_Single")->click();
        QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("SingleConnectPanel"));
        QVERIFY(destVisible(0) && destVisible(1) && destVisible(2) && destVisible(3));

        get<QRadioButton>("rb_TM_Rpt")->click();
        QCOMPARE(form->model().mode(), OperatingMode::TransparentRepeater);
        QVERIFY(visible("TransModeGB"));
        QVERIFY(visible("ed_TM_GrpAdd2") && visible("lbl_TM_GrpAdd2"));
        QVERIFY(spin("ed_TM_GrpAdd2")->isEnabled());
        get<QRadioButton>("rb_TransMode")->click();
        QVERIFY(!visible("ed_TM_GrpAdd2"));
        QVERIFY(!spin("ed_TM_GrpAdd2")->isEnabled());

        // A mode chosen by the program shows the same way.
        form->model().selectMode(OperatingMode::SingleConnect);
        QVERIFY(get<QRadioButton>("rb_CM_Single")->isChecked());
        QVERIFY(visible("ContModeGB"));
        QVERIFY(messages->empty());
    }

    void fastOperationLimitsTheUnitAddress()
    {
        start(QStringLiteral("Cfg_740RB"));
        get<QRadioButton>("rb_ContMode")->click();
        SpinField *unit = spin("ed_CM_UnitAdd");
        type(unit, QStringLiteral("100"));
        leaveTo(spin("ed_CM_SysAdd"));
        QCOMPARE(unit->text(), QStringLiteral("100"));

        get<QCheckBox>("chk_CM_Fast")->click();  // PLC mode asks about the thresholds: default Yes
        QCOMPARE(unit->text(), QStringLiteral("15"));
        QCOMPARE(unit->maximum(), 15);
        type(unit, QStringLiteral("90"));
        leaveTo(spin("ed_CM_SysAdd"));
        QCOMPARE(unit->text(), QStringLiteral("15"));

        get<QCheckBox>("chk_CM_Fast")->click();
        QCOMPARE(unit->maximum(), 127);
        QCOMPARE(unit->text(), QStringLiteral("15"));
        type(unit, QStringLiteral("127"));
        leaveTo(spin("ed_CM_SysAdd"));
        QCOMPARE(unit->text(), QStringLiteral("127"));
        QCOMPARE(messages->countOf(SettingsModel::kAskAdjustThresholds), 2);
    }

    void plcBoxAsksAndFollowsTheAnswer()
    {
        start(QStringLiteral("Cfg_740RB"));
        auto *plc = get<QCheckBox>("Modbus_CheckBox");
        messages->answer(Answer::No);
        plc->click();
        QCOMPARE(messages->last().text, SettingsModel::kAskClearThresholds);
        QCOMPARE(messages->last().text, QStringLiteral("Threshold registers S18 & S19 will be cleared continue?"));
        QVERIFY(plc->isChecked());
        QCOMPARE(spin("sreg_18")->text(), QStringLiteral("120"));

        messages->answer(Answer::Yes);
        plc->click();
        QVERIFY(!plc->isChecked());
        QCOMPARE(spin("sreg_18")->text(), QStringLiteral("0"));
        QCOMPARE(spin("sreg_19")->text(), QStringLiteral("0"));

        messages->answer(Answer::No);
        plc->click();
        QCOMPARE(messages->last().text, SettingsModel::kAskEnableThresholds);
        QVERIFY(!plc->isChecked());

        // Typing a threshold switches PLC mode on without a question.
        const int asked = messages->count();
        type(spin("sreg_19"), QStringLiteral("7"));
        leaveTo(spin("sreg_20"));
        QVERIFY(plc->isChecked());
        QCOMPARE(messages->count(), asked);
    }

    void dropDownsRunTheirRuleOnUserChoiceOnly()
    {
        start(QStringLiteral("Cfg_740RB"));
        auto *baud = get<QComboBox>("Serial_Baud");
        QCOMPARE(baud->count(), 14);
        form->model().set(Field::SerialBaudRate, 8);  // the program: shown, no message
        QCOMPARE(baud->currentText(), QStringLiteral("31250"));
        QVERIFY(messages->empty());

        messages->answer({Answer::Ok, Answer::No});
        baud->setCurrentIndex(13);
        emit baud->activated(13);  // as a pick from the list does
        QCOMPARE(messages->count(), 2);
        QCOMPARE(messages->at(0).text, SettingsModel::kUnsupportedBaudText);
        QCOMPARE(messages->at(0).icon, MessageSink::Icon::Information);
        QCOMPARE(messages->at(1).text, SettingsModel::kAskAdjustThresholds);
        QCOMPARE(form->model().get(Field::SerialBaudRate), 13);

        // A user change of the DTR choice changes nothing else.
        get<ChoiceGroup>("Serial_DTR")->setItemIndex(3);
        QCOMPARE(form->model().get(Field::DtrControl), 3);
        QVERIFY(!get<QCheckBox>("chk_CM_LowPow")->isChecked());
        // Low Power Mode switches DTR to 3 and back to the remembered choice.
        get<ChoiceGroup>("Serial_DTR")->setItemIndex(1);
        get<QCheckBox>("chk_CM_LowPow")->setChecked(true);
        QCOMPARE(get<ChoiceGroup>("Serial_DTR")->itemIndex(), 3);
        get<QCheckBox>("chk_CM_LowPow")->setChecked(false);
        QCOMPARE(get<ChoiceGroup>("Serial_DTR")->itemIndex(), 0);
    }

    void receiveDataLogsAndKeepsTheListing()
    {
        start(QStringLiteral("Cfg_740RB"));
        // The module's line ends show as breaks, without the empty lines around replies.
        form->receiveData("\r\nOK\r\n", 6);
        QCOMPARE(form->listingText(), QByteArray("\r\nOK\r\n"));
        QCOMPARE(form->logText(), QStringLiteral("OK"));
        form->receiveData("S0:1\r\n\r\nS1:2\rS2:3", 16);
        form->receiveData("\r\n", 2);
        QCOMPARE(form->logText(), QStringLiteral("OK\nS0:1\nS1:2\nS2:3"));

        // From another thread the line is queued to the GUI thread, in order.
        std::thread worker([this] {
            form->receiveData("first", 5);
            form->receiveData("second", 6);
        });
        worker.join();
        QCOMPARE(form->listingText(), QByteArray("second"));
        QTRY_VERIFY(form->logText().endsWith(QStringLiteral("first\nsecond")));
    }

    void newAsksThenRestoresDefaults()
    {
        start(QStringLiteral("Cfg_740RB"));
        form->setCurrentFileName(QStringLiteral("/tmp/a.40B"));
        QCOMPARE(form->windowTitle(), QStringLiteral("740R-B Configuration: /tmp/a.40B"));
        form->model().set(Field::AnswerAttempts, 9);
        form->setStatusText(QStringLiteral("740R-B V1.0"));
        form->appendLogLine("text\r");

        messages->answer(Answer::Cancel);
        action("File_New")->trigger();
        QCOMPARE(messages->last().text, QStringLiteral("Open new configuration?"));
        QCOMPARE(messages->last().buttons, MessageSink::Buttons::OkCancel);
        // The edit is not saved: the title carries the mark.
        QCOMPARE(form->windowTitle(), QStringLiteral("740R-B Configuration: /tmp/a.40B[*]"));
        QCOMPARE(spin("sreg_0")->text(), QStringLiteral("9"));

        messages->answer(Answer::Ok);
        trigger("tb_New");
        QCOMPARE(form->windowTitle(), QStringLiteral("740R-B Configuration"));
        QVERIFY(form->currentFileName().isEmpty());
        QCOMPARE(spin("sreg_0")->text(), QStringLiteral("1"));
        QCOMPARE(form->statusText(), QString());
        QVERIFY(form->logText().isEmpty());
    }

    void menusAndToolBar()
    {
        start(QStringLiteral("Cfg_740RB"));
        QStringList titles;
        for (QAction *a : form->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, QStringList({"&File", "&Communication", "Ad&vanced", "&Help"}));
        auto texts = [](const QMenu *m) {
            QStringList out;
            for (QAction *a : m->actions())
                out << (a->isSeparator() ? QStringLiteral("-") : a->text());
            return out;
        };
        QCOMPARE(texts(get<QMenu>("File")), QStringList({"&New", "&Open...", "&Save", "Save &As...", "Compare File with Window...", "Open &Network...", "Commissioning Report...", "-", "E&xit"}));
        QCOMPARE(texts(get<QMenu>("Communication")),
                 QStringList({"&Read Module Configuration", "&Configure Module", "Compare Module with Window...",
                              "History...", "Verify After Configure", "Wait for Silence After Replies", "-",
                              "&Find Module...", "Com &Port Settings..."}));
        QCOMPARE(texts(get<QMenu>("Advanced")),
                 QStringList({"R&estore Factory Defaults", "&Diagnostics", "Escape Character..."}));
        QCOMPARE(texts(get<QMenu>("Adv_Diagnostics")),
                 QStringList({"Start Tx BER Test", "Rx BER Test...", "Tx && Rx BER Test...", "RSSI Measurement..."}));
        QCOMPARE(texts(get<QMenu>("Help")), QStringList({"A&bout"}));

        QStringList hints;
        auto *toolBar = get<QToolBar>("ToolBar");
        for (QAction *a : toolBar->actions()) {
            hints << a->toolTip();
            QVERIFY(!qobject_cast<QToolButton *>(toolBar->widgetForAction(a))->icon().isNull());
        }
        QCOMPARE(hints, QStringList({"New", "Open", "Save", "Read Module Configuration", "Configure Module",
                                     "Com Port Settings", "Restore Factory Defaults", "Help"}));

        // A command is switched as a whole: menu item and tool button.
        QVERIFY(enabled("File_New") && enabled("tb_New"));
        QVERIFY(action("File_Exit")->isEnabled());
        form->enableCommand(MainCommand::Read, false);
        QVERIFY(!enabled("Comm_Read") && !enabled("tb_UpLoad"));
        QVERIFY(!form->commandEnabled(MainCommand::Read));
        form->enableCommand(MainCommand::Read);
        QVERIFY(enabled("Comm_Read") && enabled("tb_UpLoad"));
        QVERIFY(!get<QToolButton>("tb_UpLoad")->icon().isNull());  // kept through its action's changes
        QVERIFY(form->commandEnabled(MainCommand::Read));
        form->enableCommand(MainCommand::RssiMeasurement, false);
        QVERIFY(!action("Diag_RSSI")->isEnabled());
        QCOMPARE(get<QToolBar>("ToolBar")->widgetForAction(form->commandAction(MainCommand::RssiMeasurement)),
                 nullptr);
        QCOMPARE(form->commandAction(MainCommand::TxBerTest)->text(), QStringLiteral("Start Tx BER Test"));

        action("File_Exit")->trigger();
        QVERIFY(!form->isVisible());
    }

    void accessibleNames()
    {
        start(QStringLiteral("Cfg_740RB"));
        const std::pair<const char *, const char *> names[] = {
            {"Radio_PackSize", "Packet Size (bytes)"}, {"ed_TM_SysAdd", "System Address"},
            {"ed_CM_LinkChk", "Link Check Time (sec)"}, {"ed_CM_SC_Delay", "Disconnect Delay (sec)"},
            {"Adv_LinkRst", "Inactivity Timeout (sec)"}, {"sreg_1", "S1"}, {"sreg_21", "S21"},
            {"Z1_Dest", "Dest Add 2"}, {"Z2_Rpt3", "Rpt 3"}, {"Serial_Baud", "Baud Rate"},
            {"Serial_Flow", "Flow Control"}, {"LogPane", "Serial Communications:"},
        };
        for (const auto &[control, name] : names)
            QCOMPARE(get<QWidget>(control)->accessibleName(), QString::fromLatin1(name));
        QCOMPARE(spin("sreg_1")->accessibleDescription(), QStringLiteral("Esc Sequence Guard Time (millisec)"));
        QCOMPARE(spin("Z1_Dest")->toolTip(), QStringLiteral("Destination Address 2"));
        QCOMPARE(get<QLabel>("lbl_Z3")->text(), QStringLiteral("&Z3"));
        for (SpinField *f : form->findChildren<SpinField *>())
            QVERIFY2(!f->accessibleName().isEmpty(), qPrintable(f->objectName()));
        for (QComboBox *c : form->findChildren<QComboBox *>())
            QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
        QCOMPARE(get<QWidget>("StatusBar_Baud")->accessibleName(), QStringLiteral("9600"));
        QVERIFY(!spin("sreg_9")->isEnabled() && !spin("sreg_12")->isEnabled() && !spin("sreg_13")->isEnabled());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
