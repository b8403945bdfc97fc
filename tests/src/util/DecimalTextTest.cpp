#include "util/categories/DecimalText.h"

#include <gtest/gtest.h>

#include <limits>

TEST(DecimalTextTest, WritesAsPrintfDoesWhateverTheLocale) {
    // Ties of the value as held go to the even digit; values held just off a tie go their way.
    EXPECT_EQ(DecimalText::fixed(1.25, 1), "1.2");
    EXPECT_EQ(DecimalText::fixed(1.75, 1), "1.8");
    EXPECT_EQ(DecimalText::fixed(0.35, 1), "0.3");
    EXPECT_EQ(DecimalText::fixed(2.45, 1), "2.5");
    EXPECT_EQ(DecimalText::fixed(-0.25, 1), "-0.2");
    EXPECT_EQ(DecimalText::fixed(2.5, 0), "2");
    EXPECT_EQ(DecimalText::fixed(3, 2), "3.00");
    EXPECT_EQ(DecimalText::fixed(1e20, 1), "100000000000000000000.0");
    EXPECT_EQ(DecimalText::fixed(std::numeric_limits<double>::max(), 1).size(), 311);
    EXPECT_EQ(DecimalText::fixed(std::numeric_limits<double>::infinity(), 1), "inf");
    EXPECT_EQ(DecimalText::fixed(-std::numeric_limits<double>::infinity(), 1), "-inf");
    EXPECT_EQ(DecimalText::fixed(std::numeric_limits<double>::quiet_NaN(), 1), "nan");
}
