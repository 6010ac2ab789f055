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
