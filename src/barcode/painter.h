#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/drawing_surface.h"

// What every painter shares: a painter first encodes its data into a pattern text, then the
// pattern is drawn box by box and the human-readable line is printed under it.
namespace vellomir {

enum class PatternKind {
  kModules,   // each "1"/"0" is one module, black/white, moduleWidth wide
  kElements,  // each character is a whole bar or space: "1" wide, "0" narrow; colours alternate
  // A 2-D symbol: each segment is one row of square modules ("1" black), its quiet zone
  // included; the bar height is not used and no human-readable line is printed.
  kMatrix,
};

// The clear space Code 39, Code 128, Interleaved 2 of 5 and Codabar ask on each side, in modules;
// EAN and UPC ask 11 (kEanQuietModules).
inline constexpr int kQuietModules = 10;
inline constexpr int kEanQuietModules = 11;

struct PatternSegment {
  std::string bits;
  int extra_height = 0;   // added to barHeight: EAN/UPC guards and the element symbologies
  int extra_advance = 1;  // x advances by the box width plus this
};

struct SymbolPattern {
  PatternKind kind = PatternKind::kModules;
  std::vector<PatternSegment> segments;
  std::string text;  // the human-readable line, exactly as printed
  int gap = 57;      // G: the text top lies 2 x G below the nominal bars
  bool start_x_16bit = true;
  // The data is beyond what the painter can encode (too long for its lists): nothing is drawn.
  bool refused = false;
  // Why it was refused, in the encoder's own words when it has some.
  std::string error;
  // The fewest dots a module may take on a printer (see kEanMinModuleDots).
  int min_module_dots = 1;
  // Above 0: a module string of a two-width symbology, whose runs of this many modules or more
  // are its wide elements and shorter runs its narrow ones. On dots each run is then one
  // element, narrow bars and spaces alike, wide ones dot_wide_ratio narrow ones.
  int wide_modules = 0;
  // See SymbolBars::dot_wide_ratio and SymbolBars::wide_floor.
  double dot_wide_ratio = 0;
  WideFloor wide_floor{};
  // See SymbolBars::quiet_modules.
  int quiet_modules = kQuietModules;

  std::string Bits() const;
  void Append(std::string bits, int extra_height = 0, int extra_advance = 1);
};

// EAN and UPC tell 1 from 7 and 2 from 8 by the widths of their two bars alone, a module
// apart in each. With modules of 2 dots, one dot of ink spread on each bar closes that gap,
// and 2 dots at 203 dpi (0.25 mm) is below the smallest module these symbols allow (0.264
// mm) anyway; 3 dots keep half a module of room.
inline constexpr int kEanMinModuleDots = 3;

inline constexpr int kTextGap = 57;

inline constexpr int kIndexListSize = 500;  // positions of the character index list
inline constexpr const char* kHumanReadableFont = "Courier New";

// Draws the pattern from (x, y) and prints its text when withText = 1. Advances x. Input that
// would overflow the painters' integer widths draws nothing and leaves x unchanged.
// Returns whether anything was drawn.
bool DrawSymbol(const SymbolPattern& pattern, DrawingSurface& surface, int16_t withText,
                int16_t fontSize, int32_t& x, int32_t y, int16_t moduleWidth, int16_t barHeight);

// Numeric value of one character for the digit-based symbologies: a digit gives 0..9, any
// other character 0.
inline int DigitValue(char32_t c) { return (c >= U'0' && c <= U'9') ? int(c - U'0') : 0; }

}  // namespace vellomir
