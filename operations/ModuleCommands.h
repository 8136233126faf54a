#pragma once

#include "settings/Types.h"

class OperationHost;

// The main window's module commands: "Configure Module", "Read Module
// Configuration" and "Restore Factory Defaults". GUI thread; each returns when its
// progress dialog has closed.
class ModuleCommands {
public:
    explicit ModuleCommands(OperationHost &host);

    // Refuses without an operating mode; otherwise clears the log, builds the
    // CommandList for the mode and configures the module.
    void configure();
    void configureWithCommandList();
    // Reads the module's listing into the settings. A read that brings no listing
    // into the settings (no answer, a cut listing, cancel) puts back the settings
    // held before the command.
    void read();
    // Asks first; on Yes restores the factory defaults and reads the module at
    // 9600 8-N-1.
    void restoreFactoryDefaults();

    // Shows the progress dialog modally for one operation; returns whether a
    // listing reached the settings.
    bool showProgress(OperationKind kind);

    static const QString kNoModeText;
    static const QString kRestoreQuestion;

private:
    OperationHost &m_host;
};
