#pragma once

#include <QString>

// Every message box of the program goes through this interface, so tests can read
// the text, the icon kind and the buttons and give the answer. Texts are passed as
// the user reads them ("S18 & S19", not the doubled ampersand of a caption).
class MessageSink {
public:
    enum class Icon { Error, Warning, Information, Question };
    // YesNoDefaultNo guards a change that cannot be undone: Enter answers No.
    // SaveDiscardCancel asks before unsaved edits would be replaced. NextSteps ends a
    // failure to reach the module with what may help: "Retry", "Find Module...",
    // "Com Port Settings..." and OK, which does nothing more.
    enum class Buttons { Ok, YesNo, OkCancel, YesNoDefaultNo, SaveDiscardCancel, NextSteps };
    enum class Answer { Ok, Cancel, Yes, No, Save, Discard, Retry, FindModule, PortSettings };

    virtual ~MessageSink() = default;
    virtual Answer show(Icon icon, Buttons buttons, const QString &text) = 0;
};
