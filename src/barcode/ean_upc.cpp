#include "barcode/ean_upc.h"

#include <algorithm>

#include "platform/text_util.h"

namespace vellomir {

namespace {

// ISO/IEC 15420, the symbol character encodation of EAN/UPC: number sets A, B and C, which we
// call L, G and R by their use in the left half with odd or even parity and in the right half.
constexpr EanDigitTable kEanDigitTable = {{
    // Set L
    {"0001101", "0011001", "0010011", "0111101", "0100011", "0110001", "0101111", "0111011",
     "0110111", "0001011"},
    // Set G
    {"0100111", "0110011", "0011011", "0100001", "0011101", "0111001", "0000101", "0010001",
     "0001001", "0010111"},
    // Set R
    {"1110010", "1100110", "1101100", "1000010", "1011100", "1001110", "1010000", "1000100",
     "1001000", "1110100"},
}};

// ISO/IEC 15420: the number sets of the six left digits of an EAN-13 by its leading digit, which
// they carry without a symbol character of its own ("1" for G, even parity).
constexpr std::array<const char*, 10> kFirstDigitParity = {
    "000000", "001011", "001101", "001110", "010011",
    "011001", "011100", "010101", "010110", "011010",
};

// Guards, left half, centre guard, right half, end guard; only the end guard's modules add
// the extra unit of advance.
SymbolPattern EanSymbol(const std::string& data, std::string left, std::string right) {
  SymbolPattern p = EanFamilyPattern(data);
  p.Append(kEanStartGuard, kEanGuardExtraHeight, 0);
  p.Append(std::move(left), 0, 0);
  p.Append(kEanCentreGuard, kEanGuardExtraHeight, 0);
  p.Append(std::move(right), 0, 0);
  p.Append(kEanEndGuard, kEanGuardExtraHeight, 1);
  return p;
}

}  // namespace

const EanDigitTable& BuildEanDigitTable() { return kEanDigitTable; }

SymbolPattern EanFamilyPattern(const std::string& data) {
  SymbolPattern p;
  p.text = data;
  p.gap = kTextGap;
  p.min_module_dots = kEanMinModuleDots;
  p.quiet_modules = kEanQuietModules;
  return p;
}

void EanParityForFirstDigit(int16_t digit, std::string& parity) {
  if (digit < 0 || digit > 9) return;
  parity = kFirstDigitParity[digit];
}

std::u32string TextPiece(std::u32string_view chars, int m, int n) {
  if (m <= 0 || n <= 0) return {};
  const std::u32string_view first = chars.substr(0, static_cast<std::size_t>(m));
  const std::size_t take = std::min(first.size(), static_cast<std::size_t>(n));
  return std::u32string(first.substr(first.size() - take));
}

int EanDigitAt(std::u32string_view chars, int position) {
  if (chars.empty() || position <= 0) return 0;
  const std::size_t i = std::min(chars.size(), static_cast<std::size_t>(position));
  return DigitValue(chars[i - 1]);
}

int EanCheckDigit(std::u32string_view chars, int count) {
  int sum = 0;
  for (int i = 1; i <= count; ++i) sum += EanDigitAt(chars, i) * ((count - i) % 2 == 0 ? 3 : 1);
  return (10 - sum % 10) % 10;
}

int EanSetForParity(const std::string& parity, std::size_t index) {
  return index < parity.size() && parity[index] == '1' ? kEanSetG : kEanSetL;
}

SymbolPattern EncodeEan13(const std::string& data) {
  const EanDigitTable& table = BuildEanDigitTable();
  const std::u32string chars = ToCodePoints(data);
  std::string parity;
  EanParityForFirstDigit(static_cast<int16_t>(EanDigitAt(chars, 1)), parity);

  std::string left, right;
  for (int k = 2; k <= 7; ++k) left += table[EanSetForParity(parity, k - 2)][EanDigitAt(chars, k)];
  for (int k = 8; k <= 12; ++k) right += table[kEanSetR][EanDigitAt(chars, k)];
  right += table[kEanSetR][EanCheckDigit(chars, 12)];
  return EanSymbol(data, std::move(left), std::move(right));
}

SymbolPattern EncodeEan8(const std::string& data) {
  const EanDigitTable& table = BuildEanDigitTable();
  const std::u32string chars = ToCodePoints(data);
  std::string left, right;
  for (int k = 1; k <= 4; ++k) left += table[kEanSetL][EanDigitAt(chars, k)];
  for (int k = 5; k <= 7; ++k) right += table[kEanSetR][EanDigitAt(chars, k)];
  right += table[kEanSetR][EanCheckDigit(chars, 7)];
  return EanSymbol(data, std::move(left), std::move(right));
}

SymbolPattern EncodeUpcA(const std::string& data) {
  const EanDigitTable& table = BuildEanDigitTable();
  const std::u32string chars = ToCodePoints(data);
  std::string left, right;
  for (int k = 2; k <= 7; ++k) left += table[kEanSetL][EanDigitAt(chars, k)];
  for (int k = 8; k <= 12; ++k) right += table[kEanSetR][EanDigitAt(chars, k)];
  // The leading "0" is weighted 1, so the sum is that of the 11 UPC-A digits.
  right += table[kEanSetR][EanCheckDigit(chars, 12)];
  return EanSymbol(data, std::move(left), std::move(right));
}

}  // namespace vellomir
