#include "ui/print_handler.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "document/merge_data.h"
#include "document/working_file.h"
#include "platform/text_util.h"
#include "render/batch_log.h"
#include "render/label_renderer.h"
#include "render/print_log.h"
#include "ui/window_events.h"

namespace vellomir {

namespace {

std::string DesignName(const MainWindowModel& window) {
  if (window.CurrentFileName.empty()) return "(未存檔的設計)";
  return std::filesystem::path(window.CurrentFileName).filename().string();
}

// 接續: the batch-numbered rules of the working file start after the last number printed, a
// change the user saves like any other. False when the working file cannot be rewritten.
bool WriteContinuedStarts(FileSystem& files, const BatchHistory& history) {
  ReadLinesResult read = files.ReadLines(std::string(kWorkingFileName));
  if (!read.ok()) return false;
  for (const auto& [rule, next] : history.next) {
    const std::size_t line = static_cast<std::size_t>(rule) + 1;  // after the settings line
    if (line >= read.lines.size()) continue;
    std::vector<std::string> parts = SplitFields(read.lines[line]);
    rule_field::BatchFields at{};
    if (!rule_field::HasBatchFields(RuleRecord(parts).Kind(), at) || parts.size() <= at.start)
      continue;
    parts[at.start] = ContinuedStart(next);
    read.lines[line] = JoinRecordParts(parts);
  }
  return files.WriteLines(std::string(kWorkingFileName), read.lines).ok();
}

}  // namespace

std::string ReadPrintLayout(const MainWindowModel& window, PrintLayout& layout) {
  const DesignSettings shown{window.l_amount.text,       window.l_paper_width.text,
                             window.l_paper_height.text, window.l_col.text,
                             window.l_row.text,          window.d_row.text,
                             window.d_col.text};
  return ReadPrintLayout(shown, window.UnitsPerMm, window.PrinterType == "0", layout);
}

std::string ReadPrintLayout(const DesignSettings& s, float units_per_mm, bool tractor_feed,
                            PrintLayout& layout) {
  // The loops run over whole numbers from 1, so 2.5 columns are two.
  layout.columns = std::floor(NumericValue(s.columns));
  layout.rows = std::floor(NumericValue(s.rows));
  if (!(layout.columns >= 1) || !(layout.rows >= 1))
    return "排列方式的 column 和 row 都至少要是 1,才能排出標籤,沒有列印!!";

  // The count test follows each label, so the run prints the first whole number of labels
  // that reaches the copies field, and always at least one.
  const double amount = NumericValue(s.copies);
  if (amount > static_cast<double>(kMaxLabelsPerRun))
    return "列印份數最多是 " + std::to_string(kMaxLabelsPerRun) + " 張,請分次列印,沒有列印!!";
  layout.labels = amount <= 1 ? 1 : static_cast<int64_t>(std::ceil(amount));

  const double unit = units_per_mm;
  layout.units_per_mm = units_per_mm;
  layout.label_width = NumericValue(s.label_width) * unit;
  layout.label_height = NumericValue(s.label_height) * unit;
  layout.column_pitch = layout.label_width + unit * NumericValue(s.column_gap);
  layout.row_pitch = layout.label_height + unit * NumericValue(s.row_gap);
  // Only tractor feed sends each full page as a document of its own; any other printer type
  // goes on with a new page, so no page is ever drawn over twice.
  layout.document_per_page = tractor_feed;

  // Offsets grow with the column and row, so the farthest label used decides whether every
  // position fits the surface's whole-number coordinates.
  const double columns_used = std::min(layout.columns, static_cast<double>(layout.labels));
  const double rows_used =
      std::min(layout.rows, std::ceil(static_cast<double>(layout.labels) / columns_used));
  if ((columns_used > 1 && !ToInt32((columns_used - 1) * layout.column_pitch)) ||
      (rows_used > 1 && !ToInt32((rows_used - 1) * layout.row_pitch)))
    return "標籤尺寸或間距太大,標籤的位置超出可以列印的範圍,沒有列印!!";
  return {};
}

PrintOutcome PrintLabels(MainWindowModel& window, FileSystem& files,
                         PrintHandlerServices& services) {
  MessageBox& messages = services.messages;
  if (!files.FileExists(std::string(kWorkingFileName))) {
    Tell(window, messages, std::string(kNothingToPrintMessage));
    return PrintOutcome::kRefused;
  }
  PrintLayout layout;
  if (const std::string problem = ReadPrintLayout(window, layout); !problem.empty()) {
    Tell(window, messages, problem);
    return PrintOutcome::kRefused;
  }

  window.open_p_dial.flags = 0;
  // A run the user cancelled would waste label stock and batch numbers: nothing is printed.
  if (!services.dialogs.ShowPrinter(window.open_p_dial)) return PrintOutcome::kCancelled;

  // One table serves every label of the run.
  const auto rules = std::make_unique<RuleTable>(ReadRuleTable(files));
  if (rules->error != FileError::kNone) {
    Tell(window, messages, "無法讀取工作檔 temp1.txt,沒有列印!!");
    return PrintOutcome::kRefused;
  }
  LabelDrawing how;
  SetDrawingFromWindow(how, window);
  how.pictures = services.pictures != nullptr ? services.pictures : &files;
  how.metrics = services.metrics;
  how.picture_sizes = services.picture_sizes;

  // A data file gives every row its labels; every row is formed and encoded before anything
  // is sent.
  LabelFields fields;
  std::optional<MergeData> data;
  auto refuse = [&](const std::string& problem) {
    Tell(window, messages, problem + ",沒有列印!!");
    return PrintOutcome::kRefused;
  };
  if (const std::string path = Trim(window.merge_file.text); !path.empty()) {
    MergeReadResult read = ReadMergeFile(*how.pictures, path);
    if (!read.data) return refuse(read.error);
    data = std::move(read.data);
    std::string trouble;
    const auto labels = PlanMergeRun(*data, layout.labels, kMaxLabelsPerRun, fields, trouble);
    if (!labels) return refuse(trouble);
    auto counted = std::make_unique<MainWindowModel>(window);
    counted->l_amount.text = std::to_string(*labels);
    if (const std::string problem = ReadPrintLayout(*counted, layout); !problem.empty()) {
      Tell(window, messages, problem);
      return PrintOutcome::kRefused;
    }
  }
  how.fields = &fields;
  if (const std::string problem = CheckMergeRows(*rules, fields, layout.labels, window.UnitsPerMm);
      !problem.empty())
    return refuse(problem);

  // Batch numbers the log says went out for this design: print them again, continue after
  // them, or stop.
  const BatchHistory history =
      ReadBatchHistory(services.log_path, window.CurrentFileName, *rules, layout.labels);
  if (!history.repeat.empty()) {
    const MessageAnswer answer = messages.Show(history.repeat + ",仍要列印嗎?", window.AppTitle,
                                               MessageButtons::kContinueOkCancel);
    if (answer == MessageAnswer::kCancel) return PrintOutcome::kCancelled;
    if (answer == MessageAnswer::kContinue) {
      ContinueBatchNumbers(*rules, history);
      if (!WriteContinuedStarts(files, history))
        return refuse("無法把接續的批號寫入工作檔 temp1.txt");
    }
  }

  auto log = [&](const std::string& destination, const PrintResult& result) {
    if (services.log_path.empty()) return;
    PrintLogEntry entry = MakePrintLogEntry(DesignName(window), destination, layout.labels, result);
    entry.design_path = window.CurrentFileName;
    entry.batches = BatchRanges(*rules, result.labels_sent, how);
    const std::string problem = AppendPrintLog(services.log_path, std::move(entry));
    if (!problem.empty()) Tell(window, messages, "警告: " + problem);
  };

  std::string problem;
  std::unique_ptr<Printer> printer =
      services.open_printer ? services.open_printer(window.open_p_dial, problem) : nullptr;
  if (!printer) {
    if (problem.empty()) problem = "沒有可以使用的印表機,沒有列印!!";
    Tell(window, messages, problem);
    PrintResult refused;
    refused.outcome = PrintOutcome::kRefused;
    refused.message = problem;
    log(window.open_p_dial.print_file.empty() ? window.open_p_dial.printer_name
                                              : window.open_p_dial.print_file,
        refused);
    return PrintOutcome::kRefused;
  }

  // From now on the preview shows this printer's dots.
  ShowPrinterDotsInPreview(window, printer->DotsPerInch());

  for (const PrintConcern& concern :
       CheckBeforePrinting(layout, *rules, *printer, how, services.reader)) {
    // Data its symbology refuses cannot be printed anyway: said, not asked.
    if (concern.kind == PrintConcernKind::kBadBarcodeData) {
      Tell(window, messages, concern.message + ",沒有列印");
      PrintResult refused;
      refused.outcome = PrintOutcome::kRefused;
      refused.message = concern.message;
      log(printer->Destination(), refused);
      return PrintOutcome::kRefused;
    }
    if (messages.Show(concern.message + "。\n仍要列印嗎?", window.AppTitle,
                      MessageButtons::kOkCancel) != MessageAnswer::kOk) {
      PrintResult cancelled;
      cancelled.outcome = PrintOutcome::kCancelled;
      log(printer->Destination(), cancelled);
      return PrintOutcome::kCancelled;
    }
  }

  const PrintResult result = RunLabelPrint(layout, *rules, how, *printer, services.progress);
  const std::string destination = printer->Destination();
  printer.reset();  // whatever is still open goes away before the user reads the outcome
  if (!result.message.empty()) Tell(window, messages, result.message);
  log(destination, result);
  return result.outcome;
}

}  // namespace vellomir
