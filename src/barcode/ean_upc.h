#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "barcode/painter.h"

// EAN-13, EAN-8 and UPC-A, and what the UPC-E painters share with them: the digit table, the
// digit reading, the check digit and the guard patterns.
namespace vellomir {

// Character sets of the digit table.
inline constexpr int kEanSetL = 0;  // odd parity, left half
inline constexpr int kEanSetG = 1;  // even parity, left half
inline constexpr int kEanSetR = 2;  // right half

// 7-module strings by [set][digit].
using EanDigitTable = std::array<std::array<const char*, 10>, 3>;

const EanDigitTable& BuildEanDigitTable();

// Writes the left-half parity of an EAN-13 ("0" set L, "1" set G per digit) for a first digit
// 0..9; any other value leaves parity unchanged.
void EanParityForFirstDigit(int16_t digit, std::string& parity);

inline constexpr const char* kEanStartGuard = "101";
inline constexpr const char* kEanCentreGuard = "01010";
inline constexpr const char* kEanEndGuard = "101";
// Guard bars reach this far below the data bars.
inline constexpr int kEanGuardExtraHeight = kTextGap;

// The last n characters of the first m characters of the text.
std::u32string TextPiece(std::u32string_view chars, int m, int n);

// The digit at position i (from 1): the last of the first i characters, so a position past the
// end reads the last character again. A non-digit and an empty text read 0.
int EanDigitAt(std::u32string_view chars, int position);

// Check digit over positions 1..count, the last position weighted 3, the one before it 1, and
// so on alternately.
int EanCheckDigit(std::u32string_view chars, int count);

// Set L or G of the digit for one character of a parity text; a missing character means L.
int EanSetForParity(const std::string& parity, std::size_t index);

// A symbol of the EAN/UPC family before its guards and digits: the data as its text line,
// the text gap and the module floor on a printer's dots.
SymbolPattern EanFamilyPattern(const std::string& data);

SymbolPattern EncodeEan13(const std::string& data);
SymbolPattern EncodeEan8(const std::string& data);
// data is "0" followed by the 11 UPC-A digits; the leading character is not drawn.
SymbolPattern EncodeUpcA(const std::string& data);

}  // namespace vellomir
