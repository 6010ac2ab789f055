#include "platform/drawing_surface.h"

namespace vellomir {

void DrawingSurface::Line(double w, double h, int colour) {
  FillBox(current_x_, current_y_, w, h, colour);
  current_x_ += w;
  current_y_ += h;
}

void DrawingSurface::Bars(const SymbolBars& bars) {
  if (bars.boxes.empty()) return;
  current_x_ = FillBars(bars);
  const SymbolBox& last = bars.boxes.back();
  current_y_ = last.y + last.h;
}

double DrawingSurface::FillBars(const SymbolBars& bars) {
  for (const SymbolBox& b : bars.boxes) FillBox(b.x, b.y, b.w, b.h, b.colour);
  return bars.boxes.empty() ? CurrentX() : bars.boxes.back().x + bars.boxes.back().w;
}

void DrawingSurface::Print(const std::string& text) {
  DrawText(current_x_, current_y_, text, font_);
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
