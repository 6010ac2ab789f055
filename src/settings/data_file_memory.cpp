#include "settings/data_file_memory.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/output_file.h"

namespace vellomir {

namespace fs = std::filesystem;

namespace {

// Remembered designs beyond this many are forgotten, oldest first.
constexpr std::size_t kMostDesigns = 1000;

bool Clean(const std::string& text) {
  return !text.empty() && text.find_first_of("\t\r\n") == std::string::npos;
}

bool IsLineOf(const std::string& line, const std::string& design) {
  return line.size() > design.size() && line.compare(0, design.size(), design) == 0 &&
         line[design.size()] == '\t';
}

}  // namespace

std::string DefaultDataFileMemoryPath() {
  fs::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
    config = xdg;
  else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
    config = fs::path(home) / ".config";
  else
    return {};
  return (config / "vellomir" / "data-files").string();
}

std::string RecallDataFile(const std::string& memory_path, const std::string& design) {
  if (memory_path.empty() || !Clean(design)) return {};
  std::ifstream in(memory_path, std::ios::binary);
  std::string found;
  for (std::string line; std::getline(in, line);)
    if (IsLineOf(line, design)) found = line.substr(design.size() + 1);
  return found;
}

std::string RememberDataFile(const std::string& memory_path, const std::string& design,
                             const std::string& data_file) {
  if (memory_path.empty()) return "不知道使用者的設定資料夾在哪裡,無法記住資料檔";
  if (!Clean(design) || (!data_file.empty() && !Clean(data_file))) return {};
  std::vector<std::string> kept;
  {
    std::ifstream in(memory_path, std::ios::binary);
    for (std::string line; std::getline(in, line);)
      if (!IsLineOf(line, design)) kept.push_back(line);
  }
  if (!data_file.empty()) kept.push_back(design + "\t" + data_file);
  if (kept.size() > kMostDesigns)
    kept.erase(kept.begin(), kept.end() - static_cast<long>(kMostDesigns));
  std::error_code ec;
  fs::create_directories(fs::path(memory_path).parent_path(), ec);
  std::string bytes;
  for (const std::string& line : kept) bytes += line + "\n";
  return WriteWholeFile(memory_path, bytes);
}

}  // namespace vellomir
