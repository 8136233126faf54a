#include "comm/PortLayerChoice.h"

#include "comm/ComPorts.h"
#include "comm/PortAddress.h"
#ifdef CFG_NETWORK_PORTS
#include "comm/NetworkSerialPort.h"
#endif

PortLayerChoice::PortLayerChoice() : m_local(makeSystemPortLayer()), m_active(m_local.get()) {}

PortLayerChoice::~PortLayerChoice() = default;

bool PortLayerChoice::open(const std::string &deviceName)
{
    m_failure.clear();
    if (m_active->isOpen())
        return false;
    // A slot name stands for what the system maps it to (CFG_COMn), which may be a
    // network port too.
    const int slot = comPortIndex(deviceName);
    const std::string target = slot >= 0 ? comDevicePath(slot) : deviceName;
    if (!PortAddress::isNetworkName(target)) {
        m_active = m_local.get();
        return m_local->open(deviceName);
    }
#ifdef CFG_NETWORK_PORTS
    if (!m_network) {
        m_network = makeNetworkPortLayer();
        m_networkMade.store(m_network.get());
        if (interruptRequested())   // one that came while it was being made
            m_network->interrupt();
    }
    m_active = m_network.get();
    return m_network->open(target);
#else
    m_failure = "This build of the program cannot open network ports.";
    return false;
#endif
}

std::string PortLayerChoice::openFailureReason() const
{
    return m_failure.empty() ? m_active->openFailureReason() : m_failure;
}

void PortLayerChoice::onInterruptChanged(bool interrupted)
{
    for (SerialPortLayer *layer : {m_local.get(), m_networkMade.load()}) {
        if (!layer)
            continue;
        if (interrupted)
            layer->interrupt();
        else
            layer->clearInterrupt();
    }
}
