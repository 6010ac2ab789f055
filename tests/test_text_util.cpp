#include <gtest/gtest.h>
#include <iconv.h>

#include <cfenv>
#include <limits>
#include <optional>
#include <set>

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

namespace vellomir {
namespace {

// The C library's own CP950 table, without the user-defined characters.
std::optional<std::string> RawIconv(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 8, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  const bool ok = iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - dst_left);
  return out;
}

std::vector<unsigned char> UserDefinedLeads() {
  std::vector<unsigned char> leads;
  for (int l = 0x81; l <= 0xA0; ++l) leads.push_back(static_cast<unsigned char>(l));
  for (int l = 0xFA; l <= 0xFE; ++l) leads.push_back(static_cast<unsigned char>(l));
  return leads;
}

std::vector<unsigned char> TrailBytes() {
  std::vector<unsigned char> trails;
  for (int t = 0x40; t <= 0x7E; ++t) trails.push_back(static_cast<unsigned char>(t));
  for (int t = 0xA1; t <= 0xFE; ++t) trails.push_back(static_cast<unsigned char>(t));
  return trails;
}

TEST(Cp950UserDefined, TheBlocksStartWhereTheOldPlatformPutThem) {
  const struct {
    unsigned char lead, trail;
    char32_t code;
  } rows[] = {
      {0xFA, 0x40, 0xE000}, {0xFA, 0x7E, 0xE03E}, {0xFA, 0xA1, 0xE03F}, {0xFA, 0xFE, 0xE09C},
      {0xFB, 0x40, 0xE09D}, {0xFE, 0xFE, 0xE310}, {0x8E, 0x40, 0xE311}, {0xA0, 0xFE, 0xEEB7},
      {0x81, 0x40, 0xEEB8}, {0x8D, 0xFE, 0xF6B0},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(UserDefinedToPrivateUse(r.lead, r.trail), r.code) << std::hex << int(r.lead);
    const auto back = PrivateUseToUserDefined(r.code);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->lead, r.lead);
    EXPECT_EQ(back->trail, r.trail);
  }
  // Not user-defined: ordinary Big5 leads, bytes that are no trail bytes, other characters.
  EXPECT_FALSE(UserDefinedToPrivateUse(0xA4, 0x40));
  EXPECT_FALSE(UserDefinedToPrivateUse(0xF9, 0x40));
  EXPECT_FALSE(UserDefinedToPrivateUse(0x81, 0x3F));
  EXPECT_FALSE(UserDefinedToPrivateUse(0x81, 0x80));
  EXPECT_FALSE(UserDefinedToPrivateUse(0xFE, 0xFF));
  EXPECT_FALSE(PrivateUseToUserDefined(0xDFFF));
  EXPECT_FALSE(PrivateUseToUserDefined(0xF6B1));
  EXPECT_FALSE(PrivateUseToUserDefined(U'中'));
}

TEST(Cp950UserDefined, EveryCodeRoundTripsOntoItsOwnPrivateUseCharacter) {
  std::set<char32_t> codes;
  for (unsigned char lead : UserDefinedLeads()) {
    for (unsigned char trail : TrailBytes()) {
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      // The C library's table leaves every one of them out, so none changes meaning here.
      ASSERT_FALSE(RawIconv("UTF-8", "CP950", bytes)) << std::hex << int(lead) << int(trail);
      const auto utf8 = Cp950ToUtf8(bytes);
      ASSERT_TRUE(utf8) << std::hex << int(lead) << " " << int(trail);
      const std::u32string cps = ToCodePoints(*utf8);
      ASSERT_EQ(cps.size(), 1u);
      EXPECT_EQ(cps[0], UserDefinedToPrivateUse(lead, trail));
      codes.insert(cps[0]);
      EXPECT_EQ(Utf8ToCp950(*utf8), bytes);
    }
  }
  // 37 rows of 157, one private use character each, without a gap: U+E000..U+F6B0.
  ASSERT_EQ(codes.size(), 37u * 157u);
  EXPECT_EQ(*codes.begin(), 0xE000u);
  EXPECT_EQ(*codes.rbegin(), 0xF6B0u);
  for (char32_t c = 0xE000; c <= 0xF6B0; ++c) {
    // And the C library gives none of these characters a code of its own.
    ASSERT_FALSE(RawIconv("CP950", "UTF-8", FromCodePoints(std::u32string(1, c))))
        << static_cast<unsigned>(c);
  }
}

TEST(Cp950UserDefined, MixedWithBig5AndAsciiTheBytesComeBackUnchanged) {
  // 品名 (Big5 AB 7E A6 57), a user-defined character, ASCII, another from the low block.
  const std::string bytes = "\xAB\x7E\xA6\x57\xFA\x41-A1,,;\x81\xFE\r\n\x8E\xA1";
  const auto utf8 = Cp950ToUtf8(bytes);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(*utf8, "品名\uE001-A1,,;\uEF54\r\n\uE350");
  EXPECT_EQ(Utf8ToCp950(*utf8), bytes);
}

TEST(Cp950UserDefined, TheCLibrarysOwnPrivateUseBlockFollowsOnWithoutAGap) {
  // The C library already maps C6A1.. onto U+F6B1.., as the old platform did: the three
  // blocks here end at U+F6B0, just before it.
  EXPECT_EQ(Utf8ToCp950("\uF6B1"), "\xC6\xA1");
  EXPECT_EQ(Cp950ToUtf8("\xC6\xA1"), "\uF6B1");
  EXPECT_EQ(Utf8ToCp950("\uF6B0"), "\x8D\xFE");
}

TEST(Cp950UserDefined, WhatIsNoCp950StaysRefused) {
  EXPECT_FALSE(Cp950ToUtf8("\x81\x30"));                  // a lead byte without a trail byte
  EXPECT_FALSE(Cp950ToUtf8("abc\xFA"));                   // cut at the end
  EXPECT_FALSE(Cp950ToUtf8("\xFF\xFF"));                  // no lead byte at all
  EXPECT_FALSE(Utf8ToCp950("\uF8FF"));                    // private use beyond every CP950 code
  EXPECT_FALSE(Utf8ToCp950("漢字😀"));                     // no CP950 code
  EXPECT_FALSE(Utf8ToCp950(std::string("\xEE\x80", 2)));  // cut UTF-8
  EXPECT_EQ(Utf8ToCp950(""), "");
  EXPECT_EQ(Cp950ToUtf8(""), "");
}

}  // namespace
}  // namespace vellomir
