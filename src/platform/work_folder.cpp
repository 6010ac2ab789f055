#include "platform/work_folder.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace vellomir {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "window-";

// The process id of a name "window-<pid>-<random>"; nothing for any other name.
std::optional<pid_t> FolderPid(const std::string& name) {
  if (name.rfind(kPrefix, 0) != 0) return std::nullopt;
  const std::size_t start = kPrefix.size();
  const std::size_t dash = name.find('-', start);
  if (dash == std::string::npos || dash == start || dash + 1 >= name.size() || dash - start > 9)
    return std::nullopt;
  long pid = 0;
  for (std::size_t i = start; i < dash; ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    pid = pid * 10 + (name[i] - '0');
  }
  for (std::size_t i = dash + 1; i < name.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return std::nullopt;
  if (pid <= 0) return std::nullopt;
  return static_cast<pid_t>(pid);
}

// The last change of the folder or of anything directly in it.
std::optional<std::chrono::system_clock::time_point> LastChange(const fs::path& folder) {
  std::error_code ec;
  auto newest = fs::last_write_time(folder, ec);
  if (ec) return std::nullopt;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const auto t = entry.last_write_time(ec);
    if (!ec && t > newest) newest = t;
  }
  return std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      std::chrono::file_clock::to_sys(newest));
}

// Makes `dir` (and its parents) for the user alone; an existing one must be a real folder of
// ours that nobody else can write to.
bool MakePrivateDir(const fs::path& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
    return false;
  if ((st.st_mode & 0077) != 0 && ::chmod(dir.c_str(), 0700) != 0) return false;
  return true;
}

std::string RandomPart() {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device rd;
  std::string out;
  for (int i = 0; i < 8; ++i) out.push_back(kChars[rd() % (sizeof kChars - 1)]);
  return out;
}

}  // namespace

std::string WindowFoldersRoot() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
    return (fs::path(runtime) / "vellomir").string();
  fs::path data;
  if (const char* d = std::getenv("XDG_DATA_HOME"); d && *d == '/')
    data = d;
  else if (const char* home = std::getenv("HOME"); home && *home == '/')
    data = fs::path(home) / ".local" / "share";
  else
    return {};
  return (data / "vellomir" / "windows").string();
}

bool ProcessRuns(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

std::vector<std::string> RemoveOldLeftovers(const std::string& root,
                                            std::chrono::system_clock::time_point now,
                                            const std::function<bool(pid_t)>& runs) {
  std::vector<std::string> removed;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(root, ec)) {
    const auto pid = FolderPid(entry.path().filename().string());
    if (!pid || entry.is_symlink(ec) || !entry.is_directory(ec)) continue;
    if (runs(*pid)) continue;
    const auto changed = LastChange(entry.path());
    if (!changed || now - *changed < kLeftoverKeepTime) continue;
    std::error_code rm;
    fs::remove_all(entry.path(), rm);
    if (!rm) removed.push_back(entry.path().string());
  }
  return removed;
}

std::vector<std::string> FindLeftovers(const std::string& root,
                                       const std::function<bool(pid_t)>& runs) {
  std::vector<std::pair<std::chrono::system_clock::time_point, std::string>> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(root, ec)) {
    const auto pid = FolderPid(entry.path().filename().string());
    if (!pid || entry.is_symlink(ec) || !entry.is_directory(ec) || runs(*pid)) continue;
    if (const auto changed = LastChange(entry.path()))
      found.emplace_back(*changed, entry.path().string());
  }
  std::sort(found.begin(), found.end(), std::greater<>());
  std::vector<std::string> paths;
  for (auto& [changed, path] : found) paths.push_back(std::move(path));
  return paths;
}

std::optional<WindowFolder> WindowFolder::Create(const std::string& root) {
  if (root.empty() || !MakePrivateDir(root)) return std::nullopt;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const fs::path path =
        fs::path(root) / (std::string(kPrefix) + std::to_string(::getpid()) + "-" + RandomPart());
    // mkdir fails on a name that exists: a folder found on disk is never taken over.
    if (::mkdir(path.c_str(), 0700) == 0) return WindowFolder(path.string());
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

WindowFolder::WindowFolder(WindowFolder&& other) noexcept : path_(std::move(other.path_)) {
  other.path_.clear();
}

WindowFolder& WindowFolder::operator=(WindowFolder&& other) noexcept {
  if (this != &other) {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

WindowFolder::~WindowFolder() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

}  // namespace vellomir
