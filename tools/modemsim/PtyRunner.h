// Runs the simulated module on the pty in real time: one poll loop on the master.
#pragma once

#include "Modem.h"
#include "Pty.h"

namespace modemsim {

class PtyRunner : public ModuleLine
{
public:
    PtyRunner(const Options &options, Pty &pty, EventLog &log, const Settings &stored);

    // Runs until `stopFd` becomes readable (returns 0) or the line is unplugged after
    // --hangup-after lines (returns 0 after closing the pty).
    int run(int stopFd);

    LineSettings current() const override { return m_pty.current(); }
    long write(const std::string &bytes) override;

private:
    Pty &m_pty;
    Modem m_modem;
};

} // namespace modemsim
