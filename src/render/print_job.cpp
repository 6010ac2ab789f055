#include "render/print_job.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/text_util.h"
#include "render/symbol_check.h"
#include "render/undrawable_barcode.h"

namespace vellomir {

namespace {

// Surface units are twips on every device.
constexpr double kTwipsPerMm = 1440.0 / 25.4;

int32_t RowOffset(const PrintLayout& layout, int64_t row) {
  return row == 1 ? 0 : ToInt32(static_cast<double>(row - 1) * layout.row_pitch).value_or(0);
}

double ColumnOffset(const PrintLayout& layout, int64_t column) {
  return column == 1 ? 0 : static_cast<double>(column - 1) * layout.column_pitch;
}

std::string PrinterWords(const Printer& printer) {
  std::string words = printer.Error();
  return words.empty() ? "印表機沒有回應" : words;
}

std::string Millimetres(double mm) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", mm);
  return text;
}

// Taken is not printed: what the printer made of the run's documents decides its outcome.
template <typename Finish>
PrintResult Settle(Printer& printer, const std::vector<int64_t>& labels_by_document,
                   Finish& finish) {
  const DeliveryFate fate = printer.FollowDeliveries();
  const std::string notice = printer.Notice();
  switch (fate.end) {
    case DeliveryFate::End::kDone:
      break;
    case DeliveryFate::End::kUnfinished: {
      PrintResult result =
          finish(PrintOutcome::kPrinted, fate.words + (notice.empty() ? "" : ";" + notice));
      result.unfinished = true;
      return result;
    }
    case DeliveryFate::End::kFailed: {
      const int64_t printed =
          fate.done == 0 || labels_by_document.empty()
              ? 0
              : labels_by_document[std::min(fate.done, labels_by_document.size()) - 1];
      PrintResult result = finish(PrintOutcome::kPrinterError, {});
      result.labels_sent = printed;
      const std::string count =
          printed == 1 ? "第 1 張" : "第 1 到 " + std::to_string(printed) + " 張";
      result.message = "列印時發生錯誤:" + fate.words + "," +
                       (printed > 0 ? "印好的是" + count + "標籤" : "沒有印好任何標籤") + "!!";
      return result;
    }
  }
  return finish(PrintOutcome::kPrinted, notice);
}

// The layout and drawing as the printer takes them.
PrintLayout LayoutFor(const Printer& printer, PrintLayout layout) {
  if (printer.OneLabelAPage()) {
    layout.columns = layout.rows = 1;
    layout.document_per_page = false;
  }
  return layout;
}
LabelDrawing DrawingFor(const Printer& printer, LabelDrawing how) {
  how.barWidthReduction = printer.BarWidthReduction();
  return how;
}

}  // namespace

std::string SentLabelsText(int64_t labels_sent) {
  if (labels_sent <= 0) return "沒有送出任何標籤";
  if (labels_sent == 1) return "已送出第 1 張標籤";
  return "已送出第 1 到 " + std::to_string(labels_sent) + " 張標籤";
}

PrintResult RunLabelPrint(const PrintLayout& given_layout, const RuleTable& rules,
                          const LabelDrawing& given_how, Printer& printer,
                          const PrintProgressCallback& progress) {
  const PrintLayout layout = LayoutFor(printer, given_layout);
  const LabelDrawing how = DrawingFor(printer, given_how);
  PrintResult result;
  int64_t pages = 0;
  auto finish = [&](PrintOutcome outcome, std::string message) {
    result.outcome = outcome;
    result.message = std::move(message);
    result.deliveries = printer.Deliveries();
    return result;
  };
  int64_t labels_out = 0;                   // labels of pages the printer took in whole
  std::vector<int64_t> labels_by_document;  // labels 1..n went out with document i
  // Pages a printer fed page by page already has count as sent, ended document or not.
  const int64_t per_page = static_cast<int64_t>(
      std::min(layout.columns * layout.rows, static_cast<double>(layout.labels)));
  int64_t document_start = 0;  // labels sent before the open document
  auto count_taken = [&] {
    const int64_t taken = printer.PagesTaken();
    if (taken > 0 && per_page > 0)
      result.labels_sent = std::max(
          result.labels_sent, std::min(result.labels_drawn,
                                       document_start + std::min(taken, layout.labels) * per_page));
  };
  auto failed = [&] {
    count_taken();
    printer.AbortDoc();
    // A run's files stand or fall together: then what counts is the last label that reached
    // a file, not what was sent.
    const std::string out = printer.KeepsEndedDocuments() || labels_out == 0
                                ? SentLabelsText(result.labels_sent)
                                : "最後寫出的是第 " + std::to_string(labels_out) + " 張標籤";
    return finish(PrintOutcome::kPrinterError,
                  "列印時發生錯誤:" + PrinterWords(printer) + ",列印已停止," + out + "!!");
  };

  for (;;) {
    bool last = false;
    for (int64_t r = 1; r <= layout.rows && !last; ++r) {
      const int32_t row_offset = RowOffset(layout, r);
      for (int64_t c = 1; c <= layout.columns; ++c) {
        ++result.labels_drawn;
        DrawLabel(printer.Surface(), rules, ColumnOffset(layout, c), row_offset,
                  static_cast<double>(result.labels_drawn), how);
        if (result.labels_drawn >= layout.labels) {
          last = true;
          break;
        }
      }
    }
    ++pages;
    if (!printer.Error().empty()) return failed();
    if (progress && !progress({pages, result.labels_drawn, layout.labels})) {
      // Cancel means cancel: the page just drawn and the rest of its document stay here.
      count_taken();
      printer.AbortDoc();
      return finish(PrintOutcome::kCancelled,
                    "列印已取消," + SentLabelsText(result.labels_sent) + "!!");
    }
    if (last || layout.document_per_page) {
      if (!printer.EndDoc()) return failed();
      labels_out = result.labels_drawn;
      labels_by_document.push_back(labels_out);
      if (printer.KeepsEndedDocuments()) result.labels_sent = result.labels_drawn;
      document_start = result.labels_sent;
      if (last) {
        if (!printer.Commit()) return failed();
        result.labels_sent = result.labels_drawn;
        return Settle(printer, labels_by_document, finish);
      }
    } else if (!printer.NewPage()) {
      return failed();
    } else {
      labels_out = result.labels_drawn;
    }
  }
}

ClippedLabels CountClippedLabels(const PrintLayout& layout, const PrintableArea& area,
                                 const std::optional<InkExtent>& ink) {
  ClippedLabels clipped;
  const double width = area.width_mm * kTwipsPerMm;
  const double height = area.height_mm * kTwipsPerMm;
  // Half a twip of slack: a grid that fills the area exactly must not count as cut.
  constexpr double kSlack = 0.5;
  // A label's box, or only the part of it that holds ink.
  const InkExtent mark =
      ink ? *ink
          : InkExtent{0, 0, std::max(layout.label_width, 0.0), std::max(layout.label_height, 0.0)};
  auto fits = [&](double start, double from, double to, double room) {
    return start + from >= -kSlack && start + to <= room + kSlack;
  };
  // The first page holds the most labels any page holds; count those actually printed.
  for (int64_t r = 1; r <= layout.rows && clipped.per_page < layout.labels; ++r) {
    const bool row_fits = fits(RowOffset(layout, r), mark.top, mark.bottom, height);
    for (int64_t c = 1; c <= layout.columns && clipped.per_page < layout.labels; ++c) {
      ++clipped.per_page;
      if (!row_fits || !fits(ColumnOffset(layout, c), mark.left, mark.right, width)) ++clipped.cut;
    }
  }
  return clipped;
}

std::vector<std::string> FindPictureProblems(const RuleTable& rules, const LabelDrawing& how) {
  std::vector<std::string> lines;
  const int n = std::clamp(rules.n, 0, kRuleTableRows);
  for (int i = 0; i < n; ++i) {
    const auto& f = rules.rows[static_cast<std::size_t>(i)];
    const RuleRecord r(f);
    if (!r.IsPicture() || Trim(r.Data()).empty()) continue;
    const std::string rule = "第 " + std::to_string(i + 1) + " 條規則的圖檔「" + Trim(r.Data()) + "」";
    const std::optional<std::string> file = FindPictureFile(r.Data(), how);
    if (!file) {
      lines.push_back(rule + "找不到");
      continue;
    }
    if (how.picture_sizes == nullptr) continue;
    if (const std::string why = how.picture_sizes->Problem(*file); !why.empty())
      lines.push_back(rule + "無法讀取:" + why);
  }
  return lines;
}

std::optional<InkExtent> LabelInk(const RuleTable& rules, int64_t first, int64_t last,
                                  const LabelDrawing& how) {
  if (how.metrics == nullptr) return std::nullopt;
  std::optional<InkExtent> ink;
  auto add = [&](double x0, double y0, double x1, double y1) {
    if (!ink) ink = InkExtent{x0, y0, x1, y1};
    ink->left = std::min({ink->left, x0, x1});
    ink->top = std::min({ink->top, y0, y1});
    ink->right = std::max({ink->right, x0, x1});
    ink->bottom = std::max({ink->bottom, y0, y1});
  };
  for (const int64_t label : {first, last}) {
    RecordingSurface surface(*how.metrics, how.picture_sizes);
    DrawLabel(surface, rules, 0, 0, static_cast<double>(label), how);
    // A box covers its far edge; white boxes put nothing on the paper.
    for (const BoxOp& b : surface.Boxes())
      if (b.colour != kWhite) add(b.x, b.y, b.x + b.w + 1, b.y + b.h + 1);
    for (const TextOp& t : surface.Texts())
      add(t.x, t.y, t.x + how.metrics->Width(t.text, t.font), t.y + how.metrics->Height(t.font));
    for (const PictureOp& p : surface.Pictures())
      add(p.left, p.top, p.left + p.width, p.top + p.height);
  }
  return ink;
}

std::vector<PrintConcern> CheckBeforePrinting(const PrintLayout& given_layout,
                                              const RuleTable& rules, const Printer& printer,
                                              const LabelDrawing& given_how, SymbolReader* reader) {
  const PrintLayout layout = LayoutFor(printer, given_layout);
  const LabelDrawing how = DrawingFor(printer, given_how);
  std::vector<PrintConcern> concerns;
  if (how.mostFieldCharacters != 0) {
    std::string text;
    const int n = std::clamp(rules.n, 0, kRuleTableRows);
    for (int i = 0; i < n; ++i) {
      const auto& f = rules.rows[static_cast<std::size_t>(i)];
      const RuleRecord r(f);
      if (!(r.IsBarcode() || r.IsText()) || r.Data().size() <= how.mostFieldCharacters) continue;
      const std::size_t count = CharacterCount(r.Data());
      if (count <= how.mostFieldCharacters) continue;
      text += std::string(text.empty() ? "" : "\n") + "第 " + std::to_string(i + 1) +
              " 條規則的內容有 " + std::to_string(count) + " 個字,寬 " +
              Millimetres(layout.units_per_mm > 0 ? layout.label_width / layout.units_per_mm : 0) +
              " mm 的標籤最多印得出 " + std::to_string(how.mostFieldCharacters) + " 個字," +
              (r.IsBarcode() ? "這個條碼不會印出" : "多的字不會印出");
    }
    if (!text.empty()) return {{PrintConcernKind::kTooLongField, text}};
  }
  if (const std::vector<std::string> pictures = FindPictureProblems(rules, how);
      !pictures.empty()) {
    std::string text;
    for (const std::string& line : pictures) text += (text.empty() ? "" : "\n") + line;
    concerns.push_back({PrintConcernKind::kMissingPicture, text});
  }
  // A barcode that some label's batch number makes too long would be missing from that label
  // without a trace.
  if (const auto undrawable = FindUndrawableBarcode(rules, layout.labels, layout.units_per_mm))
    concerns.push_back({undrawable->reason.empty() ? PrintConcernKind::kUndrawableBarcode
                                                   : PrintConcernKind::kBadBarcodeData,
                        DescribeUndrawableBarcode(rules, *undrawable)});
  if (const auto area = printer.Printable()) {
    // What is drawn must fit, not the label's box: a label whose box overhangs the printable
    // area with nothing drawn there loses nothing.
    const ClippedLabels clipped =
        CountClippedLabels(layout, *area, LabelInk(rules, 1, layout.labels, how));
    // The paper used, so a wrong one is seen for what it is.
    const std::string name = printer.PaperName();
    const std::string paper = name.empty() ? "" : "紙張 " + name + ", ";
    if (clipped.cut > 0)
      concerns.push_back({PrintConcernKind::kClipping,
                          "每頁 " + std::to_string(clipped.per_page) + " 張標籤中有 " +
                              std::to_string(clipped.cut) + " 張超出印表機可以列印的範圍 (" +
                              paper + Millimetres(area->width_mm) + " x " +
                              Millimetres(area->height_mm) + " mm),超出的部分印不出來"});
  }
  // Read back last: a symbol its painter cannot draw is told as such, not as unreadable.
  if (reader != nullptr) {
    const DesignCheck check =
        CheckDesign(rules, static_cast<double>(layout.labels), how, printer.DotsPerInch(), *reader,
                    layout.label_width, layout.label_height);
    auto lines = [](const std::vector<std::string>& all) {
      std::string text;
      for (const std::string& line : all) text += (text.empty() ? "" : "\n") + line;
      return text;
    };
    if (!check.problems.empty())
      concerns.push_back({PrintConcernKind::kUnreadableSymbol, lines(check.problems)});
    // Pictures that are missing or do not load belong beside these, as concerns of their own.
    if (!check.warnings.empty())
      concerns.push_back({PrintConcernKind::kPartlyReadSymbol, lines(check.warnings)});
  }
  return concerns;
}

}  // namespace vellomir
