#include "platform/dot_grid.h"

#include <algorithm>
#include <cmath>

namespace vellomir {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kMmPerInch = 25.4;
// Positions beyond this many dots are no device's; such a symbol is drawn plainly.
constexpr double kMaxDots = 1e12;

}  // namespace

double DotsRight(const std::vector<DotBox>& dots, double dots_per_inch, double origin_x) {
  return static_cast<double>(dots.back().right) * kTwipsPerInch / dots_per_inch - origin_x - 1;
}

double ModuleDots(const SymbolBars& bars, double dots_per_inch) {
  return bars.narrow_pitch * dots_per_inch / kTwipsPerInch;
}

std::optional<DotWidths> SymbolDotWidths(const SymbolBars& bars, double dots_per_inch) {
  if (!(dots_per_inch > 0) || !std::isfinite(dots_per_inch)) return std::nullopt;
  if (!(bars.narrow_pitch > 0) || !std::isfinite(bars.narrow_pitch)) return std::nullopt;
  const double exact = ModuleDots(bars, dots_per_inch);
  if (exact > kMaxDots) return std::nullopt;
  DotWidths d;
  d.narrow = std::max<int64_t>({1, bars.min_module_dots, std::llround(exact)});
  if (bars.wide_pitch > 0 && std::isfinite(bars.wide_pitch)) {
    const double narrow_mm = static_cast<double>(d.narrow) * kMmPerInch / dots_per_inch;
    const WideFloor& floor = bars.wide_floor;
    const double ratio = std::max(bars.wide_pitch / bars.narrow_pitch,
                                  narrow_mm < floor.small_mm ? floor.small_ratio : floor.ratio);
    // A hair below the next whole number is that number: 4.0000000001 dots must stay 4.
    d.wide = static_cast<int64_t>(std::ceil(static_cast<double>(d.narrow) * ratio - 1e-9));
    if (bars.dot_wide_ratio > 0) {
      // The nearest whole dots (halves down), within the 2:1 to 3:1 of the two-width
      // symbologies.
      const int64_t wanted = static_cast<int64_t>(
          std::ceil(static_cast<double>(d.narrow) * bars.dot_wide_ratio - 0.5 - 1e-9));
      d.wide = std::clamp(wanted, 2 * d.narrow, 3 * d.narrow);
    }
    d.wide = std::max(d.wide, d.narrow + 1);
  }
  return d;
}

std::optional<std::vector<DotBox>> SymbolOnDots(const SymbolBars& bars, double dots_per_inch,
                                                double origin_x, double origin_y) {
  const std::optional<DotWidths> d = SymbolDotWidths(bars, dots_per_inch);
  if (!d) return std::nullopt;
  const double scale = dots_per_inch / kTwipsPerInch;
  std::vector<DotBox> out;
  out.reserve(bars.boxes.size());
  if (bars.boxes.empty()) return out;
  const double left = (bars.boxes.front().x + origin_x) * scale;
  if (!std::isfinite(left) || std::fabs(left) > kMaxDots) return std::nullopt;
  const int64_t symbol_left = std::llround(left);
  int64_t x = symbol_left;
  double previous_x = bars.boxes.front().x;
  // A 2-D symbol's rows are stacked from its top edge, each row one module of dots high.
  const double symbol_top = (bars.boxes.front().y + origin_y) * scale;
  if (bars.matrix && (!std::isfinite(symbol_top) || std::fabs(symbol_top) > kMaxDots))
    return std::nullopt;
  int row = bars.boxes.front().row;
  double last_y0 = 0, last_y1 = 0;
  int64_t last_top = 0, last_bottom = 0;
  for (const SymbolBox& b : bars.boxes) {
    if (bars.matrix && b.row != row) {
      if (b.row < row) return std::nullopt;
      row = b.row;
      x = symbol_left;
      previous_x = b.x;
    }
    if (b.w < 0 || b.x < previous_x || b.narrow < 0 || b.wide < 0) return std::nullopt;
    previous_x = b.x;
    if (bars.matrix) {
      if (b.row < 0) return std::nullopt;
      DotBox box;
      box.left = x;
      box.right = x + b.narrow * d->narrow;
      box.top = std::llround(symbol_top) + b.row * d->narrow;
      box.bottom = box.top + d->narrow;
      box.colour = b.colour;
      out.push_back(box);
      x = box.right;
      continue;
    }
    const double y0 = b.h >= 0 ? b.y : b.y + b.h;
    const double y1 = (b.h >= 0 ? b.y + b.h : b.y) + 1;  // the far edge is covered
    // The bars of a symbol share their top and bottom: rounded once.
    if (out.empty() || y0 != last_y0 || y1 != last_y1) {
      const double top = (y0 + origin_y) * scale;
      const double bottom = (y1 + origin_y) * scale;
      if (!std::isfinite(top) || !std::isfinite(bottom) || std::fabs(top) > kMaxDots ||
          std::fabs(bottom) > kMaxDots)
        return std::nullopt;
      last_y0 = y0;
      last_y1 = y1;
      last_top = std::llround(top);
      last_bottom = std::max<int64_t>(last_top + 1, std::llround(bottom));
    }
    DotBox box;
    box.left = x;
    box.right = x + b.narrow * d->narrow + b.wide * d->wide;
    box.top = last_top;
    box.bottom = last_bottom;
    box.colour = b.colour;
    out.push_back(box);
    x = box.right;
  }
  return out;
}

void NarrowBars(std::vector<DotBox>& boxes, int dots) {
  if (dots <= 0) return;
  for (DotBox& b : boxes)
    if (b.colour != kWhite) b.right = std::max(b.left + 1, b.right - dots);
}

}  // namespace vellomir
