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
