#include "diagnostics/RxBerTest.h"

#include "diagnostics/BERTestForm.h"
#include "settings/MessageSink.h"

#include <optional>

TRxBerTest::TRxBerTest(const PortSettings &portSettings, MessageSink &messages, TChannelSlot &channelSlot,
                       QWidget *parent, TChannelFactory makeChannel)
    : m_portSettings(portSettings)
    , m_messages(messages)
    , m_slot(channelSlot)
    , m_parent(parent)
    , m_makeChannel(std::move(makeChannel))
{
}

void TRxBerTest::RxBerTest(int TestKind)
{
    std::optional<TSlotChannel> channel =
        TSlotChannel::openOrReport(m_slot, m_makeChannel, m_portSettings, m_messages);
    if (!channel)
        return;
    // The dialog goes before the channel: it detaches its listener from it.
    TBERTestForm form(m_messages, m_parent);
    form.SetupTest(m_slot, TestKind);
    if (onDialogReady)
        onDialogReady(form);
    form.exec();
}
