#include "settings/ProductVariant.h"

#include <gtest/gtest.h>

namespace {

ProductVariant select(const char *name) {
    const std::optional<ProductVariant> v = selectProductVariant(QString::fromUtf8(name));
    EXPECT_TRUE(v.has_value()) << name;
    return v.value_or(ProductVariant{});
}

TEST(ProductVariant, VariantsFromProgramName) {
    struct Case {
        const char *name, *caption, *model;
        Brand brand;
        RadioClass radioClass;
    };
    const Case cases[] = {
        {"Cfg_740RB.exe", "740R-B Configuration", "740R-B", Brand::Korvel, RadioClass::Class740},
        {"Cfg_620R", "620R Configuration", "620R", Brand::Korvel, RadioClass::Class620},
        {"KMA 410D-868.exe", "KMA 410D Configuration (868 MHz)", "KMA 410U", Brand::Brisca, RadioClass::Class620},
        {"KMA 410D-900.exe", "KMA 410D Configuration", "KMA 410U", Brand::Brisca, RadioClass::Class740},
        // Tolvane's tokens in any order.
        {"JT-LNK-9-D.exe", "JT Modem Configuration Utility", "JT-LNK-9-D", Brand::Tolvane, RadioClass::Class740},
        {"JT LNK.exe", "JT Modem Configuration Utility", "JT-LNK-9-D", Brand::Tolvane, RadioClass::Class740},
        {"LNK JT.exe", "JT Modem Configuration Utility", "JT-LNK-9-D", Brand::Tolvane, RadioClass::Class740},
    };
    for (const Case &c : cases) {
        const ProductVariant v = select(c.name);
        EXPECT_EQ(v.baseCaption, c.caption) << c.name;
        EXPECT_EQ(v.modelName, c.model) << c.name;
        EXPECT_EQ(v.brand, c.brand) << c.name;
        EXPECT_EQ(v.radioClass, c.radioClass) << c.name;
    }
}

TEST(ProductVariant, RadioClassFeatures) {
    EXPECT_TRUE(showsS21(RadioClass::Class740));
    EXPECT_EQ(s18TabCaption(RadioClass::Class740), "S18 - S21");
    EXPECT_TRUE(hasFastOperation(RadioClass::Class740));
    EXPECT_FALSE(showsS21(RadioClass::Class620));
    EXPECT_EQ(s18TabCaption(RadioClass::Class620), "S18 - S20");
    EXPECT_FALSE(hasFastOperation(RadioClass::Class620));
}

TEST(ProductVariant, FirstMatchWins) {
    EXPECT_EQ(select("620_740.exe").radioClass, RadioClass::Class740);
    EXPECT_EQ(select("740_620.exe").modelName, "740R-B");
    // "740" outranks the Brisca tokens as well.
    EXPECT_EQ(select("KMA 410D-740.exe").brand, Brand::Korvel);
    // Any "8" counts, wherever it stands.
    EXPECT_EQ(select("KMA 410D-900 copy 8.exe").radioClass, RadioClass::Class620);
    EXPECT_EQ(select("KMA 410D-900.ex8").radioClass, RadioClass::Class620);
}

TEST(ProductVariant, NoMatch) {
    for (const char *name : {"kma 410d.exe", "setup.exe", "KMA.exe", "410.exe", "JT.exe", "LNK.exe", "jt lnk.exe", ""})
        EXPECT_FALSE(selectProductVariant(QString::fromUtf8(name)).has_value()) << name;
    // Only the file name counts, never the directories above it.
    EXPECT_FALSE(selectProductVariant(executableFileName("/opt/740/setup")).has_value());
    EXPECT_FALSE(selectProductVariant(executableFileName("C:\\KMA 410\\JT LNK\\setup.exe")).has_value());
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
    EXPECT_EQ(applicationIconName(Brand::Korvel), "KORVELEGG");
    EXPECT_EQ(applicationIconName(Brand::Brisca), "BRISCA");
    EXPECT_EQ(applicationIconName(Brand::Tolvane), "TOLVANE");
    EXPECT_TRUE(keepsWindowIcon(Brand::Korvel));
    EXPECT_FALSE(keepsWindowIcon(Brand::Brisca));
    EXPECT_FALSE(keepsWindowIcon(Brand::Tolvane));
}

TEST(ProductVariant, FilenameErrorText) {
    EXPECT_EQ(kFilenameErrorText,
              "Filename Error!\r\n\r\nThe filename MUST contain the text:\r\n  '620', '740', \r\n"
              "  'KMA 410D-900', 'KMA 410D-868' or\r\n  'JT LNK'.\r\n\r\n"
              "Please rename the file so that it contains the required text.");
}

}  // namespace
