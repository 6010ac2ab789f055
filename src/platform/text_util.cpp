#include "platform/text_util.h"

#include <iconv.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace vellomir {

std::u32string ToCodePoints(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    int extra = 0;
    char32_t cp = c;
    if (c >= 0xF0 && c < 0xF8) {
      extra = 3;
      cp = c & 0x07;
    } else if (c >= 0xE0) {
      extra = (c < 0xF0) ? 2 : 0;
      cp = c & 0x0F;
    } else if (c >= 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    }
    if (c >= 0x80 && extra == 0) {  // stray byte: keep it countable as one replacement
      out.push_back(U'\uFFFD');
      ++i;
      continue;
    }
    bool ok = true;
    std::size_t j = 1;
    for (; ok && j <= static_cast<std::size_t>(extra); ++j) {
      if (i + j >= s.size()) {
        ok = false;
        break;
      }
      const auto cc = static_cast<unsigned char>(s[i + j]);
      if ((cc & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) {
      out.push_back(U'\uFFFD');
      ++i;
      continue;
    }
    out.push_back(cp);
    i += 1 + extra;
  }
  return out;
}

std::string FromCodePoints(std::u32string_view cps) {
  std::string out;
  out.reserve(cps.size());
  for (char32_t cp : cps) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::size_t CodePointCount(std::string_view s) {
  std::size_t n = 0;
  for (char ch : s)
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
  return n;
}

std::string Trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t b = 0, e = text.size();
  while (b < e && blank(text[b])) ++b;
  while (e > b && blank(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

double NumericValue(std::string_view raw) {
  // Plain digits, what most fields hold, read without a copy: up to 15 digits the value is exact,
  // as strtod would give it.
  if (!raw.empty() && raw.size() <= 15) {
    std::uint64_t whole = 0;
    std::size_t i = 0;
    while (i < raw.size() && raw[i] >= '0' && raw[i] <= '9') whole = whole * 10 + (raw[i++] - '0');
    if (i == raw.size()) return static_cast<double>(whole);
  }
  const std::string t = Trim(raw);
  // Blanks between the parts of the number are skipped.
  std::string num;
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
  };
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) num.push_back(t[i++]);
  skip_blanks();
  bool digits = false, point = false;
  while (i < t.size()) {
    const char c = t[i];
    if (c >= '0' && c <= '9') {
      num.push_back(c);
      digits = true;
    } else if (c == '.' && !point) {
      num.push_back(c);
      point = true;
    } else if (c != ' ' && c != '\t') {
      break;
    }
    ++i;
  }
  if (!digits) return 0;
  // Optional exponent, taken only when digits follow it.
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E' || t[i] == 'd' || t[i] == 'D')) {
    std::size_t j = i + 1;
    std::string exp = "e";
    while (j < t.size() && (t[j] == ' ' || t[j] == '\t')) ++j;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) exp.push_back(t[j++]);
    bool exp_digits = false;
    while (j < t.size() && ((t[j] >= '0' && t[j] <= '9') || t[j] == ' ' || t[j] == '\t')) {
      if (t[j] != ' ' && t[j] != '\t') {
        exp.push_back(t[j]);
        exp_digits = true;
      }
      ++j;
    }
    if (exp_digits) num += exp;
  }
  // Beyond a double's range a number reads as infinity, so that every range check after it
  // refuses it; a number too small to hold reads as 0.
  errno = 0;
  const double v = std::strtod(num.c_str(), nullptr);
  if (errno == ERANGE && !std::isinf(v)) return 0;
  return v;
}

// Written out rather than std::nearbyint, which follows whatever rounding mode the process
// happens to be in (a library may leave it changed).
double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double below = std::floor(value);
  const double fraction = value - below;  // exact: both lie in the same binade or fraction is 0
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::optional<int16_t> ToInt16(double value) {
  const double r = RoundHalfEven(value);
  if (!std::isfinite(r) || r < -32768.0 || r > 32767.0) return std::nullopt;
  return static_cast<int16_t>(r);
}

std::optional<int32_t> ToInt32(double value) {
  const double r = RoundHalfEven(value);
  if (!std::isfinite(r) || r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
  return static_cast<int32_t>(r);
}

namespace {

struct UserDefinedBlock {
  unsigned char first_lead;
  unsigned char last_lead;
  char32_t first_code;
};
// In the order of their private use codes: the blocks follow each other without a gap.
constexpr UserDefinedBlock kUserDefinedBlocks[] = {
    {0xFA, 0xFE, 0xE000},  // 5 rows: U+E000..U+E310
    {0x8E, 0xA0, 0xE311},  // 19 rows: U+E311..U+EEB7
    {0x81, 0x8D, 0xEEB8},  // 13 rows: U+EEB8..U+F6B0
};
constexpr int kCodesPerRow = 157;  // 63 trail bytes 0x40-0x7E, 94 trail bytes 0xA1-0xFE

// Index of a trail byte within its row; -1 for a byte that is no trail byte.
int TrailIndex(unsigned char trail) {
  if (trail >= 0x40 && trail <= 0x7E) return trail - 0x40;
  if (trail >= 0xA1 && trail <= 0xFE) return 63 + (trail - 0xA1);
  return -1;
}

bool IsUserDefinedLead(unsigned char lead) {
  return (lead >= 0x81 && lead <= 0xA0) || (lead >= 0xFA && lead <= 0xFE);
}

// One iconv conversion for a whole text, fed piece by piece.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Appends the conversion of `in` to `out`; false on a character without a code or cut bytes.
  bool Append(std::string_view in, std::string& out) {
    if (in.empty()) return true;
    const std::size_t start = out.size();
    out.resize(start + in.size() * 4 + 8);
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    char* dst = out.data() + start;
    std::size_t dst_left = out.size() - start;
    bool good = true;
    while (src_left > 0) {
      if (iconv(cd_, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) {
          const std::size_t used = out.size() - dst_left;
          out.resize(out.size() * 2);
          dst = out.data() + used;
          dst_left = out.size() - used;
          continue;
        }
        good = false;  // EILSEQ or EINVAL
        break;
      }
    }
    if (good && iconv(cd_, nullptr, nullptr, &dst, &dst_left) == static_cast<std::size_t>(-1))
      good = false;
    out.resize(out.size() - dst_left);
    return good;
  }

 private:
  iconv_t cd_;
};

void AppendUtf8(char32_t cp, std::string& out) { out += FromCodePoints(std::u32string(1, cp)); }

}  // namespace

std::optional<char32_t> UserDefinedToPrivateUse(unsigned char lead, unsigned char trail) {
  const int column = TrailIndex(trail);
  if (column < 0) return std::nullopt;
  for (const UserDefinedBlock& b : kUserDefinedBlocks) {
    if (lead >= b.first_lead && lead <= b.last_lead)
      return b.first_code + static_cast<char32_t>((lead - b.first_lead) * kCodesPerRow + column);
  }
  return std::nullopt;
}

std::optional<Cp950Pair> PrivateUseToUserDefined(char32_t code) {
  for (const UserDefinedBlock& b : kUserDefinedBlocks) {
    const char32_t size = static_cast<char32_t>((b.last_lead - b.first_lead + 1) * kCodesPerRow);
    if (code < b.first_code || code >= b.first_code + size) continue;
    const int index = static_cast<int>(code - b.first_code);
    const int column = index % kCodesPerRow;
    Cp950Pair pair;
    pair.lead = static_cast<unsigned char>(b.first_lead + index / kCodesPerRow);
    pair.trail = static_cast<unsigned char>(column < 63 ? 0x40 + column : 0xA1 + (column - 63));
    return pair;
  }
  return std::nullopt;
}

std::optional<std::string> Cp950ToUtf8(const std::string& cp950) {
  Converter convert("UTF-8", "CP950");
  if (!convert.ok()) return std::nullopt;
  std::string out;
  out.reserve(cp950.size() * 3 / 2);
  std::size_t piece = 0;  // start of the bytes not yet converted
  std::size_t i = 0;
  while (i < cp950.size()) {
    const auto c = static_cast<unsigned char>(cp950[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (i + 1 < cp950.size() && IsUserDefinedLead(c)) {
      if (const auto code = UserDefinedToPrivateUse(c, static_cast<unsigned char>(cp950[i + 1]))) {
        if (!convert.Append(std::string_view(cp950).substr(piece, i - piece), out))
          return std::nullopt;
        AppendUtf8(*code, out);
        i += 2;
        piece = i;
        continue;
      }
    }
    i += (c >= 0x81 && c <= 0xFE) ? 2 : 1;  // a lead byte takes its trail byte with it
  }
  if (!convert.Append(std::string_view(cp950).substr(piece), out)) return std::nullopt;
  return out;
}

std::optional<std::string> Utf8ToCp950(const std::string& utf8) {
  Converter convert("CP950", "UTF-8");
  if (!convert.ok()) return std::nullopt;
  std::string out;
  out.reserve(utf8.size());
  std::size_t piece = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    // The private use characters U+E000..U+F8FF take three bytes, EE or EF first.
    if ((c == 0xEE || c == 0xEF) && i + 2 < utf8.size()) {
      const auto c1 = static_cast<unsigned char>(utf8[i + 1]);
      const auto c2 = static_cast<unsigned char>(utf8[i + 2]);
      if ((c1 & 0xC0) == 0x80 && (c2 & 0xC0) == 0x80) {
        const char32_t cp = ((c & 0x0Fu) << 12) | ((c1 & 0x3Fu) << 6) | (c2 & 0x3Fu);
        if (const auto pair = PrivateUseToUserDefined(cp)) {
          if (!convert.Append(std::string_view(utf8).substr(piece, i - piece), out))
            return std::nullopt;
          out.push_back(static_cast<char>(pair->lead));
          out.push_back(static_cast<char>(pair->trail));
          i += 3;
          piece = i;
          continue;
        }
      }
    }
    ++i;
  }
  if (!convert.Append(std::string_view(utf8).substr(piece), out)) return std::nullopt;
  return out;
}

std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> out;
  if (line.empty()) return out;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = line.find(kFieldSeparator, start);
    if (at == std::string_view::npos) {
      out.emplace_back(line.substr(start));
      break;
    }
    out.emplace_back(line.substr(start, at - start));
    start = at + kFieldSeparator.size();
  }
  return out;
}

}  // namespace vellomir
