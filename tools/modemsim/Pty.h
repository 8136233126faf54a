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

    // Watches the user side opening and closing the slave (inotify); poll it for input
    // and call onUserOpenClose() when it is readable.
    int watchFd() const { return m_watch; }
    // A user that set TIOCEXCL would lock every later open out for as long as our own
    // slave descriptor keeps the tty alive; once the last user has closed, lift it.
    void onUserOpenClose();

    // Bytes sent to the user side that it has not read yet.
    int unreadByUser() const;

    // Closes both descriptors, as an unplugged adapter would.
    void close();

private:
    int m_master = -1;
    int m_slave = -1;
    int m_watch = -1;
    int m_userOpens = 0;
    std::string m_slavePath;
};

} // namespace modemsim
