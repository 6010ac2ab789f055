#include "document/fields.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace vellomir {

namespace {

// Offsets beyond a century are typing mistakes, and keep the arithmetic far from overflow.
constexpr long kMostDays = 36600;
constexpr long kMostMonths = 1200;

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
long DaysFromCivil(CivilDate d) {
  const long y = d.year - (d.month <= 2 ? 1 : 0);
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long mp = (d.month + 9) % 12;
  const long doy = (153 * mp + 2) / 5 + d.day - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0)), month, day};
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

struct DateName {
  std::string_view name;
  std::string_view default_format;
};
constexpr DateName kDateNames[] = {{"今天", "%Y/%m/%d"}, {"date", "%Y/%m/%d"}, {"民國年", "%R"}};

// A date field: a date name, then an optional offset (+30d, -2w, +6m, +1y), then an optional
// ":FORMAT". Nothing when the name is no date name; a problem when the rest is written wrong.
std::optional<FieldExpansion> ExpandDate(std::string_view field, CivilDate today) {
  for (const DateName& d : kDateNames) {
    if (field.substr(0, d.name.size()) != d.name) continue;
    std::string_view rest = field.substr(d.name.size());
    FieldExpansion out;
    const std::string whole = "${" + std::string(field) + "}";
    CivilDate date = today;
    const bool offset = !rest.empty() && (rest[0] == '+' || rest[0] == '-');
    if (offset) {
      const bool minus = rest[0] == '-';
      std::size_t i = 1;
      long count = 0;
      while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9' && count <= kMostDays)
        count = count * 10 + (rest[i++] - '0');
      const char unit = i < rest.size() ? rest[i] : '\0';
      const long most = unit == 'd'   ? kMostDays
                        : unit == 'w' ? kMostDays / 7
                        : unit == 'm' ? kMostMonths
                                      : kMostMonths / 12;
      if (i == 1 || (unit != 'd' && unit != 'w' && unit != 'm' && unit != 'y') || count > most) {
        out.problem = "日期欄位 " + whole + " 的位移要寫成 +30d、-2w、+6m 或 +1y (最多 100 年)";
        return out;
      }
      date = AddToDate(date, minus ? -count : count, unit);
      rest = rest.substr(i + 1);
    }
    std::string_view format = d.default_format;
    if (!rest.empty()) {
      if (rest[0] != ':') {
        if (!offset) return std::nullopt;  // "dates" and the like are names, not dates
        out.problem = "日期欄位 " + whole + " 看不懂: 位移後面只能接 :格式";
        return out;
      }
      format = rest.substr(1);
    }
    const std::optional<std::string> text = FormatDate(date, format);
    if (!text) {
      out.problem = "日期欄位 " + whole + " 的格式只能用 %Y %y %m %d %R %%";
      return out;
    }
    out.text = *text;
    return out;
  }
  return std::nullopt;
}

}  // namespace

CivilDate Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

CivilDate AddToDate(CivilDate date, long count, char unit) {
  if (unit == 'd' || unit == 'w')
    return CivilFromDays(DaysFromCivil(date) + count * (unit == 'w' ? 7 : 1));
  const long months = date.year * 12L + (date.month - 1) + count * (unit == 'y' ? 12 : 1);
  CivilDate out;
  out.year = static_cast<int>(months >= 0 ? months / 12 : (months - 11) / 12);
  out.month = static_cast<int>(months - out.year * 12L) + 1;
  out.day = std::min(date.day, DaysInMonth(out.year, out.month));
  return out;
}

std::optional<std::string> FormatDate(CivilDate date, std::string_view format) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (++i == format.size()) return std::nullopt;
    switch (format[i]) {
      case 'Y':
        out += std::to_string(date.year);
        break;
      case 'y':
        out += TwoDigits(((date.year % 100) + 100) % 100);
        break;
      case 'm':
        out += TwoDigits(date.month);
        break;
      case 'd':
        out += TwoDigits(date.day);
        break;
      case 'R':
        out += std::to_string(date.year - 1911);
        break;
      case '%':
        out += '%';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

FieldExpansion ExpandFields(std::string_view text, const FieldValues& values) {
  FieldExpansion out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, 3, "$${") == 0) {
      out.text += "${";
      i += 3;
      continue;
    }
    if (text.compare(i, 2, "${") != 0) {
      out.text += text[i++];
      continue;
    }
    const std::size_t close = text.find('}', i + 2);
    if (close == std::string_view::npos) {
      out.problem = "欄位 " + std::string(text.substr(i)) + " 少了結尾的 }(要印出 ${ 請寫 $${)";
      return out;
    }
    const std::string_view name = text.substr(i + 2, close - i - 2);
    const std::string whole(text.substr(i, close + 1 - i));
    i = close + 1;
    if (values.names != nullptr && values.values != nullptr) {
      const auto& names = *values.names;
      const auto found = std::find(names.begin(), names.end(), name);
      const auto column = static_cast<std::size_t>(found - names.begin());
      if (found != names.end() && column < values.values->size()) {
        out.text += (*values.values)[column];
        continue;
      }
    }
    if (std::optional<FieldExpansion> date = ExpandDate(name, values.today)) {
      if (!date->ok()) return *date;
      out.text += date->text;
      continue;
    }
    if (values.keep_unknown) {
      out.text += whole;
      continue;
    }
    out.missing = std::string(name);
    return out;
  }
  return out;
}

}  // namespace vellomir
