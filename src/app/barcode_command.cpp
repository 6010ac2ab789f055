#include "app/barcode_command.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "barcode/barcode_kinds.h"
#include "gui/export.h"
#include "gui/qt_surface.h"
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

// A whole number or decimal as typed; nothing for anything else.
std::optional<double> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  try {
    std::size_t used = 0;
    const double v = std::stod(text, &used);
    if (used != text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
  } catch (...) {
    return std::nullopt;
  }
}

std::string ParseOptions(const std::vector<std::string>& args, Options& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& into) -> std::string {
      if (i + 1 >= args.size()) return "選項 " + a + " 缺少值";
      into = args[++i];
      return {};
    };
    auto number = [&](double lo, double hi, double& into) -> std::string {
      std::string text;
      if (auto e = value(text); !e.empty()) return e;
      auto v = ParseNumber(text);
      if (!v || *v < lo || *v > hi) return "選項 " + a + " 的值不對: " + text;
      into = *v;
      return {};
    };
    std::string e;
    double n = 0;
    if (a == "--kind") {
      std::string text;
      e = value(text);
      if (e.empty()) {
        auto kind = BarcodeKindFromText(text);
        if (!kind)
          e = "不認得的條碼種類: " + text;
        else
          o.kind = *kind;
      }
    } else if (a == "--data") {
      e = value(o.data);
      o.have_data = true;
    } else if (a == "--check") {
      o.with_check = 1;
    } else if (a == "--text") {
      o.with_text = 1;
    } else if (a == "--font-size") {
      if ((e = number(1, 500, n)).empty()) o.font_size = static_cast<int16_t>(RoundHalfEven(n));
    } else if (a == "--module-width") {
      if ((e = number(1, 1000, n)).empty()) o.module_width = static_cast<int16_t>(RoundHalfEven(n));
    } else if (a == "--height-mm") {
      if ((e = number(0, 500, n)).empty()) o.height_mm = n;
    } else if (a == "--dpi") {
      if ((e = number(30, 2400, n)).empty()) o.dpi = n;
    } else if (a == "-o" || a == "--output") {
      e = value(o.output);
    } else if (a == "--dump") {
      o.dump = true;
    } else {
      e = "不認得的選項: " + a;
    }
    if (!e.empty()) return e;
  }
  if (o.kind < 0) return "請用 --kind 指定條碼種類 (0..14 或 Code-39, EAN-13, QR, ...)";
  if (!o.have_data) return "請用 --data 指定條碼資料";
  if (o.dump == !o.output.empty()) return "請指定 -o FILE 或 --dump 其中之一";
  if (!o.dump && !ExportFormatOf(o.output)) return "輸出檔必須是 .png, .svg 或 .pdf: " + o.output;
  if (IsCheckCharacterRequired(o.kind)) o.with_check = 1;
  return {};
}

}  // namespace

int RunBarcodeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  if (auto e = ParseOptions(args, o); !e.empty()) {
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
