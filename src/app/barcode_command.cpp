#include "app/barcode_command.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "app/command_line.h"
#include "barcode/barcode_kinds.h"
#include "output/export.h"
#include "output/qt_surface.h"
#include "platform/dot_grid.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

// The bars of the one symbol a painter drew.
SymbolBars FirstSymbol(const RecordingSurface& surface) {
  for (const auto& op : surface.Ops())
    if (const auto* s = std::get_if<SymbolOp>(&op)) return s->bars;
  return {};
}

constexpr double kUnitsPerMm = 56.5;

struct Options {
  int kind = -1;
  std::string data;
  bool have_data = false;
  int16_t with_check = 0;
  int16_t with_text = 0;
  int16_t font_size = 10;
  int16_t module_width = 15;
  double height_mm = 20;
  double dpi = 600;
  std::string output;
  bool dump = false;
};

std::string ParseOptions(const ParsedCommandLine& parsed, Options& o) {
  if (!parsed.files.empty()) return "不認得的參數: " + parsed.files.front();
  if (const auto text = parsed.Text("--kind")) {
    const auto kind = BarcodeKindFromText(*text);
    if (!kind) return "不認得的條碼種類: " + *text;
    o.kind = *kind;
  }
  if (const auto data = parsed.Text("--data")) {
    o.data = *data;
    o.have_data = true;
  }
  if (parsed.Has("--check")) o.with_check = 1;
  if (parsed.Has("--text")) o.with_text = 1;
  // The table has checked each number's range, so each fits its painter argument.
  if (const auto n = parsed.Number("--font-size"))
    o.font_size = static_cast<int16_t>(RoundHalfEven(*n));
  if (const auto n = parsed.Number("--module-width"))
    o.module_width = static_cast<int16_t>(RoundHalfEven(*n));
  if (const auto n = parsed.Number("--height-mm")) o.height_mm = *n;
  if (const auto n = parsed.Number("--dpi")) o.dpi = *n;
  o.output = parsed.Text("--output").value_or("");
  o.dump = parsed.Has("--dump");
  if (o.kind < 0) return "請用 --kind 指定條碼種類 (0..14 或 Code-39, EAN-13, QR, ...)";
  if (!o.have_data) return "請用 --data 指定條碼資料";
  if (o.dump == !o.output.empty()) return "請指定 -o FILE 或 --dump 其中之一";
  if (!o.dump && !ExportFormatOf(o.output)) return "輸出檔必須是 .png, .svg 或 .pdf: " + o.output;
  if (IsCheckCharacterRequired(o.kind)) o.with_check = 1;
  return {};
}

}  // namespace

int RunBarcodeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const ParsedCommandLine parsed = ParseCommandLine(BarcodeCommandSyntax(), args);
  if (const auto answer = AnswerHelpOrError(BarcodeCommandSyntax(), parsed, out, err))
    return *answer;
  Options o;
  if (auto e = ParseOptions(parsed, o); !e.empty()) {
    err << "vellomir barcode: " << e << "\n";
    return 2;
  }
  auto pattern = EncodeBarcode(o.kind, o.data, o.with_check);
  if (!pattern || pattern->refused) {
    if (pattern && !pattern->error.empty())
      err << "vellomir barcode: 資料不合這種條碼: " << pattern->error << "\n";
    else
      err << "vellomir barcode: 資料太長, 無法畫成這種條碼\n";
    return 2;
  }
  if (o.dump) {
    out << pattern->Bits() << "\n";
    return 0;
  }

  // The painter gets its arguments as the renderer would give them, always at (0, 0): some
  // painters hold startX in 16 bits, so a text much wider than the bars must not push the
  // symbol's own x out of range. The surface's origin moves the drawing into the image.
  const int16_t bar_height =
      static_cast<int16_t>(RoundHalfEven(o.height_mm * static_cast<float>(kUnitsPerMm)));
  auto paint = [&](DrawingSurface& surface) {
    int32_t x = 0;
    PaintBarcode(o.kind, o.data, surface, o.with_check, o.with_text, o.font_size, x, 0,
                 o.module_width, bar_height);
  };

  // Measure first, so the text under the bars fits inside the image too.
  QtTextMetrics metrics(o.dpi);
  RecordingSurface probe(metrics);
  paint(probe);
  const bool png = ExportFormatOf(o.output) == ExportFormat::kPng;
  const TwipRect extent = RecordedExtent(probe, metrics, png ? o.dpi : 0);
  // A painter that refuses its input draws nothing; an image of it would be blank.
  if (extent.empty || probe.Boxes().empty()) {
    err << "vellomir barcode: 這筆資料畫不出條碼\n";
    return 2;
  }
  // The symbology's quiet zone on both sides, in modules as printed (on a PNG's pixels a module
  // may be wider than its units), the bars in the middle: a text wider than them widens both.
  const SymbolBars bars = FirstSymbol(probe);
  RecordingSurface bars_only(metrics);
  bars_only.Bars(bars);
  const TwipRect symbol = RecordedExtent(bars_only, metrics, png ? o.dpi : 0);
  double module = bars.narrow_pitch;
  double rounding = 0;  // where the bars' left edge may land within a pixel
  if (png) {
    if (const auto d = SymbolDotWidths(bars, o.dpi))
      module = static_cast<double>(d->narrow) * 1440.0 / o.dpi;
    rounding = 1440.0 / o.dpi;
  }
  const double quiet = bars.quiet_modules * std::max(1.0, module) + rounding;
  const double spill =
      std::max({0.0, symbol.left - quiet - extent.left, extent.right - symbol.right - quiet});
  const double left = symbol.left - quiet - spill;
  const double width = symbol.right - symbol.left + 2 * (quiet + spill);
  const double height = extent.bottom - extent.top + 2 * quiet;
  const QPointF origin(-left, std::floor(quiet - extent.top));

  std::string note;
  const std::string error = ExportDrawing(
      o.output, width, height, o.dpi, [&](DrawingSurface& s) { paint(s); }, origin, &note);
  if (!note.empty()) err << "vellomir barcode: " << note << "\n";
  if (!error.empty()) {
    err << "vellomir barcode: " << error << "\n";
    return 2;
  }
  return 0;
}

}  // namespace vellomir
