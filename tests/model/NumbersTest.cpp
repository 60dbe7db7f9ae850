#include "model/Numbers.h"

#include <clocale>
#include <gtest/gtest.h>

TEST(Numbers, LeadingIntReadsLikeTheSettingsFiles)
{
    EXPECT_EQ(LeadingInt("12"), 12);
    EXPECT_EQ(LeadingInt("   7"), 7);
    EXPECT_EQ(LeadingInt("+3"), 3);
    EXPECT_EQ(LeadingInt("-42x"), -42);
    EXPECT_EQ(LeadingInt("1e5"), 1);
    EXPECT_EQ(LeadingInt("abc"), 0);
    EXPECT_EQ(LeadingInt(""), 0);
    EXPECT_EQ(LeadingInt("-"), 0);
}

TEST(Numbers, LeadingIntSaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(LeadingInt("99999999999999999999"), INT64_MAX);
    EXPECT_EQ(LeadingInt("-99999999999999999999"), -INT64_MAX);
}

TEST(Numbers, ProfileWordsKeepTheirLow32Bits)
{
    std::int32_t w = 0;
    ASSERT_TRUE(ParseProfileWord("4294967295", w));
    EXPECT_EQ(w, -1);
    ASSERT_TRUE(ParseProfileWord(" -1 ", w));
    EXPECT_EQ(w, -1);
    ASSERT_TRUE(ParseProfileWord("11000", w));
    EXPECT_EQ(w, 11000);
    EXPECT_FALSE(ParseProfileWord("abc", w));
    EXPECT_FALSE(ParseProfileWord("12abc", w));
    EXPECT_FALSE(ParseProfileWord("", w));
    EXPECT_FALSE(ParseProfileWord("4294967296", w));
    EXPECT_FALSE(ParseProfileWord("99999999999999999999", w));
}

TEST(Numbers, FormattingIgnoresTheUserLocale)
{
    const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    ASSERT_NE(german, nullptr) << "de_DE.UTF-8 must be generated (scripts/install-deps does it)";
    EXPECT_EQ(FormatC("%f", 0.16), "0.160000");
    EXPECT_EQ(FormatC("%d:%s", -5, "x"), "-5:x");
    std::setlocale(LC_ALL, "C");
}

TEST(Numbers, FormatCHandlesLongOutput)
{
    const std::string long_text(500, 'a');
    EXPECT_EQ(FormatC("%s|%d", long_text.c_str(), 1), long_text + "|1");
}
