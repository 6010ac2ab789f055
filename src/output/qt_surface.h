#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <cstdint>
#include <string>

#include "platform/drawing_surface.h"
#include "platform/recording_surface.h"

// Drawing through QPainter: PNG images, SVG files, PDF pages, printers and the preview.
namespace vellomir {

// Maps the Windows faces that label files name onto the installed twins. Call once at start.
void InstallFontSubstitutions();

// A white image of width x height pixels that says it has `dpi` dots per inch: to draw on at
// that resolution or, one pixel, to measure text for it.
QImage WhiteImageAt(int width, int height, double dpi,
                    QImage::Format format = QImage::Format_RGB32);

QFont ToQFont(const FontState& font);

// Qt's text metrics at a given resolution, for recording surfaces that stand for a device.
// The resolution text is measured at when no device is at hand (a check before printing):
// one dot a twip, so widths come out exact.
inline constexpr double kTextMetricsDpi = 1440;

class QtTextMetrics : public TextMetrics {
 public:
  explicit QtTextMetrics(double dpi);
  double Width(const std::string& text, const FontState& font) const override;
  double Height(const FontState& font) const override;

 private:
  double dpi_;
  QImage device_;  // stands for the device the text is measured for
};

// Most bytes of a picture file the program opens, and most pixels its header may claim: far
// beyond a 100-megapixel photograph, short of what a wrong or hostile file could make it read.
inline constexpr std::uint64_t kMostPictureFileBytes = 512ull * 1024 * 1024;
inline constexpr std::int64_t kMostPictureSourcePixels = 1'000'000'000;
// Most pixels and bytes of a picture as loaded (decoded and scaled): far beyond what a label
// shows, well below what would take the machine's memory. A larger file is read scaled down
// to fit.
inline constexpr std::uint64_t kMostPictureBytes = 64ull * 1024 * 1024;
inline constexpr std::int64_t kMostPicturePixels = 40'000'000;

struct LoadedPicture {
  QImage image;         // null when the file does not load
  QSize natural;        // the file's own pixels, when it loads
  std::string problem;  // when it does not, why not, in the program's words
};

// The pixels a picture is loaded at when `most` pixels (across, down) are wanted: no more than
// the file holds, and within kMostPicturePixels and kMostPictureBytes. An empty `most` wants
// all the file holds.
QSize PictureLoadSize(QSize natural, QSize most);

// A picture file loaded for drawing at PictureLoadSize(its size, most). It is opened by the
// program itself (a regular file of at most kMostPictureFileBytes, without blocking) and read by
// Qt's image readers, scaled while it is read where the format allows (a PNG row by row, a JPEG
// at a fraction of its size), so a picture of any size costs the pixels it is shown at; the
// readers' own warnings (libpng's, libjpeg's) are kept off standard error. A file cut short is
// a problem, not a picture half grey. What was loaded is kept, by path, size and change time
// of the file, so a run or a window reads each file once while it stays unchanged on disk.
LoadedPicture LoadPictureFile(const std::string& path, QSize most = {});

// Natural picture sizes read through LoadPictureFile.
class QtPictureProbe : public PictureProbe {
 public:
  std::optional<PictureSize> NaturalSize(const std::string& path) const override;
  std::string Problem(const std::string& path) const override;
};

// Draws in twips on a painter's device; origin_twips moves the surface's (0, 0) on the device.
// dots_per_inch is the resolution of the device the drawing is made for (a printer, the pixels
// of an image): when above 0, symbols are laid on its whole dots (SymbolOnDots), counted from
// the device's origin; 0 keeps exact units, as the preview and a PDF for no printer in
// particular do. The painter's own device may be finer than the dots (a PDF page of 1440 units
// per inch made for a 203-dpi printer).
class QtSurface : public DrawingSurface, public DisplayTarget {
 public:
  explicit QtSurface(QPainter& painter, QPointF origin_twips = {0, 0}, double dots_per_inch = 0);

  double DotsPerInch() const { return dots_per_inch_; }
  void SetDotsPerInch(double dots_per_inch) { dots_per_inch_ = dots_per_inch; }
  // Black boxes fill every pixel they touch, as Ghostscript and the print drivers built on it
  // rasterise a PDF's rectangles: bars come out up to a pixel wider, spaces narrower.
  void SetFillTouchedPixels(bool on) { fill_touched_ = on; }

  std::optional<PictureSize> LoadPicture(const std::string& path) override;
  void DrawPicture(const std::string& path, double left, double top, double width,
                   double height) override;

  void ReplayBox(const BoxOp& op) override;
  void ReplayText(const TextOp& op) override;
  void ReplayPicture(const PictureOp& op) override;
  void ReplayClear() override;
  void ReplayBars(const SymbolOp& op) override;

 protected:
  void FillBox(double x, double y, double w, double h, int colour) override;
  void DrawText(double x, double y, const std::string& text, const FontState& font) override;
  double TextWidth(const std::string& text, const FontState& font) override;
  double LineHeight(const FontState& font) override;
  void Erase() override;
  DeviceDots DotsOfDevice() const override;
  void FillDots(const std::vector<DotBox>& boxes, double dots_per_inch) override;

 private:
  QPointF ToDevice(double x, double y) const;
  double dpi_x() const;
  double dpi_y() const;

  QPainter& painter_;
  QPointF origin_;
  bool fill_touched_ = false;
  double dots_per_inch_ = 0;
};

}  // namespace vellomir
