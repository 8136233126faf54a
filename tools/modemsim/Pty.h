// The pseudo-terminal that stands in for the module's serial line.
#pragma once

#include <string>

namespace modemsim {

struct LineSettings
{
    unsigned rate = 0;
    bool twoStopBits = false;
    bool operator==(const LineSettings &) const = default;
};

class Pty
{
public:
    // Opens a master in raw mode and keeps a slave descriptor of its own, so the master
    // never sees a hangup while the user side opens and closes the port. The line starts
    // at `initial`. Throws std::runtime_error on failure.
    explicit Pty(const LineSettings &initial);
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    int masterFd() const { return m_master; }
    const std::string &slavePath() const { return m_slavePath; }

    // The speed and stop bits the user side last set on the line.
    LineSettings current() const;

    // Bytes sent to the user side that it has not read yet.
    int unreadByUser() const;

    // Closes both descriptors, as an unplugged adapter would.
    void close();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

} // namespace modemsim
