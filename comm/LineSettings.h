#pragma once

#include "comm/PortSettings.h"

#include <QString>

#include <array>

// The rates the PC side can be set to, in bit/s: the program's one baud table.
inline constexpr std::array<int, 12> kBaudRates = {1200, 2400, 4800, 9600, 14400, 19200,
                                                   28800, 31250, 38400, 57600, 76800, 115200};
// Position of a rate in kBaudRates; -1 for a rate not in it.
int baudRateIndex(int baudRate);

enum class Parity { None, Odd, Even };

// What a serial line is set to when it opens: the port and its format.
struct LineSettings {
    // "COM1".."COM8" (the window's names for its eight bound devices) or a device path.
    QString port = QStringLiteral("COM1");
    int baudRate = 9600;
    int dataBits = 8;   // 4..8
    Parity parity = Parity::None;
    int stopBits = 1;   // 1 or 2
    bool operator==(const LineSettings &) const = default;

    // "9600 N-8-1"
    QString formatText() const;
};

// The line settings the window's port settings stand for.
LineSettings lineSettingsFor(const PortSettings &settings);
// The window's port settings for a line on one of its COM ports; the port slot of
// `base` stays when the line's port is not one of them, as does a rate outside the table.
PortSettings portSettingsFor(const LineSettings &line, PortSettings base = {});
// The slot 0..7 of a "COMn" port name, -1 for a device path.
int comSlotOf(const QString &port);
// The device a port opens: the bound device of a COM slot, else the path itself.
QString devicePathOf(const QString &port);
