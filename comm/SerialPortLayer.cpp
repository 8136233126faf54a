#include "comm/SerialPortLayer.h"

#ifndef _WIN32
#include "comm/PosixSerialPort.h"
#endif

#include <mutex>

namespace {
std::mutex factoryMutex;
PortLayerFactory &currentFactory()
{
    static PortLayerFactory factory;
    return factory;
}
} // namespace

std::unique_ptr<SerialPortLayer> makeSystemPortLayer()
{
#ifdef _WIN32
#error "a Windows build needs its port layer here; the logic above it does not change"
#else
    return std::make_unique<PosixSerialPort>();
#endif
}

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
