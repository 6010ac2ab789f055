#include <gtest/gtest.h>

#include <algorithm>

#include "barcode/codabar.h"
#include "platform/recording_surface.h"
#include "support/decode.h"
#include "support/files.h"

namespace vellomir {
namespace {

std::string Pat(char32_t c) {
  for (const auto& e : BuildCodabarTable())
    if (e.character == c) return std::string(e.elements);
  return {};
}

long Wide(const std::string& elements) { return std::count(elements.begin(), elements.end(), '1'); }

TEST(CodabarTable, SevenElementsWithTheStandardNumberOfWideOnes) {
  const auto& t = BuildCodabarTable();
  ASSERT_EQ(t.size(), 25u);
  EXPECT_EQ(t[0].character, U'0');
  EXPECT_EQ(t[12].character, U'*');
  EXPECT_EQ(t[17].character, U'A');
  EXPECT_EQ(t[24].character, U'd');
  // Digits, "-" and "$" have two wide elements, the other characters three, "*" four.
  auto wide_count = [](char32_t c) -> long {
    if (c == U'*') return 4;
    return std::u32string_view(U"0123456789-$").find(c) != std::u32string_view::npos ? 2 : 3;
  };
  for (const auto& e : t) {
    const std::string p(e.elements);
    ASSERT_EQ(p.size(), 7u);
    EXPECT_EQ(Wide(p), wide_count(e.character)) << p;
  }
  for (char32_t c : std::u32string(U"ABCD")) EXPECT_EQ(Pat(c), Pat(c + 32));
}

TEST(CodabarEncoding, A1BIsThreeCharactersWithNarrowGaps) {
  const SymbolPattern p = EncodeCodabar("A1B");
  const std::string bits = p.Bits();
  EXPECT_EQ(bits,
            "0011010"
            "0"
            "0000110"
            "0"
            "0101001");
  EXPECT_EQ(bits.size(), 23u);
  EXPECT_EQ(Wide(bits), 8);
  EXPECT_EQ(p.text, "A1B");
}

TEST(CodabarEncoding, LowerCaseLettersDrawLikeUpperCase) {
  EXPECT_EQ(EncodeCodabar("a1b").Bits(), EncodeCodabar("A1B").Bits());
  EXPECT_EQ(EncodeCodabar("a1b").text, "a1b");
}

TEST(CodabarEncoding, UnknownCharactersDrawAsZero) {
  EXPECT_EQ(EncodeCodabar("A1X").Bits(), EncodeCodabar("A10").Bits());
  EXPECT_EQ(EncodeCodabar("A1X").text, "A1X");
  EXPECT_EQ(EncodeCodabar("貨").Bits(), Pat(U'0'));
}

TEST(CodabarEncoding, EmptyAndSingleCharacter) {
  EXPECT_EQ(EncodeCodabar("").Bits(), "");
  EXPECT_EQ(EncodeCodabar("A").Bits(), "0011010");  // no gap before or after
  EXPECT_EQ(EncodeCodabar("*").Bits(), "1010101");
}

TEST(CodabarEncoding, RefusesMoreThanTheIndexListHolds) {
  EXPECT_FALSE(EncodeCodabar(std::string(500, '1')).refused);
  EXPECT_TRUE(EncodeCodabar(std::string(501, '1')).refused);
  EXPECT_TRUE(EncodeCodabar(std::string(1, 'A') + std::string(500, '1')).refused);
}

TEST(CodabarExport, StartStopLettersReadBackWithZXing) {
  test::TempDir dir;
  struct Case {
    std::string data;
    std::string expected;
  };
  // ZXing reports the start/stop letters only with ReturnCodabarStartEnd (set by the helper),
  // and in upper case. It reads no Codabar symbol shorter than four characters (A1B is not read),
  // nor one whose narrow elements are only about 2 pixels wide (module width 15 at 200 dpi).
  const Case cases[] = {
      {"A40156B", "A40156B"},
      {"C-$:/.+D", "C-$:/.+D"},
      {"a1234567890d", "A1234567890D"},
  };
  for (const auto& c : cases) {
    const std::string out = dir.File("codabar.png");
    const auto r =
        test::RunVellomir({"barcode", "--kind", "CODABAR", "--data", c.data, "--text", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto decoded = test::DecodeFileWithZXing(out, "Codabar");
    ASSERT_TRUE(decoded.has_value()) << c.data;
    EXPECT_EQ(decoded->text, c.expected);
  }
}

}  // namespace
}  // namespace vellomir
