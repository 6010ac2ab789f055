#include "platform/drawing_surface.h"

#include "platform/dot_grid.h"

namespace vellomir {

void DrawingSurface::Line(double w, double h, int colour) {
  FillBox(current_x_ + shift_x_, current_y_, w, h, colour);
  current_x_ += w;
  current_y_ += h;
}

void DrawingSurface::Bars(const SymbolBars& bars) {
  if (bars.boxes.empty()) return;
  if (shift_x_ != 0) {
    SymbolBars moved = bars;
    for (SymbolBox& box : moved.boxes) box.x += shift_x_;
    current_x_ = FillBars(moved) - shift_x_;
  } else {
    current_x_ = FillBars(bars);
  }
  const SymbolBox& last = bars.boxes.back();
  current_y_ = last.y + last.h;
}

double DrawingSurface::FillBars(const SymbolBars& bars) {
  const DeviceDots device = DotsOfDevice();
  if (device.dots_per_inch > 0) {
    auto dots = SymbolOnDots(bars, device.dots_per_inch, device.origin_x, device.origin_y);
    if (dots && !dots->empty()) {
      // Where the symbol ends stays where it was laid out: text under it keeps its place.
      const double right = DotsRight(*dots, device.dots_per_inch, device.origin_x);
      NarrowBars(*dots, bar_width_reduction_);
      FillDots(*dots, device.dots_per_inch);
      return right;
    }
  }
  for (const SymbolBox& b : bars.boxes) FillBox(b.x, b.y, b.w, b.h, b.colour);
  return bars.boxes.empty() ? CurrentX() : bars.boxes.back().x + bars.boxes.back().w;
}

void DrawingSurface::FillDots(const std::vector<DotBox>& boxes, double dots_per_inch) {
  // Back from dots to this surface's twips; a box of extent w covers w + 1.
  const double twips = 1440.0 / dots_per_inch;
  const DeviceDots device = DotsOfDevice();
  for (const DotBox& d : boxes)
    FillBox(static_cast<double>(d.left) * twips - device.origin_x,
            static_cast<double>(d.top) * twips - device.origin_y,
            static_cast<double>(d.right - d.left) * twips - 1,
            static_cast<double>(d.bottom - d.top) * twips - 1, d.colour);
}

void DrawingSurface::Print(const std::string& text) {
  DrawText(current_x_ + shift_x_, current_y_, text, font_);
  current_x_ += TextWidth(text, font_);
}

void DrawingSurface::Clear() {
  Erase();
  current_x_ = 0;
  current_y_ = 0;
}

namespace {

class DiscardingSurface : public DrawingSurface {
 public:
  std::optional<PictureSize> LoadPicture(const std::string&) override { return std::nullopt; }
  void DrawPicture(const std::string&, double, double, double, double) override {}

 protected:
  void FillBox(double, double, double, double, int) override {}
  void DrawText(double, double, const std::string&, const FontState&) override {}
  double TextWidth(const std::string&, const FontState&) override { return 0; }
  void Erase() override {}
};

}  // namespace

DrawingSurface& NowhereSurface() {
  static DiscardingSurface surface;
  return surface;
}

}  // namespace vellomir
