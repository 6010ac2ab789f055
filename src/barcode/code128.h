#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "barcode/painter.h"

namespace vellomir {

// One symbol value 0..102: its 11 modules and what it stands for in each code set. Values
// 96..102 name their function or code-set character in sets A and B; set C has no text for
// 100..102.
struct Code128Entry {
  std::string_view pattern;
  std::string_view set_a;
  std::string_view set_b;
  std::string_view set_c;
};
using Code128Table = std::array<Code128Entry, 103>;

const Code128Table& BuildCode128Table();

inline constexpr int kCode128StartA = 103;
inline constexpr int kCode128StartB = 104;
inline constexpr int kCode128StartC = 105;
inline constexpr int kCode128CodeC = 99;
inline constexpr int kCode128CodeB = 100;
inline constexpr int kCode128CodeA = 101;
inline constexpr std::string_view kCode128StartAPattern = "11010000100";
inline constexpr std::string_view kCode128StartBPattern = "11010010000";
inline constexpr std::string_view kCode128StartCPattern = "11010011100";
inline constexpr std::string_view kCode128StopPattern = "1100011101011";  // with its final bar

enum class Code128Set { kA, kB, kC };

// One data symbol character: a value 0..102 and the set it was taken from.
struct Code128Symbol {
  int value;
  Code128Set set;
  bool operator==(const Code128Symbol&) const = default;
};

// Room of the encoded symbol list: data symbol characters, code-set characters not counted.
inline constexpr std::size_t kCode128ListSize = 500;

// The data symbol characters the greedy rule picks for the data, in order. Characters in
// neither set A nor B are skipped. Nothing when they would not fit the list.
std::optional<std::vector<Code128Symbol>> ChooseCode128Symbols(const std::string& data);

struct Code128Encoding {
  // Every symbol character as drawn before the stop: start, code-set characters, data values
  // and the check character when asked. Data that yields no data characters has no start.
  std::vector<int> values;
  SymbolPattern pattern;
};

Code128Encoding EncodeCode128(const std::string& data, int16_t withCheck);

void PaintCode128(const std::string& data, DrawingSurface& surface, int16_t withCheck,
                  int16_t withText, int16_t fontSize, int32_t& x, int32_t y, int16_t moduleWidth,
                  int16_t barHeight);

}  // namespace vellomir
