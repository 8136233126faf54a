#include "settings/SerialParams.h"

#include <gtest/gtest.h>

namespace {

ModuleSettings serial(int baud, int data, int stop, int parity) {
    ModuleSettings m;
    m[Field::SerialBaudRate] = baud;
    m[Field::SerialDataBits] = data;
    m[Field::SerialStopBits] = stop;
    m[Field::SerialParity] = parity;
    return m;
}

QString status(const PortSettings &ps) {
    return comPortText(ps) + ' ' + baudText(ps) + ' ' + lineFormatText(ps);
}

TEST(SerialParams, StartValueShowsCom1At9600N81) {
    PortSettings ps{5, 9, 0, 1, 2};
    resetPortSettings(ps, true);
    EXPECT_EQ(ps, PortSettings{});
    EXPECT_EQ(status(ps), "COM1 9600 N-8-1");
}

TEST(SerialParams, ResetWithoutPortKeepsComPort) {
    PortSettings ps{3, 11, 0, 1, 2};
    resetPortSettings(ps, false);
    EXPECT_EQ(ps, (PortSettings{3, 3, 1, 0, 0}));
}

TEST(SerialParams, FirstEntry115200WithEvenParity) {
    const PortSettings ps = portSettingsFor(serial(0, 1, 0, 3), PortSettings{2, 3, 1, 0, 0});
    EXPECT_EQ(ps.baudIndex, 11);
    EXPECT_EQ(ps.comPort, 2);  // the port itself never follows the module
    EXPECT_EQ(baudText(ps), "115200");
    EXPECT_EQ(lineFormatText(ps), "E-8-1");
}

TEST(SerialParams, ParityMapping) {
    const PortSettings start;
    EXPECT_EQ(lineFormatText(portSettingsFor(serial(4, 1, 0, 0), start)), "N-8-1");
    EXPECT_EQ(lineFormatText(portSettingsFor(serial(4, 1, 0, 1), start)), "N-8-1");  // Zero
    EXPECT_EQ(lineFormatText(portSettingsFor(serial(4, 0, 1, 2), start)), "O-7-2");
    EXPECT_EQ(lineFormatText(portSettingsFor(serial(4, 0, 0, 3), start)), "E-7-1");
}

TEST(SerialParams, BaudShiftsByOneAfterTheFirstEntry) {
    for (int i = 1; i <= 12; ++i) {
        const PortSettings ps = portSettingsFor(serial(i, 1, 0, 0), PortSettings{});
        EXPECT_EQ(ps.baudIndex, i - 1) << i;
        EXPECT_EQ(baudText(ps).toInt(), moduleBaudRate(i).value()) << i;
    }
}

TEST(SerialParams, RatesThePcCannotFollowKeepThePcBaud) {
    // 93750 has no PC rate; a choice beyond the list (from a listing) neither.
    const PortSettings current{1, 5, 1, 0, 0};
    EXPECT_EQ(portSettingsFor(serial(13, 1, 0, 0), current).baudIndex, 5);
    EXPECT_EQ(portSettingsFor(serial(14, 1, 0, 0), current).baudIndex, 5);
    // Unknown format choices keep the PC values and never leave the display tables.
    const PortSettings odd = portSettingsFor(serial(4, 7, 9, 6), PortSettings{0, 3, 0, 1, 1});
    EXPECT_EQ(odd, (PortSettings{0, 3, 0, 1, 1}));
    EXPECT_EQ(lineFormatText(odd), "O-7-2");
}

TEST(SerialParams, ModuleBaudRates) {
    EXPECT_EQ(moduleBaudRate(0), 115200);
    EXPECT_EQ(moduleBaudRate(4), 9600);
    EXPECT_EQ(moduleBaudRate(8), 31250);
    EXPECT_EQ(moduleBaudRate(12), 115200);
    EXPECT_EQ(moduleBaudRate(13), 93750);
    EXPECT_FALSE(moduleBaudRate(14).has_value());
    EXPECT_FALSE(moduleBaudRate(-1).has_value());
}

TEST(SerialParams, DisplayTexts) {
    EXPECT_EQ(comPortText(PortSettings{7, 3, 1, 0, 0}), "COM8");
    EXPECT_EQ(baudText(PortSettings{0, 7, 1, 0, 0}), "31250");
    EXPECT_EQ(baudText(PortSettings{0, 0, 1, 0, 0}), "1200");
    // Indices outside the tables are shown as nothing rather than read out of bounds.
    EXPECT_EQ(comPortText(PortSettings{8, 3, 1, 0, 0}), "");
    EXPECT_EQ(baudText(PortSettings{0, 12, 1, 0, 0}), "");
    EXPECT_EQ(lineFormatText(PortSettings{0, 3, 2, 2, 3}), "?-?-?");
}

}  // namespace
