// 1,000 labels of a 50 x 30 mm EAN-13 design to a label printer on a private CUPS server, until
// CUPS reports the job completed: once as ZPL to a raw queue, once as PDF through the driver
// (Ghostscript and rastertolabel), in the same run. Prints seconds and bytes a label for each.
// Build with -DVELLOMIR_BENCH=ON, then run build/bench/bench_label_printer [LABELS].
#include <cups/cups.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "output/label_printer.h"
#include "output/qt_surface.h"
#include "platform/file_system.h"
#include "render/print_job.h"
#include "support/cups_server.h"

namespace {

const std::vector<std::string> kDesign = {
    "setting,,;1000,,;50,,;30,,;1,,;1,,;0,,;0,,;",
    "1,,;87178787,,;4,,;3,,;15,,;15,,;4,,;1,,;1,,;10,,;1,,;0,,;",
};

// Runs the labels to `queue` and waits for CUPS to complete the job; seconds in all and until the
// job was submitted, and bytes a label that reached the printer.
bool Run(vellomir::test::CupsServer& cups, const std::string& queue, int labels,
         const vellomir::RuleTable& rules, double& seconds, double& drawn, double& bytes) {
  const auto start = std::chrono::steady_clock::now();
  std::string problem;
  auto chosen = vellomir::OpenNamedPrinter(queue, 50, 30, "bench.vlm", problem);
  if (!chosen.printer) {
    std::fprintf(stderr, "%s: %s\n", queue.c_str(), problem.c_str());
    return false;
  }
  vellomir::PrintLayout layout;
  layout.label_width = layout.column_pitch = 50 * 56.5;
  layout.label_height = layout.row_pitch = 30 * 56.5;
  layout.labels = labels;
  layout.rows = 5;  // a driver's 4 x 6 in page holds five; a label printer takes them one by one
  const auto result = vellomir::RunLabelPrint(layout, rules, {}, *chosen.printer);
  if (result.outcome != vellomir::PrintOutcome::kPrinted) {
    std::fprintf(stderr, "%s: %s\n", queue.c_str(), result.message.c_str());
    return false;
  }
  chosen.printer.reset();
  drawn = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (;;) {
    const auto jobs = cups.Jobs();
    if (!jobs.empty() && jobs.back().state >= IPP_JSTATE_STOPPED) {
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      bytes = static_cast<double>(cups.Output(jobs.back().id).size()) / labels;
      return jobs.back().state == IPP_JSTATE_COMPLETED;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int labels = argc > 1 ? std::atoi(argv[1]) : 1000;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  vellomir::InstallFontSubstitutions();
  vellomir::test::TempDir dir;
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  std::filesystem::create_directories(dir.path() / "vellomir");
  {
    std::FILE* ini = std::fopen((dir.path() / "vellomir/printers.ini").c_str(), "w");
    std::fputs("[raw]\nlanguage = zpl\n", ini);
    std::fclose(ini);
  }
  vellomir::FileSystem files(dir.path().string());
  if (!files.WriteLines("temp1.txt", kDesign).ok()) return 1;
  const vellomir::RuleTable rules = vellomir::ReadRuleTable(files);
  vellomir::test::CupsServer cups;
  if (!cups.Reason().empty()) {
    std::fprintf(stderr, "no private CUPS server: %s\n", cups.Reason().c_str());
    return 1;
  }
  std::printf("%d labels of 50 x 30 mm, EAN-13, until CUPS completes the job\n", labels);
  std::printf("%-28s %10s %10s %14s\n", "path", "seconds", "submitted", "bytes a label");
  for (const auto& [queue, name] :
       {std::pair{"raw", "ZPL to a raw queue"}, std::pair{"labels", "PDF through the driver"}}) {
    double seconds = 0, drawn = 0, bytes = 0;
    if (!Run(cups, queue, labels, rules, seconds, drawn, bytes)) return 1;
    std::printf("%-28s %10.2f %10.2f %14.0f\n", name, seconds, drawn, bytes);
  }
  return 0;
}
