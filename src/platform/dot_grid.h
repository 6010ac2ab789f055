#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/drawing_surface.h"

// Laying a symbol on the whole dots of a device. A box mapped on its own rounds to 2 or 3 dots
// at 203 dpi, so neighbouring bars of one symbol differ and a 31:16 wide-to-narrow ratio falls
// far below 2; a symbol mapped as a whole keeps every module alike.
namespace vellomir {

// A box in whole dots of the device: columns left..right-1, rows top..bottom-1.
struct DotBox {
  int64_t left = 0, top = 0, right = 0, bottom = 0;
  int colour = kBlack;
  bool operator==(const DotBox&) const = default;
};

// How many dots one module (or narrow element) and one wide element get.
struct DotWidths {
  int64_t narrow = 0;
  int64_t wide = 0;
};

// The nearest whole number of dots for the narrow pitch, at least one and at least the
// symbol's min_module_dots; for wide elements the fewest whole dots whose ratio to the narrow
// is not below the pitches' ratio nor below the symbology's floor (SymbolBars::wide_floor),
// and at least one dot more than the narrow. A symbol's own dot_wide_ratio replaces both
// ratios: its nearest whole dots, at least 2 narrow ones and at most 3. Nothing when the
// pitches give no sensible widths (a zero or negative narrow pitch, a resolution that is not a
// positive number).
std::optional<DotWidths> SymbolDotWidths(const SymbolBars& bars, double dots_per_inch);

// The symbol's boxes on dots, in the device's dot coordinates, where the surface's (0, 0) lies
// at (origin_x, origin_y) twips. The left edge is the dot nearest the symbol's left edge, and
// each box begins where the one before it ends, as wide as its elements' dots; tops and
// bottoms are rounded to the nearest dot, at least one dot high. The rows of a 2-D symbol
// (SymbolBars::matrix) each begin at the symbol's left dot and are stacked from the dot nearest
// its top edge, each as high as a module is wide, so every module is the same square of dots.
// Nothing when the symbol
// cannot be laid on dots (see SymbolDotWidths, or boxes that are not left to right); the
// caller then draws the plain boxes.
std::optional<std::vector<DotBox>> SymbolOnDots(const SymbolBars& bars, double dots_per_inch,
                                                double origin_x = 0, double origin_y = 0);

// Where laid-out dots end, back in the units of a surface whose (0, 0) lies at origin_x twips:
// the x of the last box's far edge, extent as for DrawingSurface::Line. dots must not be empty.
double DotsRight(const std::vector<DotBox>& dots, double dots_per_inch, double origin_x = 0);

// Takes `dots` off the right of every black box, for a head that prints bars that much wide;
// the boxes stay where they begin and a bar keeps at least one dot. Spaces are not drawn wider:
// the ink spread fills them.
void NarrowBars(std::vector<DotBox>& boxes, int dots);

// Module size in dots at that resolution before any rounding: below 1 the device cannot print
// the symbol as designed.
double ModuleDots(const SymbolBars& bars, double dots_per_inch);

}  // namespace vellomir
