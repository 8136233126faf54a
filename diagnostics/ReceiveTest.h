#pragma once

#include "diagnostics/DiagnosticsChannel.h"

#include <functional>

class MessageSink;
class QWidget;
class ReceiveTestDialog;

// The receive tests of the Diagnostics menu: opens a channel into the main window's
// slot, runs the receive test dialog modally on it and closes the channel again.
class ReceiveTest {
public:
    ReceiveTest(const PortSettings &portSettings, MessageSink &messages, ChannelSlot &channelSlot,
               QWidget *parent = nullptr, ChannelFactory makeChannel = {});

    // Test kind 1, 2 or 3. A port that cannot be opened is reported with the
    // port's own text and no dialog is shown.
    void run(int testKind);

    // Called with the dialog once it is set up, right before it is shown.
    void setDialogReadyHandler(std::function<void(ReceiveTestDialog &)> handler)
    {
        m_onDialogReady = std::move(handler);
    }

private:
    const PortSettings &m_portSettings;
    MessageSink &m_messages;
    ChannelSlot &m_slot;
    QWidget *m_parent;
    ChannelFactory m_makeChannel;
    std::function<void(ReceiveTestDialog &)> m_onDialogReady;
};
