#pragma once

#include <QImage>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

// Reading painted symbols back with the decoders a scanner would use.
namespace vellomir::test {

struct Decoded {
  std::string text;
  std::string format;  // ZXing's name of the symbology, e.g. "Code39", "EAN-13"
};

// One 1-D symbol in the image (give a crop that holds only one). Nothing when unreadable.
// format_name restricts the decoder to one ZXing format name ("Code39", "EAN13", ...).
std::optional<Decoded> DecodeWithZXing(const QImage& image, const std::string& format_name = "");
std::optional<Decoded> DecodeFileWithZXing(const std::string& png_path,
                                           const std::string& format_name = "");

// Every symbol zbar finds in the image, as "TYPE:data" texts (UPC-A/UPC-E enabled).
std::vector<std::string> DecodeAllWithZbar(const QImage& image);

// The image as a print head with one dot of ink spread prints it: every dark run one pixel
// wider to the right, every light run one narrower. Grey.
inline QImage SpreadInkByOneDot(const QImage& image) {
  QImage out = image.convertToFormat(QImage::Format_Grayscale8);
  for (int y = 0; y < out.height(); ++y) {
    uchar* line = out.scanLine(y);
    for (int x = out.width() - 1; x > 0; --x) line[x] = std::min(line[x], line[x - 1]);
  }
  return out;
}

// Bars and spaces along row y of a printed label, in dots, from the first dark dot to the last:
// bars at even places, spaces at odd ones.
inline std::vector<int> RunsAlong(const QImage& image, int y) {
  const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  const uchar* line = grey.constScanLine(y);
  std::vector<int> runs;
  int x = 0, end = grey.width();
  while (x < end && line[x] >= 128) ++x;
  while (end > x && line[end - 1] >= 128) --end;
  for (int from = x; x <= end; ++x)
    if (x == end || (line[x] < 128) != (line[from] < 128)) runs.push_back(x - from), from = x;
  return runs;
}

}  // namespace vellomir::test
