#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ostream>

#include "platform/text_util.h"

#ifndef VELLOMIR_VERSION
#define VELLOMIR_VERSION "0"
#endif

namespace vellomir {

namespace {

// Options several subcommands take: one row each, so they mean the same everywhere.
constexpr OptionRow kOutput{"--output", "-o", OptionValue::kText};
constexpr OptionRow kCopies{"--copies", "", OptionValue::kCount};
constexpr OptionRow kDpi{"--dpi", "", OptionValue::kNumber, 50, 4800};
constexpr OptionRow kDataFile{"--data", "", OptionValue::kText};
constexpr OptionRow kRow{"--row", "", OptionValue::kWhole, 1, 9999999};
constexpr OptionRow kHelp{"--help", "-h", OptionValue::kNone};

const CommandSyntax kBarcode{
    "barcode",
    "  vellomir barcode --kind KIND --data TEXT [--check] [--text] [--font-size PT]\n"
    "                   [--module-width UNITS] [--height-mm MM] [--dpi N] (-o FILE | --dump)\n"
    "    KIND: 0..14 或 Code-39, EAN-13, EAN-8, UPC-A, UPC-E, UPC-A2E, INT-25, CODABAR, Code-128,\n"
    "          QR, DataMatrix, PDF417, GS1-128, GS1-DataMatrix, GS1-QR\n"
    "    FILE: .png, .svg 或 .pdf\n",
    {{"--kind", "", OptionValue::kText},
     {"--data", "", OptionValue::kAnyText},
     {"--check", "", OptionValue::kNone},
     {"--text", "", OptionValue::kNone},
     {"--font-size", "", OptionValue::kNumber, 1, 500},
     {"--module-width", "", OptionValue::kNumber, 1, 1000},
     {"--height-mm", "", OptionValue::kNumber, 0, 500},
     kDpi,
     kOutput,
     {"--dump", "", OptionValue::kNone},
     kHelp}};

const CommandSyntax kPreview{
    "preview",
    "  vellomir preview DESIGN.vlm -o FILE [--copies N] [--data FILE|- [--row N]]\n",
    {kOutput, kCopies, kDataFile, {"--encoding", "", OptionValue::kText}, kRow, kHelp}};

const CommandSyntax kPrint{
    "print",
    "  vellomir print DESIGN.vlm ((-o FILE.pdf|.zpl|.epl | -o -) [--dpi N] | --printer NAME)\n"
    "                 [--copies N] [--allow-clipping] [--allow-missing-pictures] [--no-verify]\n"
    "                 [--continue | --reprint]\n"
    "                 [--data FILE|- [--encoding utf-8|cp950]]\n",
    {kOutput,
     {"--printer", "", OptionValue::kText},
     kDpi,
     kCopies,
     {"--allow-clipping", "", OptionValue::kNone},
     {"--allow-missing-pictures", "", OptionValue::kNone},
     {"--no-verify", "", OptionValue::kNone},
     {"--continue", "", OptionValue::kNone},
     {"--reprint", "", OptionValue::kNone},
     kDataFile,
     {"--encoding", "", OptionValue::kText},
     kHelp}};

const CommandSyntax kVerify{
    "verify",
    "  vellomir verify DESIGN.vlm [--dpi N] [--copies N] [--data FILE|- [--row N]]\n",
    {kDpi, kCopies, kDataFile, {"--encoding", "", OptionValue::kText}, kRow, kHelp}};

const CommandSyntax kLog{
    "log", "  vellomir log [N]             列出最後 N 筆列印記錄 (預設 20)\n", {kHelp}};

const OptionRow* FindRow(const CommandSyntax& command, std::string_view name) {
  for (const OptionRow& row : command.options)
    if (row.name == name || (!row.alias.empty() && row.alias == name)) return &row;
  return nullptr;
}

std::string Range(const OptionRow& row) {
  auto whole = [](double v) { return std::to_string(static_cast<long long>(v)); };
  return whole(row.min) + " 到 " + whole(row.max);
}

// What is wrong with a value for `row`; "" when it is right.
std::string CheckValue(const OptionRow& row, const std::string& value) {
  const std::string name(row.name);
  const std::string t = Trim(value);
  switch (row.value) {
    case OptionValue::kNone:
    case OptionValue::kAnyText:
      return {};
    case OptionValue::kText:
      return value.empty() ? "選項 " + name + " 的值是空的" : std::string();
    case OptionValue::kCount: {
      // Only what the program reads as the same number: no hexadecimal, no "inf" or "nan".
      bool ok = !t.empty() && t.find_first_not_of("0123456789+-.eE") == std::string::npos;
      if (ok) {
        try {
          std::size_t used = 0;
          ok = std::isfinite(std::stod(t, &used)) && used == t.size();
        } catch (...) {
          ok = false;
        }
      }
      return ok ? std::string() : name + " 的值必須是數字: " + value;
    }
    case OptionValue::kNumber:
    case OptionValue::kWhole: {
      const std::string allowed = row.value == OptionValue::kWhole ? "0123456789" : "0123456789.";
      const bool number = !t.empty() && t.size() <= 12 &&
                          t.find_first_not_of(allowed) == std::string::npos &&
                          std::count(t.begin(), t.end(), '.') <= 1 && t != ".";
      const double v = number ? NumericValue(t) : 0;
      if (number && v >= row.min && v <= row.max) return {};
      return name + " 的值必須是 " + Range(row) +
             (row.value == OptionValue::kWhole ? " 的整數: " : " 之間的數字: ") + value;
    }
  }
  return {};
}

}  // namespace

const CommandSyntax& BarcodeCommandSyntax() { return kBarcode; }
const CommandSyntax& PreviewCommandSyntax() { return kPreview; }
const CommandSyntax& PrintCommandSyntax() { return kPrint; }
const CommandSyntax& VerifyCommandSyntax() { return kVerify; }
const CommandSyntax& LogCommandSyntax() { return kLog; }

const CommandSyntax* FindCommandSyntax(std::string_view name) {
  for (const CommandSyntax* command : {&kBarcode, &kPreview, &kPrint, &kVerify, &kLog})
    if (command->name == name) return command;
  return nullptr;
}

void PrintUsage(std::ostream& out) {
  out << "用法:\n"
      << kBarcode.usage << "  vellomir [DESIGN.vlm]        開啟視窗 (並讀取標籤檔)\n"
      << kPreview.usage << kPrint.usage << kVerify.usage << kLog.usage
      << "  vellomir --version\n"
         "  vellomir COMMAND --help      這個指令的用法\n";
}

std::string VersionLine() { return std::string("vellomir ") + VELLOMIR_VERSION; }

std::optional<std::string> ParsedCommandLine::Text(std::string_view name) const {
  const auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::optional<double> ParsedCommandLine::Number(std::string_view name) const {
  const auto text = Text(name);
  if (!text) return std::nullopt;
  return NumericValue(Trim(*text));
}

ParsedCommandLine ParseCommandLine(const CommandSyntax& command,
                                   const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
    const std::string& a = args[i];
    // "-" is standard input and "-1" a number, not options.
    const bool number = a.size() > 1 && a[0] == '-' &&
                        (std::isdigit(static_cast<unsigned char>(a[1])) || a[1] == '.');
    if (options_ended || a.size() < 2 || a[0] != '-' || number) {
      parsed.files.push_back(a);
      continue;
    }
    if (a == "--") {
      options_ended = true;
      continue;
    }
    const std::size_t equals = a.rfind("--", 0) == 0 ? a.find('=') : std::string::npos;
    const std::string name = a.substr(0, equals);
    const OptionRow* row = FindRow(command, name);
    if (row == nullptr) {
      parsed.error = "不認得的選項: " + name;
      parsed.unknown_option = true;
      break;
    }
    std::string value;
    if (row->value == OptionValue::kNone) {
      if (equals != std::string::npos) parsed.error = "選項 " + std::string(row->name) + " 不帶值";
    } else if (equals != std::string::npos) {
      value = a.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      parsed.error = "選項 " + std::string(row->name) + " 缺少值";
    }
    if (parsed.error.empty()) parsed.error = CheckValue(*row, value);
    if (parsed.error.empty()) parsed.values[std::string(row->name)] = value;
  }
  parsed.help = parsed.Has("--help");
  return parsed;
}

std::optional<int> AnswerHelpOrError(const CommandSyntax& command, const ParsedCommandLine& parsed,
                                     std::ostream& out, std::ostream& err) {
  if (parsed.help && parsed.error.empty()) {
    out << "用法:\n" << command.usage;
    return 0;
  }
  if (parsed.error.empty()) return std::nullopt;
  err << "vellomir " << command.name << ": " << parsed.error << "\n";
  if (parsed.unknown_option) err << "用法:\n" << command.usage;
  return 2;
}

}  // namespace vellomir
