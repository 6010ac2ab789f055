#include "barcode/upc_e.h"

#include <array>
#include <string_view>

#include "barcode/ean_upc.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

// Number system 0 parities by check digit ("1" for G, even parity), as ISO/IEC 15420 gives the
// UPC-E number sets: the check digit is carried by them alone.
constexpr std::array<const char*, 10> kCheckDigitParity = {
    "111000", "110100", "110010", "110001", "101100",
    "100110", "100011", "101010", "101001", "100101",
};

}  // namespace

void UpcEParityForCheckDigit(int16_t digit, std::string& parity) {
  if (digit < 0 || digit > 9) return;
  parity = kCheckDigitParity[digit];
}

std::string ExpandUpcE(const std::string& data) {
  const std::u32string d = ToCodePoints(data);
  auto piece = [&](int m, int n) { return TextPiece(d, m, n); };
  const std::u32string c = piece(7, 1);
  std::u32string out;
  if (c == U"0" || c == U"1" || c == U"2") {
    out = U"00" + piece(3, 2) + c + U"0000" + piece(6, 3);
  } else if (c == U"3") {
    out = U"00" + piece(4, 3) + U"00000" + piece(6, 2);
  } else if (c == U"4") {
    out = U"00" + piece(5, 4) + U"00000" + piece(6, 1);
  } else {
    out = U"00" + piece(6, 5) + U"0000" + piece(7, 1);
  }
  return FromCodePoints(out);
}

std::string ConvertUpcAToUpcE(const std::string& data) {
  const std::u32string t = ToCodePoints(Trim(data));
  auto piece = [&](int m, int n) { return TextPiece(t, m, n); };
  if (piece(2, 2) != U"00") return kUpcA2EMessage;

  std::u32string out;
  if (piece(9, 5) == U"00000") {
    out = U"0" + piece(4, 2) + piece(12, 3) + U"0";
  } else if (piece(9, 5) == U"10000") {
    out = U"0" + piece(4, 2) + piece(12, 3) + U"1";
  } else if (piece(9, 5) == U"20000") {
    out = U"0" + piece(4, 2) + piece(12, 3) + U"2";
  } else if (piece(10, 5) == U"00000") {
    out = U"0" + piece(5, 3) + piece(12, 2) + U"3";
  } else if (piece(11, 5) == U"00000") {
    out = U"0" + piece(6, 4) + piece(12, 1) + U"4";
  } else if (const std::u32string last = piece(12, 1);
             piece(11, 4) == U"0000" && !last.empty() && DigitValue(last[0]) >= 5) {
    out = U"0" + piece(7, 5) + last;
  } else {
    return kUpcA2EMessage;
  }
  return FromCodePoints(out);
}

SymbolPattern EncodeUpcE(const std::string& data) {
  const EanDigitTable& table = BuildEanDigitTable();
  const std::u32string chars = ToCodePoints(data);
  const int check = EanCheckDigit(ToCodePoints(ExpandUpcE(data)), 12);
  std::string parity;
  UpcEParityForCheckDigit(static_cast<int16_t>(check), parity);

  // The check digit is not drawn: the parity of the six digits carries it.
  std::string digits;
  for (int k = 2; k <= 7; ++k)
    digits += table[EanSetForParity(parity, k - 2)][EanDigitAt(chars, k)];

  SymbolPattern p = EanFamilyPattern(data);
  p.Append(kUpcEStartGuard, kEanGuardExtraHeight, 0);
  p.Append(std::move(digits), 0, 0);
  p.Append(kUpcEEndGuard, kEanGuardExtraHeight, 1);
  return p;
}

SymbolPattern EncodeUpcA2E(const std::string& data) {
  const std::string upc_e = ConvertUpcAToUpcE(data);
  SymbolPattern p = EncodeUpcE(upc_e);
  if (upc_e == kUpcA2EMessage) {
    for (auto& seg : p.segments) seg.bits.assign(seg.bits.size(), '0');
  }
  return p;
}

}  // namespace vellomir
