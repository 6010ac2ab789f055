#include "render/print_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace vellomir {

namespace {

std::string OutcomeWord(const PrintResult& result) {
  switch (result.outcome) {
    case PrintOutcome::kPrinted:
      if (result.unfinished) return "未完成 (" + result.message + ")";
      return result.message.empty() ? "完成" : "完成 (" + result.message + ")";
    case PrintOutcome::kCancelled:
      return "取消";
    case PrintOutcome::kRefused:
      return "沒有列印: " + result.message;
    case PrintOutcome::kPrinterError:
      return "失敗: " + result.message;
  }
  return "?";
}

// A field may hold anything a user typed; the line must stay one line of fields.
std::string Field(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

std::string Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local);
  return text;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

PrintLogEntry MakePrintLogEntry(const std::string& design, const std::string& destination,
                                int64_t requested, const PrintResult& result) {
  PrintLogEntry entry;
  entry.design = design;
  entry.destination = destination;
  entry.requested = requested;
  entry.sent = result.labels_sent;
  entry.jobs = result.deliveries;
  entry.outcome = OutcomeWord(result);
  return entry;
}

std::string FormatPrintLogLine(const PrintLogEntry& e) {
  std::string jobs;
  for (const std::string& job : e.jobs) jobs += (jobs.empty() ? "" : " ") + job;
  const std::string labels = e.sent <= 0 ? "-" : e.sent == 1 ? "1" : "1-" + std::to_string(e.sent);
  return Field(e.time) + "\t設計=" + Field(e.design) + "\t送到=" + Field(e.destination) +
         "\t要印=" + std::to_string(e.requested) + "\t已送出=" + std::to_string(e.sent) +
         "\t標籤=" + labels + "\t工作=" + Field(jobs.empty() ? "-" : jobs) +
         "\t結果=" + Field(e.outcome) +
         (e.design_path.empty() ? "" : FormatBatchFields(e.design_path, e.batches));
}

std::string DefaultPrintLogPath() {
  namespace fs = std::filesystem;
  fs::path data;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/')
    data = xdg;
  else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
    data = fs::path(home) / ".local" / "share";
  else
    return {};
  return (data / "vellomir" / "print.log").string();
}

std::string AppendPrintLog(const std::string& path, PrintLogEntry entry) {
  if (path.empty()) return "不知道使用者的資料夾在哪裡,無法寫入列印記錄";
  if (entry.time.empty()) entry.time = Now();
  const std::string line = FormatPrintLogLine(entry) + "\n";
  std::error_code ec;
  const auto folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return "無法寫入列印記錄「" + path + "」:" + std::strerror(errno);
  // Only regular files: a log that is a pipe or device would swallow the record.
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    ::flock(fd, LOCK_EX);  // one line at a time from every process
    ok = WriteAll(fd, line) && ::fsync(fd) == 0;
    ::flock(fd, LOCK_UN);
  }
  const int saved = errno;
  if (::close(fd) != 0) ok = false;
  if (!ok) return "無法寫入列印記錄「" + path + "」:" + std::strerror(saved);
  return {};
}

std::optional<std::vector<std::string>> LastPrintLogLines(const std::string& path,
                                                          std::size_t count) {
  std::vector<std::string> lines;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return lines;
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  // Read backwards in blocks until enough line ends are seen: a log of years stays cheap.
  std::string tail;
  off_t end = st.st_size;
  constexpr off_t kBlock = 64 * 1024;
  auto line_ends = [&] {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < tail.size(); ++i)
      if (tail[i] == '\n') ++n;
    return n;
  };
  while (end > 0 && line_ends() <= count) {
    const off_t start = end > kBlock ? end - kBlock : 0;
    std::string block(static_cast<std::size_t>(end - start), '\0');
    std::size_t got = 0;
    while (got < block.size()) {
      const ssize_t n =
          ::pread(fd, block.data() + got, block.size() - got, start + static_cast<off_t>(got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ::close(fd);
        return std::nullopt;
      }
      got += static_cast<std::size_t>(n);
    }
    tail.insert(0, block);
    end = start;
  }
  ::close(fd);
  std::size_t start = 0;
  while (start < tail.size()) {
    std::size_t stop = tail.find('\n', start);
    if (stop == std::string::npos) stop = tail.size();
    lines.push_back(tail.substr(start, stop - start));
    start = stop + 1;
  }
  // The first piece may be the end of an older line cut by the block boundary.
  if (end > 0 && !lines.empty()) lines.erase(lines.begin());
  if (lines.size() > count) lines.erase(lines.begin(), lines.end() - static_cast<long>(count));
  return lines;
}

}  // namespace vellomir
