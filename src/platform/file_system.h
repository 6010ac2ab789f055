#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/text_util.h"  // Cp950ToUtf8, Utf8ToCp950

// Every file the program reads or writes goes through here: working files, label files, the
// settings file. Files are lines ended by CR LF in CP950 (the Traditional Chinese ANSI code
// page); inside the program text is UTF-8.
namespace vellomir {

enum class FileError {
  kNone,
  kNotFound,
  kUnreadable,    // exists but cannot be opened or read
  kInvalidBytes,  // not CP950 text
  kUnencodable,   // a line holds a character CP950 cannot represent
  kWriteFailed,   // cannot create, write or rename into place
};

// Most bytes any file the program reads whole may hold; a larger one is refused before it is
// read (a sparse file of gigabytes must not take the memory of the machine).
inline constexpr std::uint64_t kMaxReadBytes = 256ull * 1024 * 1024;

enum class ReadProblem { kNone, kNotFound, kNotRegular, kTooLarge, kUnreadable };

// Reads a whole regular file of at most `limit` bytes. It is opened without blocking, so a FIFO
// or device in its place never holds the program up, and is refused unless it is a regular
// file; its size is checked before a byte is read. Nothing when it cannot be read, `problem`
// then says why.
std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t limit,
                                           ReadProblem* problem = nullptr);

struct ReadLinesResult {
  FileError error = FileError::kNone;
  std::vector<std::string> lines;  // UTF-8, without line ends
  int bad_line = 0;                // 1-based line of the first invalid bytes, when that failed
  bool ok() const { return error == FileError::kNone; }
};

struct WriteResult {
  FileError error = FileError::kNone;
  int bad_line = 0;  // 1-based line holding the first unencodable character
  bool ok() const { return error == FileError::kNone; }
};

// Relative paths are taken from the file system's folder (the program's current folder, or a
// private working folder). Tests subclass it to make operations fail on purpose.
class FileSystem {
 public:
  explicit FileSystem(std::string folder = ".") : folder_(std::move(folder)) {}
  virtual ~FileSystem() = default;

  // The path as the operating system sees it: relative paths joined to the folder.
  std::string Resolve(const std::string& path) const;

  virtual bool FileExists(const std::string& path) const;
  virtual bool DeleteFile(const std::string& path);
  // Byte copy; replaces the target.
  virtual bool CopyFile(const std::string& from, const std::string& to);
  virtual ReadLinesResult ReadLines(const std::string& path) const;
  // Writes every line followed by CR LF, through a temporary file in the same folder renamed
  // over the target, so a failed write leaves the old file as it was.
  virtual WriteResult WriteLines(const std::string& path, const std::vector<std::string>& lines);
  // Raw bytes, for byte copies and checks; nothing when unreadable, not a regular file or
  // larger than kMaxReadBytes.
  virtual std::optional<std::string> ReadBytes(const std::string& path) const;
  // The size of a regular file; nothing when there is none.
  std::optional<std::uint64_t> FileSize(const std::string& path) const;
  // Writes the bytes whole or not at all (see OutputFile): a link is followed and stays a link,
  // a folder, FIFO, device, socket or read-only file is not replaced.
  virtual bool WriteBytes(const std::string& path, const std::string& bytes);
  // Why a write to `path` would be refused before any byte is written (not a regular file,
  // read-only), in the program's words; "" when it may be written.
  std::string CheckWriteTarget(const std::string& path) const;

 private:
  std::string folder_;
};

// Splits CP950 (or any ASCII-compatible) bytes into lines at CR LF, LF or CR; a final line
// end gives no empty line after it.
std::vector<std::string> SplitLines(const std::string& bytes);

}  // namespace vellomir
