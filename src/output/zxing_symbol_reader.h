#pragma once

#include <QImage>
#include <QPainter>
#include <memory>
#include <optional>
#include <string>

#include "output/qt_surface.h"
#include "platform/symbol_reader.h"

// Symbols read back from an image of the page with ZXing-cpp, as the print run's check does.
namespace vellomir {

// ZXing's name for the format of a barcode kind ("EAN13", "Code128", "QRCode", ...); "" for
// others.
const char* ZXingFormatOf(int kind);

struct ZXingReading {
  std::string text;
  std::string format;  // ZXing's name of the symbology it read, e.g. "EAN-13"
};

// The one symbol in the image (give a crop that holds only one), read as a scanner would:
// trying harder, not rotated, Codabar with its start and stop letters, a GS1 symbol's leading
// FNC1 as a GS. `format` is a ZXing
// format name, "" for any. Nothing when it does not read.
std::optional<ZXingReading> ReadSymbolWithZXing(const QImage& image,
                                                const std::string& format = "");

// Reads with ZXing-cpp (Read) and, for ReadEach, with zbar as well.
class ZXingSymbolReader : public SymbolReader {
 public:
  ZXingSymbolReader();
  ~ZXingSymbolReader() override;

  DrawingSurface& NewPage(const TwipArea& area, double dots_per_inch, bool on_dots) override;
  std::optional<std::string> Read(const TwipArea& area, int kind) override;
  std::vector<DecoderReading> ReadEach(const TwipArea& area, int kind) override;
  const TextMetrics* Metrics() const override { return &metrics_; }
  const PictureProbe* Pictures() const override { return &pictures_; }


 private:
  void Finish();
  // The part of the page that holds the area; a null image when none does.
  QImage Crop(const TwipArea& area);

  QImage image_;
  TwipArea area_;
  double dpi_ = 0;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QtSurface> surface_;
  std::unique_ptr<RecordingSurface> nowhere_;
  QtTextMetrics metrics_{1440};
  QtPictureProbe pictures_;
};

}  // namespace vellomir
