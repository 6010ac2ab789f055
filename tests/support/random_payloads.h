#pragma once

#include <random>
#include <string>

#include "barcode/barcode_kinds.h"
#include "support/gtin.h"

// Random valid data for the 2-D and GS1 kinds, for the tests and the scan benchmark.
namespace vellomir::test {

inline std::string RandomPick(std::mt19937& rng, const std::string& alphabet, int n) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
  return s;
}

// Printable ASCII, and for QR Code Chinese words among it; GS1 data as a GTIN with its check
// digit, a lot, an expiry date and a serial number in parentheses, some of them left out.
inline std::string RandomPayload(int kind, std::mt19937& rng) {
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::string printable;
  for (char c = 32; c < 127; ++c) printable += c;
  const std::string alnum = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-abcxyz/";
  static const char* const kWords[] = {"批號", "品名", "鳳梨酥", "有效期限", "台北市", "數量"};
  switch (static_cast<BarcodeKind>(kind)) {
    case BarcodeKind::kQrCode: {
      std::string s;
      for (int i = between(1, 5); i > 0; --i)
        s += between(0, 1) ? RandomPick(rng, printable, between(1, 12)) : kWords[between(0, 5)];
      return s;
    }
    case BarcodeKind::kDataMatrix:
    case BarcodeKind::kPdf417:
      return RandomPick(rng, printable, between(1, 60));
    case BarcodeKind::kGs1_128:
    case BarcodeKind::kGs1DataMatrix:
    case BarcodeKind::kGs1Qr: {
      const std::string gtin = RandomPick(rng, "0123456789", 13);
      std::string s = "(01)" + gtin + GtinCheckDigit(gtin);
      if (between(0, 1)) s += "(17)" + std::to_string(between(24, 39)) + "1231";
      if (between(0, 1)) s += "(10)" + RandomPick(rng, alnum, between(1, 12));
      if (between(0, 1)) s += "(21)" + RandomPick(rng, alnum, between(1, 12));
      return s;
    }
    default:
      return {};
  }
}

}  // namespace vellomir::test
