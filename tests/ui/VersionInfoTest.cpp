#include "ui/VersionInfo.h"

#include <gtest/gtest.h>

namespace {
const VersionResource::Translation kUkAnsi{0x0809, 0x04E4};

// A string table holding the three keys the about box reads, under one translation.
VersionResource resourceWith(const QString &fileVersion, VersionResource::Translation t = kUkAnsi)
{
    VersionResource r;
    r.addTranslation(t.language, t.codePage);
    r.setValue(versionStringPath(t, QStringLiteral("CompanyName")), QStringLiteral("Maker"));
    r.setValue(versionStringPath(t, QStringLiteral("FileDescription")), QStringLiteral("Utility"));
    r.setValue(versionStringPath(t, QStringLiteral("FileVersion")), fileVersion);
    return r;
}
} // namespace

TEST(VersionInfo, LabelKeepsMajorAndMinorOfFourPartVersion)
{
    EXPECT_EQ(versionLabelText(resourceWith(QStringLiteral("1.61.0.24"))), QStringLiteral("Version 1.61"));
    EXPECT_EQ(versionLabelText(resourceWith(QStringLiteral("10.2.3"))), QStringLiteral("Version 10.2"));
}

TEST(VersionInfo, OneDotVersionStopsAfterTheDot)
{
    EXPECT_EQ(versionLabelText(resourceWith(QStringLiteral("1.61"))), QStringLiteral("Version 1."));
}

TEST(VersionInfo, ShortVersionOfOddTexts)
{
    EXPECT_EQ(shortVersion(QString()), QStringLiteral("."));
    EXPECT_EQ(shortVersion(QStringLiteral("7")), QStringLiteral("7."));
    EXPECT_EQ(shortVersion(QStringLiteral("1..5")), QStringLiteral("1."));
    EXPECT_EQ(shortVersion(QStringLiteral(".3.4")), QStringLiteral(".3"));
}

TEST(VersionInfo, NoResourceGivesEmptyVersion)
{
    const VersionResource none;
    EXPECT_TRUE(fileVersionOf(none).isEmpty());
    EXPECT_EQ(versionLabelText(none), QStringLiteral("Version ."));
}

TEST(VersionInfo, GivesUpAtFirstMissingKey)
{
    for (const char *missing : {"CompanyName", "FileDescription", "FileVersion"}) {
        VersionResource r;
        r.addTranslation(kUkAnsi.language, kUkAnsi.codePage);
        for (const char *key : {"CompanyName", "FileDescription", "FileVersion"}) {
            if (qstrcmp(key, missing) != 0)
                r.setValue(versionStringPath(kUkAnsi, QLatin1String(key)), QStringLiteral("1.61.0.24"));
        }
        EXPECT_EQ(versionLabelText(r), QStringLiteral("Version .")) << missing;
    }
}

TEST(VersionInfo, ReadsOnlyTheFirstTranslation)
{
    const VersionResource::Translation us{0x0409, 0x04B0};
    VersionResource r = resourceWith(QStringLiteral("2.5.0.1"), us);
    r.addTranslation(kUkAnsi.language, kUkAnsi.codePage);
    EXPECT_EQ(fileVersionOf(r), QStringLiteral("2.5.0.1"));

    // Same table, but the first listed pair has no strings of its own.
    VersionResource wrongFirst;
    wrongFirst.addTranslation(kUkAnsi.language, kUkAnsi.codePage);
    wrongFirst.addTranslation(us.language, us.codePage);
    for (const char *key : {"CompanyName", "FileDescription", "FileVersion"})
        wrongFirst.setValue(versionStringPath(us, QLatin1String(key)), QStringLiteral("2.5.0.1"));
    EXPECT_EQ(versionLabelText(wrongFirst), QStringLiteral("Version ."));
}

TEST(VersionInfo, StringPathUsesUpperCaseHex)
{
    EXPECT_EQ(versionStringPath({0x040a, 0x04e4}, QStringLiteral("FileVersion")),
              QStringLiteral("\\StringFileInfo\\040A04E4\\FileVersion"));
    EXPECT_EQ(versionStringPath({0x7, 0xfde9}, QStringLiteral("CompanyName")),
              QStringLiteral("\\StringFileInfo\\0007FDE9\\CompanyName"));
}

TEST(VersionInfo, ProgramResourceCarriesTheBuildVersion)
{
    const VersionResource &program = programVersionResource();
    ASSERT_FALSE(program.translations().isEmpty());
    const auto t = program.translations().first();
    EXPECT_EQ(program.value(versionStringPath(t, QStringLiteral("CompanyName"))),
              QString::fromLatin1(kVersionCompanyName));
    EXPECT_EQ(program.value(versionStringPath(t, QStringLiteral("FileDescription"))),
              QString::fromLatin1(kVersionFileDescription));
    EXPECT_EQ(fileVersionOf(program), QStringLiteral(CFG_VERSION_STRING));
    EXPECT_EQ(QStringLiteral(CFG_VERSION_STRING).count(QLatin1Char('.')), 3);   // four parts
    EXPECT_EQ(versionLabelText(program), QStringLiteral("Version ") + shortVersion(QStringLiteral(CFG_VERSION_STRING)));
}
