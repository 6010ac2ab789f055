#include "platform/text_util.h"

#include <cerrno>
#include <cmath>
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
