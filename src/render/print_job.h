#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/printer.h"
#include "form/main_window_model.h"

// The print run: the design drawn label after label in a grid of columns and rows, page after
// page, until the number of copies is reached, each label with its own running label number.
namespace vellomir {

inline constexpr std::string_view kNothingToPrintMessage = "請編輯後再列印 或 先讀取一個資料檔";

// Most labels one run prints; a larger copies field is refused rather than run for days.
inline constexpr int64_t kMaxLabelsPerRun = 1000000;

// Where a run stands when a page holds all its labels.
struct PrintProgress {
  int64_t pages = 0;   // pages filled so far, this one included
  int64_t labels = 0;  // labels drawn so far
  int64_t total = 0;   // labels the run prints
};

// Called each time a page holds all its labels, before the page goes to the printer. Returning
// false makes that page the last one: the run ends its document and stops.
using PrintProgressCallback = std::function<bool(const PrintProgress&)>;

enum class PrintOutcome {
  kPrinted,       // every label printed, the last document ended
  kCancelled,     // stopped through the progress callback; what was drawn was sent
  kRefused,       // a message said why; nothing was printed
  kPrinterError,  // the printer failed; a message said so with its own words
};

// print_rule: shows the print setup on open_p_dial (whatever its outcome, the run goes on),
// reads the rules once, and prints l_amount labels (at least one) in a grid of l_col x l_row
// labels of l_paper_width x l_paper_height mm with gaps d_col and d_row. A full page ends the
// document when PrinterType is "0" (tractor feed) and starts a new page otherwise. Picture
// paths are looked up through `pictures` when given, else through `files`.
PrintOutcome PrintLabels(MainWindowModel& window, const FileSystem& files, MessageBox& messages,
                         DialogService& dialogs, Printer& printer,
                         const PrintProgressCallback& progress = {},
                         const FileSystem* pictures = nullptr);

}  // namespace vellomir
