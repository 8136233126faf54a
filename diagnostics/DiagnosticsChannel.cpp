#include "diagnostics/DiagnosticsChannel.h"

std::unique_ptr<ModuleChannel> openChannel(const ChannelFactory &make, const LineSettings &line)
{
    return make ? make(line) : std::make_unique<ModuleChannel>(line);
}
