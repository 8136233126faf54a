#include "ui/MainForm.h"

#include "comm/COM740Object.h"
#include "resources/Icons.h"
#include "settings/ConfigFileCommands.h"
#include "settings/FileDialogs.h"
#include "settings/ProductVariant.h"
#include "settings/SerialParams.h"
#include "settings/SettingsModel.h"
#include "ui/FieldBinder.h"
#include "ui/FormParts.h"
#include "ui/ModeOptions.h"
#include "ui/OperatingModeGroup.h"
#include "ui/SRegPages.h"
#include "ui/SettingsPages.h"
#include "ui/SpinField.h"
#include "ui/StatusRow.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QThread>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// The client area below the menu bar.
constexpr int kClientWidth = 625;
constexpr int kClientHeight = 391;

QFont windowFont()
{
    // A narrow face keeps the dense layout of the fixed-size window readable.
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    f.setStretch(QFont::Condensed);
    f.setPixelSize(11);
    return f;
}

// Log text arrives with the module's own line ends, which frame every reply with
// empty lines; the small pane shows only the lines that say something.
QString displayedLine(const QByteArray &line)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = QString::fromLatin1(line).split(lineEnd);
    lines.removeIf([](const QString &l) { return l.trimmed().isEmpty(); });
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

TMainForm::TMainForm(const ProductVariant &variant, MessageSink &messages, QWidget *parent,
                     FileDialogs *fileDialogs)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_variant(variant), m_messages(messages),
      m_model(std::make_unique<SettingsModel>(variant, messages))
{
    // FormCreate: the window's own built-in icon; the brand decides at start-up
    // whether it stays.
    setObjectName(QStringLiteral("MainForm"));
    // Dialogs and message boxes are windows of their own and do not inherit the main
    // window's font: one font for the whole program.
    QApplication::setFont(windowFont());
    setWindowIcon(iconResource(QStringLiteral("KORVEL")));
    m_binder = new TFieldBinder(*m_model, this);

    buildCentralArea();
    buildToolBar();
    buildMenus();
    buildStatusMenus();
    buildFileCommands(fileDialogs);
    for (MainCommand c : {MainCommand::TxBerTest, MainCommand::RxBerTest, MainCommand::TxRxBerTest,
                          MainCommand::RssiMeasurement})
        enableCommand(c);
    for (MainCommand c : {MainCommand::Read, MainCommand::Configure, MainCommand::RestoreDefaults})
        enableCommand(c);

    connect(m_model.get(), &SettingsModel::modeChanged, this, &TMainForm::showMode);
    connect(m_model.get(), &SettingsModel::defaultsApplied, this, &TMainForm::onDefaultsApplied);
    connect(m_modeGroup, &TOperatingModeGroup::selected, this, [this](OperatingMode m) {
        switch (m) {
        case OperatingMode::OpTransparent: rb_TransModeClick(); break;
        case OperatingMode::OpTransparentRepeater: rb_TM_RptClick(); break;
        case OperatingMode::OpAutoConnectMaster: rb_ContModeClick(); break;
        case OperatingMode::OpAutoConnectSlave: rb_CM_SlaveClick(); break;
        case OperatingMode::OpSingleConnect: rb_CM_SingleClick(); break;
        case OperatingMode::OpNone: break;
        }
    });

    setWindowTitle(m_variant.BaseCaption);
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

TMainForm::~TMainForm() = default;

void TMainForm::buildCentralArea()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    ToolBar1 = new QToolBar(client);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setAccessibleName(QStringLiteral("Tool Bar"));
    ToolBar1->setGeometry(0, 0, kClientWidth, 29);
    // It takes the focus when a command commits the edit, never from the keyboard.
    ToolBar1->setFocusPolicy(Qt::ClickFocus);

    m_modeGroup = new TOperatingModeGroup(client);
    m_modeGroup->setGeometry(8, 40, 169, 201);

    QLabel *logLabel = FormParts::label(QStringLiteral("Serial Communications:"), client);
    logLabel->setGeometry(8, 247, 169, 16);
    Memo1 = new QPlainTextEdit(client);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setAccessibleName(QStringLiteral("Serial Communications:"));
    // Long listing lines wrap: the pane is too narrow to scroll sideways through them.
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo1->setGeometry(8, 264, 169, 97);

    m_modeOptions = new TModeOptions(*m_binder, client);
    m_modeOptions->setGeometry(184, 40, 200, 321);

    QWidget *settingsBody = nullptr;
    QGroupBox *settings = FormParts::boldGroup(QStringLiteral("Settings:"), client, &settingsBody);
    settings->setObjectName(QStringLiteral("SettingsGB"));
    settings->setGeometry(384, 40, 233, 321);
    m_settingsPages = new TSettingsPages(*m_binder, settingsBody);
    auto *layout = new QVBoxLayout(settingsBody);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->addWidget(m_settingsPages);

    m_statusRow = new TStatusRow(client);
    m_statusRow->move(0, 371);
}

// --- start-up ------------------------------------------------------------------

void TMainForm::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    // Without a window manager nothing else gives the window the keyboard.
    activateWindow();
    if (m_shown)
        return;
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    FormShow();
}

bool TMainForm::event(QEvent *e)
{
    // A modal box of this window has closed: take the keyboard back, which a plain
    // X server leaves on the root window.
    if (e->type() == QEvent::WindowUnblocked && isVisible())
        activateWindow();
    return QMainWindow::event(e);
}

void TMainForm::FormShow()
{
    if (m_shown)
        return;
    m_shown = true;
    EscapeChar = '+';
    clearLog();
    setCurrentFileName(QString());
    applyVariant();
    clearLog();
    setCurrentFileName(QString());
    ResetPortSettings(m_portSettings, true);
    m_portSettings = m_startupPortSettings.value_or(m_portSettings);
    DisplaySerialSettings();
    showMode(OperatingMode::OpNone);
    m_model->SetDefaults();
    OpenCommandLineFile();
}

void TMainForm::applyVariant()
{
    Show_SS_Options(showsS21(m_variant.radioClass));
    m_modeOptions->showFastOperation(hasFastOperation(m_variant.radioClass));
    QApplication::setWindowIcon(iconResource(applicationIconName(m_variant.brand)));
    // Qt cannot unset a window's own icon (a null one shows no icon at all), so the
    // window, and the dialogs it owns, take the application icon instead.
    if (!keepsWindowIcon(m_variant.brand))
        setWindowIcon(QApplication::windowIcon());
    QCoreApplication::setApplicationName(m_variant.BaseCaption);
    updateCaption();
}

void TMainForm::Show_SS_Options(bool show)
{
    m_settingsPages->sRegPages()->Show_SS_Options(show);
}

const QString &TMainForm::currentFileName() const
{
    return m_files->CurrentFileName();
}

void TMainForm::setCurrentFileName(const QString &path)
{
    m_files->setCurrentFileName(path);
}

void TMainForm::updateCaption()
{
    setWindowTitle(m_files->caption());
}

void TMainForm::New()
{
    m_files->New();
}

// --- the view of the model -------------------------------------------------------

void TMainForm::showMode(OperatingMode m)
{
    m_modeGroup->showMode(m);
    m_modeOptions->showMode(m);
}

void TMainForm::onDefaultsApplied()
{
    setStatusText(QString());
    clearLog();
    // Gives the focus to "Transparent Mode"; a field being edited is left first.
    m_modeGroup->button(OperatingMode::OpTransparent)->setFocus(Qt::OtherFocusReason);
}

void TMainForm::rb_TransModeClick() { m_model->selectMode(OperatingMode::OpTransparent); }
void TMainForm::rb_TM_RptClick() { m_model->selectMode(OperatingMode::OpTransparentRepeater); }
void TMainForm::rb_ContModeClick() { m_model->selectMode(OperatingMode::OpAutoConnectMaster); }
void TMainForm::rb_CM_SlaveClick() { m_model->selectMode(OperatingMode::OpAutoConnectSlave); }
void TMainForm::rb_CM_SingleClick() { m_model->selectMode(OperatingMode::OpSingleConnect); }

void TMainForm::leave(const char *controlName)
{
    if (auto *field = findChild<TSpinField *>(QString::fromLatin1(controlName)))
        field->leave();
}

void TMainForm::ed_CM_LinkChkExit() { leave("ed_CM_LinkChk"); }
void TMainForm::sreg_6Exit() { leave("sreg_6"); }
void TMainForm::ed_CM_SC_AttemptsExit() { leave("ed_CM_SC_Attempts"); }
void TMainForm::sreg_7Exit() { leave("sreg_7"); }
void TMainForm::ed_CM_SC_DelayExit() { leave("ed_CM_SC_Delay"); }
void TMainForm::sreg_11Exit() { leave("sreg_11"); }
void TMainForm::Radio_PackSizeExit() { leave("Radio_PackSize"); }
void TMainForm::sreg_14Exit() { leave("sreg_14"); }
void TMainForm::Radio_TxHoldExit() { leave("Radio_TxHold"); }
void TMainForm::sreg_16Exit() { leave("sreg_16"); }
void TMainForm::Radio_RxHoldExit() { leave("Radio_RxHold"); }
void TMainForm::sreg_17Exit() { leave("sreg_17"); }
void TMainForm::ed_CM_LinkRstExit() { leave("ed_CM_LinkRst"); }
void TMainForm::Adv_LinkRstExit() { leave("Adv_LinkRst"); }
void TMainForm::ed_CM_SysAddExit() { leave("ed_CM_SysAdd"); }
void TMainForm::ed_TM_SysAddExit() { leave("ed_TM_SysAdd"); }
void TMainForm::ed_CM_UnitAddExit() { leave("ed_CM_UnitAdd"); }
void TMainForm::sreg_18Exit() { leave("sreg_18"); }
void TMainForm::sreg_19Exit() { leave("sreg_19"); }
void TMainForm::ed_TM_GrpAdd2Exit() { leave("ed_TM_GrpAdd2"); }

void TMainForm::commitEdit()
{
    TSpinField *edited = editedField();
    ToolBar1->setFocus(Qt::OtherFocusReason);
    // Without an active window no focus-out comes; leave the field by hand.
    if (edited && edited->isBeingEdited())
        edited->leave();
}

TSpinField *TMainForm::editedField() const
{
    auto *field = qobject_cast<TSpinField *>(focusWidget());
    return field && field->isBeingEdited() ? field : nullptr;
}

// --- log pane and received text --------------------------------------------------

QByteArray TMainForm::listingText() const
{
    const QMutexLocker lock(&m_listingMutex);
    return m_listingText;
}

void TMainForm::setListingText(const QByteArray &text)
{
    const QMutexLocker lock(&m_listingMutex);
    m_listingText = text;
}

void TMainForm::setWorkerLogHook(std::function<void(const QByteArray &line)> hook)
{
    m_workerLogHook = std::move(hook);
}

void TMainForm::ReceiveData(const QByteArray &text, quint16 /*length*/)
{
    setListingText(text);
    const QByteArray line = text + '\r';
    if (LogViaWorker.load() && m_workerLogHook) {
        m_workerLogHook(line);
    } else if (QThread::currentThread() == thread()) {
        appendLogLine(line);
    } else {
        QMetaObject::invokeMethod(this, [this, line] { appendLogLine(line); }, Qt::QueuedConnection);
    }
}

void TMainForm::appendLogLine(const QByteArray &line)
{
    const QString text = displayedLine(line);
    if (text.isEmpty())
        return;
    Memo1->appendPlainText(text);
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

void TMainForm::clearLog()
{
    Memo1->clear();
}

QString TMainForm::logText() const
{
    return Memo1->toPlainText();
}

// --- status row -------------------------------------------------------------------

void TMainForm::DisplaySerialSettings()
{
    m_statusRow->baud()->setPanelText(baudText(m_portSettings));
    m_statusRow->comPort()->setPanelText(comPortText(m_portSettings));
    m_statusRow->lineFormat()->setPanelText(lineFormatText(m_portSettings));
}

void TMainForm::UpdateSerialParams()
{
    m_portSettings = ::UpdateSerialParams(m_model->settings(), m_portSettings);
    DisplaySerialSettings();
}

void TMainForm::setStatusText(const QString &text)
{
    m_statusRow->statusLine()->setPanelText(text);
}

QString TMainForm::statusText() const
{
    return m_statusRow->statusLine()->text();
}

void TMainForm::puCom1Click(int tag)
{
    m_portSettings.ComPort = static_cast<std::uint8_t>(tag);
    DisplaySerialSettings();
}

void TMainForm::setPcBaud(int index)
{
    m_portSettings.Baud = static_cast<std::uint8_t>(index);
    DisplaySerialSettings();
}

void TMainForm::br1200Click() { setPcBaud(0); }
void TMainForm::br2400Click() { setPcBaud(1); }
void TMainForm::br4800Click() { setPcBaud(2); }
void TMainForm::br9600Click() { setPcBaud(3); }
void TMainForm::br14400Click() { setPcBaud(4); }
void TMainForm::br19200Click() { setPcBaud(5); }
void TMainForm::br28800Click() { setPcBaud(6); }
void TMainForm::br31250Click() { setPcBaud(7); }
void TMainForm::br38400Click() { setPcBaud(8); }
void TMainForm::br57600Click() { setPcBaud(9); }
void TMainForm::br76800Click() { setPcBaud(10); }
void TMainForm::br115200Click() { setPcBaud(11); }

void TMainForm::setLineFormat(int parity, int dataBits, int stopBits)
{
    m_portSettings.Parity = static_cast<std::uint8_t>(parity);
    m_portSettings.DataBits = static_cast<std::uint8_t>(dataBits);
    m_portSettings.StopBits = static_cast<std::uint8_t>(stopBits);
    DisplaySerialSettings();
}

// Parity 0 none, 1 odd, 2 even; data bits 0 seven, 1 eight; stop bits 0 one, 1 two.
void TMainForm::puN81Click() { setLineFormat(0, 1, 0); }
void TMainForm::puE71Click() { setLineFormat(2, 0, 0); }
void TMainForm::puO71Click() { setLineFormat(1, 0, 0); }
void TMainForm::puE72Click() { setLineFormat(2, 0, 1); }
void TMainForm::puO72Click() { setLineFormat(1, 0, 1); }

// --- commands -----------------------------------------------------------------------

void TMainForm::enableCommand(MainCommand c, bool enabled)
{
    for (QAction *a : {actions(c).menu, actions(c).tool})
        if (a)
            a->setEnabled(enabled);
}

bool TMainForm::commandEnabled(MainCommand c) const
{
    return actions(c).menu && actions(c).menu->isEnabled();
}

QAction *TMainForm::menuAction(MainCommand c) const { return actions(c).menu; }
QAction *TMainForm::toolAction(MainCommand c) const { return actions(c).tool; }
