#include "platform/drawing_surface.h"

namespace vellomir {

void DrawingSurface::Line(double w, double h, int colour) {
  FillBox(current_x_, current_y_, w, h, colour);
  current_x_ += w;
  current_y_ += h;
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
