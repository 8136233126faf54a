#include "settings/ProductVariant.h"

#include <gtest/gtest.h>

namespace {

ProductVariant select(const char *name) {
    const std::optional<ProductVariant> v = SelectProductVariant(QString::fromUtf8(name));
    EXPECT_TRUE(v.has_value()) << name;
    return v.value_or(ProductVariant{});
}

TEST(ProductVariant, Korvel740FromProgramName) {
    const ProductVariant v = select("Cfg_740RB.exe");
    EXPECT_EQ(v.BaseCaption, "740R-B Configuration");
    EXPECT_EQ(v.ModelName, "740R-B");
    EXPECT_EQ(v.brand, Brand::BrandKorvel);
    EXPECT_EQ(v.radioClass, RadioClass::Class740);
    EXPECT_TRUE(showsS21(v.radioClass));
    EXPECT_EQ(s18TabCaption(v.radioClass), "S18 - S21");
    EXPECT_TRUE(hasFastOperation(v.radioClass));
}

TEST(ProductVariant, Korvel620) {
    const ProductVariant v = select("Cfg_620R");
    EXPECT_EQ(v.BaseCaption, "620R Configuration");
    EXPECT_EQ(v.ModelName, "620R");
    EXPECT_EQ(v.brand, Brand::BrandKorvel);
    EXPECT_EQ(v.radioClass, RadioClass::Class620);
    EXPECT_FALSE(showsS21(v.radioClass));
    EXPECT_EQ(s18TabCaption(v.radioClass), "S18 - S20");
    EXPECT_FALSE(hasFastOperation(v.radioClass));
}

TEST(ProductVariant, FirstMatchWins) {
    EXPECT_EQ(select("620_740.exe").radioClass, RadioClass::Class740);
    EXPECT_EQ(select("740_620.exe").ModelName, "740R-B");
    // "740" outranks the Brisca tokens as well.
    EXPECT_EQ(select("KMA 410D-740.exe").brand, Brand::BrandKorvel);
}

TEST(ProductVariant, Brisca868And900) {
    const ProductVariant v868 = select("KMA 410D-868.exe");
    EXPECT_EQ(v868.BaseCaption, "KMA 410D Configuration (868 MHz)");
    EXPECT_EQ(v868.ModelName, "KMA 410U");
    EXPECT_EQ(v868.brand, Brand::BrandBrisca);
    EXPECT_EQ(v868.radioClass, RadioClass::Class620);

    const ProductVariant v900 = select("KMA 410D-900.exe");
    EXPECT_EQ(v900.BaseCaption, "KMA 410D Configuration");
    EXPECT_EQ(v900.ModelName, "KMA 410U");
    EXPECT_EQ(v900.brand, Brand::BrandBrisca);
    EXPECT_EQ(v900.radioClass, RadioClass::Class740);

    // Any "8" counts, wherever it stands.
    EXPECT_EQ(select("KMA 410D-900 copy 8.exe").radioClass, RadioClass::Class620);
    EXPECT_EQ(select("KMA 410D-900.ex8").radioClass, RadioClass::Class620);
}

TEST(ProductVariant, TolvaneTokensInAnyOrder) {
    for (const char *name : {"JT-LNK-9-D.exe", "JT LNK.exe", "LNK JT.exe"}) {
        const ProductVariant v = select(name);
        EXPECT_EQ(v.BaseCaption, "JT Modem Configuration Utility") << name;
        EXPECT_EQ(v.ModelName, "JT-LNK-9-D") << name;
        EXPECT_EQ(v.brand, Brand::BrandTolvane) << name;
        EXPECT_EQ(v.radioClass, RadioClass::Class740) << name;
    }
}

TEST(ProductVariant, NoMatch) {
    for (const char *name : {"kma 410d.exe", "setup.exe", "KMA.exe", "410.exe", "JT.exe", "LNK.exe", "jt lnk.exe", ""})
        EXPECT_FALSE(SelectProductVariant(QString::fromUtf8(name)).has_value()) << name;
    // Only the file name counts, never the directories above it.
    EXPECT_FALSE(SelectProductVariant(executableFileName("/opt/740/setup")).has_value());
    EXPECT_FALSE(SelectProductVariant(executableFileName("C:\\KMA 410\\JT LNK\\setup.exe")).has_value());
}

TEST(ProductVariant, ExecutableFileName) {
    EXPECT_EQ(executableFileName("/opt/740/setup"), "setup");
    EXPECT_EQ(executableFileName("/usr/bin/Cfg_740RB"), "Cfg_740RB");
    EXPECT_EQ(executableFileName("C:\\Program Files\\KMA 410D-868.exe"), "KMA 410D-868.exe");
    EXPECT_EQ(executableFileName("./dir\\mixed/JT LNK.exe"), "JT LNK.exe");
    EXPECT_EQ(executableFileName("Cfg_740RB.exe"), "Cfg_740RB.exe");
    EXPECT_EQ(executableFileName("/trailing/"), "");
}

TEST(ProductVariant, Icons) {
    EXPECT_EQ(applicationIconName(Brand::BrandKorvel), "KORVELEGG");
    EXPECT_EQ(applicationIconName(Brand::BrandBrisca), "BRISCA");
    EXPECT_EQ(applicationIconName(Brand::BrandTolvane), "TOLVANE");
    EXPECT_TRUE(keepsWindowIcon(Brand::BrandKorvel));
    EXPECT_FALSE(keepsWindowIcon(Brand::BrandBrisca));
    EXPECT_FALSE(keepsWindowIcon(Brand::BrandTolvane));
}

TEST(ProductVariant, FilenameErrorText) {
    EXPECT_EQ(kFilenameErrorText,
              "Filename Error!\r\n\r\nThe filename MUST contain the text:\r\n  '620', '740', \r\n"
              "  'KMA 410D-900', 'KMA 410D-868' or\r\n  'JT LNK'.\r\n\r\n"
              "Please rename the file so that it contains the required text.");
}

}  // namespace
