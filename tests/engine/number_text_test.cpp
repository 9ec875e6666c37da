#include "engine/number_text.h"

#include <gtest/gtest.h>

using namespace ombrel;

TEST(NumberText, DecimalOrHexWord) {
    uint32_t v = 7;
    EXPECT_TRUE(ParseWord32("0", v) && v == 0);
    EXPECT_TRUE(ParseWord32("4294967295", v) && v == 4294967295u);
    EXPECT_TRUE(ParseWord32("0x1A0000f", v) && v == 0x1a0000fu);
    EXPECT_TRUE(ParseWord32("0XFFFFFFFF", v) && v == 0xffffffffu);
    for (const char* bad : {"", "4294967296", "0x", "0x100000000", "-1", "+5", " 5", "5 ", "12abc", "0x1g", "1e3"})
        EXPECT_FALSE(ParseWord32(bad, v)) << bad;
}

TEST(NumberText, WholeNumbersAndSizes) {
    int64_t v = 0, w = 0, h = 0;
    EXPECT_TRUE(ParseWhole("0", v) && v == 0);
    EXPECT_TRUE(ParseWhole("999999999999999999", v) && v == 999999999999999999);
    for (const char* bad : {"", "-1", "+1", "1 ", "0x10", "1000000000000000000"}) EXPECT_FALSE(ParseWhole(bad, v)) << bad;
    EXPECT_TRUE(ParseSize("1920x1080", w, h) && w == 1920 && h == 1080);
    for (const char* bad : {"1920", "1920x", "x1080", "1920X1080", "1920x1080x1", "-5x5", "1920 x1080"})
        EXPECT_FALSE(ParseSize(bad, w, h)) << bad;
}
