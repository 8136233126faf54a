// Test harness: ser2net serving one device (a modem-sim pty) over RFC 2217 (or raw
// TCP) on 127.0.0.1, on a free port, for the lifetime of the object.
//
//   ModemSim sim({"--start", "command"});
//   Ser2net server(sim.path());
//   server.url();        // "rfc2217://127.0.0.1:40123"
//   server.stop();       // the server goes away, its connections with it
//
// The configuration is written to a private temporary directory, removed on
// destruction. Ser2net::available() tells whether the program is installed.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

class Ser2net
{
public:
    enum class Protocol { Rfc2217, RawTcp };

    explicit Ser2net(const std::string &devicePath, Protocol protocol = Protocol::Rfc2217)
    {
        const std::string program = programPath();
        if (program.empty())
            throw std::runtime_error("ser2net is not installed");
        char dirTemplate[] = "/tmp/ser2net-test-XXXXXX";
        if (!mkdtemp(dirTemplate))
            throw std::runtime_error("cannot create a temporary directory");
        m_dir = dirTemplate;
        m_port = freePort();
        m_protocol = protocol;
        const std::string config = m_dir + "/ser2net.yaml";
        {
            std::ofstream out(config);
            out << "connection: &module\n"
                << "  accepter: " << (protocol == Protocol::Rfc2217 ? "telnet(rfc2217),tcp," : "tcp,")
                << "127.0.0.1," << m_port << "\n"
                << "  connector: serialdev," << devicePath << ",9600n81,local\n"
                << "  options:\n"
                << "    kickolduser: true\n";
        }
        std::vector<std::string> args{program, "-n", "-u", "-c", config, "-P", m_dir + "/ser2net.pid"};
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string logPath = m_dir + "/ser2net.log";   // made before fork(): no allocation after it
        m_pid = fork();
        if (m_pid < 0)
            throw std::runtime_error("fork failed");
        if (m_pid == 0) {
            // Its chatter (mdns it cannot start, say) goes to a log beside the configuration.
            const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (log >= 0) {
                dup2(log, STDOUT_FILENO);
                dup2(log, STDERR_FILENO);
            }
            close_range(3, ~0U, 0);
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (!waitListening(5000)) {
            stop();
            throw std::runtime_error("ser2net did not start listening");
        }
    }

    ~Ser2net()
    {
        stop();
        std::remove((m_dir + "/ser2net.yaml").c_str());
        std::remove((m_dir + "/ser2net.pid").c_str());
        std::remove((m_dir + "/ser2net.log").c_str());
        rmdir(m_dir.c_str());
    }

    Ser2net(const Ser2net &) = delete;
    Ser2net &operator=(const Ser2net &) = delete;

    static std::string programPath()
    {
        for (const char *candidate : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"})
            if (access(candidate, X_OK) == 0)
                return candidate;
        return {};
    }
    static bool available() { return !programPath().empty(); }

    int port() const { return m_port; }
    std::string url(const std::string &options = {}) const
    {
        const std::string scheme = m_protocol == Protocol::Rfc2217 ? "rfc2217://" : "tcp://";
        return scheme + "127.0.0.1:" + std::to_string(m_port) + options;
    }

    // SIGTERM, then SIGKILL after two seconds; reaps it.
    void stop()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        int status = 0;
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= end) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_pid = -1;
    }

    // A TCP port on 127.0.0.1 that nothing listens on right now.
    static int freePort()
    {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        ::close(fd);
        if (port == 0)
            throw std::runtime_error("no free TCP port");
        return port;
    }

private:
    // Whether the server's pid file appeared, which it writes once it listens.
    bool waitListening(int timeoutMs)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            if (access((m_dir + "/ser2net.pid").c_str(), F_OK) == 0 && listening())
                return true;
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // Looks at the kernel's table of listening sockets rather than connecting, which
    // would take the server's one connection.
    bool listening() const
    {
        std::ifstream table("/proc/net/tcp");
        char hex[8];
        std::snprintf(hex, sizeof hex, ":%04X", m_port);
        std::string line;
        while (std::getline(table, line))
            if (line.find(std::string("0100007F") + hex + " 00000000:0000 0A") != std::string::npos)
                return true;
        return false;
    }

    std::string m_dir;
    int m_port = 0;
    Protocol m_protocol = Protocol::Rfc2217;
    pid_t m_pid = -1;
};
