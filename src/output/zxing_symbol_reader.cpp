#include "output/zxing_symbol_reader.h"

#include <cmath>

#include "barcode/barcode_kinds.h"
#include "barcode/zint_symbols.h"
#include "output/zbar_symbol_reader.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

namespace vellomir {

namespace {

// Pages larger than this are not drawn: no label's symbol needs it, and memory is finite.
constexpr double kMaxPixels = 100e6;

// Text widths do not matter where nothing can be drawn.
const FixedPitchMetrics kNoMetrics(0);

}  // namespace

const char* ZXingFormatOf(int kind) {
  const BarcodeKindRow* row = BarcodeKindAt(kind);
  return row != nullptr ? row->zxing_format : "";
}

std::optional<ZXingReading> ReadSymbolWithZXing(const QImage& image, const std::string& format) {
  const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
  ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(), ZXing::ImageFormat::Lum,
                        static_cast<int>(gray.bytesPerLine()));
  ZXing::DecodeHints hints;
  hints.setTryHarder(true);
  hints.setTryRotate(false);
  hints.setReturnCodabarStartEnd(true);
  if (!format.empty()) hints.setFormats(ZXing::BarcodeFormatFromString(format));
  const ZXing::Result r = ZXing::ReadBarcode(view, hints);
  if (!r.isValid()) return std::nullopt;
  std::string text = r.text();
  // A GS1 symbol's leading FNC1 shows only in its symbology identifier (Code 128 "]C1", Data
  // Matrix "]d2", QR Code "]Q3"): it is written as the GS that every later FNC1 reads as.
  const std::string id = r.symbologyIdentifier();
  if (id == "]C1" || id == "]d2" || id == "]Q3") text.insert(text.begin(), kGs1Separator);
  return ZXingReading{text, ZXing::ToString(r.format())};
}

ZXingSymbolReader::ZXingSymbolReader() = default;
ZXingSymbolReader::~ZXingSymbolReader() { Finish(); }

void ZXingSymbolReader::Finish() {
  surface_.reset();
  if (painter_ && painter_->isActive()) painter_->end();
  painter_.reset();
}

DrawingSurface& ZXingSymbolReader::NewPage(const TwipArea& area, double dots_per_inch,
                                           bool on_dots) {
  Finish();
  area_ = area;
  dpi_ = dots_per_inch;
  const double w = std::ceil((area.right - area.left) * dots_per_inch / 1440.0);
  const double h = std::ceil((area.bottom - area.top) * dots_per_inch / 1440.0);
  if (!(dots_per_inch > 0) || !(w >= 1) || !(h >= 1) || w * h > kMaxPixels) {
    image_ = QImage();
    nowhere_ = std::make_unique<RecordingSurface>(kNoMetrics);
    return *nowhere_;
  }
  image_ = WhiteImageAt(static_cast<int>(w), static_cast<int>(h), dots_per_inch,
                        QImage::Format_Grayscale8);
  painter_ = std::make_unique<QPainter>(&image_);
  surface_ = std::make_unique<QtSurface>(*painter_, QPointF(-area.left, -area.top),
                                         on_dots ? dots_per_inch : 0);
  // A PDF in exact units reaches the printer through a driver's rasteriser.
  surface_->SetFillTouchedPixels(!on_dots);
  return *surface_;
}

QImage ZXingSymbolReader::Crop(const TwipArea& area) {
  Finish();
  if (image_.isNull()) return {};
  const double scale = dpi_ / 1440.0;
  const QRect want(QPoint(static_cast<int>(std::floor((area.left - area_.left) * scale)),
                          static_cast<int>(std::floor((area.top - area_.top) * scale))),
                   QPoint(static_cast<int>(std::ceil((area.right - area_.left) * scale)) - 1,
                          static_cast<int>(std::ceil((area.bottom - area_.top) * scale)) - 1));
  const QRect crop = want.intersected(image_.rect());
  if (crop.isEmpty()) return {};
  return image_.copy(crop);
}

std::optional<std::string> ZXingSymbolReader::Read(const TwipArea& area, int kind) {
  const QImage symbol = Crop(area);
  if (symbol.isNull()) return std::nullopt;
  const auto reading = ReadSymbolWithZXing(symbol, ZXingFormatOf(kind));
  if (!reading) return std::nullopt;
  return reading->text;
}

std::vector<DecoderReading> ZXingSymbolReader::ReadEach(const TwipArea& area, int kind) {
  std::vector<DecoderReading> readings = {DecoderReading{"ZXing", Read(area, kind)}};
  if (ZbarReadsKind(kind)) {
    // Two different texts where one symbol was drawn is a misread: both are told.
    std::optional<std::string> text;
    for (const std::string& found : ReadSymbolsWithZbar(Crop(area), kind))
      if (!text)
        text = found;
      else if (*text != found)
        *text += " / " + found;
    readings.push_back(DecoderReading{"zbar", text});
  }
  return readings;
}

}  // namespace vellomir
