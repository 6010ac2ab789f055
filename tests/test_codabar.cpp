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

class CodabarDrawing : public ::testing::Test {
 protected:
  FixedPitchMetrics metrics_{100};
  RecordingSurface surface_{metrics_};
};

TEST_F(CodabarDrawing, A1BAdvances333AtModuleWidth10) {
  int32_t x = 70000;  // startX is held in 32 bits
  PaintCodabar("A1B", surface_, 0, 10, x, 20, 10, 600);
  EXPECT_EQ(x, 70000 + 15 * 11 + 8 * 21);
  const std::string bits = EncodeCodabar("A1B").Bits();
  const auto boxes = surface_.Boxes();
  ASSERT_EQ(boxes.size(), bits.size());
  double left = 70000;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const double w = bits[i] == '1' ? 20 : 10;
    EXPECT_EQ(boxes[i], (BoxOp{left, 20, w, 600 + 57, i % 2 == 0 ? kBlack : kWhite}))
        << "element " << i;
    left += w + 1;
  }
  EXPECT_EQ(surface_.CurrentX(), x - 1);
}

TEST_F(CodabarDrawing, TextIsTheDataAsTyped) {
  int32_t x = 1000;
  PaintCodabar("a1b", surface_, 1, 9, x, 500, 15, 1130);
  const int32_t end_x = x - 1;
  const auto texts = surface_.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1].text, "a1b");
  EXPECT_EQ(texts[1].x, 1000 + static_cast<int>((end_x - 1300) / 2) + 1);
  EXPECT_EQ(texts[1].y, 500 + 1130 + 114);
  EXPECT_EQ(surface_.CurrentX(), end_x);
}

// With no box drawn, endX is wherever the surface's position was before the call.
TEST_F(CodabarDrawing, EmptyDataDrawsNoBox) {
  int32_t x = 300;
  surface_.SetCurrentX(77);
  PaintCodabar("", surface_, 1, 12, x, 0, 15, 100);
  EXPECT_TRUE(surface_.Boxes().empty());
  EXPECT_EQ(x, 300);
  EXPECT_EQ(surface_.Font().size, 12);  // the font is still set
  const auto texts = surface_.Texts();
  ASSERT_EQ(texts.size(), 2u);
  // The measuring spaces (none) at startX, then the text at startX + offset, 2 x G below.
  EXPECT_EQ(texts[0].text, "");
  EXPECT_EQ(texts[0].x, 300);
  EXPECT_EQ(texts[0].y, 100 + 2 * 57);
  EXPECT_EQ(texts[1].text, "");
  EXPECT_EQ(texts[1].x, 300 + (static_cast<int>((77 - 300) / 2) + 1));  // -111.5 cut to -111
  EXPECT_EQ(texts[1].y, 100 + 2 * 57);
  EXPECT_EQ(surface_.CurrentX(), 77);
  EXPECT_EQ(surface_.CurrentY(), 100 + 2 * 57);

  // Without text the position is not touched at all.
  RecordingSurface plain(metrics_);
  plain.SetCurrentX(77);
  plain.SetCurrentY(5);
  x = 300;
  PaintCodabar("", plain, 0, 12, x, 0, 15, 100);
  EXPECT_TRUE(plain.Ops().empty());
  EXPECT_EQ(x, 300);
  EXPECT_EQ(plain.CurrentX(), 77);
  EXPECT_EQ(plain.CurrentY(), 5);
  EXPECT_EQ(plain.Font().name, "");
}

TEST_F(CodabarDrawing, RefusedDataDrawsNothing) {
  int32_t x = 5;
  PaintCodabar(std::string(501, '1'), surface_, 1, 9, x, 0, 15, 100);
  EXPECT_TRUE(surface_.Ops().empty());
  EXPECT_EQ(x, 5);
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
