#include "barcode/painter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/text_util.h"

namespace vellomir {

std::string SymbolPattern::Bits() const {
  std::string out;
  for (const auto& s : segments) out += s.bits;
  return out;
}

void SymbolPattern::Append(std::string bits, int extra_height, int extra_advance) {
  segments.push_back(PatternSegment{std::move(bits), extra_height, extra_advance});
}

namespace {

bool Fits16(int64_t v) { return v >= INT16_MIN && v <= INT16_MAX; }

int64_t BoxWidth(const SymbolPattern& p, char bit, int16_t moduleWidth) {
  if (p.kind == PatternKind::kElements && bit == '1') return 2 * int64_t{moduleWidth};
  return moduleWidth;
}

// The painters keep startX, heights and x in fixed integer widths; input beyond them is
// refused whole rather than wrapped into a wrong symbol.
bool WithinLimits(const SymbolPattern& p, int32_t x, int32_t y, int16_t moduleWidth,
                  int16_t barHeight) {
  if (p.refused) return false;
  if (p.start_x_16bit && !Fits16(x)) return false;
  if (!Fits16(2 * int64_t{p.gap})) return false;
  int64_t end = x;
  if (p.kind == PatternKind::kMatrix) {
    // Square modules need a width, and the symbol must end within x and y's widths.
    if (moduleWidth < 1) return false;
    const int64_t pitch = int64_t{moduleWidth} + 1;
    const int64_t bottom = int64_t{y} + static_cast<int64_t>(p.segments.size()) * pitch;
    std::size_t widest = 0;
    for (const auto& seg : p.segments) widest = std::max(widest, seg.bits.size());
    return bottom <= INT32_MAX && end + static_cast<int64_t>(widest) * pitch <= INT32_MAX;
  }
  for (const auto& seg : p.segments) {
    // Only a box lengthened by G adds it to barHeight in 16 bits; the text top does not.
    if (!Fits16(int64_t{barHeight} + seg.extra_height)) return false;
    for (char bit : seg.bits) end += BoxWidth(p, bit, moduleWidth) + seg.extra_advance;
  }
  return end >= INT32_MIN && end <= INT32_MAX;
}

SymbolBars LayOutBars(const SymbolPattern& p, int32_t x, int32_t y, int16_t moduleWidth,
                      int16_t barHeight) {
  SymbolBars bars;
  bars.min_module_dots = p.min_module_dots;
  bars.dot_wide_ratio = p.dot_wide_ratio;
  bars.wide_floor = p.wide_floor;
  bars.quiet_modules = p.quiet_modules;
  // The pitch of the segment holding most elements is the symbol's: EAN/UPC data modules take
  // moduleWidth, everything else moduleWidth + 1.
  const PatternSegment* main = nullptr;
  for (const auto& seg : p.segments)
    if (main == nullptr || seg.bits.size() > main->bits.size()) main = &seg;
  if (main != nullptr) {
    bars.narrow_pitch = double(moduleWidth) + main->extra_advance;
    if (p.kind == PatternKind::kElements)
      bars.wide_pitch = 2.0 * double(moduleWidth) + main->extra_advance;
  }

  // Boxes of negative width run leftwards and overlap: they are kept one per module.
  const bool may_merge = moduleWidth >= 0;
  bars.matrix = p.kind == PatternKind::kMatrix;
  int64_t at = x;
  bool black = true;  // element strings alternate from black
  int row = 0;
  for (const auto& seg : p.segments) {
    double h = double(barHeight) + seg.extra_height;
    double top = y;
    if (bars.matrix) {
      // Rows of square modules, one pitch apart; a box covers its far edge.
      at = x;
      top = double(y) + double(row) * bars.narrow_pitch;
      h = moduleWidth;
    }
    for (char bit : seg.bits) {
      const int64_t w = BoxWidth(p, bit, moduleWidth);
      int colour;
      if (p.kind != PatternKind::kElements) {
        colour = bit == '1' ? kBlack : kWhite;
      } else {
        colour = black ? kBlack : kWhite;
        black = !black;
      }
      const bool wide = p.kind == PatternKind::kElements && bit == '1';
      SymbolBox* last = bars.boxes.empty() ? nullptr : &bars.boxes.back();
      // A box that begins on or right after the previous one's far edge, in the same colour
      // and height, continues it: one box per bar or space.
      if (may_merge && last != nullptr && last->colour == colour && last->h == h &&
          last->row == row && double(at) <= last->x + last->w + 1) {
        last->w = double(at + w) - last->x;
        (wide ? last->wide : last->narrow) += 1;
      } else {
        SymbolBox box{double(at), top, double(w), h, colour, wide ? 0 : 1, wide ? 1 : 0};
        if (bars.matrix) box.row = row;
        bars.boxes.push_back(box);
      }
      at += w + seg.extra_advance;
    }
    if (bars.matrix) ++row;
  }
  if (p.wide_modules > 0 && may_merge) {
    bars.wide_pitch = p.wide_modules * bars.narrow_pitch;
    for (SymbolBox& box : bars.boxes) {
      const bool wide = box.narrow >= p.wide_modules;
      box.narrow = wide ? 0 : 1;
      box.wide = wide ? 1 : 0;
    }
  }
  return bars;
}

}  // namespace

bool DrawSymbol(const SymbolPattern& p, DrawingSurface& surface, int16_t withText, int16_t fontSize,
                int32_t& x, int32_t y, int16_t moduleWidth, int16_t barHeight) {
  if (!WithinLimits(p, x, y, moduleWidth, barHeight)) return false;
  const int32_t start_x = x;

  const SymbolBars bars = LayOutBars(p, x, y, moduleWidth, barHeight);
  surface.Bars(bars);
  if (p.kind == PatternKind::kMatrix) {
    // x moves past the widest row.
    std::size_t widest = 0;
    for (const auto& seg : p.segments) widest = std::max(widest, seg.bits.size());
    x = static_cast<int32_t>(x + static_cast<int64_t>(widest) * (int64_t{moduleWidth} + 1));
    return true;
  }
  for (const auto& seg : p.segments)
    for (char bit : seg.bits)
      x = static_cast<int32_t>(x + BoxWidth(p, bit, moduleWidth) + seg.extra_advance);

  const double end_x = surface.CurrentX();
  if (withText != 1) return true;

  surface.SetFontName(kHumanReadableFont);
  surface.SetFontSize(fontSize);
  const double text_top = double(y) + barHeight + 2 * p.gap;
  surface.SetCurrentY(text_top);
  surface.SetCurrentX(start_x);
  // The width of as many spaces as the text has characters centres it in a fixed-pitch font.
  surface.Print(std::string(CodePointCount(p.text), ' '));
  const double offset = std::trunc((end_x - surface.CurrentX()) / 2) + 1;
  surface.SetCurrentY(text_top);
  surface.SetCurrentX(start_x + offset);
  surface.Print(p.text);
  surface.SetCurrentX(end_x);
  return true;
}

}  // namespace vellomir
