#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/drawing_surface.h"

// Reading printed symbols back as a scanner would, from a drawing made at a device's
// resolution. The print run asks one before it prints (see render/symbol_check.h).
namespace vellomir {

class TextMetrics;
class PictureProbe;

// A rectangle in twips: left..right, top..bottom.
struct TwipArea {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// What one decoder made of a symbol.
struct DecoderReading {
  std::string decoder;              // its name, as messages give it ("ZXing", "zbar")
  std::optional<std::string> text;  // nothing when it read nothing
};

class SymbolReader {
 public:
  virtual ~SymbolReader() = default;
  // A white page covering `area` at dots_per_inch, to draw one label on. With on_dots, symbols
  // are laid on the page's dots as a printer surface lays them; without, they keep exact units
  // and land on dots as a rasteriser puts them. The surface is valid until the next call.
  virtual DrawingSurface& NewPage(const TwipArea& area, double dots_per_inch, bool on_dots) = 0;
  // The one symbol of the barcode kind inside the area of the page, as a scanner reports
  // it; nothing when none reads. The area must hold no other symbol.
  virtual std::optional<std::string> Read(const TwipArea& area, int kind) = 0;
  // The same symbol as each decoder this reader has reads it; scanners differ, and a symbol
  // should read with every one. By default the one reading of Read.
  virtual std::vector<DecoderReading> ReadEach(const TwipArea& area, int kind) {
    return {DecoderReading{"", Read(area, kind)}};
  }
  // Text widths and picture sizes as the pages are drawn, to find where a label's texts and
  // pictures end; nothing when the reader does not measure them.
  virtual const TextMetrics* Metrics() const { return nullptr; }
  virtual const PictureProbe* Pictures() const { return nullptr; }
};

}  // namespace vellomir
