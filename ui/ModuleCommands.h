#pragma once

#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QString>

#include <optional>

struct OperationResult;
class OperationHost;

// The main window's module commands: "Configure Module", "Read Module
// Configuration" and "Restore Factory Defaults". GUI thread; each runs its operation
// off the GUI thread behind the progress dialog, returns when that has closed and
// then applies the result to the window.
class ModuleCommands {
public:
    explicit ModuleCommands(OperationHost &host);

    // Refuses without an operating mode; otherwise clears the log, builds the
    // CommandList for the mode and configures the module. Returns whether every
    // command went out and was stored.
    // With `readBack` the module's listing is read back in the same wake, after the
    // store; it lands there when it came and converted.
    bool configure(std::optional<ModuleSettings> *readBack = nullptr);
    bool configureWithCommandList(std::optional<ModuleSettings> *readBack = nullptr);
    // Reads the module's listing into the settings. A read that brings no listing
    // that converts (no answer, a cut listing, cancel) leaves the settings alone.
    bool read();
    // The same read into a record of its own; the window's settings stay as they
    // are. Returns whether the listing arrived and converted.
    bool readInto(ModuleSettings &target);
    // Asks first (No is the default answer); on Yes restores the factory defaults
    // and reads the module at 9600 8-N-1. nullopt when the user said No, otherwise
    // whether it succeeded.
    std::optional<bool> restoreFactoryDefaults();

    // Runs one operation behind the progress dialog; returns whether a listing
    // reached the settings (or `target`), or for a configure whether it was stored.
    bool showProgress(OperationKind kind, ModuleSettings *target = nullptr,
                      std::optional<ModuleSettings> *readBack = nullptr);

    static const QString kNoModeText;
    static const QString kRestoreQuestion;

    // What the last operation reported: the module's identification line, the
    // error that ended it (empty when done) and whether it was cancelled.
    const QString &lastIdentification() const { return m_identification; }
    const QString &lastError() const { return m_error; }
    bool lastCancelled() const { return m_cancelled; }
    // What the user chose in the message of a failure to reach the module; None
    // when there was no such failure or the message was just closed.
    enum class NextStep { None, Retry, FindModule, PortSettings };
    NextStep lastNextStep() const { return m_nextStep; }

private:
    OperationResult run(OperationKind kind, bool readBack);
    bool apply(OperationKind kind, const OperationResult &result, ModuleSettings *target);
    // After a configure or restore that did not finish: what the module holds now.
    void showWhatWasStored(OperationKind kind, const OperationResult &result);

    OperationHost &m_host;
    QString m_identification;
    QString m_error;
    bool m_cancelled = false;
    NextStep m_nextStep = NextStep::None;
};
