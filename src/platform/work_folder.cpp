#include "platform/work_folder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
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

// Removes the folder with everything in it when nothing in it changed for `keep`; true when it
// is gone.
bool RemoveWhenUnchangedFor(const fs::path& folder, std::chrono::system_clock::time_point now,
                            std::chrono::system_clock::duration keep) {
  const auto changed = LastChange(folder);
  if (!changed || now - *changed < keep) return false;
  std::error_code rm;
  fs::remove_all(folder, rm);
  return !rm;
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

// The user's data folder: $XDG_DATA_HOME, else ~/.local/share; "" when neither is known.
fs::path DataFolder() {
  if (const char* d = std::getenv("XDG_DATA_HOME"); d && *d == '/') return d;
  if (const char* home = std::getenv("HOME"); home && *home == '/')
    return fs::path(home) / ".local" / "share";
  return {};
}

std::string RandomPart() {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device rd;
  std::string out;
  for (int i = 0; i < 8; ++i) out.push_back(kChars[rd() % (sizeof kChars - 1)]);
  return out;
}

}  // namespace

bool IsPrivateFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::geteuid() && (st.st_mode & 0077) == 0;
}

std::string PrivateRuntimeFolder(const std::string& tmp_root) {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime && *runtime == '/' && IsPrivateFolder(runtime))
    return runtime;
  const std::string tmp = tmp_root + "/runtime-" + std::to_string(::geteuid());
  // mkdir never follows a link planted under the name; what is found there is checked as is.
  ::mkdir(tmp.c_str(), 0700);
  if (IsPrivateFolder(tmp)) return tmp;
  const fs::path data = DataFolder();
  if (data.empty()) return {};
  const fs::path fallback = data / "vellomir" / "runtime";
  if (!MakePrivateDir(fallback)) return {};
  return fallback.string();
}

FolderLock::FolderLock(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
    fd_ = fd;
  else
    ::close(fd);
}

FolderLock::FolderLock(FolderLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool LockIsHeld(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

std::vector<std::string> RemoveDeadCommandFolders(const std::string& parent,
                                                  std::chrono::system_clock::time_point now) {
  std::vector<std::string> removed;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(parent, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != kCommandFolderPrefix.size() + 6 || name.rfind(kCommandFolderPrefix, 0) != 0)
      continue;
    struct stat st {};
    if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
      continue;
    if (LockIsHeld(entry.path().string())) continue;
    if (RemoveWhenUnchangedFor(entry.path(), now, kCommandFolderGrace))
      removed.push_back(entry.path().string());
  }
  return removed;
}

std::string WindowFoldersRoot() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime && *runtime == '/' && IsPrivateFolder(runtime))
    return (fs::path(runtime) / "vellomir").string();
  const fs::path data = DataFolder();
  if (data.empty()) return {};
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
    if (runs(*pid) || LockIsHeld(entry.path().string())) continue;
    if (RemoveWhenUnchangedFor(entry.path(), now, kLeftoverKeepTime))
      removed.push_back(entry.path().string());
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

WindowFolder::WindowFolder(WindowFolder&& other) noexcept
    : path_(std::move(other.path_)), lock_(std::move(other.lock_)) {
  other.path_.clear();
}

WindowFolder& WindowFolder::operator=(WindowFolder&& other) noexcept {
  if (this != &other) {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
    path_ = std::move(other.path_);
    lock_ = std::move(other.lock_);
    other.path_.clear();
  }
  return *this;
}

WindowFolder::~WindowFolder() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

}  // namespace vellomir
