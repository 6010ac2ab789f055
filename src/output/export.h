#pragma once

#include <functional>
#include <optional>
#include <string>

#include "output/qt_surface.h"
#include "platform/recording_surface.h"

// Writing a drawing to a PNG, SVG or PDF file. The file appears whole or not at all.
namespace vellomir {

enum class ExportFormat { kPng, kSvg, kPdf };

// By the file's extension (case-insensitive); nothing for any other.
std::optional<ExportFormat> ExportFormatOf(const std::string& path);

struct TwipRect {
  double left = 0, top = 0, right = 0, bottom = 0;
  bool empty = true;
  void Include(double l, double t, double r, double b);
};

// Area covered by what was recorded, text and pictures included (see DrawnArea).
TwipRect RecordedExtent(const RecordingSurface& surface, const TextMetrics& metrics,
                        double dots_per_inch = 0);

// Most pixels a PNG export holds (about 400 MB while it is drawn); a larger picture is drawn at
// a lower resolution instead.
inline constexpr double kMaxExportPixels = 100e6;

// The resolution a PNG of width x height twips is drawn at: dpi, or lower when the picture
// would pass kMaxExportPixels.
double CappedDpi(double width_twips, double height_twips, double dpi);

// Draws into a page of width x height twips, white behind, at dpi (PNG, whose pixels are the
// dots symbols are laid on; SVG keeps vector geometry at that resolution, PDF is exact). The
// surface's (0, 0) lies at origin_twips on the page. The file is drawn in memory and written
// whole through an OutputFile: a failed write leaves the old file as it was. Returns an error
// text, empty on success; `note` gets a line when the resolution had to be lowered.
std::string ExportDrawing(const std::string& path, double width_twips, double height_twips,
                          double dpi, const std::function<void(DrawingSurface&)>& draw,
                          QPointF origin_twips = {0, 0}, std::string* note = nullptr);

}  // namespace vellomir
