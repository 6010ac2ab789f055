// The drawing every painter shares, once for all kinds: where the boxes go and what they cover,
// where the human-readable line goes, and which arguments are refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "barcode/barcode_kinds.h"
#include "barcode/interleaved_2of5.h"
#include "barcode/upc_e.h"
#include "platform/recording_surface.h"
#include "platform/text_util.h"

namespace vellomir {
namespace {

constexpr int kCode39 = 0, kEan13 = 1, kEan8 = 2, kUpcA = 3, kUpcE = 4, kUpcA2E = 5, kInter25 = 6,
              kCodabar = 7, kCode128 = 8;

// The text gap G of each kind.
int GapOf(int kind) { return kind == kInter25 ? 58 : 57; }

// The boxes of the rule a module or element at a time: each character of the pattern is one
// box of its own, x advancing by its width plus its segment's extra advance. This is the
// drawing before boxes were merged, kept here as the reference.
struct ModuleDrawing {
  std::vector<BoxOp> boxes;
  int32_t x_after = 0;
};

ModuleDrawing DrawModules(const SymbolPattern& p, int32_t x, int32_t y, int16_t mw, int16_t bh) {
  ModuleDrawing out;
  bool black = true;
  for (const auto& seg : p.segments) {
    for (char bit : seg.bits) {
      double w = mw;
      int colour = bit == '1' ? kBlack : kWhite;
      if (p.kind == PatternKind::kElements) {
        if (bit == '1') w = 2.0 * mw;
        colour = black ? kBlack : kWhite;
        black = !black;
      }
      out.boxes.push_back(BoxOp{double(x), double(y), w, double(bh) + seg.extra_height, colour});
      x += static_cast<int32_t>(w) + seg.extra_advance;
    }
  }
  out.x_after = x;
  return out;
}

// The colour of every unit cell after the boxes are filled in order; a box covers its far
// edges. Cells nothing covers are -1. Rows are given from the symbol's top, columns from x0.
std::vector<std::vector<int>> Cells(const std::vector<BoxOp>& boxes, int x0, int y0) {
  std::vector<std::vector<int>> cells;
  for (const auto& b : boxes) {
    for (int cx = int(b.x); cx <= int(b.x + b.w); ++cx) {
      const auto col = static_cast<std::size_t>(cx - x0);
      if (cells.size() <= col) cells.resize(col + 1);
      auto& column = cells[col];
      const auto bottom = static_cast<std::size_t>(int(b.y + b.h) - y0);
      if (column.size() <= bottom) column.resize(bottom + 1, -1);
      for (int cy = int(b.y); cy <= int(b.y + b.h); ++cy)
        column[static_cast<std::size_t>(cy - y0)] = b.colour;
    }
  }
  return cells;
}

struct DrawCase {
  const char* name;
  int kind;
  std::string data;
  int16_t withCheck;
  int16_t mw;
  int32_t x;
  int32_t y;
  int16_t bh;
  int32_t x_after;  // where x ends, worked out by hand; 0: not stated for this case
};

const DrawCase kDrawCases[] = {
    {"code39", kCode39, "1", 0, 15, 1000, 500, 200, 0},
    {"code39_check", kCode39, "AB", 1, 15, 1000, 500, 200, 0},
    // 92 modules advance 15, the 3 of the end guard 16.
    {"ean13", kEan13, "400638133393", 0, 15, 1000, 500, 200, 2428},
    {"ean13_empty", kEan13, "", 0, 15, 0, 0, 100, 92 * 15 + 3 * 16},
    {"ean8", kEan8, "9638507", 0, 10, 0, 0, 200, 64 * 10 + 3 * 11},
    {"upca", kUpcA, "003600029145", 0, 10, 0, 0, 200, 92 * 10 + 3 * 11},
    {"upce", kUpcE, "0425261", 0, 15, 1000, 500, 200, 1000 + 45 * 15 + 6 * 16},
    {"upca2e", kUpcA2E, "004210000526", 0, 15, 0, 0, 200, 45 * 15 + 6 * 16},
    {"upca2e_message", kUpcA2E, "012345000005", 0, 15, 10000, 0, 200, 10000 + 45 * 15 + 6 * 16},
    // 12 narrow elements advance 11, 5 wide ones 21.
    {"inter25", kInter25, "12", 0, 10, 100, 40, 200, 100 + 12 * 11 + 5 * 21},
    // startX is held in 32 bits: 15 narrow elements advance 11, 8 wide ones 21.
    {"codabar", kCodabar, "A1B", 0, 10, 70000, 20, 200, 70000 + 15 * 11 + 8 * 21},
    {"code128_w0", kCode128, "AB12", 1, 0, 70000, 300, 200, 0},
    {"code128_w2", kCode128, "AB12", 1, 2, 70000, 300, 200, 0},
    {"code128_w15", kCode128, "AB12", 1, 15, 70000, 300, 200, 0},
};

class SharedDrawing : public ::testing::TestWithParam<DrawCase> {
 protected:
  FixedPitchMetrics metrics_{100};
};

// One box per bar or space, covering exactly the cells the boxes of its modules covered, in
// the same colours; x and the position end where the module boxes would leave them.
TEST_P(SharedDrawing, MergedBoxesCoverWhatTheModuleBoxesCovered) {
  const DrawCase& c = GetParam();
  const std::optional<SymbolPattern> pattern = EncodeBarcode(c.kind, c.data, c.withCheck);
  ASSERT_TRUE(pattern.has_value());
  const ModuleDrawing modules = DrawModules(*pattern, c.x, c.y, c.mw, c.bh);

  RecordingSurface surface(metrics_);
  int32_t x = c.x;
  ASSERT_TRUE(PaintBarcode(c.kind, c.data, surface, c.withCheck, 0, 10, x, c.y, c.mw, c.bh));
  const std::vector<BoxOp> boxes = surface.Boxes();

  EXPECT_EQ(x, modules.x_after);
  if (c.x_after != 0) {
    EXPECT_EQ(x, c.x_after);
  }
  EXPECT_EQ(Cells(boxes, c.x, c.y), Cells(modules.boxes, c.x, c.y));

  // Neighbours differ in colour or height: nothing left to merge.
  for (std::size_t i = 1; i < boxes.size(); ++i)
    EXPECT_TRUE(boxes[i].colour != boxes[i - 1].colour || boxes[i].h != boxes[i - 1].h)
        << "box " << i;
  // A module string of more than one module always has runs to merge.
  if (pattern->kind == PatternKind::kModules && pattern->Bits().find("11") != std::string::npos) {
    EXPECT_LT(boxes.size(), modules.boxes.size());
  }
  ASSERT_FALSE(boxes.empty());
  for (const auto& b : boxes) EXPECT_EQ(b.y, c.y);

  // No text: no font set, the position at the far corner of the last box.
  EXPECT_TRUE(surface.Texts().empty());
  EXPECT_EQ(surface.Font().name, "");
  EXPECT_EQ(surface.CurrentX(), modules.boxes.back().x + modules.boxes.back().w);
  EXPECT_EQ(surface.CurrentX(), x - 1);
  EXPECT_EQ(surface.CurrentY(), c.y + modules.boxes.back().h);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, SharedDrawing, ::testing::ValuesIn(kDrawCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Guard bars of EAN/UPC and every element of Interleaved 2 of 5 and Codabar reach G below the
// bars; Code 39 and Code 128 bars are all barHeight high.
TEST(SharedDrawingHeights, GuardsAndElementSymbologiesAreLengthenedByG) {
  FixedPitchMetrics metrics(100);
  RecordingSurface ean(metrics);
  int32_t x = 1000;
  PaintBarcode(kEan13, "400638133393", ean, 0, 0, 10, x, 500, 15, 1130);
  std::vector<double> heights;
  for (const auto& b : ean.Boxes())
    if (heights.empty() || heights.back() != b.h) heights.push_back(b.h);
  // Start guard, left half, centre guard, right half, end guard.
  EXPECT_EQ(heights, (std::vector<double>{1187, 1130, 1187, 1130, 1187}));
  EXPECT_EQ(ean.CurrentX(), 2427);  // far corner of the last guard box
  EXPECT_EQ(ean.CurrentY(), 500 + 1187);

  RecordingSurface upce(metrics);
  x = 1000;
  PaintBarcode(kUpcE, "0425261", upce, 0, 0, 10, x, 500, 15, 1130);
  heights.clear();
  for (const auto& b : upce.Boxes())
    if (heights.empty() || heights.back() != b.h) heights.push_back(b.h);
  // Start guard, six digits, the end guard that advances one more per module.
  EXPECT_EQ(heights, (std::vector<double>{1187, 1130, 1187}));
  EXPECT_EQ(upce.Boxes().back().x + upce.Boxes().back().w, 1000 + 45 * 15 + 6 * 16 - 1);

  for (int kind : {kInter25, kCodabar}) {
    RecordingSurface s(metrics);
    x = 0;
    PaintBarcode(kind, kind == kCodabar ? "A1B" : "12", s, 0, 0, 10, x, 40, 10, 500);
    for (const auto& b : s.Boxes()) EXPECT_EQ(b.h, 500 + GapOf(kind)) << kind;
    // Elements alternate from black.
    const auto boxes = s.Boxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
      EXPECT_EQ(boxes[i].colour, i % 2 == 0 ? kBlack : kWhite) << kind << " " << i;
  }
  for (int kind : {kCode39, kCode128}) {
    RecordingSurface s(metrics);
    x = 0;
    PaintBarcode(kind, "A1", s, 1, 0, 10, x, 0, 15, 1130);
    for (const auto& b : s.Boxes()) EXPECT_EQ(b.h, 1130) << kind;
  }
}

// A white element is a white box: a symbol covers what lies under it.
TEST(SharedDrawingHeights, WhiteElementsAreDrawn) {
  FixedPitchMetrics metrics(100);
  for (int kind = 0; kind < 9; ++kind) {
    RecordingSurface s(metrics);
    int32_t x = 0;
    const char* data = kind == kCodabar ? "A1B" : "004210000526";
    PaintBarcode(kind, data, s, 0, 0, 10, x, 0, 15, 500);
    int white = 0;
    for (const auto& b : s.Boxes()) white += b.colour == kWhite;
    EXPECT_GT(white, 0) << kind;
  }
}

// --- the human-readable line ---------------------------------------------------------------

struct TextCase {
  const char* name;
  int kind;
  std::string data;
  int16_t withCheck;
  int16_t mw;
  int32_t x;
  int32_t y;
  int16_t bh;
  std::string printed;  // the text as printed under the bars
};

const TextCase kTextCases[] = {
    {"code39", kCode39, "AB", 0, 15, 1000, 500, 1130, "AB"},
    // Zero-width modules one unit apart: the text is wider and starts left of startX + 1.
    {"code39_wide_text", kCode39, std::string(10, '-'), 0, 0, 0, 0, 100, std::string(10, '-')},
    {"code39_empty", kCode39, "", 0, 15, 0, 0, 100, ""},
    // The typed 7 is shown, not the encoded check digit 1.
    {"ean13", kEan13, "4006381333937", 0, 15, 1000, 500, 1130, "4006381333937"},
    {"ean13_empty", kEan13, "", 0, 15, 0, 0, 500, ""},
    {"upce", kUpcE, "0425261", 0, 15, 1000, 500, 1130, "0425261"},
    // The message is wider than the symbol: a negative offset.
    {"upca2e_message", kUpcA2E, "012345000005", 0, 15, 10000, 0, 1000, kUpcA2EMessage},
    // The padded data is printed, 2 x 58 below the bars.
    {"inter25_padded", kInter25, "123", 0, 15, 1000, 500, 1130, "0123"},
    {"codabar_as_typed", kCodabar, "a1b", 0, 15, 1000, 500, 1130, "a1b"},
    // Without the check character that the painter computed.
    {"code128", kCode128, "ABC", 1, 15, 1000, 500, 1130, "ABC"},
    // Characters in neither set are not in the symbol but are printed.
    {"code128_skipped", kCode128, "A貨", 0, 0, 0, 0, 100, "A貨"},
};

class SharedText : public ::testing::TestWithParam<TextCase> {
 protected:
  FixedPitchMetrics metrics_{100};
};

// The spaces measure the text at startX; the text starts at startX + trunc((endX - that
// width's end) / 2) + 1, 2 x G below the bars; the position ends at endX.
TEST_P(SharedText, CentredUnderTheBars) {
  const TextCase& c = GetParam();
  RecordingSurface surface(metrics_);
  int32_t x = c.x;
  ASSERT_TRUE(PaintBarcode(c.kind, c.data, surface, c.withCheck, 1, 9, x, c.y, c.mw, c.bh));
  const int32_t end_x = x - 1;
  const double text_y = double(c.y) + c.bh + 2 * GapOf(c.kind);
  const double width = 100.0 * static_cast<double>(CodePointCount(c.printed));

  const auto texts = surface.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, std::string(CodePointCount(c.printed), ' '));
  EXPECT_EQ(texts[0].x, c.x);
  EXPECT_EQ(texts[0].y, text_y);
  EXPECT_EQ(texts[1].text, c.printed);
  EXPECT_EQ(texts[1].x, c.x + static_cast<int>((end_x - (c.x + width)) / 2) + 1);
  EXPECT_EQ(texts[1].y, text_y);
  EXPECT_EQ(texts[1].font.name, "Courier New");
  EXPECT_EQ(texts[1].font.size, 9);
  EXPECT_EQ(surface.Font().name, "Courier New");
  EXPECT_EQ(surface.Font().size, 9);
  EXPECT_EQ(surface.CurrentX(), end_x);
  if (width > end_x - c.x) {
    EXPECT_LT(texts[1].x, c.x + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, SharedText, ::testing::ValuesIn(kTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Some worked numbers of the centring, so the rule above cannot drift unnoticed.
TEST(SharedTextNumbers, WorkedOffsets) {
  FixedPitchMetrics metrics(100);
  RecordingSurface ean(metrics);
  int32_t x = 1000;
  PaintBarcode(kEan13, "4006381333937", ean, 0, 1, 9, x, 500, 15, 1130);
  EXPECT_EQ(ean.Texts()[1].x, 1000 + (2427 - 2300) / 2 + 1);
  EXPECT_EQ(ean.Texts()[1].y, 500 + 1130 + 114);  // 57 below the guard bars' bottom

  RecordingSurface c128(metrics);
  x = 0;
  PaintBarcode(kCode128, "A貨", c128, 0, 1, 9, x, 0, 0, 100);
  // 11 + 11 + 13 zero-width modules.
  EXPECT_EQ(c128.Texts()[1].x, static_cast<int>((34 - 200) / 2) + 1);
}

// With no box drawn, endX is wherever the surface's position was before the call.
TEST(SharedTextNumbers, EmptyCodabarDrawsNoBoxAndCentresOnThePosition) {
  FixedPitchMetrics metrics(100);
  RecordingSurface surface(metrics);
  int32_t x = 300;
  surface.SetCurrentX(77);
  PaintBarcode(kCodabar, "", surface, 0, 1, 12, x, 0, 15, 100);
  EXPECT_TRUE(surface.Boxes().empty());
  EXPECT_EQ(x, 300);
  EXPECT_EQ(surface.Font().size, 12);  // the font is still set
  const auto texts = surface.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "");
  EXPECT_EQ(texts[0].x, 300);
  EXPECT_EQ(texts[0].y, 100 + 2 * 57);
  EXPECT_EQ(texts[1].text, "");
  EXPECT_EQ(texts[1].x, 300 + (static_cast<int>((77 - 300) / 2) + 1));  // -111.5 cut to -111
  EXPECT_EQ(texts[1].y, 100 + 2 * 57);
  EXPECT_EQ(surface.CurrentX(), 77);
  EXPECT_EQ(surface.CurrentY(), 100 + 2 * 57);

  // Without text the position is not touched at all.
  RecordingSurface plain(metrics);
  plain.SetCurrentX(77);
  plain.SetCurrentY(5);
  x = 300;
  PaintBarcode(kCodabar, "", plain, 0, 0, 12, x, 0, 15, 100);
  EXPECT_TRUE(plain.Ops().empty());
  EXPECT_EQ(x, 300);
  EXPECT_EQ(plain.CurrentX(), 77);
  EXPECT_EQ(plain.CurrentY(), 5);
  EXPECT_EQ(plain.Font().name, "");
}

// --- arguments beyond the painters' integer widths -------------------------------------------

struct LimitCase {
  const char* name;
  int kind;
  std::string data;
  bool start_x_16bit;  // startX held in 16 bits; otherwise in 32
  bool lengthened;     // some boxes are barHeight + G high, so barHeight + G must fit 16 bits
};

const LimitCase kLimitCases[] = {
    {"code39", kCode39, "A", true, false},     {"ean13", kEan13, "400638133393", true, true},
    {"ean8", kEan8, "9638507", true, true},    {"upca", kUpcA, "003600029145", true, true},
    {"upce", kUpcE, "0425261", true, true},    {"upca2e", kUpcA2E, "004210000526", true, true},
    {"inter25", kInter25, "123", true, true},  {"codabar", kCodabar, "A1B", false, true},
    {"code128", kCode128, "A1", false, false},
};

class SharedLimits : public ::testing::TestWithParam<LimitCase> {
 protected:
  // Paints with text; returns whether anything was recorded, and checks that a refusal leaves
  // x as it was.
  bool Draws(int32_t start_x, int16_t bh) {
    const LimitCase& c = GetParam();
    RecordingSurface surface(metrics_);
    int32_t x = start_x;
    PaintBarcode(c.kind, c.data, surface, 1, 1, 10, x, 0, 15, bh);
    if (surface.Ops().empty()) {
      EXPECT_EQ(x, start_x);
    }
    last_ = surface.Boxes();
    texts_ = surface.Texts();
    return !surface.Ops().empty();
  }
  FixedPitchMetrics metrics_{100};
  std::vector<BoxOp> last_;
  std::vector<TextOp> texts_;
};

TEST_P(SharedLimits, StartX) {
  const LimitCase& c = GetParam();
  EXPECT_TRUE(Draws(-32768, 100));
  EXPECT_TRUE(Draws(32767, 100));
  EXPECT_EQ(Draws(32768, 100), !c.start_x_16bit);
  EXPECT_EQ(Draws(-32769, 100), !c.start_x_16bit);
  EXPECT_EQ(Draws(70000, 100), !c.start_x_16bit);
}

TEST_P(SharedLimits, BarHeight) {
  const LimitCase& c = GetParam();
  const int gap = GapOf(c.kind);
  if (c.lengthened) {
    EXPECT_TRUE(Draws(0, static_cast<int16_t>(32767 - gap)));
    EXPECT_FALSE(Draws(0, static_cast<int16_t>(32767 - gap + 1)));
  } else {
    // The text top is worked out in 32 bits: every 16-bit bar height draws.
    ASSERT_TRUE(Draws(0, 32767));
    ASSERT_FALSE(last_.empty());
    for (const auto& b : last_) EXPECT_EQ(b.h, 32767);
    ASSERT_EQ(texts_.size(), 2u);
    EXPECT_EQ(texts_[1].y, 32767.0 + 2 * 57);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, SharedLimits, ::testing::ValuesIn(kLimitCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Data beyond the lists draws nothing at all and leaves x alone.
TEST(SharedLimitsData, RefusedDataDrawsNothing) {
  FixedPitchMetrics metrics(100);
  const std::pair<int, std::string> cases[] = {
      {kCodabar, std::string(501, '1')},
      {kCode128, std::string(501, 'A')},
      {kInter25, std::string(41, '7')},
  };
  for (const auto& [kind, data] : cases) {
    RecordingSurface surface(metrics);
    int32_t x = 5;
    PaintBarcode(kind, data, surface, 1, 1, 9, x, 0, 15, 100);
    EXPECT_TRUE(surface.Ops().empty()) << kind;
    EXPECT_EQ(x, 5) << kind;
  }
}

}  // namespace
}  // namespace vellomir
