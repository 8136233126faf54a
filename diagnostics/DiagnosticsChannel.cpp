#include "diagnostics/DiagnosticsChannel.h"

ChannelFactory defaultChannelFactory()
{
    return [](const PortSettings &settings) { return std::make_unique<ModuleChannel>(settings); };
}

ScopedChannel::ScopedChannel(ChannelSlot &slot, const ChannelFactory &make, const PortSettings &settings)
    : m_slot(slot)
{
    m_slot.reset();  // one open port at a time
    m_slot = make ? make(settings) : defaultChannelFactory()(settings);
}

ScopedChannel::~ScopedChannel() { m_slot.reset(); }

std::optional<ScopedChannel> ScopedChannel::openOrReport(ChannelSlot &slot, const ChannelFactory &make,
                                                       const PortSettings &settings, MessageSink &messages)
{
    try {
        return std::optional<ScopedChannel>(std::in_place, slot, make, settings);
    } catch (const Exception &e) {
        messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, e.message());
        return std::nullopt;
    }
}
