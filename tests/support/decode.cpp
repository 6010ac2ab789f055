#include "support/decode.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

namespace vellomir::test {

std::optional<Decoded> DecodeWithZXing(const QImage& image, const std::string& format_name) {
  const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
  ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(), ZXing::ImageFormat::Lum,
                        static_cast<int>(gray.bytesPerLine()));
  ZXing::DecodeHints hints;
  hints.setTryHarder(true);
  hints.setTryRotate(false);
  hints.setReturnCodabarStartEnd(true);
  if (!format_name.empty()) hints.setFormats(ZXing::BarcodeFormatFromString(format_name));
  const ZXing::Result r = ZXing::ReadBarcode(view, hints);
  if (!r.isValid()) return std::nullopt;
  return Decoded{r.text(), ZXing::ToString(r.format())};
}

std::optional<Decoded> DecodeFileWithZXing(const std::string& png_path,
                                           const std::string& format_name) {
  QImage img(QString::fromStdString(png_path));
  if (img.isNull()) return std::nullopt;
  return DecodeWithZXing(img, format_name);
}

}  // namespace vellomir::test
