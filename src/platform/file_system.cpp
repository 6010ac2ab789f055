#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/output_file.h"

namespace vellomir {

namespace {

namespace fs = std::filesystem;

}  // namespace

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string cur;
  bool pending = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      pending = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      cur.push_back(c);
      pending = true;
    }
  }
  if (pending) lines.push_back(cur);
  return lines;
}

std::string FileSystem::Resolve(const std::string& path) const {
  fs::path p(path);
  if (p.is_absolute() || folder_.empty() || folder_ == ".") return path;
  return (fs::path(folder_) / p).string();
}

bool FileSystem::FileExists(const std::string& path) const {
  std::error_code ec;
  return fs::is_regular_file(Resolve(path), ec);
}

bool FileSystem::DeleteFile(const std::string& path) {
  std::error_code ec;
  return fs::remove(Resolve(path), ec) && !ec;
}

bool FileSystem::CopyFile(const std::string& from, const std::string& to) {
  const auto bytes = ReadBytes(from);
  if (!bytes) return false;
  return WriteBytes(to, *bytes);
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t limit,
                                           ReadProblem* problem) {
  auto fail = [problem](ReadProblem why) -> std::optional<std::string> {
    if (problem != nullptr) *problem = why;
    return std::nullopt;
  };
  if (problem != nullptr) *problem = ReadProblem::kNone;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(errno == ENOENT ? ReadProblem::kNotFound : ReadProblem::kUnreadable);
  struct stat st {};
  ReadProblem why = ReadProblem::kNone;
  if (::fstat(fd, &st) != 0)
    why = ReadProblem::kUnreadable;
  else if (!S_ISREG(st.st_mode))
    why = ReadProblem::kNotRegular;
  else if (static_cast<std::uint64_t>(st.st_size) > limit)
    why = ReadProblem::kTooLarge;
  std::string bytes;
  if (why == ReadProblem::kNone) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    // A file that grows meanwhile is read only up to the limit.
    while (why == ReadProblem::kNone) {
      if (got == bytes.size()) {
        if (bytes.size() >= limit) {
          char probe = 0;
          if (::read(fd, &probe, 1) > 0) why = ReadProblem::kTooLarge;
          break;
        }
        bytes.resize(std::min<std::uint64_t>(limit, bytes.size() + 65536));
      }
      const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) why = ReadProblem::kUnreadable;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
  }
  ::close(fd);
  if (why != ReadProblem::kNone) return fail(why);
  return bytes;
}

std::optional<std::string> FileSystem::ReadBytes(const std::string& path) const {
  return ReadRegularFile(Resolve(path), kMaxReadBytes);
}

std::optional<std::uint64_t> FileSystem::FileSize(const std::string& path) const {
  struct stat st {};
  if (::stat(Resolve(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

bool FileSystem::WriteBytes(const std::string& path, const std::string& bytes) {
  // The one checked write of the program: links followed, only regular files replaced, every
  // write checked, synced, renamed into place.
  return WriteWholeFile(Resolve(path), bytes).empty();
}

std::string FileSystem::CheckWriteTarget(const std::string& path) const {
  return CheckOutputTarget(Resolve(path));
}

ReadLinesResult FileSystem::ReadLines(const std::string& path) const {
  ReadLinesResult r;
  if (!FileExists(path)) {
    r.error = FileError::kNotFound;
    return r;
  }
  const auto bytes = ReadBytes(path);
  if (!bytes) {
    r.error = FileError::kUnreadable;
    return r;
  }
  int n = 0;
  for (const std::string& raw : SplitLines(*bytes)) {
    ++n;
    auto text = Cp950ToUtf8(raw);
    if (!text) {
      r.error = FileError::kInvalidBytes;
      r.bad_line = n;
      r.lines.clear();
      return r;
    }
    r.lines.push_back(std::move(*text));
  }
  return r;
}

WriteResult FileSystem::WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  WriteResult r;
  std::string bytes;
  int n = 0;
  for (const auto& line : lines) {
    ++n;
    auto encoded = Utf8ToCp950(line);
    if (!encoded) {
      r.error = FileError::kUnencodable;
      r.bad_line = n;
      return r;
    }
    bytes += *encoded;
    bytes += "\r\n";
  }
  if (!WriteBytes(path, bytes)) r.error = FileError::kWriteFailed;
  return r;
}

}  // namespace vellomir
