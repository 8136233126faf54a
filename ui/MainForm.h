#pragma once

#include "settings/CommandBuilder.h"
#include "settings/MessageSink.h"
#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QMainWindow>
#include <QMutex>
#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QPlainTextEdit;
class QToolBar;
class ConfigFileCommands;
class FileDialogs;
class SettingsModel;
class TCOM740Object;
class TFieldBinder;
class TModeOptions;
class TOperatingModeGroup;
class TSettingsPages;
class TSpinField;
class TStatusRow;

// The commands of the menu bar and tool bar that can be switched on and off.
enum class MainCommand {
    New, Open, Save, SaveAs,
    Read, Configure, ComPortSettings,
    RestoreDefaults, TxBerTest, RxBerTest, TxRxBerTest, RssiMeasurement, EscapeCharacter,
    About,
};
inline constexpr int kMainCommandCount = static_cast<int>(MainCommand::About) + 1;

// The main window: a view of the SettingsModel, the menus, tool bar and status row
// that start every command, the log pane and the program-wide PC serial settings.
//
// The command handlers live in their own files: MainFormFileCommands.cpp,
// MainFormModuleCommands.cpp, MainFormDiagnostics.cpp and MainFormDialogs.cpp.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // The variant must have been chosen already; every message box goes to messages.
    // The file commands ask for file names through fileDialogs (Qt's file dialogs
    // when null).
    TMainForm(const ProductVariant &variant, MessageSink &messages, QWidget *parent = nullptr,
              FileDialogs *fileDialogs = nullptr);
    ~TMainForm() override;

    SettingsModel &model() const { return *m_model; }
    MessageSink &messages() const { return m_messages; }
    const ProductVariant &variant() const { return m_variant; }

    // --- program-wide state held by the window (GUI thread unless stated) ------
    PortSettings &portSettings() { return m_portSettings; }
    const PortSettings &portSettings() const { return m_portSettings; }
    // CurrentFileName is held by the file commands; the caption follows it.
    const QString &currentFileName() const;
    // Sets CurrentFileName and applies the caption rule.
    void setCurrentFileName(const QString &path);
    // The last text received from the module, or the line read from a file. Any thread.
    QByteArray listingText() const;
    void setListingText(const QByteArray &text);
    // The CommandList of the last build (configure or save) and PriorS21 (GUI thread,
    // or the worker while the progress dialog is shown).
    CommandList &commandList() { return m_commandList; }
    int &PriorS21() { return m_priorS21; }
    // Save, save as, new, open and the command-line file.
    ConfigFileCommands &fileCommands() const { return *m_files; }
    // The first command-line argument, opened as the last step of the start-up.
    void setCommandLineArgument(const QString &argument) { m_commandLineArgument = argument; }
    // Port settings the start-up takes instead of the defaults (the remembered ones).
    void setStartupPortSettings(const PortSettings &settings) { m_startupPortSettings = settings; }
    // Opens a file as File > Open does once it is chosen (Recent Files), or as the
    // command-line argument is opened (a dropped file).
    bool openFile(const QString &path);
    bool openArgument(const QString &path);

    // The receive callback of the module channel; any thread. Stores the text as
    // ListingText and appends it, followed by "\r", as a new line of the log pane:
    // through the worker's hook while LogViaWorker is set, otherwise at once (queued
    // to the GUI thread when called from another thread).
    void ReceiveData(const QByteArray &text, quint16 length);
    std::atomic<bool> LogViaWorker{false};
    // Set by the operation worker before it starts (never while one runs): takes a
    // log line on the worker's thread and has it appended on the GUI thread.
    void setWorkerLogHook(std::function<void(const QByteArray &line)> hook);
    // Appends a line to the log pane (GUI thread).
    void appendLogLine(const QByteArray &line);
    void clearLog();
    QString logText() const;

    // Status row.
    void DisplaySerialSettings();
    void UpdateSerialParams();
    void setStatusText(const QString &text);
    QString statusText() const;

    // Moves the input focus to the tool bar, so that the field being edited is
    // clamped and runs its leave rule.
    void commitEdit();
    // The numeric field being edited (has the focus and was not left yet), or null.
    TSpinField *editedField() const;

    // Menu items and tool buttons of a command.
    void enableCommand(MainCommand c, bool enabled = true);
    bool commandEnabled(MainCommand c) const;
    QAction *menuAction(MainCommand c) const;
    QAction *toolAction(MainCommand c) const;

    // "New": asks, then defaults, no file, bare caption.
    void New();
    // Runs the start-up sequence; done by the first show, once.
    void FormShow();
    // S21 and its labels, the fourth S-register tab's caption.
    void Show_SS_Options(bool show);

public Q_SLOTS:
    // Mode buttons (user selection).
    void rb_TransModeClick();
    void rb_TM_RptClick();
    void rb_ContModeClick();
    void rb_CM_SlaveClick();
    void rb_CM_SingleClick();

    // Field-leave handlers: clamp the control's value and run its leave rule.
    void ed_CM_LinkChkExit();
    void sreg_6Exit();
    void ed_CM_SC_AttemptsExit();
    void sreg_7Exit();
    void ed_CM_SC_DelayExit();
    void sreg_11Exit();
    void Radio_PackSizeExit();
    void sreg_14Exit();
    void Radio_TxHoldExit();
    void sreg_16Exit();
    void Radio_RxHoldExit();
    void sreg_17Exit();
    void ed_CM_LinkRstExit();
    void Adv_LinkRstExit();
    void ed_CM_SysAddExit();
    void ed_TM_SysAddExit();
    void ed_CM_UnitAddExit();
    void sreg_18Exit();
    void sreg_19Exit();
    void ed_TM_GrpAdd2Exit();

    // Status-row menus.
    void puCom1Click(int tag);
    void br1200Click();
    void br2400Click();
    void br4800Click();
    void br9600Click();
    void br14400Click();
    void br19200Click();
    void br28800Click();
    void br31250Click();
    void br38400Click();
    void br57600Click();
    void br76800Click();
    void br115200Click();
    void puN81Click();
    void puE71Click();
    void puO71Click();
    void puE72Click();
    void puO72Click();

    // File commands (MainFormFileCommands.cpp).
    void File_NewClick();
    void tb_NewClick();
    void File_OpenClick();
    void tb_OpenClick();
    void File_SaveClick();
    void tb_SaveClick();
    void File_SaveAsClick();
    void File_ExitClick();

    // Module commands (MainFormModuleCommands.cpp).
    void Comm_ReadClick();
    void tb_UpLoadClick();
    void Comm_ConfigureClick();
    void tb_ProgramClick();
    void Adv_DefaultsClick();
    void tb_DefaultsClick();

    // Diagnostics (MainFormDiagnostics.cpp).
    void Diag_TxBerClick();
    void Diag_RxBerClick();
    void Diag_TxRxBerClick();
    void Diag_RSSIClick();

    // Dialogs (MainFormDialogs.cpp).
    void Comm_SerialClick();
    void tb_ComSettingsClick();
    void SetupComPort();
    void Adv_EscCharClick();
    void Help_AboutClick();
    void tb_HelpClick();
    void ShowHelpAbout();

protected:
    bool event(QEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    void buildCentralArea();
    void buildMenus();        // MainFormMenus.cpp
    void buildToolBar();      // MainFormMenus.cpp
    void buildStatusMenus();  // MainFormMenus.cpp
    void applyVariant();
    void updateCaption();
    void showMode(OperatingMode m);
    void onDefaultsApplied();
    void leave(const char *controlName);
    void setPcBaud(int index);
    void setLineFormat(int parity, int dataBits, int stopBits);
    // Opens the configuration file named as the first command-line argument.
    void OpenCommandLineFile();  // MainFormFileCommands.cpp
    // The file commands and their connections to the window (MainFormFileCommands.cpp).
    void buildFileCommands(FileDialogs *fileDialogs);
    // Runs a file command with ListingText (see MainFormFileCommands.cpp).
    bool withListingText(const std::function<bool()> &command);
    // Runs a save with the value of the field being edited as the field reads it.
    bool withTypedValue(const std::function<bool()> &command);
    // The receive test dialog for test kind 1..3, and the transmit test's start or
    // stop (MainFormDiagnostics.cpp).
    void RxBerTest(int TestKind);
    void TxBertest();

    struct CommandActions {
        QAction *menu = nullptr;
        QAction *tool = nullptr;
    };
    CommandActions &actions(MainCommand c) { return m_commands[static_cast<std::size_t>(c)]; }
    const CommandActions &actions(MainCommand c) const { return m_commands[static_cast<std::size_t>(c)]; }

    const ProductVariant m_variant;
    MessageSink &m_messages;
    std::unique_ptr<SettingsModel> m_model;
    TFieldBinder *m_binder = nullptr;

    PortSettings m_portSettings;
    CommandList m_commandList;
    int m_priorS21 = 0;
    std::unique_ptr<FileDialogs> m_ownFileDialogs;
    ConfigFileCommands *m_files = nullptr;
    QByteArray m_fileListingText;  // GUI thread only
    QString m_commandLineArgument;
    std::optional<PortSettings> m_startupPortSettings;
    mutable QMutex m_listingMutex;
    QByteArray m_listingText;
    std::function<void(const QByteArray &)> m_workerLogHook;
    bool m_shown = false;

    QToolBar *ToolBar1 = nullptr;
    TOperatingModeGroup *m_modeGroup = nullptr;
    TModeOptions *m_modeOptions = nullptr;
    TSettingsPages *m_settingsPages = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    TStatusRow *m_statusRow = nullptr;
    std::array<CommandActions, kMainCommandCount> m_commands{};
    // The channel a diagnostics command opens; closed when the command ends.
    std::unique_ptr<TCOM740Object> m_diagChannel;
};
