#pragma once

#include <QString>

#include <array>

// The rates the PC side can be set to, in bit/s: the program's one table of PC rates.
inline constexpr std::array<int, 12> kBaudRates = {1200, 2400, 4800, 9600, 14400, 19200,
                                                   28800, 31250, 38400, 57600, 76800, 115200};
// Position of a rate in kBaudRates; -1 for a rate not in it.
int baudRateIndex(int baudRate);

enum class Parity { None, Odd, Even };

// What a serial line is set to when it opens: the port and its format. The defaults
// are the program's start value and the module's factory line: COM1, 9600 N-8-1.
struct LineSettings {
    // "COM1".."COM8" (the window's names for its eight bound devices) or a device path.
    QString port = QStringLiteral("COM1");
    int baudRate = 9600;
    int dataBits = 8;   // 4..8
    Parity parity = Parity::None;
    int stopBits = 1;   // 1 or 2
    bool operator==(const LineSettings &) const = default;

    // The character format as the program writes it everywhere: parity, data bits,
    // stop bits, "N-8-1".
    QString formatText() const;
    // The rate before the format: "9600 N-8-1".
    QString rateAndFormatText() const;
};

// The slot 0..7 of a "COMn" port name, -1 for a device path.
int comSlotOf(const QString &port);
// The device a port opens: the bound device of a COM slot, else the path itself.
QString devicePathOf(const QString &port);
