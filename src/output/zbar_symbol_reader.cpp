#include "output/zbar_symbol_reader.h"

#include <zbar.h>

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "barcode/barcode_kinds.h"

namespace vellomir {

namespace {

using namespace zbar;  // its C interface, in a namespace under C++

struct ZbarKind {
  BarcodeKind kind;
  zbar_symbol_type_t type;
  zbar_symbol_type_t decoded_as = ZBAR_NONE;  // the symbology zbar decodes it through, if other
};

// The one symbology zbar reports per barcode kind; kinds not listed are not asked. Only the
// kind's own symbology is on, so an EAN-13 beginning with 0 is not reported as a UPC-A.
constexpr std::array kZbarKinds = {
    ZbarKind{BarcodeKind::kCode39, ZBAR_CODE39},
    ZbarKind{BarcodeKind::kEan13, ZBAR_EAN13},
    ZbarKind{BarcodeKind::kEan8, ZBAR_EAN8},
    ZbarKind{BarcodeKind::kUpcA, ZBAR_UPCA, ZBAR_EAN13},
    ZbarKind{BarcodeKind::kUpcE, ZBAR_UPCE},
    ZbarKind{BarcodeKind::kUpcA2E, ZBAR_UPCE},
    ZbarKind{BarcodeKind::kInterleaved2of5, ZBAR_I25},
    ZbarKind{BarcodeKind::kCodabar, ZBAR_CODABAR},
    ZbarKind{BarcodeKind::kCode128, ZBAR_CODE128},
};

const ZbarKind* Find(int kind) {
  for (const ZbarKind& k : kZbarKinds)
    if (static_cast<int>(k.kind) == kind) return &k;
  return nullptr;
}

struct ScannerDeleter {
  void operator()(zbar_image_scanner_t* s) const { zbar_image_scanner_destroy(s); }
};
struct ImageDeleter {
  void operator()(zbar_image_t* i) const { zbar_image_destroy(i); }
};

}  // namespace

bool ZbarReadsKind(int kind) { return Find(kind) != nullptr; }

namespace {

// The symbols zbar finds in the image with the symbologies `configure` turns on.
template <typename Configure>
std::vector<std::pair<zbar_symbol_type_t, std::string>> Scan(const QImage& image,
                                                             Configure configure) {
  std::vector<std::pair<zbar_symbol_type_t, std::string>> out;
  if (image.isNull()) return out;
  const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
  const int w = gray.width(), h = gray.height();
  std::vector<unsigned char> buf(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int row = 0; row < h; ++row)
    std::copy_n(gray.constScanLine(row), w, buf.begin() + static_cast<std::ptrdiff_t>(row) * w);

  std::unique_ptr<zbar_image_scanner_t, ScannerDeleter> scanner(zbar_image_scanner_create());
  configure(scanner.get());
  std::unique_ptr<zbar_image_t, ImageDeleter> img(zbar_image_create());
  zbar_image_set_format(img.get(), zbar_fourcc('Y', '8', '0', '0'));
  zbar_image_set_size(img.get(), static_cast<unsigned>(w), static_cast<unsigned>(h));
  zbar_image_set_data(img.get(), buf.data(), buf.size(), nullptr);
  if (zbar_scan_image(scanner.get(), img.get()) <= 0) return out;
  for (const zbar_symbol_t* s = zbar_image_first_symbol(img.get()); s != nullptr;
       s = zbar_symbol_next(s))
    out.emplace_back(zbar_symbol_get_type(s), zbar_symbol_get_data(s));
  return out;
}

}  // namespace

std::vector<std::string> ReadSymbolsWithZbar(const QImage& image, int kind) {
  std::vector<std::string> out;
  const ZbarKind* k = Find(kind);
  if (k == nullptr) return out;
  const auto found = Scan(image, [k](zbar_image_scanner_t* scanner) {
    zbar_image_scanner_set_config(scanner, ZBAR_NONE, ZBAR_CFG_ENABLE, 0);
    zbar_image_scanner_set_config(scanner, k->type, ZBAR_CFG_ENABLE, 1);
    if (k->decoded_as != ZBAR_NONE)
      zbar_image_scanner_set_config(scanner, k->decoded_as, ZBAR_CFG_ENABLE, 1);
    // Short Interleaved 2 of 5 and Codabar are valid data too; zbar leaves them out by default.
    if (k->type == ZBAR_I25 || k->type == ZBAR_CODABAR)
      zbar_image_scanner_set_config(scanner, k->type, ZBAR_CFG_MIN_LEN, 1);
  });
  for (const auto& [type, text] : found)
    if (type == k->type) out.push_back(text);
  return out;
}

std::vector<std::string> ReadEverySymbolWithZbar(const QImage& image) {
  std::vector<std::string> out;
  const auto found = Scan(image, [](zbar_image_scanner_t* scanner) {
    zbar_image_scanner_set_config(scanner, ZBAR_NONE, ZBAR_CFG_ENABLE, 1);
    zbar_image_scanner_set_config(scanner, ZBAR_UPCA, ZBAR_CFG_ENABLE, 1);
    zbar_image_scanner_set_config(scanner, ZBAR_UPCE, ZBAR_CFG_ENABLE, 1);
  });
  for (const auto& [type, text] : found) out.push_back(zbar_get_symbol_name(type) + (":" + text));
  return out;
}

}  // namespace vellomir
