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

// CP950 (Big5 as the Traditional Chinese ANSI code page) and UTF-8. The user-defined
// characters (造字) of CP950, lead bytes 0x81-0xA0 and 0xFA-0xFE, map onto Unicode's private
// use area as the old platform's table mapped them, and back, so files holding them open and
// save byte for byte; every other code goes through the C library's CP950 table.
// Nothing when the bytes are not CP950 (or a character has no CP950 code).
std::optional<std::string> Cp950ToUtf8(const std::string& cp950);
std::optional<std::string> Utf8ToCp950(const std::string& utf8);

// A CP950 user-defined code as a private use character: rows of 157 codes (trail bytes
// 0x40-0x7E, then 0xA1-0xFE) counted on from U+E000 for lead bytes 0xFA-0xFE, U+E311 for
// 0x8E-0xA0 and U+EEB8 for 0x81-0x8D. Nothing for any other pair of bytes.
std::optional<char32_t> UserDefinedToPrivateUse(unsigned char lead, unsigned char trail);
// The reverse, for U+E000..U+F6B0; nothing for any other character.
struct Cp950Pair {
  unsigned char lead = 0;
  unsigned char trail = 0;
};
std::optional<Cp950Pair> PrivateUseToUserDefined(char32_t code);

// The record separator of every file the program writes.
inline constexpr std::string_view kFieldSeparator = ",,;";

// Splits at every ",,;". An empty line gives no pieces; a line ending in the separator gives
// an empty last piece.
std::vector<std::string> SplitFields(std::string_view line);

// Number of elements of a split line.
inline std::size_t CountItems(const std::vector<std::string>& list) { return list.size(); }

}  // namespace vellomir
