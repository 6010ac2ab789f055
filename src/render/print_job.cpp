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

}  // namespace

std::string SentLabelsText(int64_t labels_sent) {
  if (labels_sent <= 0) return "沒有送出任何標籤";
  if (labels_sent == 1) return "已送出第 1 張標籤";
  return "已送出第 1 到 " + std::to_string(labels_sent) + " 張標籤";
}

PrintResult RunLabelPrint(const PrintLayout& layout, const RuleTable& rules,
                          const LabelDrawing& how, Printer& printer,
                          const PrintProgressCallback& progress) {
  PrintResult result;
  int64_t pages = 0;
  auto finish = [&](PrintOutcome outcome, std::string message) {
    result.outcome = outcome;
    result.message = std::move(message);
    result.deliveries = printer.Deliveries();
    return result;
  };
  int64_t labels_out = 0;  // labels of pages the printer took in whole
  auto failed = [&] {
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
      printer.AbortDoc();
      return finish(PrintOutcome::kCancelled,
                    "列印已取消," + SentLabelsText(result.labels_sent) + "!!");
    }
    if (last || layout.document_per_page) {
      if (!printer.EndDoc()) return failed();
      labels_out = result.labels_drawn;
      if (printer.KeepsEndedDocuments()) result.labels_sent = result.labels_drawn;
      if (last) {
        if (!printer.Commit()) return failed();
        result.labels_sent = result.labels_drawn;
        std::string notice = printer.Notice();
        return finish(PrintOutcome::kPrinted, notice);
      }
    } else if (!printer.NewPage()) {
      return failed();
    } else {
      labels_out = result.labels_drawn;
    }
  }
}

ClippedLabels CountClippedLabels(const PrintLayout& layout, const PrintableArea& area) {
  ClippedLabels clipped;
  const double width = area.width_mm * kTwipsPerMm;
  const double height = area.height_mm * kTwipsPerMm;
  // Half a twip of slack: a grid that fills the area exactly must not count as cut.
  constexpr double kSlack = 0.5;
  auto fits = [&](double start, double extent, double room) {
    return start >= -kSlack && start + std::max(extent, 0.0) <= room + kSlack;
  };
  // The first page holds the most labels any page holds; count those actually printed.
  for (int64_t r = 1; r <= layout.rows && clipped.per_page < layout.labels; ++r) {
    const bool row_fits = fits(RowOffset(layout, r), layout.label_height, height);
    for (int64_t c = 1; c <= layout.columns && clipped.per_page < layout.labels; ++c) {
      ++clipped.per_page;
      if (!row_fits || !fits(ColumnOffset(layout, c), layout.label_width, width)) ++clipped.cut;
    }
  }
  return clipped;
}

std::vector<PrintConcern> CheckBeforePrinting(const PrintLayout& layout, const RuleTable& rules,
                                              const Printer& printer, const LabelDrawing& how,
                                              SymbolReader* reader) {
  std::vector<PrintConcern> concerns;
  // A barcode that some label's batch number makes too long would be missing from that label
  // without a trace.
  if (const auto undrawable = FindUndrawableBarcode(rules, layout.labels, layout.units_per_mm))
    concerns.push_back(
        {PrintConcernKind::kUndrawableBarcode, DescribeUndrawableBarcode(rules, *undrawable)});
  if (const auto area = printer.Printable()) {
    const ClippedLabels clipped = CountClippedLabels(layout, *area);
    if (clipped.cut > 0)
      concerns.push_back({PrintConcernKind::kClipping,
                          "每頁 " + std::to_string(clipped.per_page) + " 張標籤中有 " +
                              std::to_string(clipped.cut) + " 張超出印表機可以列印的範圍 (" +
                              Millimetres(area->width_mm) + " x " + Millimetres(area->height_mm) +
                              " mm),超出的部分印不出來"});
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
