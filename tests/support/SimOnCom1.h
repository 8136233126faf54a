// modem-sim on a pty that COM1 stands for while the object lives.
#pragma once

#include "../operations/SimLog.h"
#include "ModemSim.h"

#include <QByteArray>
#include <QList>

#include <string>
#include <vector>

class SimOnCom1 {
public:
    explicit SimOnCom1(std::vector<std::string> args = {"--start", "command"}) : m_sim(std::move(args))
    {
        qputenv("CFG_COM1", QByteArray::fromStdString(m_sim.path()));
    }
    ~SimOnCom1() { qunsetenv("CFG_COM1"); }
    SimOnCom1(const SimOnCom1 &) = delete;
    SimOnCom1 &operator=(const SimOnCom1 &) = delete;

    // Every line the module received, unescaped.
    QList<QByteArray> received() const { return simReceived(m_sim.logText()); }
    // The log escapes control characters: "ATZ\r" reads as RX "ATZ\\r".
    bool received(const std::string &command) const { return receivedCount(command) > 0; }
    int receivedCount(const std::string &command) const
    {
        const std::string log = m_sim.logText();
        const std::string needle = "RX \"" + command + "\"";
        int n = 0;
        for (auto p = log.find(needle); p != std::string::npos; p = log.find(needle, p + 1))
            ++n;
        return n;
    }
    std::string logText() const { return m_sim.logText(); }
    int count(const char *kind) const { return simCount(m_sim.logText(), kind); }
    ModemSim &sim() { return m_sim; }

private:
    ModemSim m_sim;
};
