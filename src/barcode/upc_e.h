#pragma once

#include <cstdint>
#include <string>

#include "barcode/painter.h"

// UPC-E (number system 0) and the conversion of a UPC-A number to it.
namespace vellomir {

// Shown instead of a UPC-E number when a UPC-A number cannot be zero-suppressed.
inline constexpr const char* kUpcA2EMessage = "This data can't be transfered from upc-a to upc-e";

inline constexpr const char* kUpcEStartGuard = "101";
inline constexpr const char* kUpcEEndGuard = "010101";

// Writes the parity of the six UPC-E digits ("0" set L, "1" set G) for a check digit 0..9; any
// other value leaves parity unchanged.
void UpcEParityForCheckDigit(int16_t digit, std::string& parity);

// The 12-character EAN-13 form ("0", number system 0, manufacturer, product) of the UPC-E
// data, chosen by its seventh character.
std::string ExpandUpcE(const std::string& data);

// The seven-character UPC-E text of a 12-character UPC-A form ("0" + 11 digits, surrounding
// spaces ignored), or kUpcA2EMessage when no zero-suppression rule fits.
std::string ConvertUpcAToUpcE(const std::string& data);

SymbolPattern EncodeUpcE(const std::string& data);
// A number that cannot be converted keeps the UPC-E geometry and shows the message, but its
// bars are left white: the six-zero symbol behind the message would scan as a real number.
SymbolPattern EncodeUpcA2E(const std::string& data);

}  // namespace vellomir
