#include "app/log_command.h"

#include <ostream>

#include "app/command_line.h"
#include "render/print_log.h"

namespace vellomir {

namespace {

constexpr std::size_t kDefaultLines = 20;
// More lines than any terminal wants, and a bound on what is read.
constexpr std::size_t kMostLines = 1000000;

// A count of lines, 1 to kMostLines, written in decimal digits only.
bool ParseCount(const std::string& text, std::size_t& count) {
  if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  count = std::stoul(text);
  return count >= 1 && count <= kMostLines;
}

}  // namespace

int RunLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  auto fail = [&err](const std::string& message) {
    err << "vellomir log: " << message << "\n";
    return 2;
  };
  const ParsedCommandLine parsed = ParseCommandLine(LogCommandSyntax(), args);
  if (const auto answer = AnswerHelpOrError(LogCommandSyntax(), parsed, out, err)) return *answer;
  std::size_t count = kDefaultLines;
  const std::vector<std::string>& given = parsed.files;
  if (given.size() > 1) return fail("最多只能指定一個數字");
  if (given.size() == 1 && !ParseCount(given.front(), count))
    return fail("要列出的筆數必須是 1 到 " + std::to_string(kMostLines) +
                " 的整數: " + given.front());
  const std::string path = DefaultPrintLogPath();
  if (path.empty()) return fail("不知道使用者的資料夾在哪裡 (沒有設定 HOME)");
  const auto lines = LastPrintLogLines(path, count);
  if (!lines) return fail("無法讀取列印記錄: " + path);
  for (const std::string& line : *lines) out << line << "\n";
  return 0;
}

}  // namespace vellomir
