#pragma once

#include <QString>

#include <vector>

class PortBindings;

// A serial device present on this computer, as the system describes it.
struct SerialDeviceInfo {
    QString systemPath;     // /dev/ttyUSB0
    QString byIdPath;       // its /dev/serial/by-id name; empty when it has none
    QString description;
    QString manufacturer;
    QString serialNumber;
    int vendorId = -1;      // USB ids; -1 when not a USB device
    int productId = -1;

    // What a binding should store: the by-id name where one exists.
    QString preferredPath() const { return byIdPath.isEmpty() ? systemPath : byIdPath; }
    // One line for a list: the device and what it is.
    QString label() const;
    // Everything known, one item a line.
    QString details() const;
};

// The serial devices present, by-id names looked up in `bindings`' folder.
std::vector<SerialDeviceInfo> serialDevicesWithDetails(const PortBindings &bindings);
