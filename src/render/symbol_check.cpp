#include "render/symbol_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "barcode/barcode_kinds.h"
#include "barcode/zint_symbols.h"
#include "platform/dot_grid.h"
#include "platform/recording_surface.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

// Bars ending within this many units past the label's edge are its rounding, not an overrun.
constexpr double kEdgeSlack = 1;

// What one rule draws on its own.
std::unique_ptr<RecordingSurface> DrawRule(const RuleTable& rules, int row, double labelNumber,
                                           const LabelDrawing& how, const TextMetrics& metrics,
                                           const PictureProbe* pictures = nullptr) {
  auto one = std::make_unique<RuleTable>();
  one->rows[0] = rules.rows[static_cast<std::size_t>(row)];
  one->n = 1;
  auto surface = std::make_unique<RecordingSurface>(metrics, pictures);
  LabelDrawing plain = how;
  plain.ruleHitBoxes = nullptr;
  DrawLabel(*surface, *one, 0, 0, labelNumber, plain);
  return surface;
}

// The bars one rule draws on its own, or nothing when it draws none.
std::optional<SymbolBars> RuleBars(const RuleTable& rules, int row, double labelNumber,
                                   const LabelDrawing& how) {
  static const FixedPitchMetrics metrics(100);  // text does not move bars
  const auto surface = DrawRule(rules, row, labelNumber, how, metrics);
  for (const auto& op : surface->Ops())
    if (const auto* s = std::get_if<SymbolOp>(&op)) return s->bars;
  return std::nullopt;
}

std::string KindName(int kind) {
  return kind >= 0 && static_cast<std::size_t>(kind) < kBarcodeKindNames.size()
             ? std::string(kBarcodeKindNames[static_cast<std::size_t>(kind)])
             : std::to_string(kind);
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

void Include(std::optional<TwipArea>& a, double l, double t, double r, double b) {
  if (!a) {
    a = TwipArea{l, t, r, b};
    return;
  }
  a->left = std::min(a->left, l);
  a->top = std::min(a->top, t);
  a->right = std::max(a->right, r);
  a->bottom = std::max(a->bottom, b);
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

void AddOnce(std::vector<std::string>& lines, const std::string& line) {
  if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
}

std::string Joined(const std::string& a, const std::string& b) {
  return a.empty() ? b : a + ", " + b;
}

}  // namespace

std::optional<TwipArea> DrawnArea(const RecordingSurface& surface, const TextMetrics& metrics,
                                  double dots_per_inch) {
  std::optional<TwipArea> r;
  auto include_box = [&r](const BoxOp& b) {
    Include(r, std::min(b.x, b.x + b.w), std::min(b.y, b.y + b.h), std::max(b.x, b.x + b.w) + 1,
            std::max(b.y, b.y + b.h) + 1);
  };
  for (const auto& op : surface.Ops()) {
    if (auto* b = std::get_if<BoxOp>(&op)) {
      include_box(*b);
    } else if (auto* s = std::get_if<SymbolOp>(&op)) {
      // On dots a symbol comes out wider or narrower than its units.
      const auto dots = dots_per_inch > 0 ? SymbolOnDots(s->bars, dots_per_inch) : std::nullopt;
      if (dots) {
        const double twips = 1440.0 / dots_per_inch;
        for (const DotBox& d : *dots)
          Include(r, double(d.left) * twips, double(d.top) * twips, double(d.right) * twips,
                  double(d.bottom) * twips);
      } else {
        for (const SymbolBox& box : s->bars.boxes) include_box(PlainBox(box));
      }
    } else if (auto* t = std::get_if<TextOp>(&op)) {
      if (t->text.find_first_not_of(' ') == std::string::npos) continue;  // blanks show nothing
      Include(r, t->x, t->y, t->x + metrics.Width(t->text, t->font),
              t->y + metrics.Height(t->font));
    } else if (auto* p = std::get_if<PictureOp>(&op)) {
      Include(r, p->left, p->top, p->left + p->width, p->top + p->height);
    }
  }
  return r;
}

std::vector<CheckResolution> CheckResolutions(double printer_dpi) {
  if (printer_dpi > 0) return {CheckResolution{printer_dpi, true}};
  return {CheckResolution{kCoarsestPrinterDpi, false}, CheckResolution{kPdfCheckDpi, false}};
}

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
    case SymbolVerdict::kPartlyRead:
      return "警告";
  }
  return "";
}

std::optional<std::string> ExpectedScan(int kind, const std::string& data, bool withCheck) {
  const BarcodeKindRow* row = BarcodeKindAt(kind);
  if (row == nullptr) return std::nullopt;
  return row->scanned(data, withCheck);
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
    check.dpi = dots_per_inch;
    check.on_dots = on_dots;
    const std::optional<std::string> data = RuleDataOnLabel(f, labelNumber, how);
    // As the painter takes it: only a withCheck of 1 draws a check character.
    const bool withCheck = BarcodeRuleWithCheck(*kind, RuleRecord(f).CheckCharacter()) == int16_t{1};
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
    // The symbology's quiet zone in modules as printed, which on dots may be wider than units.
    const double quiet =
        mine->quiet_modules *
        std::max({1.0, mine->narrow_pitch,
                  static_cast<double>(check.printed_dots) * 1440.0 / dots_per_inch});
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
    // A misread is worse than no read: a wrong number on a parcel goes unnoticed.
    bool misread = false;
    int right = 0;
    for (const DecoderReading& r : reader.ReadEach(area, *kind)) {
      if (!r.text) {
        check.unread_by = Joined(check.unread_by, r.decoder);
      } else if (data && !check.expected.empty() && *r.text == check.expected) {
        ++right;
        check.read_by = Joined(check.read_by, r.decoder);
        if (!misread) check.read = r.text;
      } else if (!misread) {
        misread = true;
        check.misread_by = r.decoder;
        check.read = r.text;
      }
    }

    if (misread)
      check.verdict = SymbolVerdict::kWrong;
    else if (right == 0)
      check.verdict = SymbolVerdict::kUnreadable;
    else if (label_width > 0 && printed_right > label_width + kEdgeSlack)
      check.verdict = SymbolVerdict::kPastLabel;
    else if (check.module_dots < 1)
      check.verdict = SymbolVerdict::kTooFine;
    else if (!check.unread_by.empty())
      check.verdict = SymbolVerdict::kPartlyRead;
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

std::string WarningLine(const SymbolCheck& c) {
  const std::string dpi = Number(c.dpi, 0);
  std::string line = "第 " + Number(c.label, 0) + " 張標籤的條碼規則 " +
                     std::to_string(c.rule + 1) + " (" + KindName(c.kind) + ") ";
  switch (c.verdict) {
    case SymbolVerdict::kUnreadable:
      line += "在 " + dpi + " dpi 讀不出來";
      break;
    case SymbolVerdict::kWrong:
      line += "讀出「" + Shown(c.read.value_or("")) + "」, 應該是「" + Shown(c.expected) + "」";
      if (!c.misread_by.empty()) line += " (" + c.misread_by + " 在 " + dpi + " dpi)";
      break;
    case SymbolVerdict::kTooFine:
      line += "的模組只有 " + Number(c.module_dots, 2) + " 點, 印出來會比設計的寬";
      break;
    case SymbolVerdict::kPastLabel:
      line += "在 " + dpi + " dpi 印到離標籤左邊 " + Number(c.printed_right_mm, 1) +
              " mm, 超出標籤寬度 " + Number(c.label_width_mm, 1) + " mm";
      break;
    case SymbolVerdict::kPartlyRead:
      line += "在 " + dpi + " dpi 只有 " + c.read_by + " 讀得出, " + c.unread_by + " 讀不出來";
      break;
    case SymbolVerdict::kGood:
      break;
  }
  return line;
}

std::vector<std::string> LayoutProblems(const RuleTable& rules, double labelNumber,
                                        const LabelDrawing& how, const CheckResolution& at,
                                        const TextMetrics& metrics, const PictureProbe* pictures,
                                        double label_width, double label_height) {
  struct Placed {
    std::optional<TwipArea> units, printed;
  };
  const int n = std::clamp(rules.n, 0, kRuleTableRows);
  std::vector<Placed> placed(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const auto surface = DrawRule(rules, i, labelNumber, how, metrics, pictures);
    placed[static_cast<std::size_t>(i)] = {DrawnArea(*surface, metrics, 0),
                                           DrawnArea(*surface, metrics, at.on_dots ? at.dpi : 0)};
  }
  const double per_mm = how.unitsPerMm > 0 ? how.unitsPerMm : kUnitsPerMm;
  auto mm = [per_mm](double units) { return Number(units / per_mm, 1); };
  const std::string label = "第 " + Number(labelNumber, 0) + " 張標籤的";

  std::vector<std::string> lines;
  for (int i = 0; i < n; ++i) {
    const auto& f = rules.rows[static_cast<std::size_t>(i)];
    const Placed& mine = placed[static_cast<std::size_t>(i)];
    // A rule that draws nothing (a picture that is missing or does not load) has no place to
    // check; naming it is a concern of its own.
    if (!mine.printed) continue;
    const std::string rule = std::to_string(i + 1);
    if (const std::optional<int> kind = BarcodeRuleKind(f)) {
      // Bars that grow on the printer's dots into a box their units keep clear of.
      for (int j = 0; j < n; ++j) {
        const Placed& theirs = placed[static_cast<std::size_t>(j)];
        if (j == i || !theirs.printed || !Overlaps(*mine.printed, *theirs.printed) ||
            Overlaps(*mine.units, *theirs.units))
          continue;
        lines.push_back(label + "條碼規則 " + rule + " (" + KindName(*kind) + ") 在 " +
                        Number(at.dpi, 0) + " dpi 印出來會壓到規則 " + std::to_string(j + 1) +
                        " (印到離標籤左邊 " + mm(mine.printed->right - 1) + " mm)");
      }
      continue;  // its own edges are the symbol check's
    }
    const char* what = RuleRecord(f).IsPicture() ? "圖片" : "文字";
    const TwipArea& a = *mine.units;
    std::string edges;
    if (label_width > 0 && a.right - 1 > label_width + kEdgeSlack)
      edges = Joined(edges,
                     "右邊 (印到 " + mm(a.right - 1) + " mm, 標籤寬 " + mm(label_width) + " mm)");
    if (label_height > 0 && a.bottom - 1 > label_height + kEdgeSlack)
      edges = Joined(edges,
                     "下邊 (印到 " + mm(a.bottom - 1) + " mm, 標籤高 " + mm(label_height) + " mm)");
    if (a.left < -kEdgeSlack) edges = Joined(edges, "左邊");
    if (a.top < -kEdgeSlack) edges = Joined(edges, "上邊");
    if (!edges.empty())
      lines.push_back(label + what + "規則 " + rule + " 超出標籤的" + edges +
                      ", 超出的部分印不出來");
  }
  return lines;
}

DesignCheck CheckDesign(const RuleTable& rules, double amount, const LabelDrawing& how,
                        double printer_dpi, SymbolReader& reader, double label_width,
                        double label_height) {
  DesignCheck out;
  static const FixedPitchMetrics fallback(100);
  const TextMetrics& metrics = reader.Metrics() != nullptr ? *reader.Metrics() : fallback;
  for (const CheckResolution& at : CheckResolutions(printer_dpi)) {
    for (double label : LabelsToCheck(amount)) {
      for (const SymbolCheck& c :
           CheckLabelSymbols(rules, label, how, at.dpi, at.on_dots, reader, label_width)) {
        if (c.verdict == SymbolVerdict::kPartlyRead)
          AddOnce(out.warnings, WarningLine(c));
        else if (c.verdict != SymbolVerdict::kGood)
          AddOnce(out.problems, WarningLine(c));
        out.symbols.push_back(c);
      }
      for (const std::string& line : LayoutProblems(rules, label, how, at, metrics,
                                                    reader.Pictures(), label_width, label_height)) {
        if (std::find(out.layout.begin(), out.layout.end(), line) != out.layout.end()) continue;
        out.layout.push_back(line);
        out.problems.push_back(line);
      }
    }
  }
  return out;
}

std::string DescribeCheck(const SymbolCheck& c) {
  std::string line = "規則 " + std::to_string(c.rule + 1) + " " + KindName(c.kind) + " 標籤 " +
                     Number(c.label, 0) + " (" + Number(c.dpi, 0) + " dpi" +
                     (c.on_dots ? "" : ", PDF 原尺寸") + "): 讀出 ";
  line += c.read ? "「" + Shown(*c.read) + "」" : std::string("(無)");
  if (!c.misread_by.empty()) line += " (" + c.misread_by + ")";
  line += " 模組 " + Number(c.module_dots, 2) + " 點";
  if (c.printed_dots > 0) line += " (印成 " + std::to_string(c.printed_dots) + " 點)";
  if (c.verdict == SymbolVerdict::kPastLabel)
    line += " 印到 " + Number(c.printed_right_mm, 1) + " mm (標籤寬 " +
            Number(c.label_width_mm, 1) + " mm)";
  if (c.verdict == SymbolVerdict::kPartlyRead) line += " " + c.unread_by + " 讀不出";
  line += " ";
  line += VerdictWord(c.verdict);
  return line;
}

}  // namespace vellomir
