#include <gtest/gtest.h>

#include <QGuiApplication>
#include <memory>

#include "output/qt_surface.h"
#include "output/zxing_symbol_reader.h"
#include "render/symbol_check.h"

namespace vellomir {
namespace {

// What scanners report for the worked examples of each symbology.
TEST(ExpectedScan, CheckDigitsAndFormsAScannerReports) {
  EXPECT_EQ(ExpectedScan(0, "CODE39", true), "CODE39W");
  EXPECT_EQ(ExpectedScan(0, "CODE39", false), "CODE39");
  EXPECT_EQ(ExpectedScan(1, "400638133393", false), "4006381333931");
  EXPECT_EQ(ExpectedScan(1, "4006381333937", false), "4006381333937");  // as typed: must match
  EXPECT_EQ(ExpectedScan(2, "9638507", false), "96385074");
  EXPECT_EQ(ExpectedScan(3, "003600029145", false), "036000291452");
  EXPECT_EQ(ExpectedScan(4, "0425261", false), "04252614");
  EXPECT_EQ(ExpectedScan(5, "004210000526", false), "04252614");
  EXPECT_EQ(ExpectedScan(5, "012345000005", false), std::nullopt);  // no UPC-E form
  EXPECT_EQ(ExpectedScan(6, "123", false), "0123");
  EXPECT_EQ(ExpectedScan(7, "a1234d", false), "A1234D");
  EXPECT_EQ(ExpectedScan(8, "Lot 42", true), "Lot 42");
  EXPECT_EQ(ExpectedScan(9, "批號 42", false), "批號 42");
  // GS1: the element string, FNC1 as GS before it and after each value of variable length
  // that is not the last; (01), (17) and (3103) have predefined lengths.
  const std::string G = "\x1D";
  EXPECT_EQ(ExpectedScan(12, "(01)09521234543213(10)AB(17)261231", false),
            G + "0109521234543213" + "10AB" + G + "17261231");
  EXPECT_EQ(ExpectedScan(14, "(3103)000123(21)X(10)Y", false),
            G + "3103000123" + "21X" + G + "10Y");
  for (const char* not_ais : {"", "0109521234543213", "(1)X", "(01", "(0A)1", "X(01)1"})
    EXPECT_EQ(ExpectedScan(12, not_ais, false), std::nullopt) << not_ais;
}

// A barcode rule: data, x and y in mm, module width, height in mm, digits and start of the
// batch number, text, kind, check.
std::string Barcode(const std::string& data, double x, double y, int module, int kind,
                    const std::string& check = "0", const std::string& digits = "",
                    const std::string& start = "") {
  return "1,,;" + data + ",,;" + std::to_string(x) + ",,;" + std::to_string(y) + ",,;" +
         std::to_string(module) + ",,;8,,;" + digits + ",,;" + start + ",,;0,,;9,,;" +
         std::to_string(kind) + ",,;" + check + ",,;";
}

// Every kind on one label, read back at the resolutions of the printers in use.
TEST(CheckLabelSymbols, EveryKindReadsAtPrinterResolutions) {
  const RuleTable rules = RuleTableOf({
      Barcode("LOT-", 5, 5, 15, 0, "1", "3", "1"),
      Barcode("400638133393", 5, 20, 15, 1),
      Barcode("9638507", 5, 35, 15, 2),
      Barcode("003600029145", 5, 50, 15, 3),
      Barcode("0425261", 5, 65, 15, 4),
      Barcode("004210000526", 5, 80, 15, 5),
      Barcode("12345", 5, 95, 15, 6),
      Barcode("A40156B", 5, 110, 15, 7),
      Barcode("Lot ", 5, 125, 15, 8, "0", "4", "1"),
      Barcode("批號 ", 5, 140, 15, 9, "0", "4", "1"),
      Barcode("PART-", 40, 140, 15, 10, "0", "4", "1"),
      Barcode("LOT ", 5, 165, 15, 11, "0", "4", "1"),
      Barcode("(01)09521234543213(10)L", 5, 195, 15, 12, "0", "4", "1"),
      Barcode("(01)09521234543213(21)S", 5, 215, 15, 13, "0", "4", "1"),
      Barcode("(01)09521234543213(10)Q", 40, 215, 15, 14, "0", "4", "1"),
  });
  const std::string G = "\x1D" + std::string("0109521234543213");  // GS1: FNC1 as GS, the GTIN
  ZXingSymbolReader reader;
  for (double dpi : {203.0, 300.0}) {
    const auto checks = CheckLabelSymbols(rules, 3, LabelDrawing{}, dpi, true, reader);
    ASSERT_EQ(checks.size(), 15u);
    const std::string read[] = {"LOT-003",     "4006381333931", "96385074",   "036000291452",
                                "04252614",    "04252614",      "012345",     "A40156B",
                                "Lot 0003",    "批號 0003",     "PART-0003",  "LOT 0003",
                                G + "10L0003", G + "21S0003",   G + "10Q0003"};
    for (int i = 0; i < 15; ++i) {
      const SymbolCheck& c = checks[static_cast<std::size_t>(i)];
      EXPECT_EQ(c.rule, i);
      EXPECT_EQ(c.kind, i);
      if (i == 0) {
        EXPECT_EQ(c.expected, *ExpectedScan(0, "LOT-003", true));
      } else {
        EXPECT_EQ(c.expected, read[i]) << i;
      }
      ASSERT_TRUE(c.read.has_value()) << i << " at " << dpi;
      EXPECT_EQ(*c.read, c.expected) << i;
      EXPECT_EQ(c.verdict, SymbolVerdict::kGood) << i << " at " << dpi << ": " << WarningLine(c);
      const double pitch = (i >= 1 && i <= 5) ? 15 : 16;
      EXPECT_NEAR(c.module_dots, pitch * dpi / 1440, 1e-9) << i;
      // EAN and UPC modules, Codabar's narrow elements and the zint kinds' modules never below
      // 3 dots; Code 39, Interleaved 2 of 5 and Code 128 keep their 2 at 203 dpi.
      const bool two = i == 0 || i == 6 || i == 8;
      EXPECT_EQ(c.printed_dots, dpi == 203 && two ? 2 : 3) << i;
    }
  }
}

// The check field is read as the painter reads it: 1.4 rounds to 1 and draws Code 39's check
// character, 2 draws none; either way the symbol reads as expected.
TEST(CheckLabelSymbols, CheckFieldAsThePainterTakesIt) {
  const RuleTable rules =
      RuleTableOf({Barcode("LOT42", 5, 5, 15, 0, "1.4"), Barcode("LOT42", 5, 25, 15, 0, "2")});
  ZXingSymbolReader reader;
  const auto checks = CheckLabelSymbols(rules, 1, LabelDrawing{}, 300, true, reader);
  ASSERT_EQ(checks.size(), 2u);
  EXPECT_EQ(checks[0].expected, *ExpectedScan(0, "LOT42", true));
  EXPECT_EQ(checks[0].verdict, SymbolVerdict::kGood) << checks[0].read.value_or("(none)");
  EXPECT_EQ(checks[1].expected, "LOT42");
  EXPECT_EQ(checks[1].verdict, SymbolVerdict::kGood) << checks[1].read.value_or("(none)");
}

TEST(CheckLabelSymbols, ModuleBelowOneDotIsFlagged) {
  // Module width 5: a pitch of 6 units, 0.85 dots at 203 dpi.
  const RuleTable rules = RuleTableOf({Barcode("LOT-42", 5, 5, 5, 8)});
  ZXingSymbolReader reader;
  const auto checks = CheckLabelSymbols(rules, 1, LabelDrawing{}, 203, true, reader);
  ASSERT_EQ(checks.size(), 1u);
  EXPECT_NEAR(checks[0].module_dots, 6 * 203 / 1440.0, 1e-9);
  EXPECT_EQ(checks[0].printed_dots, 1);
  EXPECT_EQ(checks[0].verdict, SymbolVerdict::kTooFine);
  // At 600 dpi the same module is 2.5 dots.
  EXPECT_EQ(CheckLabelSymbols(rules, 1, LabelDrawing{}, 600, true, reader)[0].verdict,
            SymbolVerdict::kGood);
  // Kept in exact units at 203 dpi, the 0.85-dot modules do not read at all.
  EXPECT_EQ(CheckLabelSymbols(rules, 1, LabelDrawing{}, 203, false, reader)[0].verdict,
            SymbolVerdict::kUnreadable);
}

TEST(CheckLabelSymbols, WrongAndUnreadableSymbolsAreFlagged) {
  const RuleTable rules = RuleTableOf({
      // Lower case is not in the Code 39 table: it is drawn as "0".
      Barcode("abc", 5, 5, 15, 0),
      // No UPC-E form: white bars under a message.
      Barcode("012345000005", 5, 25, 15, 5),
      // A module width beyond 16 bits: the rule is not drawn.
      Barcode("X", 5, 45, 99999, 8),
  });
  ZXingSymbolReader reader;
  const auto checks = CheckLabelSymbols(rules, 1, LabelDrawing{}, 300, true, reader);
  ASSERT_EQ(checks.size(), 3u);
  EXPECT_EQ(checks[0].verdict, SymbolVerdict::kWrong);
  EXPECT_EQ(checks[0].read, "000");
  EXPECT_EQ(checks[0].expected, "abc");
  EXPECT_EQ(checks[1].verdict, SymbolVerdict::kUnreadable);
  EXPECT_EQ(checks[2].verdict, SymbolVerdict::kUnreadable);
}

// Symbols side by side, 0.3 mm apart: each is read from a crop of its own, the right one.
TEST(CheckLabelSymbols, NeighboursAreReadOneAtATime) {
  const RuleTable rules = RuleTableOf({
      Barcode("AB12", 5, 5, 15, 8),
      Barcode("CD34", 27.7, 5, 15, 8),
      Barcode("400638133393", 50.4, 5, 15, 1),
  });
  ZXingSymbolReader reader;
  const auto checks = CheckLabelSymbols(rules, 1, LabelDrawing{}, 300, true, reader);
  ASSERT_EQ(checks.size(), 3u);
  EXPECT_EQ(checks[0].read, "AB12");
  EXPECT_EQ(checks[1].read, "CD34");
  EXPECT_EQ(checks[2].read, "4006381333931");
}

// An EAN-13 of 15-unit modules 5 mm in from the edge of a 38 mm label: 25 mm of bars in
// units and at 300 dpi, 35.7 mm on the 3-dot modules of a 203-dpi printer.
TEST(CheckLabelSymbols, SymbolPrintingPastTheLabelIsFlagged) {
  const RuleTable rules = RuleTableOf({Barcode("400638133393", 5, 5, 15, 1)});
  const double width = 38 * kUnitsPerMm;
  ZXingSymbolReader reader;
  auto checks = CheckLabelSymbols(rules, 1, LabelDrawing{}, 203, true, reader, width);
  ASSERT_EQ(checks.size(), 1u);
  EXPECT_EQ(checks[0].verdict, SymbolVerdict::kPastLabel);
  EXPECT_NEAR(checks[0].printed_right_mm, 5 + 95 * 3 * 25.4 / 203, 0.2);
  EXPECT_NEAR(checks[0].label_width_mm, 38, 1e-9);
  EXPECT_EQ(CheckLabelSymbols(rules, 1, LabelDrawing{}, 300, true, reader, width)[0].verdict,
            SymbolVerdict::kGood);
  // In units it stays inside (at 203 dpi its 2.1-dot modules, inked wherever a bar touches a
  // dot as a driver rasterises them, do not read at all).
  EXPECT_EQ(CheckLabelSymbols(rules, 1, LabelDrawing{}, 300, false, reader, width)[0].verdict,
            SymbolVerdict::kGood);
  EXPECT_EQ(CheckLabelSymbols(rules, 1, LabelDrawing{}, 203, false, reader, width)[0].verdict,
            SymbolVerdict::kUnreadable);
  // Without a label width nothing is measured against it.
  EXPECT_EQ(CheckLabelSymbols(rules, 1, LabelDrawing{}, 203, true, reader)[0].verdict,
            SymbolVerdict::kGood);

  const DesignCheck design = CheckDesign(rules, 1, LabelDrawing{}, 203, reader, width);
  const auto& problems = design.problems;
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_TRUE(design.warnings.empty());
  EXPECT_NE(problems[0].find("在 203 dpi 印到離標籤左邊 40.8 mm, 超出標籤寬度 38.0 mm"),
            std::string::npos)
      << problems[0];
}

// Every decoder's reading counts: a misread by any one is wrong, whatever the others read; a
// symbol only some read is a warning naming them.
class ScriptedReader : public ZXingSymbolReader {
 public:
  std::vector<DecoderReading> ReadEach(const TwipArea&, int) override { return readings; }
  std::vector<DecoderReading> readings;
};

TEST(CheckLabelSymbols, EveryDecoderMustReadItRight) {
  const RuleTable rules = RuleTableOf({Barcode("AB12", 5, 5, 15, 8)});
  const std::optional<std::string> none;
  struct Case {
    std::optional<std::string> zxing, zbar;
    SymbolVerdict verdict;
    std::string read, misread_by, unread_by;
  };
  const Case cases[] = {
      {"AB12", "AB12", SymbolVerdict::kGood, "AB12", "", ""},
      {"AB12", none, SymbolVerdict::kPartlyRead, "AB12", "", "zbar"},
      {"AB12", "AB17", SymbolVerdict::kWrong, "AB17", "zbar", ""},  // a misread beats a read
      {"AB1", none, SymbolVerdict::kWrong, "AB1", "ZXing", "zbar"},
      {none, none, SymbolVerdict::kUnreadable, "", "", "ZXing, zbar"},
  };
  ScriptedReader reader;
  for (const Case& c : cases) {
    reader.readings = {{"ZXing", c.zxing}, {"zbar", c.zbar}};
    const auto checks = CheckLabelSymbols(rules, 1, LabelDrawing{}, 300, true, reader);
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].verdict, c.verdict) << WarningLine(checks[0]);
    EXPECT_EQ(checks[0].read.value_or(""), c.read);
    EXPECT_EQ(checks[0].misread_by, c.misread_by);
    EXPECT_EQ(checks[0].unread_by, c.unread_by);
  }
}

TEST(CheckDesign, FirstAndLastLabelNamed) {
  // Batch numbers of two digits: label 100 gets "100", which an EAN-8 of "96385" + 2 digits
  // cannot hold (8 characters: the typed check digit is wrong).
  const RuleTable rules = RuleTableOf({Barcode("96385", 5, 5, 15, 2, "0", "2", "1")});
  ZXingSymbolReader reader;
  const DesignCheck seven = CheckDesign(rules, 7, LabelDrawing{}, 300, reader);
  EXPECT_TRUE(seven.problems.empty());
  EXPECT_TRUE(seven.warnings.empty());
  const auto warnings = CheckDesign(rules, 99.5, LabelDrawing{}, 300, reader).problems;
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("第 100 張標籤"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find("條碼規則 1 (EAN-8)"), std::string::npos) << warnings[0];
}

}  // namespace
}  // namespace vellomir

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  vellomir::InstallFontSubstitutions();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
