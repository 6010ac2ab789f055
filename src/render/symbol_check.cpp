#include "render/symbol_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "barcode/barcode_kinds.h"
#include "barcode/code39.h"
#include "barcode/ean_upc.h"
#include "barcode/interleaved_2of5.h"
#include "barcode/upc_e.h"
#include "barcode/zint_symbols.h"
#include "platform/dot_grid.h"
#include "platform/recording_surface.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

// Quiet zone read with each symbol, in modules: what the symbologies ask for at most.
constexpr double kQuietModules = 10;
// Bars ending within this many units past the label's edge are its rounding, not an overrun.
constexpr double kEdgeSlack = 1;

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

char CheckDigitChar(const std::string& digits, int count) {
  return static_cast<char>('0' + EanCheckDigit(ToCodePoints(digits), count));
}

// The bars one rule draws on its own, or nothing when it draws none.
std::optional<SymbolBars> RuleBars(const RuleTable& rules, int row, double labelNumber,
                                   const LabelDrawing& how) {
  static const FixedPitchMetrics metrics(100);  // text does not move bars
  auto one = std::make_unique<RuleTable>();
  one->rows[0] = rules.rows[static_cast<std::size_t>(row)];
  one->n = 1;
  RecordingSurface surface(metrics);
  LabelDrawing plain = how;
  plain.ruleHitBoxes = nullptr;
  DrawLabel(surface, *one, 0, 0, labelNumber, plain);
  for (const auto& op : surface.Ops())
    if (const auto* s = std::get_if<SymbolOp>(&op)) return s->bars;
  return std::nullopt;
}

// Where the symbol's bars end as printed: on the device's dots when laid on them (from a
// label edge on a dot), else at the far edge of the last box.
double PrintedRight(const SymbolBars& bars, double dots_per_inch, bool on_dots) {
  const SymbolBox& last = bars.boxes.back();
  double right = last.x + std::max(0.0, last.w) + 1;
  if (on_dots) {
    if (const auto dots = SymbolOnDots(bars, dots_per_inch))
      if (!dots->empty()) right = DotsRight(*dots, dots_per_inch) + 1;
  }
  return right;
}

TwipArea BarsArea(const SymbolBars& bars, double dots_per_inch) {
  TwipArea a{bars.boxes.front().x, bars.boxes.front().y, bars.boxes.front().x,
             bars.boxes.front().y};
  for (const auto& b : bars.boxes) {
    a.left = std::min({a.left, b.x, b.x + b.w});
    a.right = std::max({a.right, b.x + b.w + 1, b.x + 1});
    a.top = std::min({a.top, b.y, b.y + b.h});
    a.bottom = std::max({a.bottom, b.y + b.h + 1, b.y + 1});
  }
  // On dots the symbol may come out wider than its units, and a 2-D one higher too.
  a.right = std::max(a.right, PrintedRight(bars, dots_per_inch, true));
  if (const auto dots = SymbolOnDots(bars, dots_per_inch); dots && !dots->empty()) {
    int64_t bottom = dots->front().bottom;
    for (const DotBox& d : *dots) bottom = std::max(bottom, d.bottom);
    a.bottom = std::max(a.bottom, static_cast<double>(bottom) * 1440.0 / dots_per_inch);
  }
  return a;
}

bool Overlaps(const TwipArea& a, const TwipArea& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// A reading as a message shows it: a GS1 symbol's FNC1s are named, not left invisible.
std::string Shown(const std::string& reading) {
  std::string out;
  for (char c : reading) out += c == kGs1Separator ? std::string("<FNC1>") : std::string(1, c);
  return out;
}

std::string Number(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

}  // namespace

const char* VerdictWord(SymbolVerdict verdict) {
  switch (verdict) {
    case SymbolVerdict::kGood:
      return "通過";
    case SymbolVerdict::kUnreadable:
      return "讀不出";
    case SymbolVerdict::kWrong:
      return "不符";
    case SymbolVerdict::kTooFine:
      return "太細";
    case SymbolVerdict::kPastLabel:
      return "超出";
  }
  return "";
}

std::optional<std::string> ExpectedScan(int kind, const std::string& data, bool withCheck) {
  // GS1 symbols read as their element string, every FNC1 (the leading one too) a GS.
  if (const BarcodeKindRow* row = BarcodeKindAt(kind); row != nullptr && row->gs1) {
    const std::optional<std::string> elements = Gs1ElementString(data);
    if (!elements) return std::nullopt;
    return kGs1Separator + *elements;
  }
  if (IsSquareSymbol(kind)) return data;  // 2-D symbols carry the data as it is
  switch (static_cast<BarcodeKind>(kind)) {
    case BarcodeKind::kCode39:
      return withCheck ? data + FromCodePoints(std::u32string(1, Code39CheckCharacter(data)))
                       : data;
    case BarcodeKind::kEan13:  // twelve digits and the check digit; thirteen typed ones must carry
                               // the right one
      if (AllDigits(data) && data.size() == 12) return data + CheckDigitChar(data, 12);
      return data;
    case BarcodeKind::kEan8:
      if (AllDigits(data) && data.size() == 7) return data + CheckDigitChar(data, 7);
      return data;
    case BarcodeKind::kUpcA:  // "0" and eleven digits; the scanner reports the eleven and the check
                              // digit
      if (AllDigits(data) && data.size() == 12) return data.substr(1) + CheckDigitChar(data, 12);
      return data;
    case BarcodeKind::kUpcE:  // number system and six digits, then the check digit of the expanded
                              // number
      if (AllDigits(data) && data.size() == 7) return data + CheckDigitChar(ExpandUpcE(data), 12);
      return data;
    case BarcodeKind::kUpcA2E: {
      const std::string upce = ConvertUpcAToUpcE(data);
      if (upce == kUpcA2EMessage) return std::nullopt;
      return ExpectedScan(static_cast<int>(BarcodeKind::kUpcE), upce, false);
    }
    case BarcodeKind::kInterleaved2of5:
      return PadInter25(data);
    case BarcodeKind::kCodabar: {
      std::string out = data;
      for (char& c : out)
        if (c >= 'a' && c <= 'd') c = static_cast<char>(c - 'a' + 'A');
      return out;
    }
    case BarcodeKind::kCode128:
      return data;  // the check character is not reported
    default:
      return std::nullopt;
  }
}

std::vector<SymbolCheck> CheckLabelSymbols(const RuleTable& rules, double labelNumber,
                                           const LabelDrawing& how, double dots_per_inch,
                                           bool on_dots, SymbolReader& reader, double label_width) {
  std::vector<SymbolCheck> checks;
  const int n = std::clamp(rules.n, 0, kRuleTableRows);

  // Where every barcode rule's bars lie, so each can be read with its neighbours' bars out of
  // the way: a decoder given two symbols at once may fail on both.
  std::vector<std::optional<SymbolBars>> bars(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    if (BarcodeRuleKind(rules.rows[static_cast<std::size_t>(i)]))
      bars[static_cast<std::size_t>(i)] = RuleBars(rules, i, labelNumber, how);

  for (int i = 0; i < n; ++i) {
    const auto& f = rules.rows[static_cast<std::size_t>(i)];
    const std::optional<int> kind = BarcodeRuleKind(f);
    if (!kind) continue;
    SymbolCheck check;
    check.rule = i;
    check.kind = *kind;
    check.label = labelNumber;
    const std::optional<std::string> data = RuleDataOnLabel(f, labelNumber, how);
    // As the painter takes it: only a withCheck of 1 draws a check character.
    const bool withCheck = BarcodeRuleWithCheck(*kind, f[11]) == int16_t{1};
    if (data) check.expected = ExpectedScan(*kind, *data, withCheck).value_or("");
    const auto& mine = bars[static_cast<std::size_t>(i)];
    if (!mine || mine->boxes.empty()) {
      check.verdict = SymbolVerdict::kUnreadable;
      checks.push_back(check);
      continue;
    }
    check.module_dots = ModuleDots(*mine, dots_per_inch);
    const double printed_right = PrintedRight(*mine, dots_per_inch, on_dots);
    if (how.unitsPerMm > 0) {
      check.printed_right_mm = printed_right / how.unitsPerMm;
      check.label_width_mm = std::max(0.0, label_width) / how.unitsPerMm;
    }
    if (on_dots) {
      if (const auto d = SymbolDotWidths(*mine, dots_per_inch)) check.printed_dots = d->narrow;
    }

    TwipArea area = BarsArea(*mine, dots_per_inch);
    const double quiet = kQuietModules * std::max(1.0, mine->narrow_pitch);
    area.left -= quiet;
    area.right += quiet;
    // The page starts on a dot of the label's own grid, so the symbol lands as it will print.
    const double dot = 1440.0 / dots_per_inch;
    TwipArea page = area;
    page.left = std::floor(area.left / dot) * dot;
    page.top = std::floor(area.top / dot) * dot;
    DrawingSurface& surface = reader.NewPage(page, dots_per_inch, on_dots);
    LabelDrawing printed = how;  // as the printer draws it, bar width reduction included
    printed.ruleHitBoxes = nullptr;
    DrawLabel(surface, rules, 0, 0, labelNumber, printed);
    for (int j = 0; j < n; ++j) {
      const auto& other = bars[static_cast<std::size_t>(j)];
      if (j == i || !other || other->boxes.empty()) continue;
      const TwipArea theirs = BarsArea(*other, dots_per_inch);
      if (!Overlaps(theirs, area)) continue;
      surface.SetCurrentX(theirs.left);
      surface.SetCurrentY(theirs.top);
      surface.Line(theirs.right - theirs.left, theirs.bottom - theirs.top, kWhite);
    }
    check.read = reader.Read(area, *kind);

    if (!check.read)
      check.verdict = SymbolVerdict::kUnreadable;
    else if (!data || *check.read != check.expected || check.expected.empty())
      check.verdict = SymbolVerdict::kWrong;
    else if (label_width > 0 && printed_right > label_width + kEdgeSlack)
      check.verdict = SymbolVerdict::kPastLabel;
    else if (check.module_dots < 1)
      check.verdict = SymbolVerdict::kTooFine;
    else
      check.verdict = SymbolVerdict::kGood;
    checks.push_back(check);
  }
  return checks;
}

std::vector<double> LabelsToCheck(double amount) {
  const double last = amount <= 1 ? 1 : std::ceil(std::min(amount, 1e15));
  std::vector<double> labels = {1};
  if (last > 1) labels.push_back(last);
  return labels;
}

std::vector<std::string> SymbolWarnings(const RuleTable& rules, double amount,
                                        const LabelDrawing& how, double dots_per_inch, bool on_dots,
                                        SymbolReader& reader, double label_width) {
  std::vector<std::string> warnings;
  for (double label : LabelsToCheck(amount)) {
    for (const SymbolCheck& c :
         CheckLabelSymbols(rules, label, how, dots_per_inch, on_dots, reader, label_width)) {
      if (c.verdict == SymbolVerdict::kGood) continue;
      std::string line = "第 " + Number(label, 0) + " 張標籤的條碼規則 " +
                         std::to_string(c.rule + 1) + " (" +
                         std::string(kBarcodeKindNames[static_cast<std::size_t>(c.kind)]) + ") ";
      switch (c.verdict) {
        case SymbolVerdict::kUnreadable:
          line += "在 " + Number(dots_per_inch, 0) + " dpi 讀不出來";
          break;
        case SymbolVerdict::kWrong:
          line += "讀出「" + Shown(c.read.value_or("")) + "」, 應該是「" + Shown(c.expected) + "」";
          break;
        case SymbolVerdict::kTooFine:
          line += "的模組只有 " + Number(c.module_dots, 2) + " 點, 印出來會比設計的寬";
          break;
        case SymbolVerdict::kPastLabel:
          line += "在 " + Number(dots_per_inch, 0) + " dpi 印到離標籤左邊 " +
                  Number(c.printed_right_mm, 1) + " mm, 超出標籤寬度 " +
                  Number(c.label_width_mm, 1) + " mm";
          break;
        case SymbolVerdict::kGood:
          break;
      }
      warnings.push_back(line);
    }
  }
  return warnings;
}

std::string DescribeCheck(const SymbolCheck& c) {
  std::string line = "規則 " + std::to_string(c.rule + 1) + " " +
                     std::string(kBarcodeKindNames[static_cast<std::size_t>(c.kind)]) + " 標籤 " +
                     Number(c.label, 0) + ": 讀出 ";
  line += c.read ? "「" + Shown(*c.read) + "」" : std::string("(無)");
  line += " 模組 " + Number(c.module_dots, 2) + " 點";
  if (c.printed_dots > 0) line += " (印成 " + std::to_string(c.printed_dots) + " 點)";
  if (c.verdict == SymbolVerdict::kPastLabel)
    line += " 印到 " + Number(c.printed_right_mm, 1) + " mm (標籤寬 " +
            Number(c.label_width_mm, 1) + " mm)";
  line += " ";
  line += VerdictWord(c.verdict);
  return line;
}

}  // namespace vellomir
