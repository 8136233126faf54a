#pragma once

#include "diagnostics/DiagnosticsChannel.h"

#include <functional>

class MessageSink;
class QWidget;
class TBERTestForm;

// The receive tests of the Diagnostics menu: opens a channel into the main window's
// slot, runs the receive test dialog modally on it and closes the channel again.
class TRxBerTest {
public:
    TRxBerTest(const PortSettings &portSettings, MessageSink &messages, TChannelSlot &channelSlot,
               QWidget *parent = nullptr, TChannelFactory makeChannel = {});

    // Test kind 1, 2 or 3. A port that cannot be opened is reported with the
    // port's own text and no dialog is shown.
    void RxBerTest(int TestKind);

    // Called with the dialog once it is set up, right before it is shown.
    std::function<void(TBERTestForm &)> onDialogReady;

private:
    const PortSettings &m_portSettings;
    MessageSink &m_messages;
    TChannelSlot &m_slot;
    QWidget *m_parent;
    TChannelFactory m_makeChannel;
};
