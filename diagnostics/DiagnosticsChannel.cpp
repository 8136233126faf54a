#include "diagnostics/DiagnosticsChannel.h"

TChannelFactory defaultChannelFactory()
{
    return [](const PortSettings &settings) { return std::make_unique<ModuleChannel>(settings); };
}

TSlotChannel::TSlotChannel(TChannelSlot &slot, const TChannelFactory &make, const PortSettings &settings)
    : m_slot(slot)
{
    m_slot.reset();  // one open port at a time
    m_slot = make ? make(settings) : defaultChannelFactory()(settings);
}

TSlotChannel::~TSlotChannel() { m_slot.reset(); }

std::optional<TSlotChannel> TSlotChannel::openOrReport(TChannelSlot &slot, const TChannelFactory &make,
                                                       const PortSettings &settings, MessageSink &messages)
{
    try {
        return std::optional<TSlotChannel>(std::in_place, slot, make, settings);
    } catch (const Exception &e) {
        messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, e.message());
        return std::nullopt;
    }
}
