#pragma once

#include <QSettings>
#include <QString>

// Which device each port slot COM1..COM8 opens. A slot is bound to a device path
// or to a port behind a device server ("rfc2217://host:port", see PortAddress);
// a device that has a name under /dev/serial/by-id is stored by that name, so the
// same adapter is found after a replug under another ttyUSBn. The environment
// variable CFG_COMn overrides the binding; an unbound slot n opens /dev/ttyS(n-1).
// The bindings live in the user's configuration ($XDG_CONFIG_HOME/cfg740rb/ports.conf),
// shared by every product.
class PortBindings {
public:
    PortBindings();
    // A bindings file and by-id folder of the caller's choosing (tests).
    PortBindings(const QString &fileName, const QString &byIdFolder);

    static QString defaultByIdFolder();

    // The stored device of a slot 0..7; empty when unbound or out of range.
    QString binding(int slot) const;
    // Binds the slot to `devicePath`, stored by its by-id name where one exists;
    // an empty path removes the binding.
    void bind(int slot, const QString &devicePath);

    // What the slot opens: CFG_COMn, else the binding, else the default device.
    // Empty for a slot outside 0..7.
    QString devicePath(int slot) const;
    // The slot's device for people: "/dev/serial/by-id/usb-... (now /dev/ttyUSB1)"
    // when the path is a link, "(not present)" appended when nothing is there.
    QString describe(int slot) const;
    // Whether a port's device may be there: a device path that exists, or a network
    // port (only connecting would tell).
    static bool isPresent(const QString &devicePath);
    // Whether CFG_COMn decides the slot's device.
    static bool isOverridden(int slot);
    // The device a slot opens when nothing binds it.
    static QString defaultDevicePath(int slot);

    // The by-id name of a device path (itself when it already is one); empty when
    // the device has none.
    QString byIdName(const QString &devicePath) const;

    void sync() { m_settings.sync(); }

private:
    mutable QSettings m_settings;
    QString m_byIdFolder;
};
