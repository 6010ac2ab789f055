#include "support/decode.h"

#include "output/zxing_symbol_reader.h"

namespace vellomir::test {

std::optional<Decoded> DecodeWithZXing(const QImage& image, const std::string& format_name) {
  const auto reading = ReadSymbolWithZXing(image, format_name);
  if (!reading) return std::nullopt;
  return Decoded{reading->text, reading->format};
}

std::optional<Decoded> DecodeFileWithZXing(const std::string& png_path,
                                           const std::string& format_name) {
  QImage img(QString::fromStdString(png_path));
  if (img.isNull()) return std::nullopt;
  return DecodeWithZXing(img, format_name);
}

}  // namespace vellomir::test
