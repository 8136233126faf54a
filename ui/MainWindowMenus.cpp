// The main window's menu bar, tool bar and status-row menus.
#include "ui/MainWindow.h"

#include "comm/LineSettings.h"
#include "comm/PortBindings.h"
#include "resources/Icons.h"
#include "settings/SerialParams.h"
#include "ui/NetworkWindow.h"
#include "ui/StatusRow.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace {

QMenu *addMenu(QMenuBar *bar, const QString &title, const char *name)
{
    QMenu *menu = bar->addMenu(title);
    menu->setObjectName(QString::fromLatin1(name));
    menu->setAttribute(Qt::WA_WindowPropagation);  // the window's font
    return menu;
}

}  // namespace

void MainWindow::buildMenus()
{
    auto item = [this](QMenu *menu, const QString &text, const char *name, auto slot) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto receiveTest = [this](int kind) { return [this, kind] { runReceiveTest(kind); }; };
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    QMenu *file = addMenu(bar, QStringLiteral("&File"), "File");
    action(MainCommand::New) = item(file, QStringLiteral("&New"), "File_New", &MainWindow::newConfiguration);
    action(MainCommand::Open) = item(file, QStringLiteral("&Open..."), "File_Open", &MainWindow::openFile);
    action(MainCommand::Save) = item(file, QStringLiteral("&Save"), "File_Save", &MainWindow::save);
    action(MainCommand::SaveAs) = item(file, QStringLiteral("Save &As..."), "File_SaveAs", &MainWindow::saveAs);
    item(file, QStringLiteral("Compare File with Window..."), "File_Compare", &MainWindow::compareFileWithWindow);
    item(file, QStringLiteral("Open &Network..."), "File_OpenNetwork", [this] { openNetworkWindow(*this); });
    item(file, QStringLiteral("Commissioning Report..."), "File_Report", &MainWindow::writeCommissioningReport);
    file->addSeparator();
    item(file, QStringLiteral("E&xit"), "File_Exit", &MainWindow::close);

    QMenu *comm = addMenu(bar, QStringLiteral("&Communication"), "Communication");
    action(MainCommand::Read) =
        item(comm, QStringLiteral("&Read Module Configuration"), "Comm_Read", &MainWindow::read);
    action(MainCommand::Configure) =
        item(comm, QStringLiteral("&Configure Module"), "Comm_Configure", &MainWindow::configure);
    QAction *compareModule = item(comm, QStringLiteral("Compare Module with Window..."), "Comm_Compare",
                                  &MainWindow::compareModuleWithWindow);
    // It talks to the module as a read does, so it is available when the read is.
    connect(action(MainCommand::Read), &QAction::enabledChanged, compareModule, &QAction::setEnabled);
    item(comm, QStringLiteral("History..."), "Comm_History", &MainWindow::showHistory);
    m_verifyAfterConfigure = comm->addAction(QStringLiteral("Verify After Configure"));
    m_verifyAfterConfigure->setObjectName(QStringLiteral("Comm_Verify"));
    m_verifyAfterConfigure->setCheckable(true);
    // For firmware whose replies must end in a silence; the commands stay the same.
    QAction *silencePace = comm->addAction(QStringLiteral("Wait for Silence After Replies"));
    silencePace->setObjectName(QStringLiteral("Comm_SilencePace"));
    silencePace->setCheckable(true);
    comm->addSeparator();
    item(comm, QStringLiteral("&Find Module..."), "Comm_Find", &MainWindow::findModule);
    action(MainCommand::ComPortSettings) =
        item(comm, QStringLiteral("Com &Port Settings..."), "Comm_Serial", &MainWindow::editPortSettings);

    QMenu *advanced = addMenu(bar, QStringLiteral("Ad&vanced"), "Advanced");
    action(MainCommand::RestoreDefaults) = item(advanced, QStringLiteral("R&estore Factory Defaults"), "Adv_Defaults",
                                                &MainWindow::restoreFactoryDefaults);
    QMenu *diag = advanced->addMenu(QStringLiteral("&Diagnostics"));
    diag->setObjectName(QStringLiteral("Adv_Diagnostics"));
    diag->setAttribute(Qt::WA_WindowPropagation);
    action(MainCommand::TxBerTest) =
        item(diag, QStringLiteral("Start Tx BER Test"), "Diag_TxBer", &MainWindow::toggleTransmitTest);
    action(MainCommand::RxBerTest) = item(diag, QStringLiteral("Rx BER Test..."), "Diag_RxBer", receiveTest(1));
    action(MainCommand::TxRxBerTest) =
        item(diag, QStringLiteral("Tx && Rx BER Test..."), "Diag_TxRxBer", receiveTest(2));
    action(MainCommand::RssiMeasurement) =
        item(diag, QStringLiteral("RSSI Measurement..."), "Diag_RSSI", receiveTest(3));
    action(MainCommand::EscapeCharacter) =
        item(advanced, QStringLiteral("Escape Character..."), "Adv_EscChar", &MainWindow::editEscapeCharacter);

    QMenu *help = addMenu(bar, QStringLiteral("&Help"), "Help");
    action(MainCommand::About) = item(help, QStringLiteral("A&bout"), "Help_About", &MainWindow::showAbout);

    // Commands come alive as their operations are built; the file commands work from the start.
    for (int c = 0; c < kMainCommandCount; ++c)
        enableCommand(static_cast<MainCommand>(c), false);
    enableCommand(MainCommand::New);
    enableCommand(MainCommand::Open);
    enableCommand(MainCommand::Save);
    enableCommand(MainCommand::SaveAs);
    enableCommand(MainCommand::ComPortSettings);
    enableCommand(MainCommand::EscapeCharacter);
    enableCommand(MainCommand::About);
}

// The tool bar shows some of the menu's actions as icons; a button's name and hint
// are its own.
void MainWindow::buildToolBar()
{
    struct Button {
        const char *name;
        const char *hint;
        MainCommand command;
    };
    const Button buttons[] = {
        {"tb_New", "New", MainCommand::New},
        {"tb_Open", "Open", MainCommand::Open},
        {"tb_Save", "Save", MainCommand::Save},
        {"tb_UpLoad", "Read Module Configuration", MainCommand::Read},
        {"tb_Program", "Configure Module", MainCommand::Configure},
        {"tb_ComSettings", "Com Port Settings", MainCommand::ComPortSettings},
        {"tb_Defaults", "Restore Factory Defaults", MainCommand::RestoreDefaults},
        {"tb_Help", "Help", MainCommand::About},
    };
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    for (const Button &b : buttons) {
        const QString hint = QString::fromLatin1(b.hint);
        QAction *a = commandAction(b.command);
        a->setIconText(hint);
        a->setToolTip(hint);
        m_toolBar->addAction(a);
        auto *button = qobject_cast<QToolButton *>(m_toolBar->widgetForAction(a));
        button->setObjectName(QString::fromLatin1(b.name));
        // The image belongs to the button alone: an action with an icon would widen
        // the menu for an icon column it does not show. The button takes its look from
        // the action on every change, so the image is put back after each.
        const QIcon image = toolBarImage(QString::fromLatin1(b.name));
        button->setIcon(image);
        connect(a, &QAction::changed, button, [button, image] { button->setIcon(image); });
        if (b.command == MainCommand::Save) {
            // Save from the tool bar stores the edited field as its leave rule leaves it.
            connect(button, &QAbstractButton::pressed, this, &MainWindow::commitEdit);
        }
    }
}

void MainWindow::buildStatusMenus()
{
    // Each menu is one family: the action carries its value.
    auto family = [this](QMenu *menu, void (MainWindow::*apply)(int)) {
        auto *group = new QActionGroup(menu);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
        connect(group, &QActionGroup::triggered, this,
                [this, apply](QAction *a) { (this->*apply)(a->data().toInt()); });
        return group;
    };

    QMenu *com = m_statusRow->comPort()->menu();
    QActionGroup *ports = family(com, &MainWindow::setComPort);
    for (int i = 0; i < 8; ++i) {
        QAction *a = com->addAction(QStringLiteral("COM&%1").arg(i + 1));
        a->setObjectName(QStringLiteral("puCom%1").arg(i + 1));
        a->setData(i);
        a->setCheckable(true);
        ports->addAction(a);
    }
    // Each slot names the device it stands for, as bound when the menu opens.
    connect(com, &QMenu::aboutToShow, this, [com] {
        const PortBindings bindings;
        for (QAction *a : com->actions()) {
            const int slot = a->data().toInt();
            const QString device = bindings.devicePath(slot);
            a->setText(QStringLiteral("COM&%1").arg(slot + 1) +
                       (device.isEmpty() ? QString() : QStringLiteral("\t") + device));
        }
    });

    // The module's rates, each once: those the PC side has can be checked, those a PC
    // cannot follow are listed for the module's sake only.
    QMenu *baud = m_statusRow->baud()->menu();
    QActionGroup *pcRates = family(baud, &MainWindow::setPcBaud);
    for (const ModuleRate &rate : distinctModuleRates()) {
        const QString text = QString::number(rate.bitsPerSecond);
        QAction *a = baud->addAction(text);
        a->setObjectName(QStringLiteral("br%1").arg(text));
        a->setEnabled(rate.pcFollows);
        if (baudRateIndex(rate.bitsPerSecond) >= 0) {
            a->setData(rate.bitsPerSecond);
            a->setCheckable(true);
            pcRates->addAction(a);
        }
        if (rate.bitsPerSecond == 31250) {
#ifdef _WIN32
            a->setToolTip(QStringLiteral("Data Rate not Supported by Windows"));
#else
            a->setToolTip(QStringLiteral("The PC side does not talk at this rate; the module can be set to it."));
#endif
            a->setStatusTip(a->toolTip());
        }
    }

    QMenu *format = m_statusRow->lineFormat()->menu();
    QActionGroup *lineFormats = family(format, &MainWindow::setLineFormat);
    for (int i = 0; i < int(menuFormats().size()); ++i) {
        const QString text = menuFormats()[std::size_t(i)].formatText();
        // The first item says how to read them all.
        QAction *a = format->addAction(i == 0 ? text + QStringLiteral(" (parity, databits, stopbits)") : text);
        a->setObjectName(QStringLiteral("pu") + QString(text).remove(QLatin1Char('-')));
        a->setData(i);
        a->setCheckable(true);
        lineFormats->addAction(a);
    }
}
