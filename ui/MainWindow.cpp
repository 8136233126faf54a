#include "ui/MainWindow.h"

#include "comm/ComPorts.h"
#include "comm/ModuleChannel.h"
#include "comm/PortBindings.h"
#include "resources/Icons.h"
#include "ui/ConfigFileCommands.h"
#include "ui/FileDialogs.h"
#include "ui/LogPane.h"
#include "ui/PostedCall.h"
#include "settings/ProductVariant.h"
#include "settings/SerialParams.h"
#include "settings/SettingsModel.h"
#include "ui/AnchorLayout.h"
#include "ui/DiagnosticsCommands.h"
#include "ui/FieldBinder.h"
#include "ui/FormParts.h"
#include "ui/ModeOptions.h"
#include "ui/OperatingModeGroup.h"
#include "ui/RegisterPages.h"
#include "ui/SettingsPages.h"
#include "ui/SpinField.h"
#include "ui/StatusRow.h"
#include "ui/TransmitTestBanner.h"
#include "ui/UnsavedChanges.h"

#include <QAction>
#include <QApplication>
#include <QFontInfo>
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

#include <algorithm>

namespace {

// The client area below the menu bar, as the window sizes itself; the menu bar takes
// a row less than its size hint, so the arrangement below is drawn in an area one
// row taller.
constexpr int kClientWidth = 625;
constexpr int kClientHeight = 391;
constexpr int kArrangedHeight = kClientHeight + 1;

// The desktop's own font, as it was before the first window set the program's: kept
// on the application, so that every window scales from the same one.
QFont desktopFont()
{
    static const char *const kKept = "desktopFont";
    QVariant kept = qApp->property(kKept);
    if (!kept.isValid()) {
        kept = QApplication::font();
        qApp->setProperty(kKept, kept);
    }
    return kept.value<QFont>();
}

// The window was drawn with an 11-pixel face for desktops whose text is up to 12
// pixels high (9 pt at 96 dpi); a larger desktop font enlarges the face and the
// arrangement alike. A scale factor of the screen (200 %) is Qt's own and needs none.
double fontScale()
{
    const int desktopPixels = QFontInfo(desktopFont()).pixelSize();
    return std::max(1.0, desktopPixels / 12.0);
}

QFont windowFont()
{
    // A narrow face keeps the dense layout of the window readable.
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    f.setStretch(QFont::Condensed);
    f.setPixelSize(qRound(11 * fontScale()));
    return f;
}

QRect scaled(const QRect &designed)
{
    const double k = fontScale();
    return QRect(qRound(designed.x() * k), qRound(designed.y() * k), qRound(designed.width() * k),
                 qRound(designed.height() * k));
}

QSize scaled(const QSize &designed) { return scaled(QRect(QPoint(), designed)).size(); }

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

MainWindow::MainWindow(const ProductVariant &variant, MessageSink &messages, QWidget *parent,
                     FileDialogs *fileDialogs)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_variant(variant), m_messages(messages),
      m_model(std::make_unique<SettingsModel>(variant, messages))
{
    // The window's own built-in icon; the brand decides at start-up
    // whether it stays.
    setObjectName(QStringLiteral("MainForm"));
    // Dialogs and message boxes are windows of their own and do not inherit the main
    // window's font: one font for the whole program.
    QApplication::setFont(windowFont());
    setWindowIcon(iconResource(QStringLiteral("KORVEL")));
    m_binder = new FieldBinder(*m_model, this);
    m_unsaved = new UnsavedChanges(*m_model, this);
    connect(m_unsaved, &UnsavedChanges::modifiedChanged, this, &MainWindow::updateCaption);

    buildCentralArea();
    buildMenus();
    buildToolBar();
    buildStatusMenus();
    buildFileCommands(fileDialogs);
    for (MainCommand c : {MainCommand::TxBerTest, MainCommand::RxBerTest, MainCommand::TxRxBerTest,
                          MainCommand::RssiMeasurement})
        enableCommand(c);
    for (MainCommand c : {MainCommand::Read, MainCommand::Configure, MainCommand::RestoreDefaults})
        enableCommand(c);

    connect(m_model.get(), &SettingsModel::modeChanged, this, &MainWindow::showMode);
    connect(m_model.get(), &SettingsModel::defaultsApplied, this, &MainWindow::onDefaultsApplied);
    connect(m_modeGroup, &OperatingModeGroup::selected, this, &MainWindow::selectMode);

    setWindowTitle(m_variant.baseCaption);
    // The designed size is the smallest and the first; made larger, the log pane
    // takes the room.
    resize(scaled(QSize(kClientWidth, kClientHeight)) + QSize(0, menuBar()->sizeHint().height()));
}

MainWindow::~MainWindow() = default;

void MainWindow::buildCentralArea()
{
    // The Tx BER test's banner above the client area, shown while the test runs.
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("CentralArea"));
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_transmitBanner = new TransmitTestBanner(central);
    column->addWidget(m_transmitBanner);
    auto *client = new QWidget(central);
    client->setObjectName(QStringLiteral("ClientArea"));
    column->addWidget(client, 1);
    setCentralWidget(central);
    connect(m_transmitBanner, &TransmitTestBanner::stopRequested, this, &MainWindow::toggleTransmitTest);

    m_toolBar = new QToolBar(client);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setAccessibleName(QStringLiteral("Tool Bar"));

    // It takes the focus when a command commits the edit, never from the keyboard.
    m_toolBar->setFocusPolicy(Qt::ClickFocus);

    m_modeGroup = new OperatingModeGroup(client);


    QLabel *logLabel = FormParts::label(QStringLiteral("Serial Communications:"), client);

    m_log = new LogPane(m_messages, client);
    m_log->setObjectName(QStringLiteral("LogPane"));
    m_log->setAccessibleName(QStringLiteral("Serial Communications:"));
    // Long listing lines wrap: the pane is too narrow to scroll sideways through them.
    m_log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_log->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);


    m_modeOptions = new ModeOptions(*m_binder, client);


    QWidget *settingsBody = nullptr;
    QGroupBox *settings = FormParts::boldGroup(QStringLiteral("Settings:"), client, &settingsBody);
    settings->setObjectName(QStringLiteral("SettingsGB"));

    m_settingsPages = new SettingsPages(*m_binder, settingsBody);
    auto *layout = new QVBoxLayout(settingsBody);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->addWidget(m_settingsPages);

    m_statusRow = new StatusRow(client);

    // Each part where it stands at the designed size; the log pane grows with the
    // window, the parts right of it move along, the tool bar and status row widen.
    using A = AnchorLayout;
    auto *arrangement = new AnchorLayout(scaled(QSize(kClientWidth, kArrangedHeight)), client);
    arrangement->setMinimumAreaSize(scaled(QSize(kClientWidth, kClientHeight)));
    const auto place = [arrangement](QWidget *w, const QRect &designed, A::Anchors anchors) {
        arrangement->addWidget(w, scaled(designed), anchors);
    };
    place(m_toolBar, {0, 0, kClientWidth, 29}, A::Left | A::Top | A::Right);
    place(m_modeGroup, {8, 40, 169, 201}, A::Left | A::Top);
    place(logLabel, {8, 247, 169, 16}, A::Left | A::Top);
    place(m_log, {8, 264, 169, 97}, A::Left | A::Top | A::Right | A::Bottom);
    place(m_modeOptions, {184, 40, 200, 321}, A::Top | A::Right);
    place(settings, {384, 40, 233, 321}, A::Top | A::Right);
    place(m_statusRow, {0, 371, kClientWidth, 19}, A::Left | A::Right | A::Bottom);
}

// --- start-up ------------------------------------------------------------------

void MainWindow::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    // Without a window manager nothing else gives the window the keyboard.
    activateWindow();
    if (m_shown)
        return;
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    startUp();
}

bool MainWindow::event(QEvent *e)
{
    // A modal box of this window has closed: take the keyboard back, which a plain
    // X server leaves on the root window.
    if (e->type() == QEvent::WindowUnblocked && isVisible())
        activateWindow();
    return QMainWindow::event(e);
}

void MainWindow::startUp()
{
    if (m_shown)
        return;
    m_shown = true;
    m_escapeCharacter = '+';
    clearLog();
    setCurrentFileName(QString());
    applyVariant();
    clearLog();
    setCurrentFileName(QString());
    m_line = m_startupLine.value_or(LineSettings{});
    showLineSettings();
    showMode(OperatingMode::None);
    m_model->applyDefaults();
    // The defaults are nothing the user would lose.
    markSettingsKept();
    openCommandLineFile();
}

void MainWindow::applyVariant()
{
    showS21(showsS21(m_variant.radioClass));
    m_modeOptions->showFastOperation(hasFastOperation(m_variant.radioClass));
    QApplication::setWindowIcon(iconResource(applicationIconName(m_variant.brand)));
    // Qt cannot unset a window's own icon (a null one shows no icon at all), so the
    // window, and the dialogs it owns, take the application icon instead.
    if (!keepsWindowIcon(m_variant.brand))
        setWindowIcon(QApplication::windowIcon());
    QCoreApplication::setApplicationName(m_variant.baseCaption);
    updateCaption();
}

void MainWindow::showS21(bool show)
{
    m_settingsPages->sRegPages()->showS21(show);
}

const QString &MainWindow::currentFileName() const
{
    return m_files->currentFileName();
}

void MainWindow::setCurrentFileName(const QString &path)
{
    m_files->setCurrentFileName(path);
}

void MainWindow::updateCaption()
{
    if (!m_files)
        return;
    // The placeholder only while modified: the title reads as the caption otherwise.
    const bool modified = m_unsaved->isModified();
    setWindowTitle(m_files->caption() + (modified ? QStringLiteral("[*]") : QString()));
    setWindowModified(modified);
}

void MainWindow::newConfiguration()
{
    if (m_files->newConfiguration())
        markSettingsKept();
}

// --- the view of the model -------------------------------------------------------

void MainWindow::showMode(OperatingMode m)
{
    m_modeGroup->showMode(m);
    m_modeOptions->showMode(m);
}

void MainWindow::onDefaultsApplied()
{
    setStatusText(QString());
    clearLog();
    // Gives the focus to "Transparent Mode"; a field being edited is left first.
    m_modeGroup->button(OperatingMode::Transparent)->setFocus(Qt::OtherFocusReason);
}

void MainWindow::selectMode(OperatingMode mode) { m_model->selectMode(mode); }

void MainWindow::leaveField(SpinField *field)
{
    if (field)
        field->leave();
}

void MainWindow::commitEdit()
{
    SpinField *edited = editedField();
    m_toolBar->setFocus(Qt::OtherFocusReason);
    // Without an active window no focus-out comes; leave the field by hand.
    if (edited && edited->isBeingEdited())
        edited->leave();
}

SpinField *MainWindow::editedField() const
{
    auto *field = qobject_cast<SpinField *>(focusWidget());
    return field && field->isBeingEdited() ? field : nullptr;
}

// --- log pane and received text --------------------------------------------------

QByteArray MainWindow::listingText() const
{
    const QMutexLocker lock(&m_listingMutex);
    return m_listingText;
}

void MainWindow::setListingText(const QByteArray &text)
{
    const QMutexLocker lock(&m_listingMutex);
    m_listingText = text;
}

void MainWindow::receiveData(const QByteArray &text, quint16 /*length*/)
{
    setListingText(text);
    const QByteArray line = text + '\r';
    if (QThread::currentThread() == thread()) {
        appendLogLine(line);
    } else {
        postTo(this, [this, line] { appendLogLine(line); });
    }
}

void MainWindow::appendLogLine(const QByteArray &line)
{
    const QString text = displayedLine(line);
    if (text.isEmpty())
        return;
    m_log->appendLine(text);
}

void MainWindow::appendSentLine(const QByteArray &command)
{
    const QString text = displayedLine(command);
    if (!text.isEmpty())
        m_log->appendSent(text);
}

void MainWindow::clearLog()
{
    m_log->clearLines();
}

QString MainWindow::logText() const
{
    return m_log->lineTexts();
}

// --- status row -------------------------------------------------------------------

void MainWindow::showLineSettings()
{
    const int slot = comSlotOf(m_line.port);
    m_statusRow->baud()->setPanelText(QString::number(m_line.baudRate));
    m_statusRow->comPort()->setPanelText(m_line.port);
    m_statusRow->comPort()->setToolTip(PortBindings().describe(slot));
    m_statusRow->lineFormat()->setPanelText(m_line.formatText());
    // The menus check what the panels show.
    for (QAction *a : m_statusRow->comPort()->menu()->actions())
        a->setChecked(a->data().toInt() == slot);
    for (QAction *a : m_statusRow->baud()->menu()->actions())
        a->setChecked(a->isCheckable() && a->data().toInt() == m_line.baudRate);
    const QString format = m_line.formatText();
    for (QAction *a : m_statusRow->lineFormat()->menu()->actions())
        a->setChecked(menuFormats()[a->data().toUInt()].formatText() == format);
}

void MainWindow::followModuleSerialSettings()
{
    m_line = pcLineFor(m_model->settings(), m_line);
    showLineSettings();
}

void MainWindow::setStatusText(const QString &text)
{
    m_statusRow->statusLine()->setPanelText(text);
}

QString MainWindow::statusText() const
{
    return m_statusRow->statusLine()->text();
}

void MainWindow::setComPort(int slot)
{
    const std::string name = comDeviceName(slot);
    if (name.empty())
        return;
    m_line.port = QString::fromStdString(name);
    showLineSettings();
}

void MainWindow::setPcBaud(int bitsPerSecond)
{
    if (baudRateIndex(bitsPerSecond) < 0)
        return;
    m_line.baudRate = bitsPerSecond;
    showLineSettings();
}

const std::array<LineSettings, 5> &MainWindow::menuFormats()
{
    static const std::array<LineSettings, 5> formats = {
        LineSettings{.dataBits = 8, .parity = Parity::None, .stopBits = 1},
        LineSettings{.dataBits = 7, .parity = Parity::Even, .stopBits = 1},
        LineSettings{.dataBits = 7, .parity = Parity::Odd, .stopBits = 1},
        LineSettings{.dataBits = 7, .parity = Parity::Even, .stopBits = 2},
        LineSettings{.dataBits = 7, .parity = Parity::Odd, .stopBits = 2},
    };
    return formats;
}

void MainWindow::setLineFormat(int format)
{
    if (format < 0 || format >= int(menuFormats().size()))
        return;
    const LineSettings &f = menuFormats()[std::size_t(format)];
    m_line.parity = f.parity;
    m_line.dataBits = f.dataBits;
    m_line.stopBits = f.stopBits;
    showLineSettings();
}

// --- commands -----------------------------------------------------------------------

void MainWindow::enableCommand(MainCommand c, bool enabled)
{
    if (QAction *a = action(c))
        a->setEnabled(enabled);
}

bool MainWindow::commandEnabled(MainCommand c) const
{
    const QAction *a = commandAction(c);
    return a && a->isEnabled();
}

QAction *MainWindow::commandAction(MainCommand c) const { return m_commands[static_cast<std::size_t>(c)]; }
