#pragma once

#include "comm/LineSettings.h"
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
class LogPane;
class QToolBar;
class ConfigFileCommands;
class ModuleCommands;
class FileDialogs;
class SettingsModel;
class FieldBinder;
class ModeOptions;
class OperatingModeGroup;
class SettingsPages;
class SpinField;
class StatusRow;
class TransmitTestItem;
class TransmitTestBanner;
class UnsavedChanges;

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
// The command handlers live in their own files: MainWindowFileCommands.cpp,
// MainWindowModuleCommands.cpp, MainWindowDiagnostics.cpp and MainWindowDialogs.cpp;
// the guard of unsaved edits in MainWindowUnsavedChanges.cpp.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The variant must have been chosen already; every message box goes to messages.
    // The file commands ask for file names through fileDialogs (Qt's file dialogs
    // when null).
    MainWindow(const ProductVariant &variant, MessageSink &messages, QWidget *parent = nullptr,
              FileDialogs *fileDialogs = nullptr);
    ~MainWindow() override;

    SettingsModel &model() const { return *m_model; }
    MessageSink &messages() const { return m_messages; }
    const ProductVariant &variant() const { return m_variant; }

    // --- program-wide state held by the window (GUI thread unless stated) ------
    // The PC side of the serial line: a "COMn" port, its rate and format.
    LineSettings &lineSettings() { return m_line; }
    const LineSettings &lineSettings() const { return m_line; }
    // CurrentFileName is held by the file commands; the caption follows it.
    const QString &currentFileName() const;
    // Sets CurrentFileName and applies the caption rule.
    void setCurrentFileName(const QString &path);
    // The last text received from the module, or the line read from a file. Any thread.
    QByteArray listingText() const;
    void setListingText(const QByteArray &text);
    // The CommandList of the last build (configure or save) and PriorS21.
    CommandList &commandList() { return m_commandList; }
    int &priorS21() { return m_priorS21; }
    // The module's escape character as far as the window knows it: "+" at start, set
    // by Escape Character and by a configure.
    char &escapeCharacter() { return m_escapeCharacter; }
    // Save, save as, new, open and the command-line file.
    ConfigFileCommands &fileCommands() const { return *m_files; }
    // The first command-line argument, opened as the last step of the start-up.
    void setCommandLineArgument(const QString &argument) { m_commandLineArgument = argument; }
    // The line the start-up takes instead of the defaults (the remembered one).
    void setStartupLineSettings(const LineSettings &line) { m_startupLine = line; }
    // Opens a file as File > Open does once it is chosen (Recent Files), or as the
    // command-line argument is opened (a dropped file).
    bool openNamedFile(const QString &path);
    bool openArgument(const QString &path);

    // The receive callback of a diagnostics channel; any thread. Stores the text as
    // ListingText and appends it, followed by "\r", as a new line of the log pane
    // (queued to the GUI thread when called from another thread).
    void receiveData(const QByteArray &text, quint16 length);
    // Appends a line to the log pane (GUI thread).
    void appendLogLine(const QByteArray &line);
    // A command sent to the module; the bare "\r" of a wake shows nothing.
    void appendSentLine(const QByteArray &command);
    void clearLog();
    QString logText() const;

    // Status row.
    void showLineSettings();
    void followModuleSerialSettings();
    void setStatusText(const QString &text);
    QString statusText() const;

    // Moves the input focus to the tool bar, so that the field being edited is
    // clamped and runs its leave rule.
    void commitEdit();
    // The numeric field being edited (has the focus and was not left yet), or null.
    SpinField *editedField() const;

    // The one action of a command: its menu item and, where it has one, its tool button.
    void enableCommand(MainCommand c, bool enabled = true);
    bool commandEnabled(MainCommand c) const;
    QAction *commandAction(MainCommand c) const;

    // "New": asks, then defaults, no file, bare caption.
    void newConfiguration();
    // Whether the settings were changed since they were last saved, opened, read or
    // written; the title then shows the mark.
    bool hasUnsavedChanges() const;
    // The settings as they are are kept somewhere now: the mark goes.
    void markSettingsKept();
    // Before the settings are replaced while they have unsaved changes: asks Save,
    // Discard or Cancel. doing completes "Save the changes before ...?". Whether to
    // go on (saved or discarded).
    bool keepUnsavedChanges(const QString &doing);
    // The outcome of a module command, in the status row and the log.
    void showOutcome(const QString &text);
    // Shows how a module command failed, then takes the step the user chose in its
    // message (Find Module..., Com Port Settings...); true when the command is to run again.
    bool showFailure(const QString &command, const QString &port, const ModuleCommands &commands);
    // Runs the start-up sequence; done by the first show, once.
    void startUp();
    // S21 and its labels, the fourth S-register tab's caption.
    void showS21(bool show);

public Q_SLOTS:
    // A mode chosen with the mode buttons.
    void selectMode(OperatingMode mode);
    // What leaving a numeric field does: clamp its value and run its leave rule.
    void leaveField(SpinField *field);

    // Status-row menus: COM port slot 0..7, a PC rate in bit/s, and one of the five
    // character formats in menu order (N-8-1, E-7-1, O-7-1, E-7-2, O-7-2).
    void setComPort(int slot);
    void setPcBaud(int bitsPerSecond);
    void setLineFormat(int format);

    // The commands of the menu bar and tool bar, one QAction each (see commandAction()).
    void openFile();          // MainWindowFileCommands.cpp
    void save();
    void saveAs();
    void compareFileWithWindow();
    void read();              // MainWindowModuleCommands.cpp
    void readModule();        // read() once any unsaved edits were dealt with
    void configure();
    void compareModuleWithWindow();
    void restoreFactoryDefaults();
    // True, after saying so, while a Tx BER test holds the module in test mode:
    // a read, configure, restore or compare would take the test's settings for the
    // module's own, and its "ATZ" would end the test behind the menu's back.
    bool refusedWhileTestRuns();  // MainWindowDiagnostics.cpp
    void findModule();
    void toggleTransmitTest();        // MainWindowDiagnostics.cpp
    // Receive test kind 1 (Rx BER), 2 (Tx & Rx BER) or 3 (RSSI measurement).
    void runReceiveTest(int kind);
    void editPortSettings();          // MainWindowDialogs.cpp
    void editEscapeCharacter();
    void showAbout();
    void showHistory();               // MainWindowJournal.cpp
    void writeCommissioningReport();
    // Opens a configuration line of the journal as File > Open opens a file, untitled.
    bool openRecordedConfiguration(const QByteArray &fileLine);

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    void buildCentralArea();
    void buildMenus();        // MainWindowMenus.cpp
    void buildToolBar();      // MainWindowMenus.cpp
    void buildStatusMenus();  // MainWindowMenus.cpp
    void applyVariant();
    void updateCaption();
    // After a read: a module of another model than the running product is named.
    void warnOfOtherModel(const QString &identification, const QString &port);
    // The identification of the module last read or written ("740R-B V1.90").
    QString m_moduleIdentification;
    void showMode(OperatingMode m);
    void onDefaultsApplied();
    // Opens the configuration file named as the first command-line argument.
    void openCommandLineFile();  // MainWindowFileCommands.cpp
    // The file commands and their connections to the window (MainWindowFileCommands.cpp).
    void buildFileCommands(FileDialogs *fileDialogs);
    // Shows the differences between the window's settings and another record.
    void showComparison(const QString &title, const QString &otherHeading, const ModuleSettings &other);
    // Runs a file command with ListingText (see MainWindowFileCommands.cpp).
    bool withListingText(const std::function<bool()> &command);
    // Runs a save with the value of the field being edited as the field reads it.
    bool withTypedValue(const std::function<bool()> &command);
    QAction *&action(MainCommand c) { return m_commands[static_cast<std::size_t>(c)]; }
    // The character formats of the status row's format menu, in menu order: N-8-1,
    // E-7-1, O-7-1, E-7-2, O-7-2 (the port and rate of each are of no account).
    static const std::array<LineSettings, 5> &menuFormats();

    const ProductVariant m_variant;
    MessageSink &m_messages;
    std::unique_ptr<SettingsModel> m_model;
    FieldBinder *m_binder = nullptr;

    LineSettings m_line;
    CommandList m_commandList;
    int m_priorS21 = 0;
    std::unique_ptr<FileDialogs> m_ownFileDialogs;
    ConfigFileCommands *m_files = nullptr;
    QByteArray m_fileListingText;  // GUI thread only
    QString m_commandLineArgument;
    std::optional<LineSettings> m_startupLine;
    mutable QMutex m_listingMutex;
    QByteArray m_listingText;
    char m_escapeCharacter = '+';
    // The escape character the transmit test's channels wake with, set at each toggle
    // (the test's commands run on a thread of their own).
    std::shared_ptr<std::atomic<char>> m_transmitEscape = std::make_shared<std::atomic<char>>('+');
    bool m_shown = false;

    QToolBar *m_toolBar = nullptr;
    OperatingModeGroup *m_modeGroup = nullptr;
    ModeOptions *m_modeOptions = nullptr;
    SettingsPages *m_settingsPages = nullptr;
    LogPane *m_log = nullptr;
    StatusRow *m_statusRow = nullptr;
    TransmitTestBanner *m_transmitBanner = nullptr;
    UnsavedChanges *m_unsaved = nullptr;
    std::array<QAction *, kMainCommandCount> m_commands{};
    QAction *m_verifyAfterConfigure = nullptr;  // checkable; the desktop session checks it unless remembered off
    // The transmit test and its menu item, made when first used. Last: its thread
    // writes to the log until it is gone.
    std::unique_ptr<TransmitTestItem> m_transmitTest;
};
