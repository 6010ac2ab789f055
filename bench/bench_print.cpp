// The print run to PDF at the sizes a shop prints: labels a second, peak memory, pages and bytes
// a label. Each size runs in a process of its own, so the peak memory is that run's alone.
// Build in Release with -DVELLOMIR_BENCH=ON and run build/bench/bench_print [LABELS...]
// (default 1000 10000 100000). BENCH_PRINT_DESIGN=FILE.vlm prints that design instead (its
// picture paths taken from the current folder, as the command does); BENCH_PRINT_DPI=N prints
// on a printer's dots as `print --dpi N` does.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/design_session.h"
#include "output/pdf_printer.h"
#include "output/qt_surface.h"
#include "platform/file_system.h"
#include "render/print_job.h"
#include "ui/print_handler.h"

namespace {

namespace fs = std::filesystem;

// Labels of 105 x 148.5 mm, 2 x 2 on A4, each a Code 128 symbol with a running four-digit batch
// number under its text line, and a Ming text line with the same batch number.
const char* const kDesign[] = {
    "setting,,;10000,,;105,,;148.5,,;2,,;2,,;0,,;0,,;",
    "1,,;ABC,,;10,,;20,,;15,,;35,,;4,,;1,,;1,,;12,,;8,,;1,,;",
    "2,,;Batch ABC,,;10,,;70,,;4,,;1,,;18,,;細明體,,;0,,;0,,;",
};

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

// Processor time of this process so far: on a machine shared with others it says what the run
// costs when the wall clock also counts their work.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int RunOnce(long labels, const fs::path& folder) {
  static int argc = 1;
  static char name[] = "bench_print";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  vellomir::InstallFontSubstitutions();

  std::string design = "bench.vlm";
  if (const char* given = std::getenv("BENCH_PRINT_DESIGN")) {
    design = given;
  } else {
    fs::current_path(folder);
    std::string bytes;
    for (const char* line : kDesign) bytes += *vellomir::Utf8ToCp950(line) + "\r\n";
    std::ofstream(design, std::ios::binary) << bytes;
  }
  const char* dpi = std::getenv("BENCH_PRINT_DPI");

  vellomir::DesignSession session;
  if (const std::string problem = session.Open(design); !problem.empty()) {
    std::fprintf(stderr, "bench_print: %s\n", problem.c_str());
    return 1;
  }
  session.settings.copies = std::to_string(labels);
  const std::string out = (folder / "bench.pdf").string();

  const double cpu_start = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  int64_t pages = 0;
  vellomir::PrintLayout layout;
  if (const std::string problem = session.ReadLayout(layout);
      !problem.empty()) {
    std::fprintf(stderr, "bench_print: %s\n", problem.c_str());
    return 1;
  }
  const auto rules = std::make_unique<vellomir::RuleTable>(vellomir::ReadRuleTable(session.Work()));
  vellomir::LabelDrawing how;
  how.unitsPerMm = vellomir::kUnitsPerMm;
  how.pictures = &session.Here();
  vellomir::PrintResult result;
  uint64_t written = 0;
  {
    vellomir::PdfPrinter printer(out, dpi ? std::atoi(dpi) : 0);
    result = vellomir::RunLabelPrint(layout, *rules, how, printer,
                                     [&pages](const vellomir::PrintProgress& p) {
                                       pages = p.pages;
                                       return true;
                                     });
    for (const auto& file : result.deliveries) written += fs::file_size(file);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpu_start;
  if (result.outcome != vellomir::PrintOutcome::kPrinted) {
    std::fprintf(stderr, "bench_print: the run failed: %s\n", result.message.c_str());
    return 1;
  }
  std::printf(
      "%9ld labels %8.2f s (%.2f s cpu) %9.0f labels/s %7.1f MB peak %7ld pages %12llu bytes "
      "%6.1f bytes/label\n",
      labels, seconds, cpu, labels / seconds, PeakMegabytes(), static_cast<long>(pages),
      static_cast<unsigned long long>(written), static_cast<double>(written) / labels);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000, 100000};
  const fs::path folder = fs::temp_directory_path() / ("bench_print." + std::to_string(getpid()));
  fs::create_directories(folder);
  int status = 0;
  for (long labels : sizes) {
    if (labels < 1) continue;
    const pid_t child = fork();
    if (child == 0) std::_Exit(RunOnce(labels, folder));
    int child_status = 0;
    waitpid(child, &child_status, 0);
    if (!WIFEXITED(child_status) || WEXITSTATUS(child_status) != 0) status = 1;
  }
  // Keep the last file for a look when asked.
  if (std::getenv("BENCH_PRINT_KEEP") == nullptr)
    fs::remove_all(folder);
  else
    std::printf("kept %s\n", folder.c_str());
  return status;
}
