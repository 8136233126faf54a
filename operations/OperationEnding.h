#pragma once

#include <QString>

struct OperationResult;

// What an operation that changes the module (configure, restore) did to it before it
// ended, so that every ending can leave the module in a known state and say which.
struct ModuleChanges {
    enum class Store {
        NotSent,     // no store command ("AT&W", "AT&F&W") went out: the stored profile is the old one
        Unanswered,  // it went out and nothing confirmed it: the old profile or the new one
        Acknowledged // the module answered it: the new profile is stored
    };
    enum class Reset {
        NotNeeded,   // nothing was sent that a reset has to undo, or the operation's own reset ran
        Done,        // "ATZ" went out and the module answered it
        Failed       // "ATZ" was due but the module could not be reached
    };

    bool sent = false;  // the first configuration command went out
    Store store = Store::NotSent;
    Reset reset = Reset::NotNeeded;

    bool operator==(const ModuleChanges &) const = default;
};

// What an operation was to store.
enum class StoredThing { Configuration, FactoryDefaults };

// The sentence that says what an unfinished configure or restore left in the module,
// for example "nothing was stored, the module was reset". Empty when it sent nothing.
QString changesSentence(const ModuleChanges &changes, StoredThing what);

// The whole ending of an operation that did not finish, as the window and the console
// show it: why it ended, then what the module holds now. Empty for a finished one.
QString endingText(const OperationResult &result, StoredThing what);
