#include "diagnostics/DiagnosticsChannel.h"

TChannelFactory defaultChannelFactory()
{
    return [](const PortSettings &settings) { return std::make_unique<TCOM740Object>(settings); };
}

TSlotChannel::TSlotChannel(TChannelSlot &slot, const TChannelFactory &make, const PortSettings &settings)
    : m_slot(slot)
{
    m_slot.reset();  // one open port at a time
    m_slot = make ? make(settings) : defaultChannelFactory()(settings);
}

TSlotChannel::~TSlotChannel() { m_slot.reset(); }
