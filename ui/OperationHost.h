#pragma once

#include "comm/LineSettings.h"
#include "comm/ReplyRule.h"
#include "settings/CommandBuilder.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QString>

class MessageSink;
class QWidget;
class SettingsModel;

// What the module commands need of the main window. GUI thread only: the
// operations themselves run elsewhere and never touch it.
class OperationHost {
public:
    virtual ~OperationHost() = default;

    virtual SettingsModel &model() = 0;
    virtual MessageSink &messages() = 0;
    virtual const ProductVariant &variant() const = 0;
    // The PC side of the serial line.
    virtual LineSettings &lineSettings() = 0;
    virtual CommandList &commandList() = 0;
    virtual int &priorS21() = 0;
    // The module's escape character as far as the window knows it.
    virtual char &escapeCharacter() = 0;
    // How the module's replies are read ("Wait for Silence After Replies").
    virtual ReplyPace replyPace() const { return ReplyPace::FinalCode; }

    // The last text received from the module.
    virtual void setListingText(const QByteArray &text) = 0;
    // Status row: the three PC serial panels.
    virtual void showLineSettings() = 0;
    // The status line of the status row.
    virtual void setStatusText(const QString &text) = 0;

    virtual void appendLogLine(const QByteArray &line) = 0;
    // A command the program sent, as the log shows it.
    virtual void appendSentLine(const QByteArray &command) = 0;
    virtual void clearLog() = 0;
    virtual void repaintWindow() = 0;
    // Parent of the progress dialog; may be null.
    virtual QWidget *window() = 0;
};
