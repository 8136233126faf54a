#include "comm/SerialPortLayer.h"

#include "comm/PortLayerChoice.h"

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
    return factory ? factory() : std::make_unique<PortLayerChoice>();
}

void SerialPortLayer::interrupt()
{
    {
        std::lock_guard lock(m_pauseMutex);
        m_interrupt.store(true);
    }
    m_pauseWake.notify_all();
    onInterruptChanged(true);
}

void SerialPortLayer::clearInterrupt()
{
    {
        std::lock_guard lock(m_pauseMutex);
        m_interrupt.store(false);
    }
    onInterruptChanged(false);
}

bool SerialPortLayer::pause(std::chrono::milliseconds duration)
{
    std::unique_lock lock(m_pauseMutex);
    return !m_pauseWake.wait_for(lock, duration, [this] { return m_interrupt.load(); });
}

PortLayerFactory setPortLayerFactory(PortLayerFactory factory)
{
    std::lock_guard lock(factoryMutex);
    PortLayerFactory previous = std::move(currentFactory());
    currentFactory() = std::move(factory);
    return previous;
}
