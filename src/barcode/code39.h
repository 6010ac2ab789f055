#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "barcode/painter.h"

namespace vellomir {

struct Code39Entry {
  char32_t character;
  const char* modules;
};
using Code39Table = std::array<Code39Entry, 44>;

// The 43 characters of Code 39 in check-value order, then "*" (start/stop only).
const Code39Table& BuildCode39Table();

// A character's place in the table, which is its check value; a character Code 39 lacks is
// encoded as "0" and counts as 0.
int Code39Index(char32_t c);

// The check character a symbol of this data carries: the sum of the values modulo 43.
char32_t Code39CheckCharacter(const std::string& data);

SymbolPattern EncodeCode39(const std::string& data, int16_t withCheck);

void PaintCode39(const std::string& data, DrawingSurface& surface, int16_t withCheck,
                 int16_t withText, int16_t fontSize, int32_t& x, int32_t y, int16_t moduleWidth,
                 int16_t barHeight);

}  // namespace vellomir
