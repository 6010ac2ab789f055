#include "barcode/interleaved_2of5.h"

#include "platform/text_util.h"

namespace vellomir {

namespace {

// ISO/IEC 16390, the symbol character encodation of Interleaved 2 of 5: the five elements of
// each digit, "1" wide.
constexpr Inter25Table kInter25Table = {
    "00110", "10001", "01001", "11000", "00101",  // 0..4
    "10100", "01100", "00011", "10010", "01010",  // 5..9
};

// Wide elements of at least 2.2 narrow ones where the narrow prints under 0.5 mm, of at least 2
// otherwise (ISO/IEC 16390). The units give 31:16, below both: on a 203-dpi printer that is 2
// and 4 dots, and one dot of ink spread puts a narrow bar (3 dots) right on the line between
// narrow and wide, where 2 and 5 leave it room.
constexpr WideFloor kWideFloor{2.0, 2.2, 0.5};

}  // namespace

const Inter25Table& BuildInter25Table() { return kInter25Table; }

std::string PadInter25(const std::string& data) {
  return CodePointCount(data) % 2 == 1 ? "0" + data : data;
}

SymbolPattern EncodeInter25(const std::string& data) {
  const Inter25Table& table = BuildInter25Table();
  SymbolPattern p;
  p.kind = PatternKind::kElements;
  p.gap = kInter25TextGap;
  p.wide_floor = kWideFloor;
  p.text = PadInter25(data);
  const std::u32string chars = ToCodePoints(p.text);
  if (chars.size() / 2 > kInter25MaxPairs) {
    // A cut symbol would scan as other digits; a missing one is noticed.
    p.refused = true;
    return p;
  }

  std::string elements(kInter25Start);
  for (std::size_t i = 0; i + 1 < chars.size(); i += 2) {
    // First digit of the pair in the bars, second in the spaces between them.
    const std::string_view bars = table[DigitValue(chars[i])];
    const std::string_view spaces = table[DigitValue(chars[i + 1])];
    for (std::size_t k = 0; k < 5; ++k) {
      elements += bars[k];
      elements += spaces[k];
    }
  }
  elements += kInter25Stop;
  p.Append(std::move(elements), kInter25TextGap);
  return p;
}

void PaintInter25(std::string& data, DrawingSurface& surface, int16_t withText, int16_t fontSize,
                  int32_t& x, int32_t y, int16_t moduleWidth, int16_t barHeight) {
  const SymbolPattern p = EncodeInter25(data);
  if (DrawSymbol(p, surface, withText, fontSize, x, y, moduleWidth, barHeight)) data = p.text;
}

}  // namespace vellomir
