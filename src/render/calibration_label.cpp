#include "render/calibration_label.h"

namespace vellomir {

namespace {

constexpr double kTwipsPerMm = 1440.0 / 25.4;
constexpr double kLineMm = 0.3;  // two dots at 203 dpi: thin, but never lost

void Box(DrawingSurface& s, double x_mm, double y_mm, double w_mm, double h_mm) {
  s.SetCurrentX(x_mm * kTwipsPerMm);
  s.SetCurrentY(y_mm * kTwipsPerMm);
  s.Line(w_mm * kTwipsPerMm - 1, h_mm * kTwipsPerMm - 1, kBlack);
}

}  // namespace

void DrawCalibrationLabel(DrawingSurface& surface, double width_mm, double height_mm) {
  const double f = kCalibrationFrameMm;
  if (width_mm <= 2 * f || height_mm <= 2 * f) return;
  // The frame: its outer edges are the reference.
  Box(surface, f, f, width_mm - 2 * f, kLineMm);
  Box(surface, f, height_mm - f - kLineMm, width_mm - 2 * f, kLineMm);
  Box(surface, f, f, kLineMm, height_mm - 2 * f);
  Box(surface, width_mm - f - kLineMm, f, kLineMm, height_mm - 2 * f);
  // Rulers from the label's edges: a tick every millimetre, longer every 5, longest every 10,
  // so a shifted print shows by how much against the label's own edge.
  for (int mm = 1; mm < width_mm; ++mm) {
    const double length = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 3 : 1.5;
    Box(surface, mm, 0, 0.15, length);
  }
  for (int mm = 1; mm < height_mm; ++mm) {
    const double length = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 3 : 1.5;
    Box(surface, 0, mm, length, 0.15);
  }
  surface.SetFontName("Arial");
  surface.SetFontSize(8);
  surface.SetCurrentX((f + 2) * kTwipsPerMm);
  surface.SetCurrentY((f + 2) * kTwipsPerMm);
  surface.Print("Vellomir calibration: frame at 5.0 mm");
  surface.SetCurrentX(0);
  surface.SetCurrentY(0);
}

CalibrationOffsets CorrectedOffsets(CalibrationOffsets current, double measured_left_mm,
                                    double measured_top_mm) {
  // A frame found 4.2 mm from the edge printed 0.8 mm too far left: move right by 0.8 more.
  return {current.x_mm + (kCalibrationFrameMm - measured_left_mm),
          current.y_mm + (kCalibrationFrameMm - measured_top_mm)};
}

}  // namespace vellomir
