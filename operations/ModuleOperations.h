#pragma once

#include "comm/LineSettings.h"
#include "operations/OperationEnding.h"
#include "settings/CommandBuilder.h"
#include "settings/ListingParser.h"
#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <stop_token>

class ModuleSession;

// What an operation tells while it runs. Called on the operation's thread; an
// implementation hands what it shows to its own thread without waiting.
class OperationObserver {
public:
    virtual ~OperationObserver() = default;
    virtual void status(const QString &text) { Q_UNUSED(text); }
    virtual void progress(int value, int maximum) { Q_UNUSED(value); Q_UNUSED(maximum); }
    // Every reply of the module, as the log shows it.
    virtual void reply(const QByteArray &text) { Q_UNUSED(text); }
    // Every command as it goes out, the escape sequence too.
    virtual void sent(const QByteArray &command) { Q_UNUSED(command); }
    // The PC side now talks at `line` (it followed the module's new rate or format).
    virtual void lineChanged(const LineSettings &line) { Q_UNUSED(line); }
};

// A message for the user that an operation leaves behind, in the order it arose.
struct OperationNotice {
    enum class Level { Information, Warning, Error };
    Level level = Level::Warning;
    QString text;
    bool operator==(const OperationNotice &) const = default;
};

struct OperationResult {
    enum class Outcome {
        Done,
        Cancelled,   // stopped on request
        PortError,   // the port could not be opened
        NoResponse,  // the module did not answer (or not recognisably)
        Refused,     // the module answered a command with an error, or a write failed
        LineLost,    // the device hung up or vanished
        BadListing,  // the listing did not convert
    };
    Outcome outcome = Outcome::Done;
    // What the user reads about a failure (also the last Error notice); empty when done.
    QString error;
    QList<OperationNotice> notices;

    // Read and restore: the listing as parsed (also when a later step failed);
    // configure: the listing read back after the store, when asked for.
    std::optional<ParsedListing> listing;
    // "ATI": the identification line and the firmware version taken from it (0: none).
    QString identification;
    double firmware = 0;
    // The most recent reply of the module.
    QByteArray lastReply;
    // Where the PC side stands at the end (it follows the module's rate and format).
    LineSettings line;
    // The module's escape character at the end (a configure sets it).
    char escapeCharacter = '+';
    // Configure: every command went out and was stored.
    bool configured = false;
    // Configure and restore: what reached the module and how the operation left it.
    ModuleChanges changes;

    bool succeeded() const { return outcome == Outcome::Done; }
};

// What a configure needs: the 40 commands and the settings they were built from.
struct ConfigureRequest {
    ProductVariant variant;
    ModuleSettings settings;
    CommandList commands;
    // Verify in the same wake: the listing is read back after the store ("AT&W") and
    // before the reset ("ATZ"), when what is active is what was stored. It lands in
    // the result's listing; without one (quiet mode, a rate the PC cannot follow, a
    // listing that did not convert) a separate read must verify.
    bool readBack = false;
};

// What a read needs. `priorS21` is the radio signature the user had before; with it
// above 0 an old 740-class firmware gets a warning.
struct ReadRequest {
    ProductVariant variant;
    int priorS21 = 0;
};

// The module operations: each opens the session's line, does its work and closes
// the line again. Qt Core only; they block, so the window runs them off its thread.
// The same bytes reach the line whoever runs them.
OperationResult configureModule(const ConfigureRequest &request, ModuleSession &session, OperationObserver &observer,
                                std::stop_token stop);
OperationResult readModule(const ReadRequest &request, ModuleSession &session, OperationObserver &observer,
                           std::stop_token stop);
// Factory defaults ("AT&F&W"), then a read at 9600 N-8-1 on the same port.
OperationResult restoreDefaults(const ReadRequest &request, ModuleSession &session, OperationObserver &observer,
                                std::stop_token stop);
