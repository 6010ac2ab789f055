#include "barcode/code128.h"

#include "platform/text_util.h"

namespace vellomir {

namespace {

// ISO/IEC 15417, the Code 128 symbol character set: bars "1", spaces "0", one character per
// module; values 0..102 in order.
constexpr std::array<std::string_view, 103> kPatterns = {
    "11011001100", "11001101100", "11001100110", "10010011000", "10010001100",  // 0
    "10001001100", "10011001000", "10011000100", "10001100100", "11001001000",  // 5
    "11001000100", "11000100100", "10110011100", "10011011100", "10011001110",  // 10
    "10111001100", "10011101100", "10011100110", "11001110010", "11001011100",  // 15
    "11001001110", "11011100100", "11001110100", "11101101110", "11101001100",  // 20
    "11100101100", "11100100110", "11101100100", "11100110100", "11100110010",  // 25
    "11011011000", "11011000110", "11000110110", "10100011000", "10001011000",  // 30
    "10001000110", "10110001000", "10001101000", "10001100010", "11010001000",  // 35
    "11000101000", "11000100010", "10110111000", "10110001110", "10001101110",  // 40
    "10111011000", "10111000110", "10001110110", "11101110110", "11010001110",  // 45
    "11000101110", "11011101000", "11011100010", "11011101110", "11101011000",  // 50
    "11101000110", "11100010110", "11101101000", "11101100010", "11100011010",  // 55
    "11101111010", "11001000010", "11110001010", "10100110000", "10100001100",  // 60
    "10010110000", "10010000110", "10000101100", "10000100110", "10110010000",  // 65
    "10110000100", "10011010000", "10011000010", "10000110100", "10000110010",  // 70
    "11000010010", "11001010000", "11110111010", "11000010100", "10001111010",  // 75
    "10100111100", "10010111100", "10010011110", "10111100100", "10011110100",  // 80
    "10011110010", "11110100100", "11110010100", "11110010010", "11011011110",  // 85
    "11011110110", "11110110110", "10101111000", "10100011110", "10001011110",  // 90
    "10111101000", "10111100010", "11110101000", "11110100010", "10111011110",  // 95
    "10111101110", "11101011110", "11110101110",                                // 100
};

// Storage the one-character and two-digit set texts point into.
constexpr std::array<char, 128> kAscii = [] {
  std::array<char, 128> a{};
  for (int i = 0; i < 128; ++i) a[i] = static_cast<char>(i);
  return a;
}();
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> a{};
  for (int i = 0; i < 100; ++i) {
    a[2 * i] = static_cast<char>('0' + i / 10);
    a[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return a;
}();

constexpr std::string_view Ascii(int code) { return {kAscii.data() + code, 1}; }

constexpr Code128Table kCode128Table = [] {
  constexpr std::array<std::string_view, 7> kNamesA = {"FNC3",   "FNC2", "Shift", "Code C",
                                                       "Code B", "FNC4", "FNC1"};
  constexpr std::array<std::string_view, 7> kNamesB = {"FNC3", "FNC2",   "Shift", "Code C",
                                                       "FNC4", "Code A", "FNC1"};
  Code128Table t{};
  for (int v = 0; v < 103; ++v) {
    Code128Entry& e = t[v];
    e.pattern = kPatterns[v];
    if (v < 64) {
      e.set_a = Ascii(32 + v);
    } else if (v < 96) {
      e.set_a = Ascii(v - 64);  // control characters 0..31
    } else {
      e.set_a = kNamesA[v - 96];
    }
    e.set_b = v < 96 ? Ascii(32 + v) : kNamesB[v - 96];
    if (v < 100) e.set_c = std::string_view(kDigitPairs.data() + 2 * v, 2);
  }
  return t;
}();

// The first value whose text in the set is exactly the character; -1 when none is.
int LookUp(const Code128Table& table, std::string_view Code128Entry::*set, char32_t c) {
  for (int v = 0; v < 103; ++v) {
    const std::string_view text = table[v].*set;
    if (text.size() == 1 && char32_t{static_cast<unsigned char>(text[0])} == c) return v;
  }
  return -1;
}

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

int StartValue(Code128Set set) {
  switch (set) {
    case Code128Set::kA:
      return kCode128StartA;
    case Code128Set::kB:
      return kCode128StartB;
    case Code128Set::kC:
      break;
  }
  return kCode128StartC;
}

int CodeSetValue(Code128Set set) {
  switch (set) {
    case Code128Set::kA:
      return kCode128CodeA;
    case Code128Set::kB:
      return kCode128CodeB;
    case Code128Set::kC:
      break;
  }
  return kCode128CodeC;
}

std::string_view PatternOf(const Code128Table& table, int value) {
  switch (value) {
    case kCode128StartA:
      return kCode128StartAPattern;
    case kCode128StartB:
      return kCode128StartBPattern;
    case kCode128StartC:
      return kCode128StartCPattern;
    default:
      return table[value].pattern;
  }
}

}  // namespace

const Code128Table& BuildCode128Table() { return kCode128Table; }

std::optional<std::vector<Code128Symbol>> ChooseCode128Symbols(const std::string& data) {
  const Code128Table& table = BuildCode128Table();
  const std::u32string chars = ToCodePoints(data);
  std::vector<Code128Symbol> list;
  Code128Set current = Code128Set::kC;
  std::size_t p = 0;
  while (p < chars.size()) {
    if (p + 1 < chars.size() && IsDigit(chars[p]) && IsDigit(chars[p + 1])) {
      // A pair of digits always goes to set C, whatever set is current.
      const int value = int(chars[p] - U'0') * 10 + int(chars[p + 1] - U'0');
      list.push_back({value, Code128Set::kC});
      current = Code128Set::kC;
      p += 2;
    } else {
      const char32_t c = chars[p++];
      // While A is current it is kept for characters both sets have; otherwise B is preferred.
      const bool a_first = current == Code128Set::kA;
      const Code128Set first = a_first ? Code128Set::kA : Code128Set::kB;
      const Code128Set second = a_first ? Code128Set::kB : Code128Set::kA;
      auto member = [](Code128Set s) {
        return s == Code128Set::kA ? &Code128Entry::set_a : &Code128Entry::set_b;
      };
      if (int v = LookUp(table, member(first), c); v >= 0) {
        list.push_back({v, first});
        current = first;
      } else if (v = LookUp(table, member(second), c); v >= 0) {
        list.push_back({v, second});
        current = second;
      } else {
        continue;  // in neither set: left out of the symbol
      }
    }
    if (list.size() > kCode128ListSize) return std::nullopt;
  }
  return list;
}

Code128Encoding EncodeCode128(const std::string& data, int16_t withCheck) {
  const Code128Table& table = BuildCode128Table();
  Code128Encoding enc;
  SymbolPattern& p = enc.pattern;
  p.text = data;
  p.gap = kTextGap;
  p.start_x_16bit = false;
  const auto list = ChooseCode128Symbols(data);
  if (!list) {
    // A cut symbol would scan as other data; a missing one is noticed.
    p.refused = true;
    return enc;
  }

  if (!list->empty()) {
    enc.values.push_back(StartValue(list->front().set));
    for (std::size_t i = 0; i < list->size(); ++i) {
      const Code128Symbol& s = (*list)[i];
      if (i > 0 && s.set != (*list)[i - 1].set) enc.values.push_back(CodeSetValue(s.set));
      enc.values.push_back(s.value);
    }
  }
  if (withCheck == 1) {
    // Start value plus each following value weighted by its position; kept reduced.
    int sum = enc.values.empty() ? 0 : enc.values[0];
    for (std::size_t i = 1; i < enc.values.size(); ++i)
      sum = static_cast<int>((sum + (i % 103) * enc.values[i]) % 103);
    enc.values.push_back(sum % 103);
  }

  std::string modules;
  modules.reserve(enc.values.size() * 11 + kCode128StopPattern.size());
  for (int v : enc.values) modules += PatternOf(table, v);
  modules += kCode128StopPattern;
  p.Append(std::move(modules));
  return enc;
}

void PaintCode128(const std::string& data, DrawingSurface& surface, int16_t withCheck,
                  int16_t withText, int16_t fontSize, int32_t& x, int32_t y, int16_t moduleWidth,
                  int16_t barHeight) {
  DrawSymbol(EncodeCode128(data, withCheck).pattern, surface, withText, fontSize, x, y, moduleWidth,
             barHeight);
}

}  // namespace vellomir
