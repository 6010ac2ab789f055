#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "barcode/painter.h"

namespace vellomir {

// A character and its seven elements, bars and spaces alternating from a bar, "1" wide.
struct CodabarEntry {
  char32_t character;
  std::string_view elements;
};
using CodabarTable = std::array<CodabarEntry, 25>;

// Digits, + - * / $ . :, the start/stop letters A..D and a..d (drawn alike). "*" is a
// four-wide pattern of this program's own.
const CodabarTable& BuildCodabarTable();

inline constexpr int kCodabarTextGap = 57;

// The data's characters joined by a narrow space; start/stop letters come from the data itself.
// Refused when the data does not fit the index list.
SymbolPattern EncodeCodabar(const std::string& data);

}  // namespace vellomir
