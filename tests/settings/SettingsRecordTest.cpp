#include "settings/SettingsRecord.h"

#include "comm/Exception.h"
#include "settings/ConfigFile.h"
#include "settings/ProductVariant.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kGolden = QStringLiteral(CFG_TEST_DATA_DIR "/golden/transparent_example.40B");

ProductVariant product(const char *name) { return *selectProductVariant(QString::fromLatin1(name)); }

QString failure(const QByteArray &text, bool fromFile, const ProductVariant &variant)
{
    try {
        settingsRecordFromText(text, fromFile, variant);
    } catch (const Exception &e) {
        return e.message();
    }
    return {};
}

TEST(SettingsRecord, RecordsLiveSideBySide)
{
    const QByteArray line = ConfigFile().readLine(kGolden);
    QByteArray other = line;
    other.replace("AT&S0", "AT&S9").replace("ATS14:255", "ATS14:128");
    const SettingsRecord a = settingsRecordFromText(line, true, product("740R-B"));
    const SettingsRecord b = settingsRecordFromText(other, true, product("740R-B"));
    EXPECT_EQ(a.settings.mode, OperatingMode::Transparent);
    EXPECT_EQ(a.settings[Field::SystemAddress], 0);
    EXPECT_EQ(b.settings[Field::SystemAddress], 9);
    EXPECT_EQ(a.settings[Field::PacketSize], 530);
    EXPECT_EQ(b.settings[Field::PacketSize], 276);
    // The window's rules apply: no thresholds in the file, so PLC mode is off.
    EXPECT_FALSE(a.settings.flag(Field::PlcMode));
    EXPECT_EQ(readSettingsFile(kGolden, product("740R-B")).settings, a.settings);
}

TEST(SettingsRecord, TheWindowsCorrectionsBecomeNotices)
{
    QByteArray line = ConfigFile().readLine(kGolden);
    line.replace("AT&K0", "AT&K2");
    const SettingsRecord r = settingsRecordFromText(line, true, product("740R-B"));
    EXPECT_EQ(r.settings[Field::FlowControl], 1);  // changed to CTS/RTS
    ASSERT_EQ(r.notices.size(), 1);
    EXPECT_TRUE(r.notices[0].contains(QStringLiteral("flow control"))) << r.notices[0].toStdString();
}

TEST(SettingsRecord, WhatTheWindowRefusesThrowsItsText)
{
    QByteArray fast = ConfigFile().readLine(kGolden);
    fast.replace("AT&L0", "AT&L2").replace("AT&M0", "AT&M3");
    EXPECT_TRUE(failure(fast, true, product("620R")).contains(QStringLiteral("Fast Controlled Mode")));
    EXPECT_TRUE(failure(fast, true, product("740R-B")).isEmpty());
    EXPECT_EQ(failure("ATB0 ATC", true, product("740R-B")),
              QStringLiteral("Unable to load file. The file may be corrupt, or incorrect."));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.40B"));
    ConfigFile().writeLine("ATB0 ATC", path);
    try {
        readSettingsFile(path, product("740R-B"));
        FAIL() << "a broken file was read";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(path)) << e.message().toStdString();
    }
    EXPECT_THROW(readSettingsFile(dir.filePath(QStringLiteral("missing.40B")), product("740R-B")), FileError);
}

}  // namespace
