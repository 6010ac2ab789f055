#include "app/print_command.h"

#include <sys/stat.h>

#include <QFileInfo>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>

#include "app/design_session.h"
#include "gui/qt_printer.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "platform/output_file.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"
#include "render/print_job.h"
#include "render/undrawable_barcode.h"

namespace vellomir {

namespace {

using Options = DesignCommandOptions;

std::string ParseOptions(const std::vector<std::string>& args, Options& o) {
  if (auto e = ParseDesignCommandOptions(args, /*with_printer=*/true, o); !e.empty()) return e;
  if (o.output.empty() == o.printer.empty()) return "請指定 -o FILE.pdf 或 --printer NAME 其中之一";
  if (!o.output.empty() && o.output != "-" &&
      QFileInfo(QString::fromStdString(o.output)).suffix().compare("pdf", Qt::CaseInsensitive) != 0)
    return "輸出檔必須是 .pdf: " + o.output;
  return {};
}

// A message box's text as one line of the command's output.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

// Labels the run prints: the copies field, whole, at least one (as the print run counts them).
std::int64_t LabelsOfRun(const MainWindowModel& window) {
  const double amount = NumericValue(window.l_amount.text);
  if (amount <= 1) return 1;
  if (amount > static_cast<double>(kMaxLabelsPerRun)) return kMaxLabelsPerRun;
  return static_cast<std::int64_t>(std::ceil(amount));
}

}  // namespace

int RunPrintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  auto fail = [&err](const std::string& message) {
    err << "vellomir print: " << OneLine(message) << "\n";
    return 2;
  };
  Options o;
  if (auto e = ParseOptions(args, o); !e.empty()) return fail(e);

  DesignSession session;
  const std::string problem = session.Open(o.design);
  for (const auto& warning : session.warnings) err << "vellomir print: " << warning << "\n";
  if (!problem.empty()) return fail(problem);
  // Blank pages help nobody: a design without rules is refused rather than printed.
  if (ReadRuleTable(session.Work()).n == 0)
    return fail("標籤檔沒有任何規則, 沒有東西可以列印: " + o.design);
  if (o.copies) session.window.l_amount.text = *o.copies;

  // Standard output takes one PDF; tractor feed makes one a page. Told before a byte goes out.
  if (o.output == "-" && session.window.PrinterType == "0") {
    const double per_page = std::floor(NumericValue(session.window.l_col.text)) *
                            std::floor(NumericValue(session.window.l_row.text));
    if (per_page >= 1 && static_cast<double>(LabelsOfRun(session.window)) > per_page)
      return fail("牽動式印表機每頁是一份文件,標準輸出只能寫一份 PDF,請改用 -o FILE.pdf");
  }
  // Refused before a page is drawn: a barcode that some label cannot hold would be missing
  // from it without a trace.
  {
    const auto rules = std::make_unique<RuleTable>(ReadRuleTable(session.Work()));
    if (const auto undrawable =
            FindUndrawableBarcode(*rules, LabelsOfRun(session.window), session.window.UnitsPerMm))
      return fail(DescribeUndrawableBarcode(*rules, *undrawable) + ",沒有列印");
  }

  std::unique_ptr<QPrinter> system_printer;
  std::unique_ptr<Printer> printer;
  PdfPrinter* pdf = nullptr;
  if (!o.printer.empty()) {
    system_printer = SystemPrinter(o.printer);
    if (!system_printer) return fail("找不到印表機: " + o.printer);
    printer = std::make_unique<QtPrinter>(*system_printer);
  } else {
    // Told before the run: a FIFO, device, folder or read-only file is never replaced.
    if (o.output != "-")
      if (const std::string why = CheckOutputTarget(o.output); !why.empty()) return fail(why);
    auto writer = std::make_unique<PdfPrinter>(o.output);
    pdf = writer.get();
    printer = std::move(writer);
  }

  // No one to answer a print dialog here: the printer is the one named on the command line.
  ScriptedDialogs dialogs;
  ScriptedMessageBox messages;
  const PrintOutcome outcome =
      PrintLabels(session.window, session.Work(), messages, dialogs, *printer, {}, &session.Here());
  if (outcome != PrintOutcome::kPrinted)
    return fail(messages.shown.empty() ? "沒有列印" : messages.shown.back().text);
  if (pdf == nullptr) return 0;
  // The run's files go in place together, only once every one of them is whole.
  const bool committed = pdf->Commit();
  if (o.output != "-") {
    for (const std::string& name : pdf->Written()) out << name << "\n";
    // Files numbered past this run's last are an earlier run's: say so rather than let them
    // pass as part of this one.
    const int count = static_cast<int>(pdf->Written().size());
    for (int n = count + 1; committed && n < count + 1 + kMaxLabelsPerRun; ++n) {
      const std::string stray = PdfPrinter::DocumentPath(o.output, n);
      struct stat st {};
      if (::lstat(stray.c_str(), &st) != 0) break;
      err << "vellomir print: 注意: " << stray << " 不是這次列印寫的 (這次只有 " << count
          << " 個檔案)\n";
    }
  }
  if (!committed) return fail(pdf->Error());
  return 0;
}

}  // namespace vellomir
