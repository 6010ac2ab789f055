#include "settings/printer_settings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/output_file.h"

namespace vellomir {

namespace {

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::optional<double> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int> WholeIn(const std::string& text, int low, int high) {
  const auto v = Number(text);
  if (!v || *v != std::floor(*v) || *v < low || *v > high) return std::nullopt;
  return static_cast<int>(*v);
}

// The keys that hold a whole number: its range, and the unit the message names.
struct WholeKey {
  const char* key;
  int PrinterSettings::*value;                    // a key always set, or
  std::optional<int> PrinterSettings::*optional;  // one that may be left empty
  int low;
  int high;
  const char* unit;
};

constexpr WholeKey kWholeKeys[] = {
    {"resolution", &PrinterSettings::resolution, nullptr, 100, 1200, " (dpi)"},
    {"darkness", nullptr, &PrinterSettings::darkness, 0, 30, ""},
    {"speed", nullptr, &PrinterSettings::speed, 1, 14, " (英吋/秒)"},
    {"bar_width_reduction", &PrinterSettings::bar_width_reduction, nullptr, 0, 10, " (點)"},
    {"timeout", &PrinterSettings::timeout_seconds, nullptr, 1, 600, " (秒)"},
};

const WholeKey* FindWholeKey(const std::string& key) {
  for (const WholeKey& row : kWholeKeys)
    if (key == row.key) return &row;
  return nullptr;
}

// Sets one key; "" when done, else what is wrong with the value.
std::string SetKey(PrinterSettings& s, const std::string& key, const std::string& value) {
  const std::string v = Lower(value);
  if (key == "language") {
    if (v == "zpl")
      s.language = LabelLanguage::kZpl;
    else if (v == "epl")
      s.language = LabelLanguage::kEpl;
    else if (v.empty() || v == "pdf")
      s.language = LabelLanguage::kNone;
    else
      return "language 只能是 zpl、epl 或 pdf";
    return {};
  }
  if (const WholeKey* row = FindWholeKey(key)) {
    // An optional key left empty goes back to "not set".
    if (v.empty() && row->optional != nullptr) return (s.*(row->optional)).reset(), "";
    const auto n = WholeIn(v, row->low, row->high);
    if (!n) {
      return std::string(row->key) + " 要是 " + std::to_string(row->low) + " 到 " +
             std::to_string(row->high) + " 的整數" + row->unit;
    }
    if (row->optional != nullptr)
      s.*(row->optional) = *n;
    else
      s.*(row->value) = *n;
    return {};
  }
  if (key == "x_offset_mm" || key == "y_offset_mm") {
    const auto n = Number(v);
    if (!n || std::fabs(*n) > 100) return key + " 要是 -100 到 100 之間的數字 (mm)";
    (key == "x_offset_mm" ? s.x_offset_mm : s.y_offset_mm) = *n;
    return {};
  }
  if (key == "media") {
    if (v == "gap")
      s.media = MediaType::kGap;
    else if (v == "mark")
      s.media = MediaType::kMark;
    else if (v == "continuous")
      s.media = MediaType::kContinuous;
    else
      return "media 只能是 gap、mark 或 continuous";
    return {};
  }
  return "不認得的設定 " + key;
}

std::string Decimal(double v) {
  std::ostringstream out;
  out << v;
  return out.str();
}

}  // namespace

const char* LanguageName(LabelLanguage language) {
  switch (language) {
    case LabelLanguage::kZpl:
      return "zpl";
    case LabelLanguage::kEpl:
      return "epl";
    case LabelLanguage::kNone:
      break;
  }
  return "";
}

PrinterSettingsFile ParsePrinterSettings(const std::string& text) {
  PrinterSettingsFile file;
  std::istringstream lines(text);
  PrinterSettings* current = nullptr;
  int number = 0;
  for (std::string raw; std::getline(lines, raw);) {
    ++number;
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    auto problem = [&](const std::string& what) {
      file.problems.push_back("printers.ini 第 " + std::to_string(number) + " 行: " + what);
    };
    if (line.front() == '[') {
      const std::string name = line.back() == ']' ? Trim(line.substr(1, line.size() - 2)) : "";
      if (name.empty()) {
        problem("印表機名稱要寫成 [名稱]");
        current = nullptr;
      } else {
        current = &file.sections[name];
      }
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) {
      problem("要寫成 key = value");
      continue;
    }
    if (current == nullptr) {
      problem("設定前面要先有 [印表機名稱]");
      continue;
    }
    if (const std::string why =
            SetKey(*current, Lower(Trim(line.substr(0, eq))), Trim(line.substr(eq + 1)));
        !why.empty())
      problem(why);
  }
  return file;
}

std::string FormatPrinterSettings(const std::map<std::string, PrinterSettings>& sections) {
  static const char* kMedia[] = {"gap", "mark", "continuous"};
  std::string text;
  for (const auto& [name, s] : sections) {
    if (!text.empty()) text += "\n";
    text += "[" + name + "]\n";
    text += "language = " +
            std::string(s.language == LabelLanguage::kNone ? "pdf" : LanguageName(s.language)) +
            "\n";
    if (s.resolution > 0) text += "resolution = " + std::to_string(s.resolution) + "\n";
    text += "darkness = " + (s.darkness ? std::to_string(*s.darkness) : "") + "\n";
    text += "speed = " + (s.speed ? std::to_string(*s.speed) : "") + "\n";
    text += "x_offset_mm = " + Decimal(s.x_offset_mm) + "\n";
    text += "y_offset_mm = " + Decimal(s.y_offset_mm) + "\n";
    text += "bar_width_reduction = " + std::to_string(s.bar_width_reduction) + "\n";
    text += "media = " + std::string(kMedia[static_cast<int>(s.media)]) + "\n";
    text += "timeout = " + std::to_string(s.timeout_seconds) + "\n";
  }
  return text;
}

std::string PrinterSettingsPath() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
    return std::string(xdg) + "/vellomir/printers.ini";
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
    return std::string(home) + "/.config/vellomir/printers.ini";
  return {};
}

namespace {

PrinterSettingsFile ReadUserFile() {
  const std::string path = PrinterSettingsPath();
  if (path.empty()) return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return ParsePrinterSettings(text.str());
}

}  // namespace

PrinterSettings PrinterSettingsFor(const std::string& printer, std::vector<std::string>* problems) {
  PrinterSettingsFile file = ReadUserFile();
  if (problems != nullptr) *problems = file.problems;
  const auto it = file.sections.find(printer);
  return it == file.sections.end() ? PrinterSettings{} : it->second;
}

std::string SavePrinterSettings(const std::string& printer, const PrinterSettings& settings) {
  const std::string path = PrinterSettingsPath();
  if (path.empty()) return "找不到使用者的設定資料夾 (XDG_CONFIG_HOME 或 HOME)";
  if (printer.empty() || printer.find_first_of("[]\n\r") != std::string::npos)
    return "印表機名稱不能是空的,也不能有 [ ] 或換行: " + printer;
  // Only the folders the file needs; what already exists stays as it is.
  const std::string folder = path.substr(0, path.rfind('/'));
  ::mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0700);
  ::mkdir(folder.c_str(), 0700);
  PrinterSettingsFile file = ReadUserFile();
  // A line the reader skipped would be lost by rewriting the file: the user fixes it first.
  if (!file.problems.empty()) return file.problems.front() + ",請先修正 " + path;
  file.sections[printer] = settings;
  return WriteWholeFile(path, FormatPrinterSettings(file.sections));
}

}  // namespace vellomir
