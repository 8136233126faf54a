#pragma once

#include "comm/ModuleChannel.h"
#include "settings/MessageSink.h"
#include "settings/Types.h"

#include <functional>
#include <memory>
#include <optional>

// The main window's channel slot: the channel a diagnostics command creates and
// destroys. The receive test dialog uses whatever channel the slot holds.
using ChannelSlot = std::unique_ptr<ModuleChannel>;

// Opens a channel with the given PC-side settings; the port's exceptions reach the
// caller. The default opens the real port; tests hand in one over a port double.
using ChannelFactory = std::function<ChannelSlot(const PortSettings &)>;
ChannelFactory defaultChannelFactory();

// Puts a new channel into the slot on construction and destroys it (closing the
// port) when the command ends, also after a failure.
class ScopedChannel {
public:
    ScopedChannel(ChannelSlot &slot, const ChannelFactory &make, const PortSettings &settings);
    ~ScopedChannel();
    ScopedChannel(const ScopedChannel &) = delete;
    ScopedChannel &operator=(const ScopedChannel &) = delete;

    ModuleChannel &operator*() const { return *m_slot; }
    ModuleChannel *operator->() const { return m_slot.get(); }

    // Opens a channel into the slot; a port that cannot be opened is reported with the
    // port's own text and gives nothing.
    static std::optional<ScopedChannel> openOrReport(ChannelSlot &slot, const ChannelFactory &make,
                                                    const PortSettings &settings, MessageSink &messages);

private:
    ChannelSlot &m_slot;
};
