// A slot bound by its /dev/serial/by-id name follows the adapter when it comes back
// under another device path.

#include "comm/PortBindings.h"
#include "comm/SerialLine.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace {

struct Pty {
    int master = -1;
    int slave = -1;
    QString path;
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
    QByteArray received() const
    {
        pollfd p{master, POLLIN, 0};
        char buf[64];
        if (poll(&p, 1, 500) <= 0)
            return {};
        const ssize_t n = ::read(master, buf, sizeof buf);
        return n > 0 ? QByteArray(buf, int(n)) : QByteArray();
    }
};

TEST(PortBindings, ByIdBindingFollowsTheAdapterToItsNewPath)
{
    QTemporaryDir config;
    QTemporaryDir byId;
    ASSERT_TRUE(config.isValid() && byId.isValid());
    // Before the first QSettings of the process: the binding then lands where SerialLine looks.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    qunsetenv("CFG_COM3");

    Pty before;
    Pty after;
    ASSERT_FALSE(before.path.isEmpty() || after.path.isEmpty());
    const QString link = byId.filePath(QStringLiteral("usb-Acme_Radio_Adapter_A1B2-if00-port0"));
    ASSERT_TRUE(QFile::link(before.path, link));

    PortBindings bindings(config.filePath(QStringLiteral("cfg740rb/ports.conf")), byId.path());
    bindings.bind(2, before.path);
    bindings.sync();
    EXPECT_EQ(bindings.binding(2), link);
    EXPECT_EQ(PortBindings().binding(2), link) << "not stored where the port opens it";

    // Unplugged and back as another device: the udev link moves with it.
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(QFile::link(after.path, link));

    EXPECT_EQ(PortBindings().describe(2), QStringLiteral("%1 (now %2)").arg(link, after.path));

    SerialLine line;
    line.setLineSettings({.port = "COM3"});
    ASSERT_TRUE(line.open());
    ASSERT_TRUE(line.writeBytes("AT\r"));
    EXPECT_EQ(after.received(), "AT\r");
    line.close();

    // A device without a by-id name is stored by its path; CFG_COMn still decides;
    // an empty path unbinds.
    bindings.bind(3, before.path);
    EXPECT_EQ(bindings.binding(3), before.path);
    qputenv("CFG_COM3", QFile::encodeName(before.path));
    EXPECT_EQ(bindings.devicePath(2), before.path);
    qunsetenv("CFG_COM3");
    bindings.bind(2, QString());
    EXPECT_EQ(bindings.devicePath(2), QStringLiteral("/dev/ttyS2"));
}

} // namespace

TEST(PortBindings, ANetworkPortCountsAsPresentAndIsStoredAsTyped)
{
    // Only connecting would tell whether the server is there: the slot is not dropped
    // from the ports a search or the remembered settings consider.
    EXPECT_TRUE(PortBindings::isPresent(QStringLiteral("rfc2217://bench-2:4001")));
    EXPECT_FALSE(PortBindings::isPresent(QStringLiteral("/dev/ttyNoSuchPort9")));
    QTemporaryDir config;
    QTemporaryDir byId;
    PortBindings bindings(config.filePath(QStringLiteral("ports.conf")), byId.path());
    bindings.bind(6, QStringLiteral(" tcp://[fd00::20]:4002 "));
    EXPECT_EQ(bindings.binding(6), QStringLiteral("tcp://[fd00::20]:4002"));
    EXPECT_EQ(bindings.describe(6), QStringLiteral("tcp://[fd00::20]:4002"));   // never "(not present)"
}
