#include "app/print_command.h"

#include <QFileInfo>
#include <memory>
#include <optional>
#include <ostream>

#include "app/design_session.h"
#include "app/verify_command.h"
#include "gui/qt_printer.h"
#include "gui/zxing_symbol_reader.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"
#include "render/print_job.h"
#include "render/symbol_check.h"

namespace vellomir {

namespace {

using Options = DesignCommandOptions;

std::string ParseOptions(const std::vector<std::string>& args, Options& o) {
  if (auto e = ParseDesignCommandOptions(args, /*with_printer=*/true, o); !e.empty()) return e;
  if (o.output.empty() == o.printer.empty()) return "請指定 -o FILE.pdf 或 --printer NAME 其中之一";
  if (!o.output.empty() &&
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

// Resolution the symbols are read back at before a PDF run for no particular printer: what a
// print system typically rasterises such a PDF at.
constexpr double kPdfCheckDpi = 300;

// Every barcode of the first and last label read back at the resolution the run prints at.
// Returns the warnings, one line each; empty when every symbol reads.
std::vector<std::string> CheckSymbolsBeforeRun(const DesignSession& session, double dpi,
                                               bool on_dots) {
  const auto rules = std::make_unique<RuleTable>(ReadRuleTable(session.Work()));
  LabelDrawing how;
  how.unitsPerMm = session.window.UnitsPerMm;
  how.pictures = &session.Here();
  ZXingSymbolReader reader;
  return SymbolWarnings(*rules, NumericValue(session.window.l_amount.text), how, dpi, on_dots,
                        reader);
}

}  // namespace

int RunPrintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  auto fail = [&err](const std::string& message) {
    err << "vellomir print: " << OneLine(message) << "\n";
    return 2;
  };
  std::vector<std::string> rest = args;
  const DpiOption dpi = TakeDpiOption(rest);
  if (!dpi.error.empty()) return fail(dpi.error);
  const bool verify = !TakeFlag(rest, "--no-verify");
  Options o;
  if (auto e = ParseOptions(rest, o); !e.empty()) return fail(e);
  if (dpi.dpi && !o.printer.empty())
    return fail("--dpi 只用在 -o FILE.pdf: 印表機用它自己的解析度");

  DesignSession session;
  const std::string problem = session.Open(o.design);
  for (const auto& warning : session.warnings) err << "vellomir print: " << warning << "\n";
  if (!problem.empty()) return fail(problem);
  // Blank pages help nobody: a design without rules is refused rather than printed.
  if (ReadRuleTable(session.Work()).n == 0)
    return fail("標籤檔沒有任何規則, 沒有東西可以列印: " + o.design);
  if (o.copies) session.window.l_amount.text = *o.copies;

  std::unique_ptr<QPrinter> system_printer;
  std::unique_ptr<Printer> printer;
  PdfPrinter* pdf = nullptr;
  if (!o.printer.empty()) {
    system_printer = SystemPrinter(o.printer);
    if (!system_printer) return fail("找不到印表機: " + o.printer);
    printer = std::make_unique<QtPrinter>(*system_printer);
  } else {
    auto writer = std::make_unique<PdfPrinter>(o.output, dpi.dpi.value_or(0));
    pdf = writer.get();
    printer = std::move(writer);
  }

  // Symbols that would not scan are found before any label is printed.
  if (verify) {
    const double check_dpi =
        system_printer ? system_printer->resolution() : dpi.dpi.value_or(kPdfCheckDpi);
    const auto warnings =
        CheckSymbolsBeforeRun(session, check_dpi, system_printer != nullptr || dpi.dpi.has_value());
    for (const auto& w : warnings) err << "vellomir print: " << w << "\n";
    if (!warnings.empty()) return fail("條碼檢查沒有通過, 沒有列印 (要照印請加 --no-verify)");
  }

  // No one to answer a print dialog here: the printer is the one named on the command line.
  ScriptedDialogs dialogs;
  ScriptedMessageBox messages;
  const PrintOutcome outcome =
      PrintLabels(session.window, session.Work(), messages, dialogs, *printer, {}, &session.Here());
  // Files already ended stay and are listed, also when a later one failed.
  if (pdf != nullptr)
    for (const std::string& name : pdf->Written()) out << name << "\n";
  if (outcome == PrintOutcome::kPrinted) return 0;
  return fail(messages.shown.empty() ? "沒有列印" : messages.shown.front().text);
}

}  // namespace vellomir
