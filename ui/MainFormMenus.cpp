// The main window's menu bar, tool bar and status-row menus.
#include "ui/MainForm.h"

#include "resources/Icons.h"
#include "ui/StatusRow.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace {

using Slot = void (TMainForm::*)();

QMenu *addMenu(QMenuBar *bar, const QString &title, const char *name)
{
    QMenu *menu = bar->addMenu(title);
    menu->setObjectName(QString::fromLatin1(name));
    menu->setAttribute(Qt::WA_WindowPropagation);  // the window's font
    return menu;
}

}  // namespace

void TMainForm::buildMenus()
{
    auto item = [this](QMenu *menu, const QString &text, const char *name, Slot slot) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    QMenu *file = addMenu(bar, QStringLiteral("&File"), "File");
    actions(MainCommand::New).menu = item(file, QStringLiteral("&New"), "File_New", &TMainForm::File_NewClick);
    actions(MainCommand::Open).menu = item(file, QStringLiteral("&Open"), "File_Open", &TMainForm::File_OpenClick);
    actions(MainCommand::Save).menu = item(file, QStringLiteral("&Save"), "File_Save", &TMainForm::File_SaveClick);
    actions(MainCommand::SaveAs).menu =
        item(file, QStringLiteral("Save &As"), "File_SaveAs", &TMainForm::File_SaveAsClick);
    file->addSeparator();
    item(file, QStringLiteral("E&xit"), "File_Exit", &TMainForm::File_ExitClick);

    QMenu *comm = addMenu(bar, QStringLiteral("&Communication"), "Communication");
    actions(MainCommand::Read).menu =
        item(comm, QStringLiteral("&Read Module Configuration"), "Comm_Read", &TMainForm::Comm_ReadClick);
    actions(MainCommand::Configure).menu =
        item(comm, QStringLiteral("&Configure Module"), "Comm_Configure", &TMainForm::Comm_ConfigureClick);
    comm->addSeparator();
    actions(MainCommand::ComPortSettings).menu =
        item(comm, QStringLiteral("Com &Port Settings"), "Comm_Serial", &TMainForm::Comm_SerialClick);

    QMenu *advanced = addMenu(bar, QStringLiteral("Ad&vanced"), "Advanced");
    actions(MainCommand::RestoreDefaults).menu =
        item(advanced, QStringLiteral("R&estore Factory Defaults"), "Adv_Defaults", &TMainForm::Adv_DefaultsClick);
    QMenu *diag = advanced->addMenu(QStringLiteral("&Diagnostics"));
    diag->setObjectName(QStringLiteral("Adv_Diagnostics"));
    diag->setAttribute(Qt::WA_WindowPropagation);
    actions(MainCommand::TxBerTest).menu =
        item(diag, QStringLiteral("Start Tx BER Test"), "Diag_TxBer", &TMainForm::Diag_TxBerClick);
    actions(MainCommand::RxBerTest).menu =
        item(diag, QStringLiteral("Rx BER Test"), "Diag_RxBer", &TMainForm::Diag_RxBerClick);
    actions(MainCommand::TxRxBerTest).menu =
        item(diag, QStringLiteral("Tx && Rx BER Test"), "Diag_TxRxBer", &TMainForm::Diag_TxRxBerClick);
    actions(MainCommand::RssiMeasurement).menu =
        item(diag, QStringLiteral("RSSI Measurement"), "Diag_RSSI", &TMainForm::Diag_RSSIClick);
    actions(MainCommand::EscapeCharacter).menu =
        item(advanced, QStringLiteral("Escape Character"), "Adv_EscChar", &TMainForm::Adv_EscCharClick);

    QMenu *help = addMenu(bar, QStringLiteral("&Help"), "Help");
    actions(MainCommand::About).menu =
        item(help, QStringLiteral("A&bout"), "Help_About", &TMainForm::Help_AboutClick);

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

void TMainForm::buildToolBar()
{
    struct Button {
        const char *name;
        const char *hint;
        MainCommand command;
        Slot slot;
    };
    const Button buttons[] = {
        {"tb_New", "New", MainCommand::New, &TMainForm::tb_NewClick},
        {"tb_Open", "Open", MainCommand::Open, &TMainForm::tb_OpenClick},
        {"tb_Save", "Save", MainCommand::Save, &TMainForm::tb_SaveClick},
        {"tb_UpLoad", "Read Module Configuration", MainCommand::Read, &TMainForm::tb_UpLoadClick},
        {"tb_Program", "Configure Module", MainCommand::Configure, &TMainForm::tb_ProgramClick},
        {"tb_ComSettings", "Com Port Settings", MainCommand::ComPortSettings, &TMainForm::tb_ComSettingsClick},
        {"tb_Defaults", "Restore Factory Defaults", MainCommand::RestoreDefaults, &TMainForm::tb_DefaultsClick},
        {"tb_Help", "Help", MainCommand::About, &TMainForm::tb_HelpClick},
    };
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    for (const Button &b : buttons) {
        const QString hint = QString::fromLatin1(b.hint);
        QAction *a = ToolBar1->addAction(toolBarImage(QString::fromLatin1(b.name)), hint);
        a->setObjectName(QString::fromLatin1(b.name));
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, b.slot);
        actions(b.command).tool = a;
    }
}

void TMainForm::buildStatusMenus()
{
    QMenu *com = m_statusRow->comPort()->menu();
    for (int i = 0; i < 8; ++i) {
        QAction *a = com->addAction(QStringLiteral("Com &%1").arg(i + 1));
        a->setObjectName(QStringLiteral("puCom%1").arg(i + 1));
        a->setData(i);
        connect(a, &QAction::triggered, this, [this, i] { puCom1Click(i); });
    }

    struct Rate {
        const char *text;
        Slot slot;  // null: no handler
        bool enabled;
    };
    const Rate rates[] = {
        {"1200", &TMainForm::br1200Click, true},    {"2400", &TMainForm::br2400Click, true},
        {"4800", &TMainForm::br4800Click, true},    {"9600", &TMainForm::br9600Click, true},
        {"14400", &TMainForm::br14400Click, true},  {"19200", &TMainForm::br19200Click, true},
        {"28800", &TMainForm::br28800Click, true},  {"31250", &TMainForm::br31250Click, false},
        {"38400", &TMainForm::br38400Click, true},  {"57600", &TMainForm::br57600Click, true},
        {"76800", &TMainForm::br76800Click, false}, {"115200", &TMainForm::br115200Click, true},
        {"93750", nullptr, false},
    };
    QMenu *baud = m_statusRow->baud()->menu();
    for (const Rate &r : rates) {
        const QString text = QString::fromLatin1(r.text);
        QAction *a = baud->addAction(text);
        a->setObjectName(QStringLiteral("br%1").arg(text));
        a->setEnabled(r.enabled);
        if (r.slot)
            connect(a, &QAction::triggered, this, r.slot);
        if (text == QLatin1String("31250")) {
            a->setToolTip(QStringLiteral("Data Rate not Supported by Windows"));
            a->setStatusTip(a->toolTip());
        }
    }

    struct Format {
        const char *text;
        const char *name;
        Slot slot;
    };
    const Format formats[] = {
        {"N-8-1 (parity, databits, stopbits)", "puN81", &TMainForm::puN81Click},
        {"E-7-1", "puE71", &TMainForm::puE71Click},
        {"O-7-1", "puO71", &TMainForm::puO71Click},
        {"E-7-2", "puE72", &TMainForm::puE72Click},
        {"O-7-2", "puO72", &TMainForm::puO72Click},
    };
    QMenu *format = m_statusRow->lineFormat()->menu();
    for (const Format &f : formats) {
        QAction *a = format->addAction(QString::fromLatin1(f.text));
        a->setObjectName(QString::fromLatin1(f.name));
        connect(a, &QAction::triggered, this, f.slot);
    }
}
