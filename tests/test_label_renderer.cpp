#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>

#include "barcode/code128.h"
#include "barcode/code39.h"
#include "form/main_window_model.h"
#include "platform/recording_surface.h"
#include "render/label_renderer.h"
#include "support/files.h"

namespace vellomir {
namespace {

constexpr const char* kSettings = "setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;";
constexpr double kCharWidth = 100;  // every character prints this wide on the test surface

// Natural picture sizes by the path the renderer asks for.
class FakeProbe : public PictureProbe {
 public:
  std::optional<PictureSize> NaturalSize(const std::string& path) const override {
    asked.push_back(path);
    auto it = sizes.find(path);
    if (it == sizes.end()) return std::nullopt;
    return it->second;
  }
  std::map<std::string, PictureSize> sizes;
  mutable std::vector<std::string> asked;
};

// A folder holding the working file, and the window and preview surface that go with it.
class Renderer : public ::testing::Test {
 protected:
  Renderer() : files(dir.path().string()), surface(metrics, &probe) {}

  void WriteDesign(const std::vector<std::string>& rules) {
    std::vector<std::string> lines = {kSettings};
    lines.insert(lines.end(), rules.begin(), rules.end());
    ASSERT_TRUE(files.WriteLines(std::string(kWorkingFileName), lines).ok());
  }
  void Touch(const std::string& relative) {
    const auto p = dir.path() / relative;
    std::filesystem::create_directories(p.parent_path());
    test::WriteBytes(p.string(), "not looked at: the probe gives the size");
  }
  void Preview() { DrawLabelPreview(window, surface, files); }

  test::TempDir dir;
  FileSystem files;
  FixedPitchMetrics metrics{kCharWidth};
  FakeProbe probe;
  RecordingSurface surface;
  MainWindowModel window;
};

// What the painter draws when called directly with the given arguments.
std::vector<DrawOp> Code39Reference(const std::string& data, int16_t withCheck, int16_t withText,
                                    int16_t fontSize, int32_t x, int32_t y, int16_t moduleWidth,
                                    int16_t barHeight) {
  FixedPitchMetrics metrics(kCharWidth);
  RecordingSurface s(metrics);
  s.Clear();
  PaintCode39(data, s, withCheck, withText, fontSize, x, y, moduleWidth, barHeight);
  return s.Ops();
}

bool SameOps(const std::vector<DrawOp>& a, const std::vector<DrawOp>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].index() != b[i].index()) return false;
    if (auto* box = std::get_if<BoxOp>(&a[i])) {
      if (!(*box == std::get<BoxOp>(b[i]))) return false;
    } else if (auto* bars = std::get_if<SymbolOp>(&a[i])) {
      if (!(*bars == std::get<SymbolOp>(b[i]))) return false;
    } else if (auto* t = std::get_if<TextOp>(&a[i])) {
      const auto& u = std::get<TextOp>(b[i]);
      if (t->x != u.x || t->y != u.y || t->text != u.text || t->font.name != u.font.name ||
          t->font.size != u.font.size || t->font.bold != u.font.bold ||
          t->font.italic != u.font.italic)
        return false;
    }
  }
  return true;
}

// --- Reading the rules ---------------------------------------------------------------------

TEST_F(Renderer, ReadsRuleLinesAfterTheSettingsLine) {
  WriteDesign({"1,,;ABC,,;10,,;5,,;2,,;15,,;3,,;7,,;1,,;9,,;0,,;0,,;", "",
               "3,,;img\\a.bmp,,;1,,;2,,;40,,;"});
  const RuleTable t = ReadRuleTable(files);
  EXPECT_EQ(t.error, FileError::kNone);
  ASSERT_EQ(t.n, 3);
  EXPECT_EQ(t.rows[0][0], "1");
  EXPECT_EQ(t.rows[0][1], "ABC");
  EXPECT_EQ(t.rows[0][11], "0");
  EXPECT_EQ(t.rows[0][12], "");  // the separator after the last field
  // The empty line takes a row of empty fields, so later rules keep their index.
  for (const auto& field : t.rows[1]) EXPECT_EQ(field, "");
  EXPECT_EQ(t.rows[2][0], "3");
  EXPECT_EQ(t.rows[2][1], "img\\a.bmp");
}

TEST_F(Renderer, KeepsAtMost101RuleLinesAnd21Fields) {
  std::vector<std::string> rules;
  for (int i = 0; i < 105; ++i) rules.push_back("2,,;T" + std::to_string(i) + ",,;");
  std::string wide = "2";
  for (int j = 1; j < 30; ++j) wide += ",,;f" + std::to_string(j);
  rules[0] = wide;
  WriteDesign(rules);
  const RuleTable t = ReadRuleTable(files);
  EXPECT_EQ(t.n, 101);
  EXPECT_TRUE(t.truncated);
  EXPECT_EQ(t.rows[100][1], "T100");
  EXPECT_EQ(t.rows[0][20], "f20");  // fields 21 and later have no column

  WriteDesign({"2,,;A,,;"});
  EXPECT_FALSE(ReadRuleTable(files).truncated);
}

TEST_F(Renderer, UnreadableWorkingFileGivesNoRules) {
  test::WriteBytes((dir.path() / kWorkingFileName).string(),
                   std::string(kSettings) + "\r\n2,,;\x81\x30,,;\r\n");  // not CP950
  const RuleTable t = ReadRuleTable(files);
  EXPECT_EQ(t.n, 0);
  EXPECT_EQ(t.error, FileError::kInvalidBytes);

  Preview();  // draws nothing and does not crash
  EXPECT_TRUE(surface.Boxes().empty());
  EXPECT_TRUE(surface.Texts().empty());
}

// --- Batch numbers -------------------------------------------------------------------------

TEST(BatchNumber, FormsLabelPlusStartMinusOneWithTheMask) {
  EXPECT_EQ(ContentWithBatch("ABC", "3", "7", 5), "ABC011");
  EXPECT_EQ(ContentWithBatch("ABC", "0", "3", 1), "ABC3");
  EXPECT_EQ(ContentWithBatch("ABC", "", "3", 1), "ABC3");
  EXPECT_EQ(ContentWithBatch("ABC", "2", "1", 1234), "ABC1234");  // wider than the mask
  EXPECT_EQ(ContentWithBatch("", "4", "1", 1), "0001");
  EXPECT_EQ(ContentWithBatch(" A ", "2.9", "1", 1), " A 01");  // content untrimmed, 2.9 -> 2
}

TEST(BatchNumber, StartNotAboveZeroAppendsNothing) {
  EXPECT_EQ(ContentWithBatch("ABC", "3", "0", 5), "ABC");
  EXPECT_EQ(ContentWithBatch("ABC", "3", "", 5), "ABC");
  EXPECT_EQ(ContentWithBatch("ABC", "3", "-2", 5), "ABC");
  EXPECT_EQ(ContentWithBatch("ABC", "3", "abc", 5), "ABC");
}

TEST(BatchNumber, FractionsRoundHalfToEvenAndNegativesKeepTheirSign) {
  EXPECT_EQ(ContentWithBatch("L", "3", "1.5", 1), "L002");  // 1.5 -> 2
  EXPECT_EQ(ContentWithBatch("L", "3", "1.5", 2), "L002");  // 2.5 -> 2
  EXPECT_EQ(ContentWithBatch("L", "3", "1", 2.7), "L003");
  EXPECT_EQ(ContentWithBatch("L", "0", "0.4", 0), "L-1");  // -0.6 -> -1
  EXPECT_EQ(ContentWithBatch("L", "3", "1", -4), "L-004");
  EXPECT_EQ(ContentWithBatch("L", "3", "0.2", 0.3), "L000");  // -0.5 -> 0, no "-0"
}

TEST(BatchNumber, HugeDigitCountIsCut) {
  for (const char* count : {"1e12", "1e400"}) {
    const std::string s = ContentWithBatch("X", count, "1", 1).value_or("");
    EXPECT_EQ(s.size(), 501u) << count;
    EXPECT_EQ(s.back(), '1') << count;
  }
}

TEST(BatchNumber, HugeButFiniteNumbersAreWrittenInFull) {
  const std::string s = ContentWithBatch("X", "", "1e300", 1).value_or("");
  ASSERT_EQ(s.size(), 302u);  // "X" and 301 digits
  EXPECT_EQ(s.substr(0, 2), "X1");
  EXPECT_EQ(s.find_first_not_of("0123456789", 1), std::string::npos);
}

// A start or label number beyond a double's range gives no digits to write.
TEST(BatchNumber, NumberThatIsNotFiniteGivesNothing) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(ContentWithBatch("L", "3", "1e400", 1), std::nullopt);
  EXPECT_EQ(ContentWithBatch("L", "3", "1", inf), std::nullopt);
  EXPECT_EQ(ContentWithBatch("L", "3", "1", -inf), std::nullopt);
  EXPECT_EQ(ContentWithBatch("L", "3", "1", std::nan("")), std::nullopt);
  // Without a batch number the label number is not used at all.
  EXPECT_EQ(ContentWithBatch("L", "3", "0", inf), "L");
  EXPECT_EQ(ContentWithBatch("L", "3", "-1e400", 1), "L");
}

// --- Barcode rules -------------------------------------------------------------------------

TEST_F(Renderer, BarcodeExampleCallsCode39WithConvertedArguments) {
  WriteDesign({"1,,;ABC,,;10,,;5,,;2,,;15,,;3,,;7,,;1,,;9,,;0,,;0,,;"});
  window.l_amount.text = "5";
  Preview();

  const auto boxes = surface.Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.front().x, 565);  // 10 x 56.5
  EXPECT_EQ(boxes.front().y, 282);  // 282.5 to even
  EXPECT_EQ(boxes.front().w, 2);    // module width, not converted
  EXPECT_EQ(boxes.front().h, 848);  // 847.5 to even
  const auto texts = surface.Texts();
  ASSERT_EQ(texts.size(), 2u);  // the spaces that measure, then the data
  EXPECT_EQ(texts[1].text, "ABC011");
  EXPECT_EQ(texts[1].font.size, 9);
  EXPECT_EQ(texts[1].font.name, "Courier New");
  // Exactly what PaintCode39 draws with these arguments: no check character (withCheck 0).
  EXPECT_TRUE(SameOps(surface.Ops(), Code39Reference("ABC011", 0, 1, 9, 565, 282, 2, 848)));

  // The box: top-left truncated, bottom-right where the painter left the position.
  const RuleHitBox& b = window.RuleHitBoxes[0];
  EXPECT_EQ(b.left, 565);
  EXPECT_EQ(b.top, 282);
  EXPECT_EQ(b.right, static_cast<int32_t>(boxes.back().x + boxes.back().w));
  EXPECT_EQ(b.right, static_cast<int32_t>(surface.CurrentX()));
  EXPECT_EQ(b.bottom, 282 + 848 + 2 * 57);  // the text line's top
}

TEST_F(Renderer, BatchStartZeroAndEmptyCopiesInThePreview) {
  WriteDesign({"1,,;ABC,,;10,,;5,,;2,,;15,,;3,,;0,,;1,,;9,,;0,,;0,,;",
               "1,,;ABC,,;10,,;50,,;2,,;15,,;0,,;3,,;1,,;9,,;0,,;0,,;"});
  window.l_amount.text = "1";
  Preview();
  auto texts = surface.Texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[1].text, "ABC");
  EXPECT_EQ(texts[3].text, "ABC3");

  window.l_amount.text = "";  // label number 0: start s shows s - 1
  Preview();
  texts = surface.Texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[3].text, "ABC2");
}

TEST_F(Renderer, WithCheckTextAndFontComeFromTheirFields) {
  WriteDesign({"1,,;AB,,;0,,;0,,;1,,;10,,;0,,;0,,;0,,;12,,;0,,;1,,;"});
  Preview();
  EXPECT_TRUE(surface.Texts().empty());  // field 8 = 0: no human-readable line
  EXPECT_TRUE(SameOps(surface.Ops(), Code39Reference("AB", 1, 0, 12, 0, 0, 1, 565)));
}

// Code 128 reads on no scanner without its check character: the rule's check box does not
// take it away.
TEST_F(Renderer, Code128AlwaysCarriesItsCheckCharacter) {
  for (const char* check : {"0", "1", "", "7"}) {
    WriteDesign({std::string("1,,;AB12,,;0,,;0,,;1,,;10,,;0,,;0,,;0,,;12,,;8,,;") + check + ",,;"});
    Preview();
    FixedPitchMetrics metrics(kCharWidth);
    RecordingSurface want(metrics);
    want.Clear();
    int32_t x = 0;
    PaintCode128("AB12", want, 1, 0, 12, x, 0, 1, 565);
    EXPECT_TRUE(SameOps(surface.Ops(), want.Ops())) << check;
    RecordingSurface without(metrics);
    without.Clear();
    x = 0;
    PaintCode128("AB12", without, 0, 0, 12, x, 0, 1, 565);
    EXPECT_FALSE(SameOps(surface.Ops(), without.Ops())) << check;
  }
}

TEST_F(Renderer, UnknownBarcodeKindDrawsNothingButRecordsABox) {
  WriteDesign({"1,,;ABC,,;10,,;5,,;2,,;15,,;3,,;7,,;1,,;9,,;-1,,;0,,;",
               "1,,;ABC,,;10,,;5,,;2,,;15,,;3,,;7,,;1,,;9,,;Code-39,,;0,,;"});
  Preview();
  EXPECT_TRUE(surface.Boxes().empty());
  EXPECT_TRUE(surface.Texts().empty());
  for (int i : {0, 1}) {
    const RuleHitBox& b = window.RuleHitBoxes[i];
    EXPECT_EQ(b.left, 565);
    EXPECT_EQ(b.top, 282);
    EXPECT_EQ(b.right, 0);  // the position the clear left
    EXPECT_EQ(b.bottom, 0);
  }
}

TEST_F(Renderer, KindFieldIsTrimmedButRuleKindIsNot) {
  WriteDesign({"1,,;A,,;0,,;0,,;1,,;10,,;,,;,,;0,,;9,,; 0 ,,;0,,;",
               " 1,,;B,,;0,,;0,,;1,,;10,,;,,;,,;0,,;9,,;0,,;0,,;"});
  window.RuleHitBoxes[1] = RuleHitBox{1, 2, 3, 4};
  Preview();
  EXPECT_TRUE(SameOps(surface.Ops(), Code39Reference("A", 0, 0, 9, 0, 0, 1, 565)));
  // " 1" is no rule kind: nothing drawn and its older box stays.
  EXPECT_EQ(window.RuleHitBoxes[1].right, 3);
}

TEST_F(Renderer, ValuesOutsideTheirIntegerArgumentSkipThePainter) {
  const std::vector<std::string> rules = {
      "1,,;A,,;0,,;0,,;1,,;600,,;,,;,,;1,,;9,,;0,,;0,,;",       // bar height 33900
      "1,,;A,,;0,,;0,,;40000,,;10,,;,,;,,;1,,;9,,;0,,;0,,;",    // module width
      "1,,;A,,;0,,;0,,;1,,;10,,;,,;,,;1,,;70000,,;0,,;0,,;",    // font size
      "1,,;A,,;0,,;0,,;1,,;10,,;,,;,,;1,,;9,,;0,,;1e6,,;",      // withCheck (long form)
      "1,,;A,,;1e8,,;0,,;1,,;10,,;,,;,,;1,,;9,,;0,,;0,,;",      // x beyond 32 bits
      "1,,;A,,;0,,;-1e8,,;1,,;10,,;,,;,,;1,,;9,,;0,,;0,,;",     // y beyond 32 bits
      "1,,;A,,;1e400,,;0,,;1,,;10,,;,,;,,;1,,;9,,;0,,;0,,;",    // x beyond a double
      "1,,;A,,;0,,;0,,;1,,;-1e400,,;,,;,,;1,,;9,,;0,,;0,,;",    // bar height beyond a double
      "1,,;A,,;0,,;0,,;1,,;10,,;3,,;1e400,,;1,,;9,,;0,,;0,,;",  // batch number beyond one
  };
  WriteDesign(rules);
  window.l_amount.text = "1";
  Preview();
  EXPECT_TRUE(surface.Boxes().empty());
  EXPECT_TRUE(surface.Texts().empty());
  // Still rules of the design: each records its box, held at the ends of the 32-bit range.
  EXPECT_EQ(window.RuleHitBoxes[4].left, INT32_MAX);
  EXPECT_EQ(window.RuleHitBoxes[5].top, INT32_MIN);
  EXPECT_EQ(window.RuleHitBoxes[6].left, INT32_MAX);
  EXPECT_EQ(window.RuleHitBoxes[0].right, 0);
}

TEST_F(Renderer, LabelNumberBeyondADoubleSkipsOnlyTheNumberedRules) {
  WriteDesign({"1,,;A,,;0,,;0,,;1,,;10,,;3,,;1,,;1,,;9,,;0,,;0,,;",
               "2,,;N,,;0,,;20,,;3,,;1,,;10,,;Arial,,;0,,;0,,;",
               "2,,;PLAIN,,;0,,;30,,;,,;,,;10,,;Arial,,;0,,;0,,;"});
  for (const char* amount : {"1e400", "-1e400"}) {
    window.l_amount.text = amount;
    window.RuleHitBoxes[1] = RuleHitBox{1, 2, 3, 4};
    Preview();
    EXPECT_TRUE(surface.Boxes().empty()) << amount;
    const auto texts = surface.Texts();
    ASSERT_EQ(texts.size(), 1u) << amount;
    EXPECT_EQ(texts[0].text, "PLAIN");
    EXPECT_EQ(window.RuleHitBoxes[1].right, 3);  // the text that was not printed keeps its box
  }
}

TEST_F(Renderer, OffsetsAreAddedBeforeRoundingAndBoxesOnlyWhenAsked) {
  RuleTable t;
  FillRuleRow(t, 0, "1,,;A,,;10,,;5,,;1,,;10,,;,,;,,;0,,;9,,;0,,;0,,;");
  t.n = 1;
  LabelDrawing how;
  how.ruleHitBoxes = nullptr;  // as the print job draws
  surface.Clear();
  DrawLabel(surface, t, 0.5, 10, 1, how);  // 565.5 -> 566, 292.5 -> 292
  EXPECT_TRUE(SameOps(surface.Ops(), Code39Reference("A", 0, 0, 9, 566, 292, 1, 565)));

  // Recording writes the entries of the rules drawn and no other.
  const RuleHitBox sentinel{-7, -7, -7, -7};
  std::array<RuleHitBox, kMaxRules> boxes;
  boxes.fill(sentinel);
  surface.Clear();
  how.ruleHitBoxes = &boxes;
  DrawLabel(surface, t, 1.5, 0, 1, how);  // 566.5 -> 566
  EXPECT_TRUE(SameOps(surface.Ops(), Code39Reference("A", 0, 0, 9, 566, 282, 1, 565)));
  EXPECT_EQ(boxes[0].left, 565);  // the box ignores the offset
  EXPECT_EQ(boxes[0].top, 282);
  EXPECT_EQ(boxes[0].right, static_cast<int32_t>(surface.CurrentX()));
  for (std::size_t i = 1; i < boxes.size(); ++i)
    EXPECT_EQ(boxes[i].left, sentinel.left) << "entry " << i;
}

// --- Text rules ----------------------------------------------------------------------------

TEST_F(Renderer, TextRulePrintsAtTheUnroundedPositionWithItsFont) {
  WriteDesign({"2,,;LOT,,;10,,;5,,;2,,;1,,;10.5,,; 細明體 ,,;1,,;1,,;"});
  window.l_amount.text = "7";
  Preview();
  const auto texts = surface.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "LOT07");
  EXPECT_EQ(texts[0].x, 565);
  EXPECT_EQ(texts[0].y, 282.5);
  EXPECT_EQ(texts[0].font.name, "細明體");
  EXPECT_EQ(texts[0].font.size, 10.5);
  EXPECT_TRUE(texts[0].font.bold);
  EXPECT_TRUE(texts[0].font.italic);
  // Bold and italic go off afterwards; name and size stay.
  EXPECT_FALSE(surface.Font().bold);
  EXPECT_FALSE(surface.Font().italic);
  EXPECT_EQ(surface.Font().size, 10.5);
  // A box a line high, so a click on the text selects it: 282.5 + 10.5 x 20, to even.
  const RuleHitBox& b = window.RuleHitBoxes[0];
  EXPECT_EQ(b.left, 565);
  EXPECT_EQ(b.top, 282);
  EXPECT_EQ(b.right, 565 + 5 * kCharWidth);
  EXPECT_EQ(b.bottom, 492);
}

TEST_F(Renderer, BoldTextDoesNotCarryOverToTheNextTextOrBarcode) {
  WriteDesign({"2,,;B,,;0,,;0,,;,,;,,;12,,;Arial,,;1,,;0,,;",
               "2,,;P,,;0,,;10,,;,,;,,;12,,;Arial,,;0,,;0,,;",
               "2,,;B2,,;0,,;20,,;,,;,,;12,,;Arial,,;1,,;1,,;",
               "1,,;C,,;0,,;30,,;1,,;10,,;,,;,,;1,,;9,,;0,,;0,,;"});
  Preview();
  const auto texts = surface.Texts();
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_TRUE(texts[0].font.bold);
  EXPECT_FALSE(texts[1].font.bold);
  EXPECT_TRUE(texts[2].font.italic);
  EXPECT_EQ(texts[4].text, "C");
  EXPECT_EQ(texts[4].font.name, "Courier New");
  EXPECT_FALSE(texts[4].font.bold);
  EXPECT_FALSE(texts[4].font.italic);
}

TEST_F(Renderer, ContentWithSeparatorShiftsTheLaterFields) {
  // Typed "A,,;B": field 1 is "A", "B" lands in the x field and everything moves one on.
  WriteDesign({"2,,;A,,;B,,;10,,;5,,;,,;,,;12,,;Arial,,;1,,;0,,;"});
  Preview();
  const auto texts = surface.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "A");
  EXPECT_EQ(texts[0].x, 0);          // "B" reads as 0
  EXPECT_EQ(texts[0].y, 565);        // 10 mm, the typed x
  EXPECT_EQ(texts[0].font.size, 0);  // the empty batch start field
  EXPECT_EQ(texts[0].font.name, "12");
}

TEST_F(Renderer, TextFarOutsideTheSurfaceIsSkipped) {
  WriteDesign({"2,,;FAR,,;1e40,,;0,,;,,;,,;12,,;Arial,,;0,,;0,,;",
               "2,,;FAR,,;1e400,,;0,,;,,;,,;12,,;Arial,,;0,,;0,,;",
               "2,,;FAR,,;0,,;-1e400,,;,,;,,;12,,;Arial,,;0,,;0,,;"});
  for (int i = 0; i < 3; ++i) window.RuleHitBoxes[i] = RuleHitBox{1, 2, 3, 4};
  Preview();
  EXPECT_TRUE(surface.Texts().empty());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(window.RuleHitBoxes[i].right, 3) << i;
}

// A size no single-precision font size holds would reach the device as infinity.
TEST_F(Renderer, TextWithASizeBeyondSinglePrecisionIsSkipped) {
  WriteDesign({"2,,;BIG,,;0,,;0,,;,,;,,;1e39,,;Arial,,;0,,;0,,;",
               "2,,;BIG,,;0,,;0,,;,,;,,;1e400,,;Arial,,;0,,;0,,;",
               "2,,;OK,,;0,,;0,,;,,;,,;1e38,,;Arial,,;0,,;0,,;"});
  for (int i = 0; i < 2; ++i) window.RuleHitBoxes[i] = RuleHitBox{1, 2, 3, 4};
  Preview();
  const auto texts = surface.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "OK");
  EXPECT_TRUE(std::isfinite(texts[0].font.size));
  for (int i = 0; i < 2; ++i) EXPECT_EQ(window.RuleHitBoxes[i].right, 3) << i;
}

// --- Picture rules -------------------------------------------------------------------------

TEST_F(Renderer, PictureIsScaledToItsWidthKeepingItsProportions) {
  Touch("img/a.bmp");
  probe.sizes[files.Resolve("img/a.bmp")] = PictureSize{200, 100};
  WriteDesign({"3,,;img\\a.bmp,,;10,,;5,,;40,,;"});
  Preview();
  const auto pictures = surface.Pictures();
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].path, files.Resolve("img/a.bmp"));
  EXPECT_EQ(pictures[0].left, 565);
  EXPECT_EQ(pictures[0].top, 282.5);
  EXPECT_EQ(pictures[0].width, 2260);
  EXPECT_EQ(pictures[0].height, 1130);
  // The box is the picture's: 565 + 2260 and 282.5 + 1130, to even.
  const RuleHitBox& b = window.RuleHitBoxes[0];
  EXPECT_EQ(b.left, 565);
  EXPECT_EQ(b.top, 282);
  EXPECT_EQ(b.right, 2825);
  EXPECT_EQ(b.bottom, 1412);
}

TEST_F(Renderer, PictureHeightIsTruncatedAndItsBoxIsThePictureNotTheRuleBefore) {
  Touch("logo.png");
  probe.sizes[files.Resolve("logo.png")] = PictureSize{3, 1};
  WriteDesign({"2,,;AB,,;1,,;2,,;,,;,,;9,,;Arial,,;0,,;0,,;", "3,,; logo.png ,,;0,,;0,,;10,,;"});
  Preview();
  const auto pictures = surface.Pictures();
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].width, 565);
  EXPECT_EQ(pictures[0].height, 188);            // 188.33 truncated
  EXPECT_EQ(window.RuleHitBoxes[1].right, 565);  // not where the text before it ended (256)
  EXPECT_EQ(window.RuleHitBoxes[1].bottom, 188);
}

TEST_F(Renderer, MissingUnreadableOrDrivePicturesAreSkipped) {
  Touch("notapicture.bmp");  // exists, but the probe cannot load it
  const std::vector<std::string> rules = {
      "3,,;missing.bmp,,;0,,;0,,;10,,;", "3,,;notapicture.bmp,,;0,,;0,,;10,,;",
      "3,,;C:\\labels\\a.bmp,,;0,,;0,,;10,,;", "3,,;,,;0,,;0,,;10,,;"};
  WriteDesign(rules);
  for (int i = 0; i < 4; ++i) window.RuleHitBoxes[i] = RuleHitBox{1, 2, 3, 4};
  Preview();
  EXPECT_TRUE(surface.Pictures().empty());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(window.RuleHitBoxes[i].right, 3) << i;
  // Only the file that exists was offered to the loader.
  ASSERT_EQ(probe.asked.size(), 1u);
  EXPECT_EQ(probe.asked[0], files.Resolve("notapicture.bmp"));
}

TEST(PicturePath, BackslashIsAFolderSeparatorAndDrivesNameNoFile) {
  EXPECT_EQ(PicturePathOf("img\\a.bmp"), "img/a.bmp");
  EXPECT_EQ(PicturePathOf("img/sub\\b.png"), "img/sub/b.png");
  EXPECT_EQ(PicturePathOf("/tmp/x.png"), "/tmp/x.png");
  EXPECT_EQ(PicturePathOf("C:\\labels\\a.bmp"), std::nullopt);
  EXPECT_EQ(PicturePathOf("d:/a.bmp"), std::nullopt);
}

// A path written on Windows is tried as stored, then by its file name in the picture folder and
// beside the design, matched without regard to case; the stored path itself stays.
TEST_F(Renderer, PicturePathsFromAnotherSystemAreFoundByTheirName) {
  Touch("img/logo.png");
  Touch("designs/beside.png");
  Touch("stored\\as-is.png");  // a name with a backslash in it is a name here
  window.d_path_pic.text = "img";
  window.CurrentFileName = (dir.path() / "designs/a.vlm").string();
  LabelDrawing how;
  how.pictures = &files;
  SetDrawingFromWindow(how, window);
  const char* const rows[][2] = {
      // stored, found (relative to the folder; "" when nothing is)
      {"C:\\labels\\img\\logo.png", "img/logo.png"},  // the picture folder
      {"img\\Logo.PNG", "img/logo.png"},              // case differs
      {" img/logo.png ", "img/logo.png"},             // as stored, trimmed
      {"D:\\old\\BESIDE.png", "designs/beside.png"},  // beside the design
      {"stored\\as-is.png", "stored\\as-is.png"},
      {"C:\\labels\\img\\gone.png", ""},
      {"C:\\labels\\img\\", ""},  // no file name at all
      {"img", ""},                // a folder is no picture
  };
  for (const auto& [stored, found] : rows)
    EXPECT_EQ(FindPictureFile(stored, how).value_or(""), *found ? files.Resolve(found) : "")
        << stored;
}

// A field longer than any label can show: a text is cut where the label ends, a barcode (which
// cut would carry other data) is not drawn.
TEST_F(Renderer, FieldsLongerThanTheLabelCanShowAreCutOrLeftOut) {
  window.l_paper_width.text = "100";  // 5650 units: as many characters
  const std::string text = std::string(5649, 'x') + "批號" + std::string(100000, 'y');
  WriteDesign({"2,,;" + text + ",,;0,,;0,,;,,;,,;9,,;Arial,,;0,,;0,,;",
               "1,,;" + std::string(5651, '1') + ",,;0,,;20,,;1,,;5,,;,,;,,;0,,;9,,;0,,;0,,;"});
  Preview();
  ASSERT_EQ(surface.Texts().size(), 1u);
  EXPECT_EQ(surface.Texts()[0].text, std::string(5649, 'x') + "批");
  EXPECT_TRUE(surface.Boxes().empty());
}

// --- The preview ---------------------------------------------------------------------------

TEST_F(Renderer, EmptyLineKeepsTheIndexOfLaterRules) {
  WriteDesign({"", "2,,;T,,;2,,;3,,;,,;,,;9,,;Arial,,;0,,;0,,;"});
  window.RuleHitBoxes[0] = RuleHitBox{7, 7, 7, 7};
  Preview();
  ASSERT_EQ(surface.Texts().size(), 1u);
  EXPECT_EQ(window.RuleHitBoxes[0].left, 7);  // the empty line records nothing
  EXPECT_EQ(window.RuleHitBoxes[1].left, 113);
  EXPECT_EQ(window.RuleHitBoxes[1].top, 169);  // 169.5 truncated
}

TEST_F(Renderer, WithoutAWorkingFileThePreviewIsOnlyCleared) {
  surface.Line(10, 10, kBlack);
  window.RuleHitBoxes[0] = RuleHitBox{1, 2, 3, 4};
  Preview();
  ASSERT_EQ(surface.Ops().size(), 1u);
  EXPECT_TRUE(std::holds_alternative<ClearOp>(surface.Ops()[0]));
  EXPECT_EQ(window.RuleHitBoxes[0].right, 3);
}

TEST_F(Renderer, PreviewUsesTheWindowsUnitsPerMm) {
  WriteDesign({"2,,;T,,;10,,;10,,;,,;,,;9,,;Arial,,;0,,;0,,;"});
  window.UnitsPerMm = 10;
  Preview();
  ASSERT_EQ(surface.Texts().size(), 1u);
  EXPECT_EQ(surface.Texts()[0].x, 100);
}

TEST_F(Renderer, PicturesCanBeLookedUpInAnotherFolder) {
  test::TempDir other;
  FileSystem pictures(other.path().string());
  const auto p = other.path() / "img" / "a.bmp";
  std::filesystem::create_directories(p.parent_path());
  test::WriteBytes(p.string(), "x");
  probe.sizes[p.string()] = PictureSize{10, 10};
  WriteDesign({"3,,;img\\a.bmp,,;0,,;0,,;10,,;"});
  DrawLabelPreview(window, surface, files, &pictures);
  ASSERT_EQ(surface.Pictures().size(), 1u);
  EXPECT_EQ(surface.Pictures()[0].path, p.string());
}

// --- Fields from a data file ---------------------------------------------------------------

MergeData Products(const std::vector<std::vector<std::string>>& rows) {
  MergeData data;
  data.names = {"品名", "EAN"};
  data.rows = rows;
  for (std::size_t i = 0; i < rows.size(); ++i) data.lines.push_back(static_cast<int64_t>(i) + 2);
  return data;
}

TEST(MergeRows, EachLabelTakesItsRowAndBatchNumbersRunOn) {
  const MergeData data = Products({{"茶", "4710001000010"}, {"餅", "4710001000027"}});
  LabelFields fields;
  std::string problem;
  MergeData counted = data;  // a quantity column: 2 labels, then 3
  counted.quantity_column = 1;
  counted.quantities = {2, 3};
  ASSERT_EQ(PlanMergeRun(counted, 9, 100, fields, problem), 5);
  const RuleTable rules = RuleTableOf({"2,,;${品名} B,,;0,,;0,,;2,,;7,,;10,,;Arial,,;0,,;0,,;"});
  LabelDrawing how;
  how.fields = &fields;
  for (const auto& [label, expected] : std::initializer_list<std::pair<double, const char*>>{
           {1, "茶 B07"}, {2, "茶 B08"}, {3, "餅 B09"}, {5, "餅 B11"}})
    EXPECT_EQ(RuleDataOnLabel(rules.rows[0], label, how), expected) << label;
  // Without a quantity column every row gets the copies field's count.
  ASSERT_EQ(PlanMergeRun(data, 3, 100, fields, problem), 6);
  EXPECT_EQ(fields.RowOf(4), 1u);
  EXPECT_FALSE(PlanMergeRun(data, 51, 100, fields, problem));
  EXPECT_EQ(problem, "資料檔要印的標籤超過 100 張 (到第 2 筆資料 (第 3 行)),請分次列印");
}

TEST(MergeRows, ARowThatCannotBeEncodedIsNamedBeforeTheRun) {
  const std::string ean = "1,,;${EAN},,;5,,;5,,;15,,;15,,;,,;,,;1,,;10,,;1,,;0,,;";
  const std::string code39 = "1,,;${品名},,;5,,;5,,;15,,;15,,;,,;,,;1,,;10,,;0,,;0,,;";
  const struct {
    std::string rule;
    std::vector<std::vector<std::string>> rows;
    const char *error, *why;  // error: "" when every row can be printed
  } cases[] = {
      // clang-format off
      {ean, {{"A", "4710001000010"}, {"B", "471000100002"}}, "", "13 digits with check, or 12"},
      {ean, {{"A", "4710001000010"}, {"B", "47100010000X7"}}, "資料檔第 2 筆資料 (第 3 行): "
       "第1個規則 (EAN-13 條碼) 的資料「47100010000X7」不能印: EAN-13 只能有數字", "a letter"},
      {ean, {{"A", "4710001000011"}}, "資料檔第 1 筆資料 (第 2 行): 第1個規則 (EAN-13 條碼) "
       "的資料「4710001000011」不能印: 檢查碼應該是 0,不是 1", "a wrong check digit given"},
      {ean, {{"A", "47100010000"}}, "資料檔第 1 筆資料 (第 2 行): 第1個規則 (EAN-13 條碼)",
       "too short"},
      {code39, {{"ab", "1"}}, "資料檔第 1 筆資料 (第 2 行): 第1個規則 (Code-39 條碼)",
       "lower case has no Code 39 bars"},
      {"2,,;${產地},,;5,,;5,,;,,;,,;10,,;Arial,,;0,,;0,,;", {{"A", "1"}}, "資料檔第 1 筆資料 "
       "(第 2 行): 第1個規則的欄位 ${產地} 在資料檔的標題列裡沒有", "a missing field, its row"},
      // clang-format on
  };
  for (const auto& c : cases) {
    const MergeData data = Products(c.rows);
    LabelFields fields;
    std::string problem;
    const auto labels = PlanMergeRun(data, 1, 100, fields, problem);
    ASSERT_TRUE(labels) << problem;
    const std::string got = CheckMergeRows(RuleTableOf({c.rule}), fields, *labels, kUnitsPerMm);
    EXPECT_EQ(got.rfind(c.error, 0), 0u) << c.why << ": " << got;
    EXPECT_EQ(got.empty(), std::string(c.error).empty()) << c.why;
  }
  // No data file: a column field has no value, a date has.
  LabelFields dates;
  EXPECT_EQ(CheckMergeRows(RuleTableOf({ean}), dates, 1, kUnitsPerMm),
            "第1個規則的欄位 ${EAN} 沒有值: 沒有指定資料檔");
  EXPECT_EQ(CheckMergeRows(RuleTableOf({"2,,;${date},,;0,,;0,,;"}), dates, 1, kUnitsPerMm), "");
}

}  // namespace
}  // namespace vellomir
