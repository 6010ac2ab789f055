#pragma once

#include "platform/drawing_surface.h"

// The label a user prints to calibrate a printer: a frame exactly kCalibrationFrameMm inside
// the label's edges and millimetre rulers along its top and left edges. Where the frame lands,
// measured from the label's edges, tells how far the printer moves what it prints.
namespace vellomir {

inline constexpr double kCalibrationFrameMm = 5.0;

// Draws the calibration label of width_mm x height_mm at the surface's (0, 0), in twips.
void DrawCalibrationLabel(DrawingSurface& surface, double width_mm, double height_mm);

// The offsets to store after a calibration label printed with `current` offsets showed its frame
// `measured_left_mm` and `measured_top_mm` from the label's left and top edges.
struct CalibrationOffsets {
  double x_mm = 0;
  double y_mm = 0;
};
CalibrationOffsets CorrectedOffsets(CalibrationOffsets current, double measured_left_mm,
                                    double measured_top_mm);

}  // namespace vellomir
