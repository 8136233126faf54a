#include "comm/SerialPortLayer.h"

#ifdef _WIN32
#include "comm/Win32SerialPort.h"
#else
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
    return std::make_unique<Win32SerialPort>();
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
