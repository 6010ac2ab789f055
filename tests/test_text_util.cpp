#include <gtest/gtest.h>

#include <cfenv>
#include <limits>

#include "platform/text_util.h"

namespace vellomir {
namespace {

TEST(NumericValue, ReadsTheNumberTheTextBeginsWith) {
  EXPECT_EQ(NumericValue("12.5mm"), 12.5);
  EXPECT_EQ(NumericValue("12mm"), 12);
  EXPECT_EQ(NumericValue("  -3.25  "), -3.25);
  EXPECT_EQ(NumericValue("+.5"), 0.5);
  EXPECT_EQ(NumericValue("1.2.3"), 1.2);
  EXPECT_EQ(NumericValue("12.50"), 12.5);
}

TEST(NumericValue, NoLeadingNumberIsZero) {
  EXPECT_EQ(NumericValue(""), 0);
  EXPECT_EQ(NumericValue("abc"), 0);
  EXPECT_EQ(NumericValue("   "), 0);
  EXPECT_EQ(NumericValue("-"), 0);
  EXPECT_EQ(NumericValue("."), 0);
  EXPECT_EQ(NumericValue("mm12"), 0);
}

TEST(NumericValue, BlanksBetweenThePartsAreSkipped) {
  EXPECT_EQ(NumericValue("1 2"), 12);
  EXPECT_EQ(NumericValue("- 5"), -5);
  EXPECT_EQ(NumericValue("1 . 5 kg"), 1.5);
  EXPECT_EQ(NumericValue("1\t0"), 10);
}

TEST(NumericValue, ExponentOnlyWithDigits) {
  EXPECT_EQ(NumericValue("1e3"), 1000);
  EXPECT_EQ(NumericValue("2.5E-1"), 0.25);
  EXPECT_EQ(NumericValue("1 e 2"), 100);
  EXPECT_EQ(NumericValue("3e"), 3);
  EXPECT_EQ(NumericValue("3e+x"), 3);
  EXPECT_EQ(NumericValue("3em"), 3);
}

// Beyond a double's range the value is infinite, so every range check after it refuses it
// rather than taking the number for 0.
TEST(NumericValue, BeyondADoubleIsInfiniteAndBelowItZero) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(NumericValue("1e400"), inf);
  EXPECT_EQ(NumericValue("-1e400"), -inf);
  EXPECT_EQ(NumericValue(" 2 e 999 mm"), inf);
  EXPECT_EQ(NumericValue(std::string(400, '9')), inf);
  EXPECT_EQ(NumericValue("1e300"), 1e300);
  EXPECT_EQ(NumericValue("1e-400"), 0);
  EXPECT_EQ(NumericValue("-1e-400"), 0);
  EXPECT_EQ(NumericValue("0." + std::string(400, '0') + "1"), 0);
  EXPECT_EQ(NumericValue("0e999"), 0);  // zero is zero at any scale
  EXPECT_FALSE(ToInt16(NumericValue("1e400")));
  EXPECT_FALSE(ToInt32(NumericValue("-1e400")));
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(282.5), 282);
  EXPECT_EQ(RoundHalfEven(847.5), 848);
  EXPECT_EQ(RoundHalfEven(5932.5), 5932);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(7712.25), 7712);
  EXPECT_EQ(RoundHalfEven(5209.3), 5209);
  EXPECT_EQ(RoundHalfEven(0.6), 1);
}

TEST(RoundHalfEven, DoesNotFollowTheProcessRoundingMode) {
  const int saved = std::fegetround();
  for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    std::fesetround(mode);
    EXPECT_EQ(RoundHalfEven(282.5), 282) << mode;
    EXPECT_EQ(RoundHalfEven(847.5), 848) << mode;
    EXPECT_EQ(RoundHalfEven(-2.5), -2) << mode;
    EXPECT_EQ(RoundHalfEven(0.4), 0) << mode;
    EXPECT_EQ(RoundHalfEven(-0.6), -1) << mode;
  }
  std::fesetround(saved);
}

TEST(IntegerConversion, OutOfRangeGivesNothing) {
  EXPECT_EQ(ToInt16(32767.4), 32767);
  EXPECT_EQ(ToInt16(-32768.5), -32768);  // half to even stays in range
  EXPECT_FALSE(ToInt16(32767.5));
  EXPECT_FALSE(ToInt16(-32769));
  EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
  EXPECT_FALSE(ToInt32(2147483648.0));
  EXPECT_FALSE(ToInt32(-2147483649.0));
  EXPECT_EQ(ToInt32(847.5), 848);
}

TEST(SplitFields, SplitsAtEverySeparator) {
  EXPECT_EQ(SplitFields("setting,,;1,,;105,,;"),
            (std::vector<std::string>{"setting", "1", "105", ""}));
  EXPECT_EQ(SplitFields("a,,;,,;b"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitFields("no separator"), (std::vector<std::string>{"no separator"}));
  EXPECT_EQ(SplitFields(",,;"), (std::vector<std::string>{"", ""}));
  // Only the exact three characters separate.
  EXPECT_EQ(SplitFields("a,;b,,b;,,,;"), (std::vector<std::string>{"a,;b,,b;,", ""}));
  EXPECT_TRUE(SplitFields("").empty());
  EXPECT_EQ(CountItems(SplitFields("")), 0u);
  EXPECT_EQ(CountItems(SplitFields("3,,;img\\a.bmp,,;60,,;10,,;30,,;")), 6u);
}

TEST(TextBasics, TrimAndCodePoints) {
  EXPECT_EQ(Trim(" \t 細 明 \t"), "細 明");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(CodePointCount("細明體ABC"), 6u);
  EXPECT_EQ(ToCodePoints("A細"), U"A細");
  EXPECT_EQ(FromCodePoints(U"A細😀"), "A細😀");
  EXPECT_EQ(ToCodePoints("\xFF"
                         "A"),
            U"\uFFFDA");  // a stray byte stays countable
}

}  // namespace
}  // namespace vellomir
