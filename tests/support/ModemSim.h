// Test harness: runs the modem-sim tool on a pseudo-terminal for the lifetime of the object.
//
//   ModemSim sim({"--start", "command"});
//   open(sim.path().c_str(), ...);        // the pty slave, a stand-in for a serial port
//   sim.logText();                        // what the simulated module received and sent
//
// A log file in a private temporary directory is always passed (unless the arguments name
// one); the directory is removed on destruction. The destructor stops the simulator with
// SIGTERM and reaps it. Constructing it throws std::runtime_error when the simulator is not
// built or does not start; use ModemSim::available() to skip tests instead.
#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef CFG_MODEM_SIM
#define CFG_MODEM_SIM ""
#endif

class ModemSim
{
public:
    explicit ModemSim(std::vector<std::string> args = {})
    {
        if (!available())
            throw std::runtime_error("modem-sim is not built");
        char dirTemplate[] = "/tmp/modemsim-XXXXXX";
        if (!mkdtemp(dirTemplate))
            throw std::runtime_error("cannot create a temporary directory");
        m_dir = dirTemplate;

        bool hasLog = false;
        for (std::size_t i = 0; i + 1 < args.size(); ++i) {
            if (args[i] == "--log") {
                hasLog = true;
                m_logPath = args[i + 1];
            }
        }
        if (!hasLog) {
            m_logPath = m_dir + "/modem.log";
            args.push_back("--log");
            args.push_back(m_logPath);
        }

        // argv is built before fork(): only async-signal-safe calls may follow in the child.
        std::vector<std::string> argvStore;
        argvStore.push_back(CFG_MODEM_SIM);
        argvStore.insert(argvStore.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (auto &a : argvStore)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        m_pid = fork();
        if (m_pid < 0) {
            ::close(out[0]);
            ::close(out[1]);
            throw std::runtime_error("fork failed");
        }
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            // Inherited descriptors (another test's open port, say) would outlive their
            // owner's close in here.
            close_range(3, ~0U, 0);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ::close(out[1]);
        std::string first = readFirstLine(out[0], 5000);
        ::close(out[0]);
        if (first.empty()) {
            stop();
            removeDir();
            throw std::runtime_error("modem-sim did not report its pty");
        }
        m_path = first;
    }

    ~ModemSim()
    {
        stop();
        removeDir();
    }

    ModemSim(const ModemSim &) = delete;
    ModemSim &operator=(const ModemSim &) = delete;

    static bool available() { return std::string(CFG_MODEM_SIM).size() > 0 && access(CFG_MODEM_SIM, X_OK) == 0; }

    const std::string &path() const { return m_path; }
    const std::string &logPath() const { return m_logPath; }
    const std::string &dir() const { return m_dir; } // scratch space, removed with the object
    pid_t pid() const { return m_pid; }

    std::string logText() const
    {
        std::ifstream in(m_logPath);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    // True while the process has not exited (reaps it if it has).
    bool running()
    {
        if (m_pid <= 0)
            return false;
        int status = 0;
        pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_status = status;
            m_pid = -1;
            return false;
        }
        return r == 0;
    }

    // Waits up to timeoutMs for the simulator to exit on its own; returns whether it did.
    bool waitExit(int timeoutMs)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (running()) {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // SIGTERM, then SIGKILL if it has not gone within two seconds. Returns the wait status
    // (or the last one seen), -1 if none.
    int stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            if (!waitExit(2000) && m_pid > 0) {
                kill(m_pid, SIGKILL);
                int status = 0;
                if (waitpid(m_pid, &status, 0) == m_pid)
                    m_status = status;
                m_pid = -1;
            }
        }
        return m_status;
    }

private:
    static std::string readFirstLine(int fd, int timeoutMs)
    {
        std::string line;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return {};
            pollfd p{fd, POLLIN, 0};
            int r = poll(&p, 1, static_cast<int>(left.count()));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return {};
            char c;
            ssize_t n = ::read(fd, &c, 1);
            if (n <= 0)
                return {};
            if (c == '\n')
                return line;
            line += c;
        }
    }

    void removeDir()
    {
        if (m_dir.empty())
            return;
        if (m_logPath.rfind(m_dir, 0) == 0)
            unlink(m_logPath.c_str());
        // Tests may leave other files (state files, links) in the scratch directory.
        std::string cmdDir = m_dir;
        if (DIR *d = opendir(cmdDir.c_str())) {
            while (dirent *e = readdir(d)) {
                std::string name = e->d_name;
                if (name != "." && name != "..")
                    unlink((cmdDir + "/" + name).c_str());
            }
            closedir(d);
        }
        rmdir(m_dir.c_str());
        m_dir.clear();
    }

    std::string m_dir;
    std::string m_path;
    std::string m_logPath;
    pid_t m_pid = -1;
    int m_status = -1;
};
