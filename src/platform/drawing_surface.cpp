#include "platform/drawing_surface.h"

namespace vellomir {

void DrawingSurface::Line(double w, double h, int colour) {
  FillBox(current_x_, current_y_, w, h, colour);
  current_x_ += w;
  current_y_ += h;
}

void DrawingSurface::Bars(const SymbolBars& bars) {
  if (bars.boxes.empty()) return;
  FillBars(bars);
  const SymbolBox& last = bars.boxes.back();
  current_x_ = last.x + last.w;
  current_y_ = last.y + last.h;
}

void DrawingSurface::FillBars(const SymbolBars& bars) {
  for (const SymbolBox& b : bars.boxes) FillBox(b.x, b.y, b.w, b.h, b.colour);
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

}  // namespace vellomir
