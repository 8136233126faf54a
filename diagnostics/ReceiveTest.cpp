#include "diagnostics/ReceiveTest.h"

#include "diagnostics/ReceiveTestDialog.h"
#include "settings/MessageSink.h"

#include <optional>

ReceiveTest::ReceiveTest(const PortSettings &portSettings, MessageSink &messages, ChannelSlot &channelSlot,
                       QWidget *parent, ChannelFactory makeChannel)
    : m_portSettings(portSettings)
    , m_messages(messages)
    , m_slot(channelSlot)
    , m_parent(parent)
    , m_makeChannel(std::move(makeChannel))
{
}

void ReceiveTest::run(int testKind)
{
    std::optional<ScopedChannel> channel =
        ScopedChannel::openOrReport(m_slot, m_makeChannel, m_portSettings, m_messages);
    if (!channel)
        return;
    // The dialog goes before the channel: it detaches its listener from it.
    ReceiveTestDialog form(m_messages, m_parent);
    form.setupTest(m_slot, testKind);
    if (m_onDialogReady)
        m_onDialogReady(form);
    form.exec();
}
