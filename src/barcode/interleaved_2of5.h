#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "barcode/painter.h"

namespace vellomir {

// Digit patterns 0..9 of five elements each, "1" wide and "0" narrow, exactly two wide.
using Inter25Table = std::array<std::string_view, 10>;

const Inter25Table& BuildInter25Table();

inline constexpr std::string_view kInter25Start = "0000";
inline constexpr std::string_view kInter25Stop = "100";
inline constexpr int kInter25TextGap = 58;
inline constexpr std::size_t kInter25MaxPairs = 20;

// The data padded to an even number of characters with a leading "0".
std::string PadInter25(const std::string& data);

// The element string of the padded data, which is also the pattern's text. Refused when the
// padded data holds more pairs than the pair lists.
SymbolPattern EncodeInter25(const std::string& data);

// Writes the padded data back into data, unless nothing could be drawn.
void PaintInter25(std::string& data, DrawingSurface& surface, int16_t withText, int16_t fontSize,
                  int32_t& x, int32_t y, int16_t moduleWidth, int16_t barHeight);

}  // namespace vellomir
