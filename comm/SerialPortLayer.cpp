#include "comm/SerialPortLayer.h"

#include <mutex>

namespace {
std::mutex factoryMutex;
PortLayerFactory &currentFactory()
{
    static PortLayerFactory factory;
    return factory;
}
} // namespace

std::unique_ptr<SerialPortLayer> makePortLayer()
{
    PortLayerFactory factory;
    {
        std::lock_guard lock(factoryMutex);
        factory = currentFactory();
    }
    return factory ? factory() : makeSystemPortLayer();
}

PortLayerFactory setPortLayerFactory(PortLayerFactory factory)
{
    std::lock_guard lock(factoryMutex);
    PortLayerFactory previous = std::move(currentFactory());
    currentFactory() = std::move(factory);
    return previous;
}
