#pragma once

#include "settings/Types.h"

#include <QByteArray>
#include <QString>

class OperationHost;
class QObject;
class TCOM740Object;

// The end of a module read, and the firmware check that configuring also runs:
// parse the listing, identify the module ("ATI"), warn when its firmware cannot
// take an S21 other than 0, reset it ("ATZ"). Runs on the worker that holds the
// channel: the exchanges wait there, and only the steps that touch the settings,
// the window and the messages are handed to the thread of `gui`.
class TReadConfigEnd {
public:
    TReadConfigEnd(OperationHost &host, TCOM740Object &channel, QObject *gui);

    // Parses ListingText into the settings, shows the identification in the status
    // line, checks the firmware and resets the module. Reports its own failures
    // (a cancelled exchange silently); returns whether the listing was applied.
    bool UpdateReadConfig();
    // Sends "ATI" and takes the identification line out of the reply. Raises the
    // channel's errors.
    QString ReadFirmwareVer();
    // The S21 warning when the firmware is 1.89 or older, PriorS21 is above 0 and
    // the product is of the 740 class. GUI thread.
    void CheckFirmwareDependencies(const QString &identification);
    // The configure operation's check: PriorS21 := sreg_21, identify, check.
    // Failures go to the caller.
    void CheckFirmware();

    // The identification line of an "ATI" reply: from the character before the
    // first "40R-B" up to the first CR LF after it; empty without such a pair.
    static QString ModuleIdentification(const QByteArray &reply);
    // The version number after the first "V" (digits and "."); 0 for the 620
    // class or when none can be taken.
    static double GetFirmwareVer(const QString &identification, RadioClass radioClass);

    static const QString kS21WarningText;
    static QString badReplyText(const QString &modelName);
    static QString noCtsText(const QString &modelName);

private:
    void report(const QString &text);

    OperationHost &m_host;
    TCOM740Object &m_channel;
    QObject *const m_gui;
};
