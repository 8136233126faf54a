#include "settings/SerialParams.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

ModuleSettings serial(int baud, int data, int stop, int parity) {
    ModuleSettings m;
    m[Field::SerialBaudRate] = baud;
    m[Field::SerialDataBits] = data;
    m[Field::SerialStopBits] = stop;
    m[Field::SerialParity] = parity;
    return m;
}

LineSettings line(const QString &port, int baudRate, int dataBits, Parity parity, int stopBits) {
    return {port, baudRate, dataBits, parity, stopBits};
}

QString status(const LineSettings &l) {
    return l.port + ' ' + QString::number(l.baudRate) + ' ' + l.formatText();
}

TEST(SerialParams, StartValueShowsCom1At9600N81) {
    EXPECT_EQ(status(LineSettings{}), "COM1 9600 N-8-1");
    EXPECT_EQ(LineSettings{}.rateAndFormatText(), "9600 N-8-1");
}

TEST(SerialParams, FirstEntry115200WithEvenParity) {
    const LineSettings l = pcLineFor(serial(0, 1, 0, 3), line("COM3", 9600, 8, Parity::None, 1));
    EXPECT_EQ(l.baudRate, 115200);
    EXPECT_EQ(l.port, "COM3");  // the port itself never follows the module
    EXPECT_EQ(l.formatText(), "E-8-1");
}

TEST(SerialParams, ParityMapping) {
    const LineSettings start;
    EXPECT_EQ(pcLineFor(serial(4, 1, 0, 0), start).formatText(), "N-8-1");
    EXPECT_EQ(pcLineFor(serial(4, 1, 0, 1), start).formatText(), "N-8-1");  // Zero
    EXPECT_EQ(pcLineFor(serial(4, 0, 1, 2), start).formatText(), "O-7-2");
    EXPECT_EQ(pcLineFor(serial(4, 0, 0, 3), start).formatText(), "E-7-1");
}

TEST(SerialParams, BaudShiftsByOneAfterTheFirstEntry) {
    for (int i = 1; i <= 12; ++i) {
        const LineSettings l = pcLineFor(serial(i, 1, 0, 0), LineSettings{});
        EXPECT_EQ(l.baudRate, kBaudRates[std::size_t(i - 1)]) << i;
        EXPECT_EQ(l.baudRate, moduleRate(i)->bitsPerSecond) << i;
    }
}

TEST(SerialParams, RatesThePcCannotFollowKeepThePcBaud) {
    // 93750 has no PC rate; a choice beyond the list (from a listing) neither.
    const LineSettings current = line("COM2", 19200, 8, Parity::None, 1);
    EXPECT_EQ(pcLineFor(serial(13, 1, 0, 0), current).baudRate, 19200);
    EXPECT_EQ(pcLineFor(serial(14, 1, 0, 0), current).baudRate, 19200);
    // Unknown format choices keep the PC values.
    const LineSettings odd = pcLineFor(serial(4, 7, 9, 6), line("COM1", 9600, 7, Parity::Odd, 2));
    EXPECT_EQ(odd, line("COM1", 9600, 7, Parity::Odd, 2));
    EXPECT_EQ(odd.formatText(), "O-7-2");
}

TEST(SerialParams, FormatAloneLeavesTheRate) {
    const LineSettings l = withModuleFormat(serial(0, 0, 1, 2), line("COM5", 2400, 8, Parity::None, 1));
    EXPECT_EQ(l, line("COM5", 2400, 7, Parity::Odd, 2));
}

TEST(SerialParams, ModuleBaudRates) {
    EXPECT_EQ(moduleRate(0)->bitsPerSecond, 115200);
    EXPECT_EQ(moduleRate(4)->bitsPerSecond, 9600);
    EXPECT_EQ(moduleRate(8)->bitsPerSecond, 31250);
    EXPECT_EQ(moduleRate(12)->bitsPerSecond, 115200);
    EXPECT_EQ(moduleRate(13)->bitsPerSecond, 93750);
    EXPECT_FALSE(moduleRate(14).has_value());
    EXPECT_FALSE(moduleRate(-1).has_value());
    // Each entry is the item it is looked up by.
    for (const ModuleRate &r : moduleRates())
        EXPECT_EQ(moduleRate(r.item)->item, r.item);
}

TEST(SerialParams, ThePcFollowsEveryRateButThreeAndHasEachButOne) {
    std::vector<int> notFollowed, withoutPcRate;
    for (const ModuleRate &r : moduleRates()) {
        if (!r.pcFollows)
            notFollowed.push_back(r.item);
        if (baudRateIndex(r.bitsPerSecond) < 0)
            withoutPcRate.push_back(r.item);
    }
    EXPECT_EQ(notFollowed, (std::vector<int>{8, 11, 13}));
    EXPECT_EQ(withoutPcRate, std::vector<int>{13});
}

TEST(SerialParams, DistinctRatesAreThePcTableThen93750) {
    std::vector<int> rates, items;
    for (const ModuleRate &r : distinctModuleRates()) {
        rates.push_back(r.bitsPerSecond);
        items.push_back(r.item);
    }
    std::vector<int> expected(kBaudRates.begin(), kBaudRates.end());
    expected.push_back(93750);
    EXPECT_EQ(rates, expected);
    EXPECT_EQ(items.front(), 1);
    EXPECT_EQ(items.back(), 13);
    EXPECT_TRUE(std::is_sorted(items.begin(), items.end()));
}

TEST(SerialParams, ItemOfARateIsItsPlaceAfterTheFirstEntry) {
    EXPECT_EQ(moduleRateItem(115200), 12);  // not the leading 0
    EXPECT_EQ(moduleRateItem(1200), 1);
    EXPECT_EQ(moduleRateItem(9600), 4);
    EXPECT_EQ(moduleRateItem(93750), 13);
    EXPECT_FALSE(moduleRateItem(600).has_value());
}

TEST(SerialParams, OneSpellingOfTheLineFormat) {
    EXPECT_EQ(line("COM8", 31250, 7, Parity::Even, 2).formatText(), "E-7-2");
    EXPECT_EQ(line("COM8", 1200, 8, Parity::Odd, 1).rateAndFormatText(), "1200 O-8-1");
}

}  // namespace
