#pragma once

#include "comm/LineSettings.h"
#include "comm/ModuleChannel.h"

#include <functional>
#include <memory>

// Opens a channel over the given line; the port's exceptions reach the caller. The
// default opens the real port; tests hand in one over a port double.
using ChannelFactory = std::function<std::unique_ptr<ModuleChannel>(const LineSettings &)>;

// Opens a channel with `make`, or with the real port when `make` is empty.
std::unique_ptr<ModuleChannel> openChannel(const ChannelFactory &make, const LineSettings &line);
