#include "render/print_job.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "document/working_file.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"
#include "render/undrawable_barcode.h"

namespace vellomir {

namespace {

void Tell(const MainWindowModel& window, MessageBox& messages, const std::string& text) {
  messages.Show(text, window.AppTitle, MessageButtons::kOk);
}

// The grid of one run, worked out and checked before anything reaches the printer.
struct Grid {
  double columns = 0;  // whole numbers, at least 1
  double rows = 0;
  double column_pitch = 0;  // surface units
  double row_pitch = 0;
  int64_t labels = 0;  // labels the run prints
};

// Why the layout cannot be printed, or "" when it can.
std::string CheckGrid(const MainWindowModel& window, Grid& grid) {
  // The loops run over whole numbers from 1, so 2.5 columns are two.
  grid.columns = std::floor(NumericValue(window.l_col.text));
  grid.rows = std::floor(NumericValue(window.l_row.text));
  if (grid.columns < 1 || grid.rows < 1)
    return "排列方式的 column 和 row 都至少要是 1,才能排出標籤,沒有列印!!";

  // The count test follows each label, so the run prints the first whole number of labels
  // that reaches the copies field, and always at least one.
  const double amount = NumericValue(window.l_amount.text);
  if (amount > static_cast<double>(kMaxLabelsPerRun))
    return "列印份數最多是 " + std::to_string(kMaxLabelsPerRun) + " 張,請分次列印,沒有列印!!";
  grid.labels = amount <= 1 ? 1 : static_cast<int64_t>(std::ceil(amount));

  const double unit = window.UnitsPerMm;
  grid.column_pitch =
      NumericValue(window.l_paper_width.text) * unit + unit * NumericValue(window.d_col.text);
  grid.row_pitch =
      NumericValue(window.l_paper_height.text) * unit + unit * NumericValue(window.d_row.text);

  // Offsets grow with the column and row, so the farthest label used decides whether every
  // position fits the surface's whole-number coordinates.
  const double columns_used = std::min(grid.columns, static_cast<double>(grid.labels));
  const double rows_used =
      std::min(grid.rows, std::ceil(static_cast<double>(grid.labels) / columns_used));
  if ((columns_used > 1 && !ToInt32((columns_used - 1) * grid.column_pitch)) ||
      (rows_used > 1 && !ToInt32((rows_used - 1) * grid.row_pitch)))
    return "標籤尺寸或間距太大,標籤的位置超出可以列印的範圍,沒有列印!!";
  return {};
}

// `labels_out` is the last label on a page that the printer took in whole.
void TellPrinterError(const MainWindowModel& window, MessageBox& messages, const Printer& printer,
                      int64_t labels_sent, int64_t labels_out) {
  std::string words = printer.Error();
  if (words.empty()) words = "印表機沒有回應";
  std::string text = "列印時發生錯誤:" + words + ",列印已停止";
  if (labels_sent > 0 && printer.KeepsEndedDocuments())
    text += ",之前已送出 " + std::to_string(labels_sent) + " 張標籤";
  else if (labels_out > 0)
    text += ",最後寫出的是第 " + std::to_string(labels_out) + " 張標籤";
  Tell(window, messages, text + "!!");
}

}  // namespace

PrintOutcome PrintLabels(MainWindowModel& window, const FileSystem& files, MessageBox& messages,
                         DialogService& dialogs, Printer& printer,
                         const PrintProgressCallback& progress, const FileSystem* pictures) {
  if (!files.FileExists(std::string(kWorkingFileName))) {
    Tell(window, messages, std::string(kNothingToPrintMessage));
    return PrintOutcome::kRefused;
  }
  Grid grid;
  if (const std::string problem = CheckGrid(window, grid); !problem.empty()) {
    Tell(window, messages, problem);
    return PrintOutcome::kRefused;
  }

  window.open_p_dial.flags = 0;
  dialogs.ShowPrinter(window.open_p_dial);

  // One table serves every label of the run.
  const auto rules = std::make_unique<RuleTable>(ReadRuleTable(files));
  if (rules->error != FileError::kNone) {
    Tell(window, messages, "無法讀取工作檔 temp1.txt,沒有列印!!");
    return PrintOutcome::kRefused;
  }
  // A barcode that some label cannot hold would be missing from it without a trace: ask first.
  if (const auto undrawable = FindUndrawableBarcode(*rules, grid.labels, window.UnitsPerMm)) {
    const MessageAnswer answer =
        messages.Show(DescribeUndrawableBarcode(*rules, *undrawable) + "。仍要列印嗎?",
                      window.AppTitle + "...警告", MessageButtons::kOkCancel);
    if (answer != MessageAnswer::kOk) return PrintOutcome::kRefused;
  }
  LabelDrawing how;
  how.unitsPerMm = window.UnitsPerMm;
  how.pictures = pictures != nullptr ? pictures : &files;

  // Only tractor feed sends each full page as a document of its own; any other printer type
  // goes on with a new page, so no page is ever drawn over twice.
  const bool document_per_page = window.PrinterType == "0";
  int64_t counter = 0;
  int64_t pages = 0;
  int64_t labels_sent = 0;  // labels of documents already ended
  int64_t labels_out = 0;   // labels of pages the printer took in whole
  for (;;) {
    bool last = false;
    for (int64_t r = 1; r <= grid.rows && !last; ++r) {
      const int32_t row_offset =
          r == 1 ? 0 : ToInt32(static_cast<double>(r - 1) * grid.row_pitch).value_or(0);
      for (int64_t c = 1; c <= grid.columns; ++c) {
        const double column_offset = c == 1 ? 0 : static_cast<double>(c - 1) * grid.column_pitch;
        ++counter;
        DrawLabel(printer.Surface(), *rules, column_offset, row_offset,
                  static_cast<double>(counter), how);
        if (counter >= grid.labels) {
          last = true;
          break;
        }
      }
    }
    ++pages;
    if (!printer.Error().empty()) {
      TellPrinterError(window, messages, printer, labels_sent, labels_out);
      return PrintOutcome::kPrinterError;
    }
    const bool go_on = progress ? progress({pages, counter, grid.labels}) : true;
    if (last || !go_on) {
      if (!printer.EndDoc()) {
        TellPrinterError(window, messages, printer, labels_sent, labels_out);
        return PrintOutcome::kPrinterError;
      }
      return last ? PrintOutcome::kPrinted : PrintOutcome::kCancelled;
    }
    if (document_per_page) {
      if (!printer.EndDoc()) {
        TellPrinterError(window, messages, printer, labels_sent, labels_out);
        return PrintOutcome::kPrinterError;
      }
      labels_sent = counter;
    } else if (!printer.NewPage()) {
      TellPrinterError(window, messages, printer, labels_sent, labels_out);
      return PrintOutcome::kPrinterError;
    }
    labels_out = counter;
  }
}

}  // namespace vellomir
