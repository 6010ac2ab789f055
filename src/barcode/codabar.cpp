#include "barcode/codabar.h"

#include "platform/text_util.h"

namespace vellomir {

namespace {

// Codabar has no ISO standard; the characters follow AIM's Codabar symbology (ANSI/AIM BC3):
// seven elements each, "1" wide, bars and spaces alternating from a bar.
constexpr CodabarTable kCodabarTable = {{
    {U'0', "0000011"}, {U'1', "0000110"}, {U'2', "0001001"}, {U'3', "1100000"}, {U'4', "0010010"},
    {U'5', "1000010"}, {U'6', "0100001"}, {U'7', "0100100"}, {U'8', "0110000"}, {U'9', "1001000"},
    {U'+', "0010101"}, {U'-', "0001100"}, {U'*', "1010101"}, {U'/', "1010001"}, {U'$', "0011000"},
    {U'.', "1010100"}, {U':', "1000101"}, {U'A', "0011010"}, {U'B', "0101001"}, {U'C', "0001011"},
    {U'D', "0001110"}, {U'a', "0011010"}, {U'b', "0101001"}, {U'c', "0001011"}, {U'd', "0001110"},
}};

constexpr char kCharacterGap = '0';  // one narrow space
// On a printer's dots: 3/7 at 203 and 300 dpi, 7/16 at 600 with the default module. The
// characters . / : + have three wide bars and no wide space, so ink spread pushes their bars
// past three narrow spaces, where ZXing gives up: 2/5 reads with ZXing on 8 in 50 symbols after
// half a dot of spread. On 2/4 a camera of 150 dpi reads none with ZXing, on 3/7 all; narrow
// elements of 3 dots at least.
constexpr double kDotWideRatio = 2.25;
constexpr int kMinNarrowDots = 3;

}  // namespace

const CodabarTable& BuildCodabarTable() { return kCodabarTable; }

SymbolPattern EncodeCodabar(const std::string& data) {
  const CodabarTable& table = BuildCodabarTable();
  SymbolPattern p;
  p.kind = PatternKind::kElements;
  p.gap = kCodabarTextGap;
  p.start_x_16bit = false;
  p.text = data;
  p.dot_wide_ratio = kDotWideRatio;
  p.min_module_dots = kMinNarrowDots;
  const std::u32string chars = ToCodePoints(data);
  if (chars.size() > kIndexListSize) {
    // A cut symbol would scan as other data; a missing one is noticed.
    p.refused = true;
    return p;
  }

  std::string elements;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    std::size_t index = 0;  // not found: drawn as "0"
    for (std::size_t k = 0; k < table.size(); ++k) {
      if (table[k].character == chars[i]) {
        index = k;
        break;
      }
    }
    if (i > 0) elements += kCharacterGap;
    elements += table[index].elements;
  }
  p.Append(std::move(elements), kCodabarTextGap);
  return p;
}

}  // namespace vellomir
