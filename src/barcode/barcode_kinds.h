#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "barcode/painter.h"

// The nine barcode kinds by their index in the kind list, and the painter of each.
namespace vellomir {

inline constexpr std::array<std::string_view, 9> kBarcodeKindNames = {
    "Code-39", "EAN-13", "EAN-8", "UPC-A", "UPC-E", "UPC-A2E", "INT-25", "CODABAR", "Code-128"};

// "0".."8" or a list text; nothing for anything else.
std::optional<int> BarcodeKindFromText(std::string_view text);

// Code 128 reads on no scanner without its check character, so the label renderer and the
// barcode command paint it with one whatever the rule's option says; the painter itself still
// follows its withCheck argument.
inline constexpr bool IsCheckCharacterRequired(int kind) { return kind == 8; }

// Whether the kind has a painter in this build.
bool IsBarcodeKindBuilt(int kind);

// Calls the painter of the kind as the renderer does: the long form gets withCheck, the short
// form does not. Returns false when the kind has no painter (nothing is drawn).
bool PaintBarcode(int kind, const std::string& data, DrawingSurface& surface, int16_t withCheck,
                  int16_t withText, int16_t fontSize, int32_t& x, int32_t y, int16_t moduleWidth,
                  int16_t barHeight);

// The pattern the painter of the kind would draw for the data.
std::optional<SymbolPattern> EncodeBarcode(int kind, const std::string& data, int16_t withCheck);

}  // namespace vellomir
