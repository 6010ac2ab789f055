#include "barcode/barcode_kinds.h"

#include <algorithm>

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

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

char CheckDigitChar(const std::string& digits, int count) {
  return static_cast<char>('0' + EanCheckDigit(ToCodePoints(digits), count));
}

// What scanners report, kind by kind.
std::optional<std::string> AsItIs(const std::string& data, bool) { return data; }

std::optional<std::string> Code39Scan(const std::string& data, bool withCheck) {
  return withCheck ? data + FromCodePoints(std::u32string(1, Code39CheckCharacter(data))) : data;
}

// Twelve digits and the check digit; thirteen typed ones must carry the right one.
std::optional<std::string> Ean13Scan(const std::string& data, bool) {
  if (AllDigits(data) && data.size() == 12) return data + CheckDigitChar(data, 12);
  return data;
}

std::optional<std::string> Ean8Scan(const std::string& data, bool) {
  if (AllDigits(data) && data.size() == 7) return data + CheckDigitChar(data, 7);
  return data;
}

// "0" and eleven digits; the scanner reports the eleven and the check digit.
std::optional<std::string> UpcAScan(const std::string& data, bool) {
  if (AllDigits(data) && data.size() == 12) return data.substr(1) + CheckDigitChar(data, 12);
  return data;
}

// Number system and six digits, then the check digit of the expanded number.
std::optional<std::string> UpcEScan(const std::string& data, bool) {
  if (AllDigits(data) && data.size() == 7) return data + CheckDigitChar(ExpandUpcE(data), 12);
  return data;
}

std::optional<std::string> UpcA2EScan(const std::string& data, bool) {
  const std::string upce = ConvertUpcAToUpcE(data);
  if (upce == kUpcA2EMessage) return std::nullopt;
  return UpcEScan(upce, false);
}

std::optional<std::string> Inter25Scan(const std::string& data, bool) { return PadInter25(data); }

// Start and stop letters in upper case.
std::optional<std::string> CodabarScan(const std::string& data, bool) {
  std::string out = data;
  for (char& c : out)
    if (c >= 'a' && c <= 'd') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// The element string, every FNC1 (the leading one too) a GS; nothing for data that is not AIs.
std::optional<std::string> Gs1Scan(const std::string& data, bool) {
  const std::optional<std::string> elements = Gs1ElementString(data);
  if (!elements) return std::nullopt;
  return kGs1Separator + *elements;
}

template <SymbolPattern (*Encode)(const std::string&)>
constexpr BarcodeKindRow ZintRow(BarcodeKind kind, bool square, bool gs1, const char* zxing) {
  return {kind,  kBarcodeKindNames[static_cast<std::size_t>(kind)],
          false, false,
          false, square,
          gs1,   &ShortForm<Encode>,
          zxing, gs1 ? &Gs1Scan : &AsItIs};
}

}  // namespace

// Code 128 scans without its check character; the 2-D kinds carry the data as it is.
const std::array<BarcodeKindRow, kBarcodeKindCount> kBarcodeKinds = {{
    {BarcodeKind::kCode39, kBarcodeKindNames[0], true, false, false, false, false, &EncodeCode39,
     "Code39", &Code39Scan},
    {BarcodeKind::kEan13, kBarcodeKindNames[1], false, false, false, false, false,
     &ShortForm<EncodeEan13>, "EAN13", &Ean13Scan},
    {BarcodeKind::kEan8, kBarcodeKindNames[2], false, false, false, false, false,
     &ShortForm<EncodeEan8>, "EAN8", &Ean8Scan},
    {BarcodeKind::kUpcA, kBarcodeKindNames[3], false, false, false, false, false,
     &ShortForm<EncodeUpcA>, "UPCA", &UpcAScan},
    {BarcodeKind::kUpcE, kBarcodeKindNames[4], false, false, false, false, false,
     &ShortForm<EncodeUpcE>, "UPCE", &UpcEScan},
    {BarcodeKind::kUpcA2E, kBarcodeKindNames[5], false, false, false, false, false,
     &ShortForm<EncodeUpcA2E>, "UPCE", &UpcA2EScan},
    {BarcodeKind::kInterleaved2of5, kBarcodeKindNames[6], false, false, false, false, false,
     &ShortForm<EncodeInter25>, "ITF", &Inter25Scan},
    {BarcodeKind::kCodabar, kBarcodeKindNames[7], false, false, false, false, false,
     &ShortForm<EncodeCodabar>, "Codabar", &CodabarScan},
    {BarcodeKind::kCode128, kBarcodeKindNames[8], true, true, true, false, false, &Code128Pattern,
     "Code128", &AsItIs},
    ZintRow<EncodeQrCode>(BarcodeKind::kQrCode, true, false, "QRCode"),
    ZintRow<EncodeDataMatrix>(BarcodeKind::kDataMatrix, true, false, "DataMatrix"),
    ZintRow<EncodePdf417>(BarcodeKind::kPdf417, true, false, "PDF417"),
    ZintRow<EncodeGs1_128>(BarcodeKind::kGs1_128, false, true, "Code128"),
    ZintRow<EncodeGs1DataMatrix>(BarcodeKind::kGs1DataMatrix, true, true, "DataMatrix"),
    ZintRow<EncodeGs1Qr>(BarcodeKind::kGs1Qr, true, true, "QRCode"),
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
