#include "barcode/barcode_kinds.h"

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/ean_upc.h"
#include "barcode/interleaved_2of5.h"
#include "barcode/upc_e.h"

namespace vellomir {

namespace {

using EncodeFn = SymbolPattern (*)(const std::string& data, int16_t withCheck);

// Encoders by kind; a kind without one is not built yet.
EncodeFn EncoderOf(int kind) {
  switch (kind) {
    case 0:
      return &EncodeCode39;
    // The EAN/UPC family always computes its check digit: withCheck does not reach it.
    case 1:
      return [](const std::string& data, int16_t) { return EncodeEan13(data); };
    case 2:
      return [](const std::string& data, int16_t) { return EncodeEan8(data); };
    case 3:
      return [](const std::string& data, int16_t) { return EncodeUpcA(data); };
    case 4:
      return [](const std::string& data, int16_t) { return EncodeUpcE(data); };
    case 5:
      return [](const std::string& data, int16_t) { return EncodeUpcA2E(data); };
    // Interleaved 2 of 5 and Codabar have no check character.
    case 6:
      return [](const std::string& data, int16_t) { return EncodeInter25(data); };
    case 7:
      return [](const std::string& data, int16_t) { return EncodeCodabar(data); };
    case 8:
      return [](const std::string& data, int16_t withCheck) {
        return EncodeCode128(data, withCheck).pattern;
      };
    default:
      return nullptr;
  }
}

}  // namespace

std::optional<int> BarcodeKindFromText(std::string_view text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '8') return text[0] - '0';
  for (std::size_t i = 0; i < kBarcodeKindNames.size(); ++i)
    if (kBarcodeKindNames[i] == text) return static_cast<int>(i);
  return std::nullopt;
}

bool IsBarcodeKindBuilt(int kind) { return EncoderOf(kind) != nullptr; }

bool PaintBarcode(int kind, const std::string& data, DrawingSurface& surface, int16_t withCheck,
                  int16_t withText, int16_t fontSize, int32_t& x, int32_t y, int16_t moduleWidth,
                  int16_t barHeight) {
  switch (kind) {
    case 0:
      PaintCode39(data, surface, withCheck, withText, fontSize, x, y, moduleWidth, barHeight);
      return true;
    case 1:
      PaintEan13(data, surface, withText, fontSize, x, y, moduleWidth, barHeight);
      return true;
    case 2:
      PaintEan8(data, surface, withText, fontSize, x, y, moduleWidth, barHeight);
      return true;
    case 3:
      PaintUpcA(data, surface, withText, fontSize, x, y, moduleWidth, barHeight);
      return true;
    case 4:
      PaintUpcE(data, surface, withText, fontSize, x, y, moduleWidth, barHeight);
      return true;
    case 5:
      PaintUpcA2E(data, surface, withText, fontSize, x, y, moduleWidth, barHeight);
      return true;
    case 6: {
      std::string padded = data;  // the painter writes its padding back
      PaintInter25(padded, surface, withText, fontSize, x, y, moduleWidth, barHeight);
      return true;
    }
    case 7:
      PaintCodabar(data, surface, withText, fontSize, x, y, moduleWidth, barHeight);
      return true;
    case 8:
      PaintCode128(data, surface, withCheck, withText, fontSize, x, y, moduleWidth, barHeight);
      return true;
    default:
      return false;
  }
}

std::optional<SymbolPattern> EncodeBarcode(int kind, const std::string& data, int16_t withCheck) {
  EncodeFn fn = EncoderOf(kind);
  if (fn == nullptr) return std::nullopt;
  return fn(data, withCheck);
}

}  // namespace vellomir
