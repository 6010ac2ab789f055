#include "barcode/zint_symbols.h"

#include <zint.h>

#include <algorithm>
#include <memory>

namespace vellomir {

namespace {

// A module of 2 dots keeps 1 dot of white after one dot of ink spread: 2-D readers lose the
// grid, and GS1-128's one- and two-module spaces read 1 and 3 dots against bars of 3 and 5.
// 3 dots (0.375 mm at 203 dpi, above GS1-128's smallest X of 0.25 mm) keep them apart.
constexpr int kZintMinModuleDots = 3;

// More data than any of these symbols holds (QR's 7089 digits); longer input is refused before
// zint spends time on it.
constexpr std::size_t kMaxInput = 8000;

struct ZintKind {
  int symbology;
  bool gs1;
  int quiet_modules;  // white modules on every side: the symbology's quiet zone
  int row_modules;    // modules of height per row of zint's matrix
  bool matrix;        // a 2-D symbol; otherwise one row of bars with the rule's height
  int option_1;       // QR: error correction level; PDF417: -1 lets zint choose
  int option_3;       // Data Matrix: square sizes only
};

// Quiet zones: QR Code 4 modules (ISO/IEC 18004), Data Matrix 1 (ISO/IEC 16022), PDF417 2
// (ISO/IEC 15438), GS1-128 10 (ISO/IEC 15417) on the left and right.
constexpr ZintKind kQr{BARCODE_QRCODE, false, 4, 1, true, 2, 0};
constexpr ZintKind kDataMatrix{BARCODE_DATAMATRIX, false, 1, 1, true, 0, DM_SQUARE};
constexpr ZintKind kPdf417{BARCODE_PDF417, false, 2, 3, true, -1, 0};
constexpr ZintKind kGs1_128{BARCODE_GS1_128, true, 10, 1, false, 0, 0};
constexpr ZintKind kGs1DataMatrix{BARCODE_DATAMATRIX, true, 1, 1, true, 0, DM_SQUARE};
constexpr ZintKind kGs1Qr{BARCODE_QRCODE, true, 4, 1, true, 2, 0};

struct ZintDelete {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

bool IsAscii(const std::string& data) {
  return std::all_of(data.begin(), data.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

SymbolPattern Refused(std::string why) {
  SymbolPattern p;
  p.refused = true;
  p.error = std::move(why);
  return p;
}

SymbolPattern Encode(const ZintKind& k, const std::string& data) {
  if (data.empty()) return Refused("沒有資料");
  if (data.size() > kMaxInput) return Refused("資料太長");
  std::unique_ptr<zint_symbol, ZintDelete> symbol(ZBarcode_Create());
  if (!symbol) return Refused("記憶體不足");
  symbol->symbology = k.symbology;
  symbol->option_1 = k.option_1;
  symbol->option_3 = k.option_3;
  if (k.gs1) {
    // AIs in parentheses as users write them; brackets as zint's own form.
    symbol->input_mode = GS1_MODE | (data[0] == '[' ? 0 : GS1PARENS_MODE);
  } else if (!IsAscii(data)) {
    // UTF-8 announced by ECI 26: the default character sets of these symbologies (Latin-1,
    // and Shift JIS in QR) do not hold Chinese text.
    symbol->input_mode = UNICODE_MODE;
    symbol->eci = 26;
  } else {
    symbol->input_mode = DATA_MODE;
  }
  const int rc = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.data()),
                                 static_cast<int>(data.size()));
  // Zint warns of symbols that break their standard (a GTIN with a wrong check digit, say) and
  // draws them anyway; a label must not carry one.
  if (rc >= ZINT_WARN_NONCOMPLIANT) return Refused(symbol->errtxt);
  if (symbol->rows < 1 || symbol->width < 1 || symbol->rows > 200 || symbol->width > 1152)
    return Refused("zint 沒有產生符號");

  SymbolPattern p;
  p.kind = k.matrix ? PatternKind::kMatrix : PatternKind::kModules;
  p.start_x_16bit = false;
  p.min_module_dots = kZintMinModuleDots;
  p.quiet_modules = 0;  // the pattern holds the symbology's quiet zone
  const std::string side(static_cast<std::size_t>(k.quiet_modules), '0');
  const std::string blank(static_cast<std::size_t>(symbol->width + 2 * k.quiet_modules), '0');
  if (k.matrix)
    for (int i = 0; i < k.quiet_modules; ++i) p.Append(blank);
  for (int r = 0; r < symbol->rows; ++r) {
    std::string bits = side;
    for (int c = 0; c < symbol->width; ++c)
      bits += ((symbol->encoded_data[r][c >> 3] >> (c & 7)) & 1) ? '1' : '0';
    bits += side;
    for (int i = 0; i < (k.matrix ? k.row_modules : 1); ++i) p.Append(bits);
    if (!k.matrix) break;  // a linear symbol is its first row
  }
  if (k.matrix)
    for (int i = 0; i < k.quiet_modules; ++i) p.Append(blank);
  else
    p.text = reinterpret_cast<const char*>(symbol->text);
  return p;
}

// AIs whose values have a predefined length, by their first two digits (the GS1 general
// rules, figure 7.8.5-2): no FNC1 follows them.
bool HasPredefinedLength(const std::string& ai) {
  static constexpr const char* kPrefixes[] = {"00", "01", "02", "03", "04", "11", "12", "13",
                                              "14", "15", "16", "17", "18", "19", "20", "31",
                                              "32", "33", "34", "35", "36", "41"};
  for (const char* p : kPrefixes)
    if (ai.compare(0, 2, p) == 0) return true;
  return false;
}

}  // namespace

SymbolPattern EncodeQrCode(const std::string& data) { return Encode(kQr, data); }
SymbolPattern EncodeDataMatrix(const std::string& data) { return Encode(kDataMatrix, data); }
SymbolPattern EncodePdf417(const std::string& data) { return Encode(kPdf417, data); }
SymbolPattern EncodeGs1_128(const std::string& data) { return Encode(kGs1_128, data); }
SymbolPattern EncodeGs1DataMatrix(const std::string& data) { return Encode(kGs1DataMatrix, data); }
SymbolPattern EncodeGs1Qr(const std::string& data) { return Encode(kGs1Qr, data); }

std::optional<std::string> Gs1ElementString(const std::string& data) {
  if (data.empty()) return std::nullopt;
  const char open = data[0] == '[' ? '[' : '(';
  const char close = open == '[' ? ']' : ')';
  std::string out;
  std::size_t i = 0;
  bool separate = false;  // the value before needs a separator before the next AI
  while (i < data.size()) {
    if (data[i] != open) return std::nullopt;
    const std::size_t end = data.find(close, i + 1);
    if (end == std::string::npos) return std::nullopt;
    const std::string ai = data.substr(i + 1, end - i - 1);
    if (ai.size() < 2 || ai.size() > 4 ||
        !std::all_of(ai.begin(), ai.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return std::nullopt;
    const std::size_t next = std::min(data.find(open, end + 1), data.size());
    if (separate) out += kGs1Separator;
    out += ai + data.substr(end + 1, next - end - 1);
    separate = !HasPredefinedLength(ai);
    i = next;
  }
  return out;
}

}  // namespace vellomir
