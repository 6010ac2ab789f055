#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text helpers shared by every part of the program. All text inside the program is UTF-8;
// "characters" are code points, as a user counts them.
namespace vellomir {

std::u32string ToCodePoints(std::string_view utf8);
std::string FromCodePoints(std::u32string_view cps);
std::size_t CodePointCount(std::string_view utf8);

// Leading and trailing blanks (spaces and tabs) removed.
std::string Trim(std::string_view text);

// The number the trimmed text begins with: sign, digits, one decimal point, an exponent;
// blanks between these are skipped; 0 when the text begins with no number. A number beyond a
// double's range is an infinity of its sign; one too small for a double is 0.
double NumericValue(std::string_view text);

// Nearest integer, halves to the even neighbour (282.5 -> 282, 847.5 -> 848).
double RoundHalfEven(double value);

// Rounded value when it fits the integer type, nothing otherwise.
std::optional<int16_t> ToInt16(double value);
std::optional<int32_t> ToInt32(double value);

// The record separator of every file the program writes.
inline constexpr std::string_view kFieldSeparator = ",,;";

// Splits at every ",,;". An empty line gives no pieces; a line ending in the separator gives
// an empty last piece.
std::vector<std::string> SplitFields(std::string_view line);

// Number of elements of a split line.
inline std::size_t CountItems(const std::vector<std::string>& list) { return list.size(); }

}  // namespace vellomir
