#include <gtest/gtest.h>

#include <cmath>

#include "platform/dot_grid.h"

namespace vellomir {
namespace {

SymbolBars Elements(double mw, std::vector<int> wide_flags, double y = 0, double h = 1130) {
  SymbolBars bars;
  bars.narrow_pitch = mw + 1;
  bars.wide_pitch = 2 * mw + 1;
  bars.wide_floor = {2.0, 2.2, 0.5};  // Interleaved 2 of 5's
  double x = 1000;
  int colour = kBlack;
  for (int wide : wide_flags) {
    const double w = wide ? 2 * mw : mw;
    bars.boxes.push_back(SymbolBox{x, y, w, h, colour, wide ? 0 : 1, wide ? 1 : 0});
    x += w + 1;
    colour = colour == kBlack ? kWhite : kBlack;
  }
  return bars;
}

// The printers our users own and the default module of 15 units (pitch 16, wide 31): the
// units' 31:16 is below the 2.2:1 the two-width symbologies ask under 0.5 mm, so the wide
// element gets the fewest dots that reach 2.2 narrow ones.
TEST(DotWidths, DefaultModuleAtCommonResolutions) {
  const SymbolBars bars = Elements(15, {0, 1});
  struct Case {
    double dpi;
    int64_t narrow, wide;
  };
  for (const Case c : {Case{203, 2, 5}, Case{300, 3, 7}, Case{600, 7, 16}, Case{1200, 13, 29}}) {
    const auto d = SymbolDotWidths(bars, c.dpi);
    ASSERT_TRUE(d.has_value()) << c.dpi;
    EXPECT_EQ(d->narrow, c.narrow) << c.dpi;
    EXPECT_EQ(d->wide, c.wide) << c.dpi;
  }
}

// A 2-D symbol's rows ("110" over "011") each start at its left dot and stack from its top dot
// (140.97, 70.49), every module the same square of 3 dots (the symbol's floor; 16 units are 2.3).
TEST(SymbolOnDots, MatrixRowsAreSquareModulesFromOneCorner) {
  SymbolBars bars{
      {{1000, 500, 31, 15, kBlack, 2, 0, 0}, {1032, 500, 15, 15, kWhite, 1, 0, 0}}, 16, 0, 3, true};
  bars.boxes.push_back({1000, 516, 15, 15, kWhite, 1, 0, 1});
  bars.boxes.push_back({1016, 516, 31, 15, kBlack, 2, 0, 1});
  auto dots = [](int row, int from, int to, int colour) {  // modules from..to-1 of a row
    return DotBox{141 + 3 * from, 70 + 3 * row, 141 + 3 * to, 73 + 3 * row, colour};
  };
  EXPECT_EQ(SymbolOnDots(bars, 203), (std::vector{dots(0, 0, 2, kBlack), dots(0, 2, 3, kWhite),
                                                  dots(1, 0, 1, kWhite), dots(1, 1, 3, kBlack)}));
  std::swap(bars.boxes[1], bars.boxes[2]);  // rows going back up are no symbol
  EXPECT_EQ(SymbolOnDots(bars, 203), std::nullopt);
}

// Whatever the module and resolution: at least one dot, the nearest whole number, and a wide
// element never thinner in ratio than the units make it or the symbologies allow (2.2 under
// 0.5 mm, else 2), nor needlessly wider.
TEST(DotWidths, RatioNeverBelowTheUnitsNorTheSymbologies) {
  for (int mw = 0; mw <= 40; ++mw) {
    for (double dpi : {96.0, 150.0, 203.0, 300.0, 406.0, 600.0, 1200.0}) {
      const SymbolBars bars = Elements(mw, {0, 1});
      const auto d = SymbolDotWidths(bars, dpi);
      ASSERT_TRUE(d.has_value());
      const double exact = (mw + 1) * dpi / 1440;
      EXPECT_EQ(d->narrow, std::max<int64_t>(1, std::llround(exact))) << mw << " " << dpi;
      const double printed_mm = double(d->narrow) * 25.4 / dpi;
      const double ratio = std::max((2.0 * mw + 1) / (mw + 1), printed_mm < 0.5 ? 2.2 : 2.0);
      EXPECT_GE(double(d->wide) / double(d->narrow), ratio - 1e-12) << mw << " " << dpi;
      EXPECT_LT(double(d->wide - 1) / double(d->narrow), ratio) << mw << " " << dpi;
      // Never beyond the 3:1 the symbologies allow at most.
      EXPECT_LE(double(d->wide) / double(d->narrow), 3.0) << mw << " " << dpi;
    }
  }
}

TEST(DotWidths, ModuleStringsHaveNoWide) {
  SymbolBars bars;
  bars.narrow_pitch = 16;  // Code 128 modules
  const auto d = SymbolDotWidths(bars, 203);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(d->narrow, 2);
  EXPECT_EQ(d->wide, 0);
  EXPECT_NEAR(ModuleDots(bars, 203), 16 * 203 / 1440.0, 1e-12);
}

TEST(DotWidths, NoSensibleWidthsNoMapping) {
  SymbolBars bars = Elements(15, {0});
  EXPECT_FALSE(SymbolDotWidths(bars, 0).has_value());
  EXPECT_FALSE(SymbolDotWidths(bars, -300).has_value());
  EXPECT_FALSE(SymbolDotWidths(bars, std::nan("")).has_value());
  bars.narrow_pitch = 0;
  EXPECT_FALSE(SymbolDotWidths(bars, 300).has_value());
  EXPECT_FALSE(SymbolOnDots(bars, 300).has_value());
}

TEST(SymbolOnDots, BoxesFollowEachOtherOnWholeDots) {
  // Narrow, wide, narrow, narrow, wide at 203 dpi: 2 and 5 dots.
  const SymbolBars bars = Elements(15, {0, 1, 0, 0, 1}, 500, 1130);
  const auto dots = SymbolOnDots(bars, 203);
  ASSERT_TRUE(dots.has_value());
  ASSERT_EQ(dots->size(), 5u);
  const int64_t left = std::llround(1000 * 203 / 1440.0);  // 141: the nearest dot
  const int64_t widths[] = {2, 5, 2, 2, 5};
  int64_t x = left;
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ((*dots)[i].left, x) << i;
    EXPECT_EQ((*dots)[i].right, x + widths[i]) << i;
    EXPECT_EQ((*dots)[i].top, std::llround(500 * 203 / 1440.0));
    EXPECT_EQ((*dots)[i].bottom, std::llround(1631 * 203 / 1440.0));
    EXPECT_EQ((*dots)[i].colour, i % 2 == 0 ? kBlack : kWhite);
    x += widths[i];
  }
  // The origin moves the symbol on the device.
  const auto moved = SymbolOnDots(bars, 203, 1440, 720);
  ASSERT_TRUE(moved.has_value());
  EXPECT_EQ(moved->front().left, std::llround(2440 * 203 / 1440.0));
  EXPECT_EQ(moved->front().top, std::llround(1220 * 203 / 1440.0));
}

TEST(SymbolOnDots, MergedModuleRunsAreWholeMultiples) {
  SymbolBars bars;
  bars.narrow_pitch = 16;
  bars.boxes = {SymbolBox{0, 0, 47, 100, kBlack, 3, 0}, SymbolBox{48, 0, 15, 100, kWhite, 1, 0},
                SymbolBox{64, 0, 31, 100, kBlack, 2, 0}};
  const auto dots = SymbolOnDots(bars, 300);  // 3 dots a module
  ASSERT_TRUE(dots.has_value());
  EXPECT_EQ((*dots)[0], (DotBox{0, 0, 9, 21, kBlack}));
  EXPECT_EQ((*dots)[1], (DotBox{9, 0, 12, 21, kWhite}));
  EXPECT_EQ((*dots)[2], (DotBox{12, 0, 18, 21, kBlack}));
}

// A bar of height 0 still prints as a line of one dot.
TEST(SymbolOnDots, AtLeastOneDotHigh) {
  const auto dots = SymbolOnDots(Elements(15, {0}, 0, 0), 203);
  ASSERT_TRUE(dots.has_value());
  EXPECT_EQ(dots->front().bottom - dots->front().top, 1);
}

TEST(SymbolOnDots, BoxesRunningLeftwardsAreNotMapped) {
  SymbolBars bars = Elements(15, {0, 0});
  bars.boxes[1].x = 0;
  EXPECT_FALSE(SymbolOnDots(bars, 203).has_value());
  bars = Elements(15, {0});
  bars.boxes[0].w = -15;
  EXPECT_FALSE(SymbolOnDots(bars, 203).has_value());
}

}  // namespace
}  // namespace vellomir
