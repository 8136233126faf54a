#pragma once

#include "operations/GuiCall.h"
#include "settings/CommandBuilder.h"
#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

class OperationHost;
class ModuleChannel;
class ProgressReporter;

// The worker of one module operation (configure, read, restore factory defaults).
// It owns the channel for the whole operation and reaches the GUI only through
// blocking hand-offs to the GUI thread: status and progress (through a
// ProgressReporter), messages,
// log lines and the steps that touch the main window. Cancel is the thread's
// interruption request, looked at between steps.
class OperationWorker : public QThread {
    Q_OBJECT
public:
    // GUI thread. Takes the values it needs of the main window now (the command
    // list, S2, "Disable Response Codes"); `kind` outside the three operations
    // makes it do nothing.
    // `progress` and `guiContext` live on the GUI thread; every hand-off runs there.
    OperationWorker(OperationHost &host, ProgressReporter &progress, QObject *guiContext, OperationKind kind);
    ~OperationWorker() override;

    // Whether a listing reached the settings (the read's parse went through).
    // Read it after the thread has finished.
    bool listingApplied() const { return m_listingApplied.load(); }
    // Whether a configure sent every command and stored them. Read it after the end.
    bool configured() const { return m_configDone; }
    // GUI thread, before start: a read puts the listing into `target` (alive until
    // the worker ends) instead of the window's settings.
    void setListingTarget(ModuleSettings *target) { m_listingTarget = target; }

    static const QString kXonXoffText;
    static const QString kDisableResponseCodesText;

protected:
    void run() override;

private:
    void execute();
    using Body = void (OperationWorker::*)();
    // Channel from PortSettings, the body, channel closed; an error is shown.
    void runFramed(Body body);
    void runConfigure();
    void runRead();
    void runRestore();

    void wakeModule();
    void configureModule();
    void configureCommands();
    void beginShortOperation(const QString &status);
    void readModule();
    void restoreModule();
    // Moves the module (and the PC after it) to the new rate and format first.
    void checkSerialParameters();
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
    void reportStatus(const QString &text);
    void reportProgress(int n);
    void reportProgressMax(int n);
    void reportStep();
    void reportDone();
    void repaintProgress();
    void reportError(const QString &text);
    template <class Step>
    void onGui(Step &&step)
    {
        callOnGui(m_guiContext, std::forward<Step>(step));
    }

    OperationHost &m_host;
    ProgressReporter &m_progress;
    QObject *const m_guiContext;
    const OperationKind m_kind;
    const CommandList m_commands;
    const int m_escapeCode;
    const bool m_responseCodesOff;

    std::unique_ptr<ModuleChannel> m_channel;
    // Configure: the PC port at the start, the line settings the module talks at
    // now, and whether configuration commands went out and were all sent.
    PortSettings m_startPort;
    PortSettings m_moduleLine;
    bool m_configSent = false;
    bool m_configDone = false;
    std::atomic<bool> m_nonStandardRate{false};
    std::atomic<bool> m_listingApplied{false};
    ModuleSettings *m_listingTarget = nullptr;
};
