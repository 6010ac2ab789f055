#include "app/print_command.h"

#include <QFileInfo>
#include <memory>
#include <optional>
#include <ostream>

#include "app/design_session.h"
#include "gui/qt_printer.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"
#include "render/print_job.h"

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

  std::unique_ptr<QPrinter> system_printer;
  std::unique_ptr<Printer> printer;
  PdfPrinter* pdf = nullptr;
  if (!o.printer.empty()) {
    system_printer = SystemPrinter(o.printer);
    if (!system_printer) return fail("找不到印表機: " + o.printer);
    printer = std::make_unique<QtPrinter>(*system_printer);
  } else {
    auto writer = std::make_unique<PdfPrinter>(o.output);
    pdf = writer.get();
    printer = std::move(writer);
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
