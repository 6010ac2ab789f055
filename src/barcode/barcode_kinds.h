#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "barcode/painter.h"

// The barcode kinds, one row each, in the order of the kind list: a rule stores the kind's
// index ("0".."14"), the list shows its name. The nine 1-D kinds keep their indices; the 2-D
// and GS1 kinds follow them.
namespace vellomir {

enum class BarcodeKind : int {
  kCode39 = 0,
  kEan13 = 1,
  kEan8 = 2,
  kUpcA = 3,
  kUpcE = 4,
  kUpcA2E = 5,
  kInterleaved2of5 = 6,
  kCodabar = 7,
  kCode128 = 8,
  kQrCode = 9,
  kDataMatrix = 10,
  kPdf417 = 11,
  kGs1_128 = 12,
  kGs1DataMatrix = 13,
  kGs1Qr = 14,
};

using BarcodeEncoder = SymbolPattern (*)(const std::string& data, int16_t withCheck);
// What a scanner reports for a symbol of the kind holding the data (see ExpectedScan).
using ScannedText = std::optional<std::string> (*)(const std::string& data, bool withCheck);

struct BarcodeKindRow {
  BarcodeKind kind;
  std::string_view name;  // the entry of the kind list and of `--kind`
  // The long painter form takes withCheck from the rule; the short form has no such argument
  // (the EAN/UPC family always computes its check digit, I2of5 and Codabar have none).
  bool offersCheck;
  bool checkByDefault;  // choosing the kind ticks the check box
  bool checkRequired;   // painted with its check character whatever the rule says
  bool square;          // 2-D: square modules, no bar height, no human-readable line
  bool gs1;             // the data is GS1 AIs, read back as their element string
  BarcodeEncoder encode;
  const char* zxing_format;  // ZXing-cpp's name of the format it is read as ("Code39", ...)
  ScannedText scanned;
};

inline constexpr std::size_t kBarcodeKindCount = 15;

extern const std::array<BarcodeKindRow, kBarcodeKindCount> kBarcodeKinds;

inline constexpr std::array<std::string_view, kBarcodeKindCount> kBarcodeKindNames = {
    "Code-39",  "EAN-13", "EAN-8",      "UPC-A",  "UPC-E",   "UPC-A2E",        "INT-25", "CODABAR",
    "Code-128", "QR",     "DataMatrix", "PDF417", "GS1-128", "GS1-DataMatrix", "GS1-QR"};

// The row of a kind index; nothing outside the table.
const BarcodeKindRow* BarcodeKindAt(int index);

// A stored kind field: the index in decimal without leading zeros, "0".."14" (blanks around it
// aside).
std::optional<int> BarcodeKindFromIndexText(std::string_view text);

// An index as stored or a list text; nothing for anything else.
std::optional<int> BarcodeKindFromText(std::string_view text);

// Whether the kind is a 2-D symbol, for which the rule's height means nothing.
bool IsSquareSymbol(int kind);

// Whether the kind's painter takes a check character choice (Code 39, Code 128).
bool OffersCheckCharacter(int kind);

// Code 128 reads on no scanner without its check character, so the label renderer and the
// barcode command paint it with one whatever the rule's option says; the painter itself still
// follows its withCheck argument.
bool IsCheckCharacterRequired(int kind);

// Calls the painter of the kind as the renderer does: the long form gets withCheck, the short
// form does not. Returns false when the kind has no painter (nothing is drawn).
bool PaintBarcode(int kind, const std::string& data, DrawingSurface& surface, int16_t withCheck,
                  int16_t withText, int16_t fontSize, int32_t& x, int32_t y, int16_t moduleWidth,
                  int16_t barHeight);

// The pattern the painter of the kind would draw for the data.
std::optional<SymbolPattern> EncodeBarcode(int kind, const std::string& data, int16_t withCheck);

}  // namespace vellomir
