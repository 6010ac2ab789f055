#include "platform/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <random>

#include "platform/signal_cleanup.h"
#include "platform/work_folder.h"

namespace vellomir {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// Longest part of the target's name kept in a temporary name, so ".~NAME.PID-XXXXXXXX" still
// fits a folder entry.
constexpr std::size_t kNameKept = 200;
// A temporary file without the writer's process id in its name (an older program's) is taken
// as left over once it is this old: no save takes that long.
constexpr std::time_t kStaleSeconds = 600;
// How long a folder's list of temporary names serves before it is read again.
constexpr std::time_t kReadFolderSeconds = 5;
// Links followed before a path is taken as a loop.
constexpr int kMaxLinks = 40;

OutputCalls g_system_calls;
OutputCalls* g_calls = &g_system_calls;

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
  if (folder == ".") return name;
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "是資料夾";
  if (S_ISFIFO(mode)) return "是 FIFO (具名管道)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "是裝置";
  if (S_ISSOCK(mode)) return "是 socket";
  return "不是一般檔案";
}

bool ProcessIsGone(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

// The kernel's rule for following a link (fs.protected_symlinks): in a sticky folder that
// others may write to, only a link of our own or of the folder's owner is followed.
bool MayFollowLink(const std::string& link, const struct stat& link_st) {
  struct stat dir {};
  if (::stat(FolderOf(link).c_str(), &dir) != 0) return false;
  if ((dir.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH)) return true;
  return link_st.st_uid == ::geteuid() || link_st.st_uid == dir.st_uid;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Names beginning ".~" in a folder, read again only after a few seconds: a run that writes
// thousands of files into one folder must not read the whole folder for each of them.
struct DotNameList {
  std::time_t read_at = 0;
  std::vector<std::string> names;
};

const std::vector<std::string>& DotNamesIn(const std::string& folder) {
  static std::map<std::string, DotNameList> cache;
  DotNameList& list = cache[folder];
  const std::time_t now = std::time(nullptr);
  if (list.read_at != 0 && now - list.read_at < kReadFolderSeconds) return list.names;
  list.read_at = now;
  list.names.clear();
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir))
      if (entry->d_name[0] == '.' && entry->d_name[1] == '~')
        list.names.emplace_back(entry->d_name);
    ::closedir(dir);
  }
  return list.names;
}

// Removes the temporary files that a killed write of this target left. One a writer still holds
// is never touched; otherwise a name "PID-RANDOM@TAG" of this system goes when its writer is
// gone, and one of another system (a container or machine sharing the folder: its process ids
// mean nothing here) or of an unknown writer only once it is clearly old. Backups of a run
// stopped while it put its files in place hold the only copy of an old file: they stay.
void RemoveStaleTemporaries(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string prefix = NameOf(TemporaryPrefix(target));
  const std::time_t now = std::time(nullptr);
  const std::string tag = SystemTag();
  for (const std::string& name : DotNamesIn(folder)) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string rest = name.substr(prefix.size());
    if (EndsWith(rest, "-old")) continue;
    const std::string path = JoinFolder(folder, name);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::geteuid() != 0 && st.st_uid != ::geteuid()) continue;
    if (LockIsHeld(path)) continue;
    bool stale = false;
    const auto dash = rest.find('-');
    const auto at = rest.find('@');
    const bool ours = at == std::string::npos || rest.substr(at + 1) == tag;
    if (rest == "lock") {
      stale = true;  // nobody holds it; a run taking it checks that the name is still its file
    } else if (ours && dash != std::string::npos && dash > 0 &&
               rest.find_first_not_of("0123456789") == dash) {
      stale = ProcessIsGone(static_cast<pid_t>(std::stol(rest.substr(0, dash))));
    } else {
      stale = now - st.st_mtime > kStaleSeconds;
    }
    if (stale) ::unlink(path.c_str());
  }
}

// An flock on ".~NAME.lock" beside a target, the file removed again when released. A run that
// finds the name gone or replaced once it holds the lock takes it again on the file there now.
class TargetLock {
 public:
  explicit TargetLock(const std::string& target) : path_(TemporaryPrefix(target) + "lock") {
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd < 0) return;  // no lock can be made here (a read-only folder): the rename will tell
      int r = 0;
      while ((r = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
      }
      struct stat held {
      }, named{};
      if (r == 0 && ::fstat(fd, &held) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
          held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
        fd_ = fd;
        slot_ = RemoveOnSignal(path_);
      } else {
        ::close(fd);
      }
    }
  }
  ~TargetLock() {
    if (fd_ < 0) return;
    ::unlink(path_.c_str());
    ::close(fd_);
    ForgetOnSignal(slot_);
  }
  TargetLock(const TargetLock&) = delete;
  TargetLock& operator=(const TargetLock&) = delete;

 private:
  std::string path_;
  int fd_ = -1;
  int slot_ = -1;
};

// Holds back SIGINT, SIGTERM and SIGHUP while it lives; one that came meanwhile is delivered
// when it goes.
class HeldSignals {
 public:
  HeldSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
    ::sigprocmask(SIG_BLOCK, &set, &previous_);
  }
  ~HeldSignals() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

  // Whether one of them came while held.
  static bool Came() {
    sigset_t pending;
    sigemptyset(&pending);
    if (::sigpending(&pending) != 0) return false;
    for (int s : {SIGINT, SIGTERM, SIGHUP})
      if (sigismember(&pending, s) == 1) return true;
    return false;
  }

 private:
  sigset_t previous_;
};

}  // namespace

int OutputCalls::Open(const std::string& path, int flags, mode_t mode) {
  return ::open(path.c_str(), flags, mode);
}
ssize_t OutputCalls::Write(int fd, const char* data, std::size_t size) {
  return ::write(fd, data, size);
}
int OutputCalls::Sync(int fd) { return ::fsync(fd); }
int OutputCalls::Close(int fd) { return ::close(fd); }
int OutputCalls::Rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str());
}

OutputCalls& CurrentOutputCalls() { return *g_calls; }

ScopedOutputCalls::ScopedOutputCalls(OutputCalls& calls) : previous_(g_calls) { g_calls = &calls; }
ScopedOutputCalls::~ScopedOutputCalls() { g_calls = previous_; }

std::string ResolveOutputTarget(const std::string& path, std::string* unsafe) {
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    if (!MayFollowLink(current, st)) {
      if (unsafe != nullptr) *unsafe = current;
      return {};
    }
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return {};
    link.resize(static_cast<std::size_t>(n));
    // A relative link is read from the folder the link is in.
    current = link.front() == '/' ? link : JoinFolder(FolderOf(current), link);
  }
  return {};
}

std::string CheckOutputTarget(const std::string& path, OutputProblem* problem) {
  auto refuse = [&](OutputProblem p, std::string text) {
    if (problem != nullptr) *problem = p;
    return text;
  };
  if (problem != nullptr) *problem = OutputProblem::kNone;
  std::string unsafe;
  const std::string target = ResolveOutputTarget(path, &unsafe);
  if (!unsafe.empty())
    return refuse(OutputProblem::kUnsafeLink,
                  "「" + path + "」" + (unsafe == path ? "" : "經過的「" + unsafe + "」") +
                      "是別人放在共用資料夾裡的連結,為了安全不跟著它寫入");
  if (target.empty())
    return refuse(OutputProblem::kBadLink, "「" + path + "」是一串繞不出來的連結,無法寫入");
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) return {};  // a new file
  if (!S_ISREG(st.st_mode))
    return refuse(OutputProblem::kNotRegular,
                  "「" + path + "」" + KindOf(st.st_mode) + ",不是一般檔案,不能寫入或取代");
  // The mode bits, not access(): root passes every access test, yet a file its owner made
  // read-only is not replaced behind the owner's back.
  if ((st.st_mode & 0222) == 0 || (::geteuid() != 0 && ::access(target.c_str(), W_OK) != 0))
    return refuse(OutputProblem::kReadOnly, "「" + path + "」是唯讀檔案,不能取代");
  return {};
}

std::string TemporaryPrefix(const std::string& target) {
  return JoinFolder(FolderOf(target), ".~" + NameOf(target).substr(0, kNameKept) + ".");
}

std::string SystemTag() {
  static const std::string tag = [] {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    char ns[64] = {};
    const ssize_t n = ::readlink("/proc/self/ns/pid", ns, sizeof ns - 1);
    std::string seed = std::string(host) + "/" + (n > 0 ? std::string(ns, std::size_t(n)) : "");
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const unsigned char c : seed) hash = (hash ^ c) * 16777619u;
    char text[16];
    std::snprintf(text, sizeof text, "%08x", hash);
    return std::string(text);
  }();
  return tag;
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

std::string OutputFile::Shown() const {
  return IsStandardOutput() ? "標準輸出" : "檔案「" + path_ + "」";
}

OutputFile::~OutputFile() {
  if (!committed_) Abandon();
}

bool OutputFile::Fail(OutputProblem problem, const std::string& text, int error_number) {
  if (problem_ != OutputProblem::kNone) return false;  // the first failure is the one told
  problem_ = problem;
  error_ = text;
  if (error_number != 0) error_ += " (" + std::string(std::strerror(error_number)) + ")";
  return false;
}

bool OutputFile::Open() {
  if (fd_ >= 0 || Failed()) return !Failed();
  if (IsStandardOutput()) {
    if (::fcntl(STDOUT_FILENO, F_GETFD) < 0)
      return Fail(OutputProblem::kOpen, "沒有可以寫入的標準輸出", errno);
    fd_ = STDOUT_FILENO;
    return true;
  }
  OutputProblem problem = OutputProblem::kNone;
  if (std::string why = CheckOutputTarget(path_, &problem); !why.empty()) return Fail(problem, why);
  target_ = ResolveOutputTarget(path_);
  RemoveStaleTemporaries(target_);

  struct stat old {};
  const bool existed = ::stat(target_.c_str(), &old) == 0;
  std::random_device rd;
  char tail[40];
  std::snprintf(tail, sizeof tail, "%ld-%08x@", static_cast<long>(::getpid()),
                static_cast<unsigned>(rd()));
  const std::string temp = TemporaryPrefix(target_) + tail + SystemTag();
  const int fd =
      CurrentOutputCalls().Open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(OutputProblem::kOpen, "無法寫入" + Shown(), errno);
  fd_ = fd;
  // Held while the bytes are written: no other writer takes the file for a leftover.
  ::flock(fd_, LOCK_EX | LOCK_NB);
  temp_ = temp;
  cleanup_slot_ = RemoveOnSignal(temp_);
  if (existed) {
    // The new file keeps the old one's permissions, and its owner when root replaces it.
    if (::fchmod(fd_, old.st_mode & 07777) != 0)
      return Fail(OutputProblem::kOpen, "無法寫入" + Shown(), errno);
    if (::geteuid() == 0 && (old.st_uid != 0 || old.st_gid != 0))
      if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
        // Keeping root as owner is the lesser harm than failing the save.
      }
  }
  return true;
}

bool OutputFile::Flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = CurrentOutputCalls().Write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int e = n == 0 ? ENOSPC : errno;
      buffer_.clear();
      return Fail(OutputProblem::kWrite, "無法寫入" + Shown(), e);
    }
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
  return true;
}

bool OutputFile::Write(const char* data, std::size_t size) {
  if (Failed() || finished_) return false;
  if (fd_ < 0 && !Open()) return false;
  if (written_ + size > limit_ || written_ + size < written_)
    return Fail(OutputProblem::kTooLarge,
                Shown() + "會超過 " + std::to_string(limit_) + " 位元組的上限,沒有寫入");
  buffer_.append(data, size);
  written_ += size;
  if (buffer_.size() >= kBufferSize) return Flush();
  return true;
}

bool OutputFile::Finish() {
  if (finished_) return !Failed();
  if (Failed()) return false;
  if (fd_ < 0 && !Open()) return false;
  finished_ = true;
  if (!Flush()) return false;
  if (IsStandardOutput()) {
    // A pipe or terminal has nothing to sync; a file standard output was sent to does.
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && CurrentOutputCalls().Sync(fd_) != 0 &&
        errno != EINVAL && errno != EROFS)
      return Fail(OutputProblem::kSync, "無法寫入標準輸出", errno);
    return true;
  }
  // On disk before the rename, so a crash cannot leave an empty file under the old name.
  if (CurrentOutputCalls().Sync(fd_) != 0) {
    const int e = errno;
    CurrentOutputCalls().Close(fd_);
    fd_ = -1;
    return Fail(OutputProblem::kSync, "無法寫入" + Shown(), e);
  }
  const int closed = CurrentOutputCalls().Close(fd_);
  const int e = errno;
  fd_ = -1;
  if (closed != 0) return Fail(OutputProblem::kClose, "無法寫入" + Shown(), e);
  return true;
}

bool OutputFile::Commit() {
  if (committed_) return true;
  if (!Finish()) {
    Abandon();
    return false;
  }
  if (!IsStandardOutput()) {
    if (CurrentOutputCalls().Rename(temp_, target_) != 0) {
      const int e = errno;
      Abandon();
      return Fail(OutputProblem::kRename, "無法寫入" + Shown(), e);
    }
    ForgetOnSignal(cleanup_slot_);
    cleanup_slot_ = -1;
    temp_.clear();
    // The rename itself on disk too; a folder that cannot be synced is no reason to fail.
    const int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }
  committed_ = true;
  return true;
}

void OutputFile::Abandon() {
  if (IsStandardOutput()) {
    fd_ = -1;  // what went out cannot be called back; standard output itself stays open
    return;
  }
  if (fd_ >= 0) {
    CurrentOutputCalls().Close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  ForgetOnSignal(cleanup_slot_);
  cleanup_slot_ = -1;
  finished_ = true;
}

std::string CommitTogether(const std::vector<OutputFile*>& files, bool* restored) {
  if (restored != nullptr) *restored = true;
  auto abandon_all = [&] {
    for (OutputFile* f : files) f->Abandon();
  };
  for (OutputFile* f : files)
    if (!f->Finish()) {
      const std::string error = f->Error();
      abandon_all();
      return error;
    }
  std::optional<TargetLock> lock;
  for (OutputFile* f : files)
    if (!f->IsStandardOutput()) {
      lock.emplace(f->Target());
      break;
    }
  // From the first backup to the last rename, a signal waits: the handler would end the process
  // between two renames and leave a mixed set.
  HeldSignals held;
  // The old files stay reachable under a second name until every new one is in place.
  std::vector<std::string> backups(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (files[i]->IsStandardOutput()) continue;
    const std::string& target = files[i]->Target();
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) continue;  // a new file: undone by removing it
    const std::string backup =
        TemporaryPrefix(target) + std::to_string(static_cast<long>(::getpid())) + "-old";
    ::unlink(backup.c_str());
    backups[i] = ::link(target.c_str(), backup.c_str()) == 0 ? backup : "-";  // "-": no undo
  }
  auto drop_backups = [&] {
    for (const std::string& backup : backups)
      if (!backup.empty() && backup != "-") ::unlink(backup.c_str());
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    const bool done = files[i]->Commit();
    if (done && !HeldSignals::Came()) continue;
    std::string error = done ? "列印被中斷,檔案沒有換掉" : files[i]->Error();
    std::string lost;
    for (std::size_t k = 0; k < (done ? i + 1 : i); ++k) {
      if (files[k]->IsStandardOutput()) continue;
      const std::string& target = files[k]->Target();
      const bool undone = backups[k].empty() ? ::unlink(target.c_str()) == 0
                          : backups[k] == "-"
                              ? false
                              : CurrentOutputCalls().Rename(backups[k], target) == 0;
      if (undone) {
        backups[k].clear();
        continue;
      }
      lost += (lost.empty() ? "" : "、") + files[k]->Path();
      // The backup is the only copy of the old file now: it stays, and the message names it.
      if (!backups[k].empty() && backups[k] != "-") {
        lost += " (舊的內容留在「" + backups[k] + "」)";
        backups[k].clear();
      }
    }
    for (std::size_t k = i + 1; k < files.size(); ++k) files[k]->Abandon();
    drop_backups();
    if (!lost.empty()) {
      error += ",無法還原已經換成新內容的檔案:" + lost;
      if (restored != nullptr) *restored = false;
    }
    return error;
  }
  drop_backups();
  return {};
}

std::string WriteWholeFile(const std::string& path, const std::string& bytes,
                           OutputProblem* problem) {
  OutputFile file(path);
  const bool ok = file.Open() && file.Write(bytes.data(), bytes.size()) && file.Commit();
  if (problem != nullptr) *problem = file.Problem();
  if (ok) return {};
  file.Abandon();
  return file.Error().empty() ? "無法寫入檔案「" + path + "」" : file.Error();
}

}  // namespace vellomir
