// The simulated module that COM1 stands for while the object lives: modem-sim on a
// pty in real time, or (in test programs built with CFG_SIM_IN_PROCESS, which link
// modemsim_core) the same module inside the process under a virtual clock, which is
// then the default (see defaultClock()).
#pragma once

#include "ui/PostedCall.h"
#include "../operations/SimLog.h"
#include "ModemSim.h"
#ifdef CFG_SIM_IN_PROCESS
#include "SimulatedModule.h"
#endif

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QThread>

#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

enum class SimClock { Virtual, Real };

// An operation the GUI thread started on a worker gets its port once that thread runs
// its event loop (the progress dialog's), as it always has on a real line: an
// operation done before the dialog looks would leave its posted replies unseen.
inline void waitForGuiEventLoop()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return;
    auto ran = std::make_shared<std::promise<void>>();
    std::future<void> done = ran->get_future();
    postTo(app, [ran] { ran->set_value(); });
    done.wait_for(std::chrono::seconds(2));
}

// Set-up of a QtTest function that needs modem-sim in real time (timing, or pauses of
// the code under test that no virtual clock moves): it runs only where
// CFG_REAL_TIME_TESTS is set, the tests labelled slow, and is skipped elsewhere.
#define REAL_TIME_SIM_ON_COM1(name, ...)                                                                  \
    if (!qEnvironmentVariableIsSet("CFG_REAL_TIME_TESTS"))                                                \
        QSKIP("needs modem-sim in real time: runs in the tests labelled slow");                           \
    SimOnCom1 name(__VA_ARGS__, SimClock::Real)

class SimOnCom1 {
public:
    // CFG_SIM_ON_COM1=modem-sim runs every test against modem-sim in real time: a
    // cross-check of the in-process module, and the old timing.
    static SimClock defaultClock()
    {
#ifdef CFG_SIM_IN_PROCESS
        return qEnvironmentVariable("CFG_SIM_ON_COM1") == QLatin1String("modem-sim") ? SimClock::Real
                                                                                      : SimClock::Virtual;
#else
        return SimClock::Real;
#endif
    }

    explicit SimOnCom1(std::vector<std::string> args = {"--start", "command"}, SimClock clock = defaultClock())
    {
        if (clock == SimClock::Real) {
            m_sim = std::make_unique<ModemSim>(std::move(args));
            qputenv("CFG_COM1", QByteArray::fromStdString(m_sim->path()));
            return;
        }
#ifdef CFG_SIM_IN_PROCESS
        m_module = std::make_shared<SimulatedModule>(args);
        m_module->setOpenGate(waitForGuiEventLoop);
        // COM1 is named to the port layer, which opens the module; the path only
        // shows in messages.
        qputenv("CFG_COM1", "/simulated/COM1");
        m_previousLayer = setPortLayerFactory(
            [module = m_module] { return testPort(module, "COM1"); });
        SimulatedModule::active() = m_module;
#else
        throw std::logic_error("this test program runs no simulated module in process");
#endif
    }
    ~SimOnCom1()
    {
#ifdef CFG_SIM_IN_PROCESS
        if (m_module) {
            SimulatedModule::active().reset();
            setPortLayerFactory(m_previousLayer);
        }
#endif
        qunsetenv("CFG_COM1");
    }
    SimOnCom1(const SimOnCom1 &) = delete;
    SimOnCom1 &operator=(const SimOnCom1 &) = delete;

    // Every line the module received, unescaped.
    QList<QByteArray> received() const { return simReceived(logText()); }
    // The log escapes control characters: "ATZ\r" reads as RX "ATZ\\r".
    bool received(const std::string &command) const { return receivedCount(command) > 0; }
    int receivedCount(const std::string &command) const
    {
        const std::string log = logText();
        const std::string needle = "RX \"" + command + "\"";
        int n = 0;
        for (auto p = log.find(needle); p != std::string::npos; p = log.find(needle, p + 1))
            ++n;
        return n;
    }
    std::string logText() const
    {
#ifdef CFG_SIM_IN_PROCESS
        if (m_module)
            return m_module->logText();
#endif
        return m_sim->logText();
    }
    int count(const char *kind) const { return simCount(logText(), kind); }
    // The modem-sim process; only a real-time module has one.
    ModemSim &sim()
    {
        if (!m_sim)
            throw std::logic_error("the simulated module runs in process: no modem-sim");
        return *m_sim;
    }

private:
    std::unique_ptr<ModemSim> m_sim;
#ifdef CFG_SIM_IN_PROCESS
    std::shared_ptr<SimulatedModule> m_module;
    PortLayerFactory m_previousLayer;
#endif
};
