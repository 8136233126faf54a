#pragma once

#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QString>

class OperationHost;
class QObject;
class ModuleChannel;

// The end of a module read, and the firmware check that configuring also runs:
// parse the listing, identify the module ("ATI"), warn when its firmware cannot
// take an S21 other than 0, reset it ("ATZ"). Runs on the worker that holds the
// channel: the exchanges wait there, and only the steps that touch the settings,
// the window and the messages are handed to the thread of `gui`.
class ReadCompletion {
public:
    // With a target, the listing goes into it instead of the window's settings.
    ReadCompletion(OperationHost &host, ModuleChannel &channel, QObject *gui, ModuleSettings *target = nullptr);

    // Parses ListingText into the settings, shows the identification in the status
    // line, checks the firmware and resets the module. Reports its own failures
    // (a cancelled exchange silently); returns whether the listing was applied.
    bool applyListing();
    // Sends "ATI" and takes the identification line out of the reply. Raises the
    // channel's errors.
    QString readIdentification();
    // The S21 warning when the firmware is 1.89 or older, PriorS21 is above 0 and
    // the product is of the 740 class. GUI thread.
    void checkFirmwareDependencies(const QString &identification);
    // The configure operation's check: PriorS21 := RadioSignature, identify, check.
    // Failures go to the caller.
    void checkFirmware();

    // The identification line of an "ATI" reply: from the character before the
    // first "40R-B" up to the first CR LF after it; empty without such a pair.
    static QString identificationLine(const QByteArray &reply);
    // The version number after the first "V" (digits and "."); 0 for the 620
    // class or when none can be taken.
    static double firmwareVersion(const QString &identification, RadioClass radioClass);

    static const QString kS21WarningText;
    static QString badReplyText(const QString &modelName);
    static QString noCtsText(const QString &modelName);

private:
    void report(const QString &text);

    OperationHost &m_host;
    ModuleChannel &m_channel;
    QObject *const m_gui;
    ModuleSettings *const m_target;
};
