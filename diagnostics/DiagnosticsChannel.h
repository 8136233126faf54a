#pragma once

#include "comm/ModuleChannel.h"
#include "settings/MessageSink.h"
#include "settings/Types.h"

#include <functional>
#include <memory>
#include <optional>

// The main window's channel slot: the channel a diagnostics command creates and
// destroys. The receive test dialog uses whatever channel the slot holds.
using TChannelSlot = std::unique_ptr<ModuleChannel>;

// Opens a channel with the given PC-side settings; the port's exceptions reach the
// caller. The default opens the real port; tests hand in one over a port double.
using TChannelFactory = std::function<TChannelSlot(const PortSettings &)>;
TChannelFactory defaultChannelFactory();

// Puts a new channel into the slot on construction and destroys it (closing the
// port) when the command ends, also after a failure.
class TSlotChannel {
public:
    TSlotChannel(TChannelSlot &slot, const TChannelFactory &make, const PortSettings &settings);
    ~TSlotChannel();
    TSlotChannel(const TSlotChannel &) = delete;
    TSlotChannel &operator=(const TSlotChannel &) = delete;

    ModuleChannel &operator*() const { return *m_slot; }
    ModuleChannel *operator->() const { return m_slot.get(); }

    // Opens a channel into the slot; a port that cannot be opened is reported with the
    // port's own text and gives nothing.
    static std::optional<TSlotChannel> openOrReport(TChannelSlot &slot, const TChannelFactory &make,
                                                    const PortSettings &settings, MessageSink &messages);

private:
    TChannelSlot &m_slot;
};
