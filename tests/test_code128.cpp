#include <gtest/gtest.h>

#include <QPainter>
#include <set>

#include "barcode/code128.h"
#include "output/export.h"
#include "output/qt_surface.h"
#include "platform/recording_surface.h"
#include "support/decode.h"
#include "support/files.h"

namespace vellomir {
namespace {

using Set = Code128Set;

std::string Pattern(int value) {
  switch (value) {
    case kCode128StartA:
      return std::string(kCode128StartAPattern);
    case kCode128StartB:
      return std::string(kCode128StartBPattern);
    case kCode128StartC:
      return std::string(kCode128StartCPattern);
    default:
      return std::string(BuildCode128Table()[value].pattern);
  }
}

// Widths of the runs of equal modules, e.g. "11011001100" -> 2 1 2 2 2 2.
std::vector<int> Runs(std::string_view modules) {
  std::vector<int> runs;
  for (std::size_t i = 0; i < modules.size();) {
    std::size_t j = i;
    while (j < modules.size() && modules[j] == modules[i]) ++j;
    runs.push_back(static_cast<int>(j - i));
    i = j;
  }
  return runs;
}

TEST(Code128Table, EveryPatternIsThreeBarsAndThreeSpacesOfElevenModules) {
  std::set<std::string> distinct;
  for (int v = 0; v <= kCode128StartC; ++v) {
    const std::string p = Pattern(v);
    SCOPED_TRACE("value " + std::to_string(v));
    ASSERT_EQ(p.size(), 11u);
    EXPECT_EQ(p.front(), '1');
    EXPECT_EQ(p.back(), '0');
    const auto runs = Runs(p);
    ASSERT_EQ(runs.size(), 6u);
    int sum = 0;
    for (int r : runs) {
      EXPECT_GE(r, 1);
      EXPECT_LE(r, 4);
      sum += r;
    }
    EXPECT_EQ(sum, 11);
    // Bars of a symbol character always add up to an even number of modules.
    EXPECT_EQ((runs[0] + runs[2] + runs[4]) % 2, 0);
    distinct.insert(p);
  }
  EXPECT_EQ(distinct.size(), 106u);
  EXPECT_EQ(Runs(kCode128StopPattern), (std::vector<int>{2, 3, 3, 1, 1, 1, 2}));
}

TEST(Code128Table, KnownPatterns) {
  EXPECT_EQ(Pattern(0), "11011001100");
  EXPECT_EQ(Pattern(1), "11001101100");
  EXPECT_EQ(Pattern(12), "10110011100");
  EXPECT_EQ(Pattern(99), "10111011110");
  EXPECT_EQ(Pattern(102), "11110101110");
  EXPECT_EQ(Pattern(kCode128StartA), "11010000100");
  EXPECT_EQ(Pattern(kCode128StartB), "11010010000");
  EXPECT_EQ(Pattern(kCode128StartC), "11010011100");
}

TEST(Code128Table, SetTexts) {
  const auto& t = BuildCode128Table();
  EXPECT_EQ(t[0].set_a, " ");
  EXPECT_EQ(t[0].set_b, " ");
  EXPECT_EQ(t[33].set_a, "A");
  EXPECT_EQ(t[63].set_a, "_");
  EXPECT_EQ(t[64].set_a, std::string_view("\0", 1));
  EXPECT_EQ(t[64].set_b, "`");
  EXPECT_EQ(t[65].set_b, "a");
  EXPECT_EQ(t[73].set_a, "\t");
  EXPECT_EQ(t[95].set_a, "\x1f");
  EXPECT_EQ(t[95].set_b, "\x7f");
  EXPECT_EQ(t[96].set_a, "FNC3");
  EXPECT_EQ(t[98].set_b, "Shift");
  EXPECT_EQ(t[99].set_a, "Code C");
  EXPECT_EQ(t[100].set_a, "Code B");
  EXPECT_EQ(t[100].set_b, "FNC4");
  EXPECT_EQ(t[101].set_a, "FNC4");
  EXPECT_EQ(t[101].set_b, "Code A");
  EXPECT_EQ(t[102].set_b, "FNC1");
  EXPECT_EQ(t[0].set_c, "00");
  EXPECT_EQ(t[7].set_c, "07");
  EXPECT_EQ(t[99].set_c, "99");
  EXPECT_EQ(t[100].set_c, "");
  EXPECT_EQ(t[102].set_c, "");
}

std::string ModulesOf(const std::vector<int>& values) {
  std::string m;
  for (int v : values) m += Pattern(v);
  return m + std::string(kCode128StopPattern);
}

TEST(Code128Encoding, WorkedExamplesWithCheck) {
  struct Case {
    std::string data;
    std::vector<int> values;
  };
  const Case cases[] = {
      {"123456", {105, 12, 34, 56, 44}},
      {"ABC", {104, 33, 34, 35, 1}},
      {"12345", {105, 12, 34, 100, 21, 54}},  // the final lone digit goes to set B
      {"AB12", {104, 33, 34, 99, 12, 35}},
      {"A1", {104, 33, 17, 68}},        // a final single digit is never paired
      {"\tAB", {103, 73, 33, 34, 35}},  // A stays current for characters of both sets
      {"\ta", {103, 73, 100, 65, 56}},  // a lower-case letter switches back to B
  };
  for (const auto& c : cases) {
    const Code128Encoding enc = EncodeCode128(c.data, 1);
    EXPECT_EQ(enc.values, c.values) << c.data;
    EXPECT_EQ(enc.pattern.Bits(), ModulesOf(c.values)) << c.data;
    EXPECT_EQ(enc.pattern.text, c.data);
  }
}

TEST(Code128Encoding, CheckCharacterOnlyForOne) {
  const Code128Encoding with = EncodeCode128("AB12", 1);
  for (int16_t other : {int16_t{0}, int16_t{2}, int16_t{-1}}) {
    const Code128Encoding without = EncodeCode128("AB12", other);
    EXPECT_EQ(without.values, (std::vector<int>{104, 33, 34, 99, 12}));
    EXPECT_EQ(without.pattern.Bits().size() + 11, with.pattern.Bits().size());
  }
}

TEST(Code128Encoding, CodeSetChoice) {
  const auto symbols = [](const std::string& data) { return *ChooseCode128Symbols(data); };
  using S = std::vector<Code128Symbol>;
  EXPECT_EQ(symbols(","), (S{{12, Set::kB}}));
  EXPECT_EQ(symbols("`"), (S{{64, Set::kB}}));
  // Pairs of digits go to C also between letters; a lone leading digit to B.
  EXPECT_EQ(symbols("A12B"), (S{{33, Set::kB}, {12, Set::kC}, {34, Set::kB}}));
  EXPECT_EQ(symbols("1A"), (S{{17, Set::kB}, {33, Set::kB}}));
  EXPECT_EQ(symbols("123"), (S{{12, Set::kC}, {19, Set::kB}}));
  // While A is current, a lone digit stays in A.
  EXPECT_EQ(symbols("\t1"), (S{{73, Set::kA}, {17, Set::kA}}));
  EXPECT_EQ(symbols("\t12"), (S{{73, Set::kA}, {12, Set::kC}}));
  // Characters in neither set are left out and change nothing.
  EXPECT_EQ(symbols("A貨B"), (S{{33, Set::kB}, {34, Set::kB}}));
  EXPECT_EQ(symbols("1貨2"), (S{{17, Set::kB}, {18, Set::kB}}));
  EXPECT_EQ(symbols("é"), S{});
}

TEST(Code128Encoding, EmptyListDrawsOnlyCheckAndStop) {
  for (const std::string data : {"", "貨號", "\xc3\xa9"}) {
    const Code128Encoding plain = EncodeCode128(data, 0);
    EXPECT_TRUE(plain.values.empty());
    EXPECT_EQ(plain.pattern.Bits(), kCode128StopPattern);
    const Code128Encoding checked = EncodeCode128(data, 1);
    EXPECT_EQ(checked.values, std::vector<int>{0});
    EXPECT_EQ(checked.pattern.Bits(), Pattern(0) + std::string(kCode128StopPattern));
    EXPECT_EQ(checked.pattern.text, data);  // still printed
  }
}

TEST(Code128Encoding, RefusesMoreThan500DataCharacters) {
  EXPECT_FALSE(EncodeCode128(std::string(1000, '1'), 1).pattern.refused);  // 500 pairs
  EXPECT_TRUE(EncodeCode128(std::string(1001, '1'), 1).pattern.refused);   // + a lone digit
  EXPECT_FALSE(EncodeCode128(std::string(500, 'A'), 1).pattern.refused);
  EXPECT_TRUE(EncodeCode128(std::string(501, 'A'), 1).pattern.refused);
  EXPECT_FALSE(ChooseCode128Symbols(std::string(501, 'A')).has_value());
  // Code-set characters and skipped characters do not count.
  std::string mixed;
  for (int i = 0; i < 250; ++i) mixed += "\ta";
  const Code128Encoding enc = EncodeCode128(mixed + "貨貨貨", 1);
  EXPECT_FALSE(enc.pattern.refused);
  EXPECT_EQ(enc.values.size(), 1 + 500 + 499 + 1u);
}

// Runs `vellomir barcode` on Code 128 data and reads the PNG back.
std::optional<test::Decoded> ExportAndRead(const test::TempDir& dir, const std::string& data,
                                           bool check) {
  const std::string out = dir.File("c128.png");
  std::vector<std::string> args = {"barcode", "--kind", "Code-128", "--data",
                                   data,      "--text", "-o",       out};
  if (check) args.push_back("--check");
  const auto r = test::RunVellomir(args);
  EXPECT_EQ(r.status, 0) << r.err;
  return test::DecodeFileWithZXing(out, "Code128");
}

TEST(Code128Export, MixedSetsReadBackWithZXing) {
  test::TempDir dir;
  // A reader insists on the check character, which it does not report.
  for (const std::string data :
       {"ABC123456", "AB12", "12345", "lot number 42-a", "a\tb", "\tAB", "x`{|}~"}) {
    const auto decoded = ExportAndRead(dir, data, true);
    ASSERT_TRUE(decoded.has_value()) << data;
    EXPECT_EQ(decoded->text, data);
    EXPECT_EQ(decoded->format, "Code128");
  }
  // Characters outside sets A and B are not in the symbol.
  const auto decoded = ExportAndRead(dir, "貨號A1", true);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->text, "A1");
}

// A symbol without its check character reads on no scanner, so the command always draws it,
// --check or not; the painter itself still leaves it out when told to.
TEST(Code128Export, CommandAlwaysDrawsTheCheckCharacter) {
  test::TempDir dir;
  const auto decoded = ExportAndRead(dir, "ABC123456", false);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->text, "ABC123456");

  QImage image = WhiteImageAt(1200, 400, 600);
  {
    QPainter painter(&image);
    QtSurface surface(painter, {0, 0}, 600);
    int32_t x = 300;
    PaintCode128("ABC123456", surface, 0, 0, 10, x, 100, 15, 400);
  }
  EXPECT_FALSE(test::DecodeWithZXing(image, "Code128").has_value());
}

TEST(Code128Export, RefusedDataIsReportedAndWritesNoFile) {
  test::TempDir dir;
  const std::string out = dir.File("long.png");
  const auto r = test::RunVellomir(
      {"barcode", "--kind", "8", "--data", std::string(501, 'A'), "--check", "-o", out});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("資料太長"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(out));
}

// Painted in-process so that every table row can be reached, control characters included.
std::optional<test::Decoded> PaintAndRead(const std::string& data) {
  test::TempDir dir;
  const std::string out = dir.File("c128.png");
  const int16_t mw = 15;
  const auto modules = static_cast<double>(EncodeCode128(data, 1).pattern.Bits().size());
  const double quiet = 12 * (mw + 1);
  const std::string error = ExportDrawing(out, modules * (mw + 1) + 2 * quiet, 1500 + 2 * quiet,
                                          300, [&](DrawingSurface& s) {
                                            int32_t x = static_cast<int32_t>(quiet);
                                            PaintCode128(data, s, 1, 0, 10, x, quiet, mw, 1500);
                                          });
  EXPECT_EQ(error, "");
  return test::DecodeFileWithZXing(out, "Code128");
}

TEST(Code128Export, EveryTableRowReadsBack) {
  // Set B: values 0..95; set C: 0..99; set A: control characters 0..31 as values 64..95.
  std::string set_b;
  for (int c = 32; c < 128; ++c) set_b += static_cast<char>(c);
  std::string set_c;
  for (int v = 0; v < 100; ++v) set_c += std::to_string(100 + v).substr(1);
  std::string set_a;
  for (int c = 0; c < 32; ++c) set_a += static_cast<char>(c);
  for (const std::string& data : {set_b, set_c, set_a}) {
    const auto decoded = PaintAndRead(data);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->text, data);
  }
}

TEST(Code128Export, CheckValuesNeverUsedAsDataReadBack) {
  // Values 96, 97, 98 and 102 only ever appear as the check character: find two set B
  // characters whose check lands on each of them.
  for (int target : {96, 97, 98, 102}) {
    std::string found;
    for (int a = 'A'; a <= '~' && found.empty(); ++a) {
      for (int b = 'A'; b <= '~' && found.empty(); ++b) {
        const std::string data{char(a), char(b)};
        if (EncodeCode128(data, 1).values.back() == target) found = data;
      }
    }
    ASSERT_FALSE(found.empty()) << target;
    const auto decoded = PaintAndRead(found);
    ASSERT_TRUE(decoded.has_value()) << "check value " << target;
    EXPECT_EQ(decoded->text, found);
  }
}

}  // namespace
}  // namespace vellomir
