#include <gtest/gtest.h>

#include "barcode/code39.h"
#include "barcode/ean_upc.h"
#include "platform/recording_surface.h"
#include "support/decode.h"
#include "support/files.h"

namespace vellomir {
namespace {

std::string Pat(char32_t c) {
  for (const auto& e : BuildCode39Table())
    if (e.character == c) return e.modules;
  return {};
}

TEST(Code39Table, HasStandardWidthsAndCheckOrder) {
  const auto& t = BuildCode39Table();
  ASSERT_EQ(t.size(), 44u);
  EXPECT_EQ(t[10].character, U'A');
  EXPECT_EQ(t[38].character, U' ');
  EXPECT_EQ(t[43].character, U'*');
  for (std::size_t i = 0; i < t.size(); ++i) {
    const std::string m = t[i].modules;
    const bool three_wide_spaces = i >= 39 && i <= 42;
    EXPECT_EQ(m.size(), three_wide_spaces ? 19u : 21u) << "index " << i;
    EXPECT_EQ(m.front(), '1');
    EXPECT_EQ(m.back(), '1');
  }
}

TEST(Code39Encoding, CheckCharacterOnlyForOne) {
  const std::string star = Pat(U'*'), a = Pat(U'A');
  EXPECT_EQ(EncodeCode39("A", 1).Bits(), star + "00" + a + "00" + a + "00" + star);
  EXPECT_EQ(EncodeCode39("A", 0).Bits(), star + "00" + a + "00" + star);
  EXPECT_EQ(EncodeCode39("A", 2).Bits(), EncodeCode39("A", 0).Bits());
  EXPECT_EQ(EncodeCode39("A", -1).Bits(), EncodeCode39("A", 0).Bits());
}

TEST(Code39Encoding, Modulo43OfCODE39IsW) {
  // Values 12, 24, 13, 14, 3, 9: sum 75, 75 mod 43 = 32 ("W").
  std::string expected = Pat(U'*') + "00";
  for (char32_t c : std::u32string(U"CODE39W")) expected += Pat(c) + "00";
  expected += Pat(U'*');
  EXPECT_EQ(EncodeCode39("CODE39", 1).Bits(), expected);
}

TEST(Code39Encoding, UnknownCharactersDrawAsZeroButPrintUnchanged) {
  EXPECT_EQ(EncodeCode39("a", 0).Bits(), EncodeCode39("0", 0).Bits());
  EXPECT_EQ(EncodeCode39("*", 0).Bits(), EncodeCode39("0", 0).Bits());
  EXPECT_EQ(EncodeCode39("貨", 0).Bits(), EncodeCode39("0", 0).Bits());
  EXPECT_EQ(EncodeCode39("a", 0).text, "a");
}

TEST(Code39Encoding, EmptyData) {
  const std::string star = Pat(U'*');
  EXPECT_EQ(EncodeCode39("", 0).Bits(), star + "00" + star);
  EXPECT_EQ(EncodeCode39("", 1).Bits(), star + "00" + Pat(U'0') + "00" + star);
}

TEST(Code39Encoding, ModuleCount) {
  EXPECT_EQ(EncodeCode39("HELLO", 0).Bits().size(), 21u + 2 + 23 * 5 + 21);
  EXPECT_EQ(EncodeCode39("A$B/", 0).Bits().size(), 21u + 2 + 23 * 4 - 4 + 21);
}

TEST(Code39Encoding, RefusesMoreThanTheIndexListHolds) {
  EXPECT_FALSE(EncodeCode39(std::string(500, '1'), 0).refused);
  EXPECT_TRUE(EncodeCode39(std::string(501, '1'), 0).refused);
}

class Code39Drawing : public ::testing::Test {
 protected:
  FixedPitchMetrics metrics_{100};
  RecordingSurface surface_{metrics_};
};

TEST_F(Code39Drawing, BoxesAdvanceWidthPlusOneAndCoverWhiteToo) {
  int32_t x = 1000;
  PaintCode39("1", surface_, 0, 0, 10, x, 500, 15, 1130);
  const auto boxes = surface_.Boxes();
  const std::string bits = EncodeCode39("1", 0).Bits();
  ASSERT_EQ(boxes.size(), bits.size());
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i], (BoxOp{1000.0 + 16 * i, 500, 15, 1130, bits[i] == '1' ? kBlack : kWhite}))
        << "module " << i;
  }
  EXPECT_EQ(x, 1000 + 16 * static_cast<int32_t>(bits.size()));
  // No text: no font set, position left at the far corner of the last box.
  EXPECT_TRUE(surface_.Texts().empty());
  EXPECT_EQ(surface_.Font().name, "");
  EXPECT_EQ(surface_.CurrentX(), x - 1);
  EXPECT_EQ(surface_.CurrentY(), 500 + 1130);
}

TEST_F(Code39Drawing, TextCentredUnderTheBars) {
  int32_t x = 1000;
  PaintCode39("AB", surface_, 0, 1, 9, x, 500, 15, 1130);
  const int32_t end_x = x - 1;
  const auto texts = surface_.Texts();
  ASSERT_EQ(texts.size(), 2u);
  // First the measuring spaces at startX, then the data at startX + offset.
  EXPECT_EQ(texts[0].text, "  ");
  EXPECT_EQ(texts[0].x, 1000);
  const double offset = static_cast<int>((end_x - (1000 + 200)) / 2) + 1;
  EXPECT_EQ(texts[1].text, "AB");
  EXPECT_EQ(texts[1].x, 1000 + offset);
  EXPECT_EQ(texts[1].y, 500 + 1130 + 114);
  EXPECT_EQ(texts[1].font.name, "Courier New");
  EXPECT_EQ(texts[1].font.size, 9);
  EXPECT_EQ(surface_.Font().name, "Courier New");
  EXPECT_EQ(surface_.CurrentX(), end_x);
}

TEST_F(Code39Drawing, TextWiderThanSymbolStartsLeftOfIt) {
  int32_t x = 0;
  const std::string data(10, '-');
  PaintCode39(data, surface_, 0, 1, 9, x, 0, 0, 100);  // zero-width modules, 1 unit apart
  const int32_t end_x = x - 1;
  const auto texts = surface_.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_LT(texts[1].x, 1);
  EXPECT_EQ(texts[1].x, static_cast<int>((end_x - 1000) / 2) + 1);
}

TEST_F(Code39Drawing, EmptyDataWithTextSetsFontAndPrintsNothingVisible) {
  int32_t x = 0;
  PaintCode39("", surface_, 0, 1, 12, x, 0, 15, 100);
  for (const auto& t : surface_.Texts()) EXPECT_EQ(t.text, "");
  EXPECT_EQ(surface_.Font().size, 12);
  EXPECT_EQ(surface_.CurrentX(), x - 1);
}

TEST_F(Code39Drawing, StartXBeyond16BitsDrawsNothing) {
  int32_t x = 32768;  // startX is held in 16 bits
  PaintCode39("A", surface_, 0, 1, 10, x, 0, 15, 100);
  EXPECT_TRUE(surface_.Ops().empty());
  EXPECT_EQ(x, 32768);
  x = -32768;
  PaintCode39("A", surface_, 0, 0, 10, x, 0, 15, 100);
  EXPECT_FALSE(surface_.Ops().empty());
}

// Code 39 bars are barHeight high and its text top is worked out in 32 bits: every 16-bit
// bar height draws. EAN/UPC guards add G to barHeight, so there the top heights are refused.
TEST_F(Code39Drawing, EveryBarHeightDrawsWhereGuardsWouldOverflow) {
  int32_t x = 0;
  PaintCode39("A", surface_, 0, 1, 10, x, 0, 15, 32767);
  const auto boxes = surface_.Boxes();
  ASSERT_EQ(boxes.size(), EncodeCode39("A", 0).Bits().size());
  for (const auto& b : boxes) EXPECT_EQ(b.h, 32767);
  const auto texts = surface_.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1].y, 32767.0 + 2 * 57);

  RecordingSurface ean(metrics_);
  x = 0;
  PaintEan13("400638133393", ean, 1, 10, x, 0, 15, 32767 - 56);
  EXPECT_TRUE(ean.Ops().empty());
  EXPECT_EQ(x, 0);
  PaintEan13("400638133393", ean, 1, 10, x, 0, 15, 32767 - 57);
  EXPECT_FALSE(ean.Ops().empty());
}

TEST(Code39Export, PngReadsBackWithZXing) {
  test::TempDir dir;
  struct Case {
    std::string data;
    bool check;
    std::string expected;  // what a scanner reports; a check character is reported as data
  };
  const Case cases[] = {
      {"CODE39", false, "CODE39"}, {"CODE39", true, "CODE39W"}, {"ABC-123 .", false, "ABC-123 ."},
      {"A", true, "AA"},           {"LOT.42", false, "LOT.42"},
  };
  for (const auto& c : cases) {
    const std::string out = dir.File("c39.png");
    std::vector<std::string> args = {"barcode", "--kind", "Code-39", "--data",
                                     c.data,    "--text", "-o",      out};
    if (c.check) args.push_back("--check");
    const auto r = test::RunVellomir(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto decoded = test::DecodeFileWithZXing(out, "Code39");
    ASSERT_TRUE(decoded.has_value()) << c.data;
    EXPECT_EQ(decoded->text, c.expected);
  }
}

// A wrong row of the table reads back as another character, or not at all.
TEST(Code39Export, EveryDataCharacterReadsBackWithZbar) {
  test::TempDir dir;
  for (const std::string data : {"0123456789", "ABCDEFGHIJKLM", "NOPQRSTUVWXYZ", "-. $/+%"}) {
    const std::string out = dir.File("c39.png");
    const auto r = test::RunVellomir({"barcode", "--kind", "0", "--data", data, "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto found = test::DecodeAllWithZbar(QImage(QString::fromStdString(out)));
    ASSERT_EQ(found.size(), 1u) << data;
    EXPECT_EQ(found[0], "CODE-39:" + data);
  }
}

// "$", "/", "+" and "%" have only narrow bars; at this table's 4:1 bar and 2:1 space ratios
// ZXing-cpp 1.4 does not read them, zbar does.
TEST(Code39Export, CharactersWithThreeWideSpacesReadBackWithZbar) {
  test::TempDir dir;
  const std::string out = dir.File("c39.png");
  const auto r =
      test::RunVellomir({"barcode", "--kind", "0", "--data", "ABC-123 $/+%", "--check", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  // Values 10+11+12+36+1+2+3+38+39+40+41+42 = 275, 275 mod 43 = 17 ("H").
  const auto found = test::DecodeAllWithZbar(QImage(QString::fromStdString(out)));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], "CODE-39:ABC-123 $/+%H");
}

}  // namespace
}  // namespace vellomir
