// Open failures on real devices: the message names who holds a busy port and which
// group a refused user should join.

#include "comm/SerialLine.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

struct Pty {
    int master = -1;
    int slave = -1;
    QByteArray path;
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = name;
    }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
};

struct Com1 {
    explicit Com1(const QByteArray &path) { qputenv("CFG_COM1", path); }
    ~Com1() { qunsetenv("CFG_COM1"); }
};

QString openFailure()
{
    SerialLine line;
    try {
        line.open();
    } catch (const PortOpenError &e) {
        return e.message();
    }
    return QStringLiteral("<opened>");
}

QByteArray commandLineOf(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(OpenFailure, BusyPortNamesTheProcessThatHoldsIt)
{
    Pty pty;
    ASSERT_FALSE(pty.path.isEmpty());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The locked descriptor survives the exec, so the holder is a plain "sleep".
        const int fd = ::open(pty.path.constData(), O_RDWR | O_NOCTTY);
        if (fd < 0 || flock(fd, LOCK_EX) != 0)
            _exit(1);
        (void)!::write(ready[1], "x", 1);
        execlp("sleep", "sleep", "30", static_cast<char *>(nullptr));
        _exit(1);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    for (int i = 0; i < 200 && !commandLineOf(child).startsWith("sleep"); ++i)
        std::this_thread::sleep_for(10ms);

    Com1 com1(pty.path);
    const QString message = openFailure();
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    EXPECT_TRUE(message.startsWith("COM1- This port may be already in use or not present.\n")) << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("%1 is in use by process %2 (sleep 30)").arg(pty.path).arg(child)))
        << qPrintable(message);
}

// What an unprivileged user is told when COM1 stands for `path`, from a child that dropped
// its privileges; `dropped` is false when the child could not.
struct ChildReport {
    QString message;
    bool dropped = false;
};

ChildReport openFailureAsNobody(const QByteArray &path)
{
    int report[2];
    if (pipe(report) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        ::close(report[0]);
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        Com1 com1(path);
        const QByteArray message = openFailure().toUtf8();
        (void)!::write(report[1], message.constData(), message.size());
        _exit(0);
    }
    ::close(report[1]);
    QByteArray message;
    char buf[512];
    for (ssize_t n; (n = ::read(report[0], buf, sizeof buf)) > 0;)
        message.append(buf, n);
    ::close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return {QString::fromUtf8(message), WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

// No group may open the device: joining its group would not help, a udev rule does.
TEST(OpenFailure, RefusedUserOfAnOwnerOnlyDeviceIsToldOfAUdevRule)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the device over and drop to an unprivileged user";
    Pty pty;
    ASSERT_FALSE(pty.path.isEmpty());
    ASSERT_EQ(chmod(pty.path.constData(), 0600), 0);
    const QString text = openFailureAsNobody(pty.path).message;
    EXPECT_TRUE(text.startsWith("COM1- This port may be already in use or not present.\n")) << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("usermod"))) << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("group root"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("udev rule"))) << qPrintable(text);
}

TEST(OpenFailure, RefusedUserIsToldWhichGroupToJoin)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the device to a group and drop to an unprivileged user";
    Pty pty;
    ASSERT_FALSE(pty.path.isEmpty());
    ASSERT_EQ(chmod(pty.path.constData(), 0660), 0);
    // A group of users, as an adapter's; root's group is never one to join.
    const group *dialout = getgrnam("dialout");
    ASSERT_EQ(chown(pty.path.constData(), uid_t(-1), dialout ? dialout->gr_gid : 20), 0);
    struct stat st{};
    ASSERT_EQ(stat(pty.path.constData(), &st), 0);
    const group *owner = getgrgid(st.st_gid);
    ASSERT_NE(owner, nullptr);
    const QString groupName = QString::fromLocal8Bit(owner->gr_name);

    const ChildReport report = openFailureAsNobody(pty.path);
    ASSERT_TRUE(report.dropped) << "the child could not drop its privileges";
    const QString &text = report.message;
    EXPECT_TRUE(text.startsWith("COM1- This port may be already in use or not present.\n")) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("belongs to the group %1").arg(groupName))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("sudo usermod -aG %1 $USER").arg(groupName))) << qPrintable(text);
}

} // namespace
