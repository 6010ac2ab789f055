#include "app/print_command.h"

#include <sys/stat.h>

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

#include "app/design_session.h"
#include "app/merge_options.h"
#include "app/verify_command.h"
#include "output/cups_printer.h"
#include "output/label_printer.h"
#include "output/pdf_printer.h"
#include "output/qt_surface.h"
#include "output/zxing_symbol_reader.h"
#include "platform/output_file.h"
#include "render/batch_log.h"
#include "render/label_renderer.h"
#include "render/print_job.h"
#include "render/print_log.h"
#include "render/symbol_check.h"
#include "ui/print_handler.h"

namespace vellomir {

namespace {

struct Options : DesignCommandOptions {
  bool allow_clipping = false;
  bool allow_missing_pictures = false;
};

std::string ParseOptions(const ParsedCommandLine& parsed, Options& o) {
  o.allow_clipping = parsed.Has("--allow-clipping");
  o.allow_missing_pictures = parsed.Has("--allow-missing-pictures");
  if (auto e = DesignOptionsFrom(parsed, o); !e.empty()) return e;
  if (o.output.empty() == o.printer.empty()) return "請指定 -o FILE.pdf 或 --printer NAME 其中之一";
  if (!o.output.empty() && o.output != "-" &&
      QFileInfo(QString::fromStdString(o.output)).suffix().compare("pdf", Qt::CaseInsensitive) !=
          0 &&
      LanguageOfFile(o.output) == LabelLanguage::kNone)
    return "輸出檔必須是 .pdf、.zpl 或 .epl: " + o.output;
  return {};
}

// Each line of a message of several lines.
void EachLine(const std::string& text, const std::function<void(const std::string&)>& each) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) each(line);
}

// A message's text as one line of the command's output.
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
  const ParsedCommandLine parsed = ParseCommandLine(PrintCommandSyntax(), args);
  if (const auto answer = AnswerHelpOrError(PrintCommandSyntax(), parsed, out, err)) return *answer;
  const std::optional<double> dpi = parsed.Number("--dpi");
  const bool verify = !parsed.Has("--no-verify");
  const MergeOptions merge = MergeOptionsFrom(parsed);
  if (!merge.error.empty()) return fail(merge.error);
  Options o;
  if (auto e = ParseOptions(parsed, o); !e.empty()) return fail(e);
  if (dpi && !o.printer.empty()) return fail("--dpi 只用在 -o FILE: 印表機用它自己的解析度");

  DesignSession session;
  const std::string problem = session.Open(o.design);
  for (const auto& warning : session.warnings) err << "vellomir print: " << warning << "\n";
  if (!problem.empty()) return fail(problem);
  const auto rules = std::make_unique<RuleTable>(ReadRuleTable(session.Work()));
  // Blank pages help nobody: a design without rules is refused rather than printed.
  if (rules->n == 0) return fail("標籤檔沒有任何規則, 沒有東西可以列印: " + o.design);
  if (o.copies) session.settings.copies = *o.copies;
  // A data file decides the labels: each row its quantity, or the copies field's count.
  std::optional<MergeData> data;
  if (auto e = LoadMergeData(merge, std::cin, data); !e.empty()) return fail(e);
  LabelFields fields;
  if (data) {
    PrintLayout copies;
    if (auto e = session.ReadLayout(copies); !e.empty()) return fail(e);
    std::string trouble;
    const auto labels = PlanMergeRun(*data, copies.labels, kMaxLabelsPerRun, fields, trouble);
    if (!labels) return fail(trouble);
    session.settings.copies = std::to_string(*labels);
  }
  PrintLayout layout;
  if (auto e = session.ReadLayout(layout); !e.empty()) return fail(e);
  // Every row is formed and encoded before anything is sent.
  if (auto e = CheckMergeRows(*rules, fields, layout.labels, kUnitsPerMm); !e.empty())
    return fail(e + ",沒有列印");

  const std::string design_name =
      QFileInfo(QString::fromStdString(o.design)).fileName().toStdString();
  const std::string log_path = DefaultPrintLogPath();
  std::error_code ec;
  const std::string design_path =
      std::filesystem::weakly_canonical(std::filesystem::absolute(o.design, ec), ec).string();
  LabelDrawing how = session.Drawing();
  how.fields = &fields;
  auto log = [&](const std::string& destination, const PrintResult& result) {
    PrintLogEntry entry = MakePrintLogEntry(design_name, destination, layout.labels, result);
    entry.design_path = design_path;
    entry.batches = BatchRanges(*rules, result.labels_sent, how);
    const std::string trouble = AppendPrintLog(log_path, std::move(entry));
    if (!trouble.empty()) err << "vellomir print: 警告: " << OneLine(trouble) << "\n";
  };
  auto refuse = [&](const std::string& destination, const std::string& message) {
    PrintResult refused;
    refused.outcome = PrintOutcome::kRefused;
    refused.message = message;
    log(destination, refused);
    return fail(message);
  };

  std::unique_ptr<Printer> printer;
  const LabelLanguage file_language =
      o.output.empty() ? LabelLanguage::kNone : LanguageOfFile(o.output);
  const double label_width_mm = layout.label_width / layout.units_per_mm;
  const double label_height_mm = layout.label_height / layout.units_per_mm;
  if (!o.printer.empty()) {
    std::string trouble;
    std::vector<std::string> warnings;
    ChosenPrinter chosen = OpenNamedPrinter(o.printer, label_width_mm, label_height_mm, design_name,
                                            trouble, &warnings);
    for (const auto& warning : warnings) err << "vellomir print: 警告: " << warning << "\n";
    if (!chosen.printer) return refuse(o.printer, trouble);
    printer = std::move(chosen.printer);
  } else if (file_language != LabelLanguage::kNone) {
    if (const std::string why = CheckOutputTarget(o.output); !why.empty()) return fail(why);
    std::string trouble;
    auto stream = OpenFileStream(o.output, trouble);
    if (!stream) return fail(trouble);
    LabelPrinterSetup setup;
    setup.language = file_language;
    setup.dpi = static_cast<int>(std::lround(dpi.value_or(kCoarsestPrinterDpi)));
    setup.label_width_mm = label_width_mm;
    setup.label_height_mm = label_height_mm;
    setup.destination = o.output;
    printer = std::make_unique<LabelLanguagePrinter>(setup, std::move(stream));
  } else {
    // Standard output takes one PDF; tractor feed makes one a page. Told before a byte goes out.
    if (o.output == "-" && layout.document_per_page &&
        layout.labels > static_cast<int64_t>(std::min(layout.columns * layout.rows, 1e18)))
      return fail("牽動式印表機每頁是一份文件,標準輸出只能寫一份 PDF,請改用 -o FILE.pdf");
    // Told before the run: a FIFO, device, folder or read-only file is never replaced.
    if (o.output != "-")
      if (const std::string why = CheckOutputTarget(o.output); !why.empty()) return fail(why);
    printer = std::make_unique<PdfPrinter>(o.output, dpi.value_or(0));
  }

  // Batch numbers the log says went out for this design are not printed again unless told.
  const BatchHistory history = ReadBatchHistory(log_path, design_path, *rules, layout.labels);
  if (merge.continue_batches)
    ContinueBatchNumbers(*rules, history);
  else if (!history.repeat.empty() && !merge.reprint)
    return refuse(
        printer->Destination(),
        history.repeat + ",沒有列印 (接續上次的批號請加 --continue, 照樣重印請加 --reprint)");

  // The fit check measures what labels draw with the fonts and pictures they print with.
  const QtTextMetrics metrics(kTextMetricsDpi);
  const QtPictureProbe picture_sizes;
  how.metrics = &metrics;
  how.picture_sizes = &picture_sizes;
  // Symbols that would not scan are found before any label is printed.
  ZXingSymbolReader reader;
  for (const PrintConcern& concern :
       CheckBeforePrinting(layout, *rules, *printer, how, verify ? &reader : nullptr)) {
    switch (concern.kind) {
      case PrintConcernKind::kClipping:
        if (o.allow_clipping) continue;
        return refuse(printer->Destination(),
                      concern.message + ",沒有列印 (要照樣列印請加上 --allow-clipping)");
      case PrintConcernKind::kUnreadableSymbol:
        // One line per symbol, then the verdict.
        EachLine(concern.message,
                 [&err](const std::string& line) { err << "vellomir print: " << line << "\n"; });
        if (!o.output.empty() && !dpi)
          err << "vellomir print: 這份 PDF 沒有 --dpi, 條碼照原尺寸畫, 標籤印表機 ("
              << kCoarsestPrinterDpi << " dpi) 印出來就會這樣; 加上 --dpi N (印表機的解析度) "
              << "條碼會照它的點來畫\n";
        return refuse(printer->Destination(),
                      "條碼檢查沒有通過, 沒有列印 (要照印請加 --no-verify)");
      case PrintConcernKind::kPartlyReadSymbol:
        EachLine(concern.message, [&err](const std::string& line) {
          err << "vellomir print: 警告: " << line << "\n";
        });
        continue;
      case PrintConcernKind::kUndrawableBarcode:
      case PrintConcernKind::kBadBarcodeData:
        return refuse(printer->Destination(), concern.message + ",沒有列印");
      case PrintConcernKind::kMissingPicture: {
        std::istringstream lines(concern.message);
        for (std::string line; std::getline(lines, line);)
          err << "vellomir print: " << (o.allow_missing_pictures ? "警告: " : "") << line << "\n";
      }
        if (o.allow_missing_pictures) continue;
        return refuse(printer->Destination(),
                      "有圖檔找不到或無法讀取, 沒有列印 (不印這些圖片照樣列印請加上 "
                      "--allow-missing-pictures)");
      case PrintConcernKind::kTooLongField: {
        std::istringstream lines(concern.message);
        for (std::string line; std::getline(lines, line);)
          err << "vellomir print: " << line << "\n";
      }
        return refuse(printer->Destination(), "有內容超過標籤印得出的長度, 沒有列印");
    }
  }
  const PrintResult result = RunLabelPrint(layout, *rules, how, *printer);
  // Jobs already ended stay and are listed, also when a later one failed; a run's files are
  // in place only when the whole run was.
  if (o.output != "-")
    for (const std::string& delivery : result.deliveries) out << delivery << "\n";
  log(printer->Destination(), result);
  if (result.outcome != PrintOutcome::kPrinted) return fail(result.message);
  if (!o.output.empty() && o.output != "-" && file_language == LabelLanguage::kNone) {
    // Files numbered past this run's last are an earlier run's: say so rather than let them
    // pass as part of this one.
    const auto count = static_cast<int64_t>(result.deliveries.size());
    for (int64_t n = count + 1; n < count + 1 + kMaxLabelsPerRun; ++n) {
      const std::string stray = PdfPrinter::DocumentPath(o.output, static_cast<int>(n));
      struct stat st {};
      if (::lstat(stray.c_str(), &st) != 0) break;
      err << "vellomir print: 注意: " << stray << " 不是這次列印寫的 (這次只有 " << count
          << " 個檔案)\n";
    }
  }
  if (!result.message.empty()) err << "vellomir print: 警告: " << OneLine(result.message) << "\n";
  return 0;
}

}  // namespace vellomir
