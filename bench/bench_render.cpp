// How long the painters and the renderer take, on the recording surface the preview uses.
// Build with -DVELLOMIR_BENCH=ON and run build/bench/bench_render.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "barcode/barcode_kinds.h"
#include "platform/printer.h"
#include "platform/recording_surface.h"
#include "render/label_renderer.h"
#include "render/print_log.h"

namespace vellomir {
namespace {

const char* const kRules[] = {
    "1,,;LOT-,,;5,,;5,,;15,,;12,,;4,,;1,,;1,,;9,,;8,,;1,,;",
    "2,,;批號 LOT-,,;5,,;22,,;4,,;1,,;12,,;細明體,,;1,,;0,,;",
    "2,,;品名:烏龍茶葉 150g,,;5,,;32,,;,,;,,;11,,;細明體,,;0,,;0,,;",
    "1,,;4006381333931,,;5,,;40,,;15,,;10,,;,,;,,;1,,;9,,;1,,;0,,;",
};

RuleTable SampleRules() {
  RuleTable table;
  for (const char* line : kRules) FillRuleRow(table, table.n++, line);
  return table;
}

// Encoding and drawing one symbol of each kind.
void BM_PaintEveryKind(benchmark::State& state) {
  FixedPitchMetrics metrics(100);
  const char* data[] = {"LOT42",        "400638133393", "9638507", "003600029145", "0425261",
                        "004210000526", "1234567890",   "A40156B", "Lot 42-a"};
  for (auto _ : state) {
    RecordingSurface surface(metrics);
    for (int kind = 0; kind < 9; ++kind) {
      int32_t x = 1000;
      PaintBarcode(kind, data[kind], surface, 1, 1, 9, x, 500, 15, 1130);
    }
    benchmark::DoNotOptimize(surface.Ops().size());
  }
}
BENCHMARK(BM_PaintEveryKind);

// One label of the sample kind, as the preview draws it.
void BM_DrawLabel(benchmark::State& state) {
  FixedPitchMetrics metrics(100);
  const RuleTable rules = SampleRules();
  double label = 0;
  for (auto _ : state) {
    RecordingSurface surface(metrics);
    DrawLabel(surface, rules, 0, 0, ++label, LabelDrawing{});
    benchmark::DoNotOptimize(surface.Ops().size());
  }
}
BENCHMARK(BM_DrawLabel);

// A long Code 128 symbol: the encoder's greedy walk over 500 characters.
void BM_Code128Long(benchmark::State& state) {
  FixedPitchMetrics metrics(100);
  std::string data;
  for (int i = 0; i < 250; ++i) data += (i % 2) ? "a1" : "12";
  for (auto _ : state) {
    RecordingSurface surface(metrics);
    int32_t x = 0;
    PaintBarcode(8, data, surface, 1, 0, 9, x, 0, 2, 500);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_Code128Long);

// `vellomir log` over a tail without line ends (a damaged log): the time should grow with the
// size, not with its square. Arg: megabytes.
void BM_LogTailWithoutLineEnds(benchmark::State& state) {
  char path[] = "/tmp/vellomir-bench-log-XXXXXX";
  const int fd = ::mkstemp(path);
  const std::string block(1 << 20, 'x');
  for (int64_t i = 0; i < state.range(0); ++i)
    if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) break;
  ::close(fd);
  for (auto _ : state) benchmark::DoNotOptimize(LastPrintLogLines(path, 20));
  ::unlink(path);
  state.SetBytesProcessed(state.iterations() * state.range(0) * (1 << 20));
}
BENCHMARK(BM_LogTailWithoutLineEnds)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vellomir
