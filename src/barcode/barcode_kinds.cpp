#include "barcode/barcode_kinds.h"

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/ean_upc.h"
#include "barcode/interleaved_2of5.h"
#include "barcode/upc_e.h"
#include "barcode/zint_symbols.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

// Short painter forms: withCheck does not reach them.
template <SymbolPattern (*Encode)(const std::string&)>
SymbolPattern ShortForm(const std::string& data, int16_t) {
  return Encode(data);
}

SymbolPattern Code128Pattern(const std::string& data, int16_t withCheck) {
  return EncodeCode128(data, withCheck).pattern;
}

template <SymbolPattern (*Encode)(const std::string&)>
constexpr BarcodeKindRow ZintRow(BarcodeKind kind, bool square, bool gs1) {
  return {kind,  kBarcodeKindNames[static_cast<std::size_t>(kind)],
          false, false,
          false, square,
          gs1,   &ShortForm<Encode>};
}

}  // namespace

const std::array<BarcodeKindRow, kBarcodeKindCount> kBarcodeKinds = {{
    {BarcodeKind::kCode39, kBarcodeKindNames[0], true, false, false, false, false, &EncodeCode39},
    {BarcodeKind::kEan13, kBarcodeKindNames[1], false, false, false, false, false,
     &ShortForm<EncodeEan13>},
    {BarcodeKind::kEan8, kBarcodeKindNames[2], false, false, false, false, false,
     &ShortForm<EncodeEan8>},
    {BarcodeKind::kUpcA, kBarcodeKindNames[3], false, false, false, false, false,
     &ShortForm<EncodeUpcA>},
    {BarcodeKind::kUpcE, kBarcodeKindNames[4], false, false, false, false, false,
     &ShortForm<EncodeUpcE>},
    {BarcodeKind::kUpcA2E, kBarcodeKindNames[5], false, false, false, false, false,
     &ShortForm<EncodeUpcA2E>},
    {BarcodeKind::kInterleaved2of5, kBarcodeKindNames[6], false, false, false, false, false,
     &ShortForm<EncodeInter25>},
    {BarcodeKind::kCodabar, kBarcodeKindNames[7], false, false, false, false, false,
     &ShortForm<EncodeCodabar>},
    {BarcodeKind::kCode128, kBarcodeKindNames[8], true, true, true, false, false, &Code128Pattern},
    ZintRow<EncodeQrCode>(BarcodeKind::kQrCode, true, false),
    ZintRow<EncodeDataMatrix>(BarcodeKind::kDataMatrix, true, false),
    ZintRow<EncodePdf417>(BarcodeKind::kPdf417, true, false),
    ZintRow<EncodeGs1_128>(BarcodeKind::kGs1_128, false, true),
    ZintRow<EncodeGs1DataMatrix>(BarcodeKind::kGs1DataMatrix, true, true),
    ZintRow<EncodeGs1Qr>(BarcodeKind::kGs1Qr, true, true),
}};

const BarcodeKindRow* BarcodeKindAt(int index) {
  if (index < 0 || index >= static_cast<int>(kBarcodeKinds.size())) return nullptr;
  return &kBarcodeKinds[static_cast<std::size_t>(index)];
}

std::optional<int> BarcodeKindFromIndexText(std::string_view text) {
  const std::string t = Trim(std::string(text));
  for (std::size_t i = 0; i < kBarcodeKinds.size(); ++i)
    if (t == std::to_string(i)) return static_cast<int>(i);
  return std::nullopt;
}

std::optional<int> BarcodeKindFromText(std::string_view text) {
  for (std::size_t i = 0; i < kBarcodeKinds.size(); ++i)
    if (text == std::to_string(i)) return static_cast<int>(i);
  for (const BarcodeKindRow& row : kBarcodeKinds)
    if (row.name == text) return static_cast<int>(row.kind);
  return std::nullopt;
}

bool OffersCheckCharacter(int kind) {
  const BarcodeKindRow* row = BarcodeKindAt(kind);
  return row != nullptr && row->offersCheck;
}

bool IsSquareSymbol(int kind) {
  const BarcodeKindRow* row = BarcodeKindAt(kind);
  return row != nullptr && row->square;
}

bool IsCheckCharacterRequired(int kind) {
  const BarcodeKindRow* row = BarcodeKindAt(kind);
  return row != nullptr && row->checkRequired;
}

bool PaintBarcode(int kind, const std::string& data, DrawingSurface& surface, int16_t withCheck,
                  int16_t withText, int16_t fontSize, int32_t& x, int32_t y, int16_t moduleWidth,
                  int16_t barHeight) {
  // Every painter is its encoder followed by the shared drawing, so the kind table serves as
  // the painter table. Interleaved 2 of 5's padding stays in the pattern: the caller's data
  // is not written back, as the renderer discards it anyway.
  const std::optional<SymbolPattern> pattern = EncodeBarcode(kind, data, withCheck);
  if (!pattern) return false;
  DrawSymbol(*pattern, surface, withText, fontSize, x, y, moduleWidth, barHeight);
  return true;
}

std::optional<SymbolPattern> EncodeBarcode(int kind, const std::string& data, int16_t withCheck) {
  const BarcodeKindRow* row = BarcodeKindAt(kind);
  if (row == nullptr) return std::nullopt;
  return row->encode(data, withCheck);
}

}  // namespace vellomir
