#include "diagnostics/TransmitTest.h"

#include "comm/ModuleChannel.h"
#include "diagnostics/DiagnosticMessages.h"
#include "diagnostics/WaitCursor.h"
#include "settings/MessageSink.h"

#include <optional>

namespace {
constexpr unsigned kCommandWait = 100;  // ms
} // namespace

TransmitTest::TransmitTest(const PortSettings &portSettings, const QString &modelName, MessageSink &messages,
                       ChannelSlot &channelSlot, ReceiveHandler receiveData, MenuCaption caption,
                       ChannelFactory makeChannel)
    : m_portSettings(portSettings)
    , m_modelName(modelName)
    , m_messages(messages)
    , m_slot(channelSlot)
    , m_receiveData(std::move(receiveData))
    , m_caption(std::move(caption))
    , m_makeChannel(std::move(makeChannel))
{
}

void TransmitTest::toggle()
{
    const bool starting = m_caption.get && m_caption.get().contains(QStringLiteral("Start"));
    std::optional<ScopedChannel> channel =
        ScopedChannel::openOrReport(m_slot, m_makeChannel, m_portSettings, m_messages);
    if (!channel)
        return;
    std::optional<WaitCursor> wait(std::in_place);
    (*channel)->setReceiveHandler(m_receiveData);
    QString message;
    MessageSink::Icon icon = MessageSink::Icon::Error;
    try {
        (*channel)->wakeModem();
        if (starting)
            start(**channel);
        else
            stop(**channel);
        icon = MessageSink::Icon::Information;
        message = starting ? DiagnosticMessages::txStarted() : DiagnosticMessages::txStopped();
    } catch (const ModuleReplyError &) {
        message = DiagnosticMessages::txNoResponse(m_modelName);
    } catch (const SerialLineError &) {
        message = DiagnosticMessages::txNoCts(m_modelName);
    } catch (const Exception &e) {
        message = e.message();
    }
    // The box waits for the user: the port is closed and the cursor normal by then.
    wait.reset();
    channel.reset();
    m_messages.show(icon, MessageSink::Buttons::Ok, message);
}

void TransmitTest::start(ModuleChannel &channel)
{
    channel.sendCommand("AT&K0\r", "OK", kCommandWait);
    channel.flushLine();
    channel.sendCommand("AT&T0\r", "00", kCommandWait);
    if (m_caption.set)
        m_caption.set(kStopTxBerCaption);
}

void TransmitTest::stop(ModuleChannel &channel)
{
    channel.sendCommand("ATZ\r", "\r", kCommandWait);
    if (m_caption.set)
        m_caption.set(kStartTxBerCaption);
}
