#include "scan_zbar.h"

#include <zbar.h>

namespace vellomir::bench {

std::vector<std::string> ReadWithZbar(const QImage& image) {
  using namespace zbar;
  const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
  const int w = gray.width(), h = gray.height();
  std::vector<unsigned char> buf(static_cast<std::size_t>(w) * h);
  for (int row = 0; row < h; ++row)
    std::copy_n(gray.constScanLine(row), w, buf.begin() + static_cast<std::ptrdiff_t>(row) * w);
  zbar_image_scanner_t* scanner = zbar_image_scanner_create();
  zbar_image_scanner_set_config(scanner, ZBAR_NONE, ZBAR_CFG_ENABLE, 1);
  zbar_image_scanner_set_config(scanner, ZBAR_UPCA, ZBAR_CFG_ENABLE, 1);
  zbar_image_scanner_set_config(scanner, ZBAR_UPCE, ZBAR_CFG_ENABLE, 1);
  zbar_image_t* img = zbar_image_create();
  zbar_image_set_format(img, zbar_fourcc('Y', '8', '0', '0'));
  zbar_image_set_size(img, w, h);
  zbar_image_set_data(img, buf.data(), buf.size(), nullptr);
  zbar_scan_image(scanner, img);
  std::vector<std::string> out;
  for (const zbar_symbol_t* s = zbar_image_first_symbol(img); s; s = zbar_symbol_next(s))
    out.push_back(zbar_symbol_get_data(s));
  zbar_image_destroy(img);
  zbar_image_scanner_destroy(scanner);
  return out;
}

}  // namespace vellomir::bench
