#pragma once

#include "operations/GuiCall.h"
#include "settings/CommandBuilder.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

class OperationHost;
class TCOM740Object;
class TConfigProgressForm;

// The worker of one module operation (configure, read, restore factory defaults).
// It owns the channel for the whole operation and reaches the GUI only through
// blocking hand-offs to the progress dialog's thread: status, progress, messages,
// log lines and the steps that touch the main window. Cancel is the thread's
// interruption request, looked at between steps.
class TProgramThread : public QThread {
    Q_OBJECT
public:
    // GUI thread. Takes the values it needs of the main window now (the command
    // list, S2, "Disable Response Codes"); `kind` outside the three operations
    // makes it do nothing.
    TProgramThread(OperationHost &host, TConfigProgressForm &form, OperationKind kind);
    ~TProgramThread() override;

    // Whether a listing reached the settings (the read's parse went through).
    // Read it after the thread has finished.
    bool listingApplied() const { return m_listingApplied.load(); }

    static const QString kXonXoffText;
    static const QString kDisableResponseCodesText;

protected:
    // Execute.
    void run() override;

private:
    void Execute();
    using Body = void (TProgramThread::*)();
    // Channel from PortSettings, the body, channel closed; an error is shown.
    void runFramed(Body body);
    void RunConfigure();
    void RunRead();
    void RunRestore();

    void WakeModule();
    void ConfigureOperation();
    void configureCommands();
    void BeginShortOperation(const QString &status);
    void ReadOperation();
    void RestoreOperation();
    // Moves the module (and the PC after it) to the new rate and format first.
    void CheckSerialParameters();
    // After a cancel that came once the module had configuration commands: "ATZ" at
    // the module's present line settings, then the PC port as it was at the start.
    void resetAfterCancel();
    // Sleeps, but no longer than until a cancel.
    void pauseUnlessCancelled(int ms);

    // The channel for the current PortSettings, listening through the host.
    void openChannel(const PortSettings &settings);
    void openChannelFromGui();
    bool cancelled() const { return isInterruptionRequested(); }

    // Hand-offs to the GUI thread; each waits until it has run.
    void SetStatus(const QString &text);
    void SetProgress(int n);
    void SetProgressMax(int n);
    void StepProgress();
    void ProgressToMax();
    void RepaintDialog();
    void ReportMessage(const QString &text);
    template <class Step>
    void onGui(Step &&step)
    {
        callOnGui(m_guiContext, std::forward<Step>(step));
    }

    OperationHost &m_host;
    TConfigProgressForm &m_form;
    QObject *const m_guiContext;  // the dialog, on the GUI thread
    const OperationKind m_kind;
    const CommandList m_commands;
    const int m_escapeCode;
    const bool m_responseCodesOff;

    std::unique_ptr<TCOM740Object> m_channel;
    // Configure: the PC port at the start, the line settings the module talks at
    // now, and whether configuration commands went out and were all sent.
    PortSettings m_startPort;
    PortSettings m_moduleLine;
    bool m_configSent = false;
    bool m_configDone = false;
    std::atomic<bool> NonStandardRate{false};
    std::atomic<bool> m_listingApplied{false};
};
