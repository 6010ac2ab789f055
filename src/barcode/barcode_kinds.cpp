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
  // Every painter is its encoder followed by the shared drawing, so the encoder table serves
  // as the painter table. Interleaved 2 of 5's padding stays in the pattern: the caller's data
  // is not written back, as the renderer discards it anyway.
  const std::optional<SymbolPattern> pattern = EncodeBarcode(kind, data, withCheck);
  if (!pattern) return false;
  DrawSymbol(*pattern, surface, withText, fontSize, x, y, moduleWidth, barHeight);
  return true;
}

std::optional<SymbolPattern> EncodeBarcode(int kind, const std::string& data, int16_t withCheck) {
  EncodeFn fn = EncoderOf(kind);
  if (fn == nullptr) return std::nullopt;
  return fn(data, withCheck);
}

}  // namespace vellomir
