#pragma once

#include "settings/CommandBuilder.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QString>

#include <functional>

class MessageSink;
class QWidget;
class SettingsModel;

// What the module operations need of the main window. Everything here runs on the
// GUI thread, except the three entries marked "any thread": the worker's channel
// delivers its replies to receiveData on the worker's thread, and the worker judges
// ListingText there. ListingText is written by one thread at a time: by the worker
// during its own exchanges and by the GUI thread during a step the worker has handed
// over and waits for.
class OperationHost {
public:
    virtual ~OperationHost() = default;

    // --- any thread --------------------------------------------------------------
    // The channel's listener: stores the reply as ListingText, then logs it followed
    // by "\r" - through the worker's log hook while logViaWorker() is on, else at once.
    virtual void receiveData(const QByteArray &text, quint16 length) = 0;
    virtual QByteArray listingText() const = 0;
    virtual void setListingText(const QByteArray &text) = 0;

    // --- GUI thread ----------------------------------------------------------------
    // Whether the log goes via the worker, and the hook that takes a log line then.
    virtual void setLogViaWorker(bool on) = 0;
    virtual bool logViaWorker() const = 0;
    virtual void setWorkerLogHook(std::function<void(const QByteArray &line)> hook) = 0;

    virtual SettingsModel &model() = 0;
    virtual MessageSink &messages() = 0;
    virtual const ProductVariant &variant() const = 0;
    virtual PortSettings &portSettings() = 0;
    virtual CommandList &commandList() = 0;
    virtual int &priorS21() = 0;

    // Status row: all three PC serial panels, and the baud panel alone.
    virtual void showPortSettings() = 0;
    virtual void showPcBaud() = 0;
    // PortSettings from the module's serial settings, then DisplaySerialSettings.
    virtual void followModuleSerialSettings() = 0;
    // The status line of the status row.
    virtual void setStatusText(const QString &text) = 0;

    virtual void appendLogLine(const QByteArray &line) = 0;
    virtual void clearLog() = 0;
    // Moves the focus to the tool bar so that a field being edited is committed.
    virtual void commitEdit() = 0;
    virtual void repaintWindow() = 0;
    // Parent of the progress dialog; may be null.
    virtual QWidget *window() = 0;
};
