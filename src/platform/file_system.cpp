#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

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

std::optional<std::string> FileSystem::ReadBytes(const std::string& path) const {
  std::ifstream in(Resolve(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return ss.str();
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
