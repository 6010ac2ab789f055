#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/byte_sink.h"

// Every file the program writes, its own files and its outputs alike, goes through an
// OutputFile: the bytes go to a temporary file beside the target, every write is checked, and
// only a complete, synced file is renamed over the target. Whatever fails, the old file stays as
// it was and nothing is left behind.
namespace vellomir {

// The system calls behind an output file. Tests put a set in place that fails one step on
// purpose, as a full disk, a broken network file system or a read-only folder would.
class OutputCalls {
 public:
  virtual ~OutputCalls() = default;
  virtual int Open(const std::string& path, int flags, mode_t mode);
  virtual ssize_t Write(int fd, const char* data, std::size_t size);
  virtual int Sync(int fd);
  virtual int Close(int fd);
  virtual int Rename(const std::string& from, const std::string& to);
};

// The calls every output file uses: the system's, unless a test put others in place.
OutputCalls& CurrentOutputCalls();

// Puts `calls` in place for as long as it lives. For tests; not for use across threads.
class ScopedOutputCalls {
 public:
  explicit ScopedOutputCalls(OutputCalls& calls);
  ~ScopedOutputCalls();
  ScopedOutputCalls(const ScopedOutputCalls&) = delete;
  ScopedOutputCalls& operator=(const ScopedOutputCalls&) = delete;

 private:
  OutputCalls* previous_;
};

enum class OutputProblem {
  kNone,
  kNotRegular,  // the target is a folder, FIFO, device or socket: never replaced
  kReadOnly,    // the target has no write permission: not replaced, not even by root
  kBadLink,     // a link that loops or is too long to follow
  kUnsafeLink,  // a link someone else planted in a shared folder (the kernel would refuse it)
  kOpen,        // the temporary file could not be made
  kWrite,
  kTooLarge,  // the size limit would be passed
  kSync,
  kClose,
  kRename,
};

// The target a write to `path` replaces: symbolic links followed to the file they name, also
// when that file does not exist yet (the link then stays and the file appears behind it). ""
// when the links loop, or when a link lies in a sticky folder that anyone may write to (as /tmp)
// and belongs neither to us nor to the folder's owner: the kernel's fs.protected_symlinks
// refuses those links, and so do we (`unsafe` then names the link).
std::string ResolveOutputTarget(const std::string& path, std::string* unsafe = nullptr);

// Why `path` cannot be written as a whole new file, as one line in the program's words; "" when
// it can. Only a regular file with a write permission bit is replaced; a missing one is made.
std::string CheckOutputTarget(const std::string& path, OutputProblem* problem = nullptr);

// The prefix of the temporary names of `target`'s writes: ".~NAME." in its folder.
std::string TemporaryPrefix(const std::string& target);

// The part of a temporary name that tells which system (host and process-id namespace) made
// it: a process id says whether its writer still runs only on the system that made it.
std::string SystemTag();

// One file being written. "-" means standard output, which is written straight through.
class OutputFile : public ByteSink {
 public:
  explicit OutputFile(std::string path);
  // A file neither committed nor abandoned is abandoned.
  ~OutputFile() override;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Checks the target and makes the temporary file beside it (first removing temporary files
  // that a killed write of the same target left). False with Error() when it cannot.
  bool Open();
  bool Write(const char* data, std::size_t size) override;
  std::uint64_t Written() const override { return written_; }
  // A write that would take the file past `bytes` fails instead (kTooLarge).
  void SetSizeLimit(std::uint64_t bytes) { limit_ = bytes; }
  // Writes what is buffered, syncs and closes; the bytes stay under the temporary name until
  // Commit. Lets a run finish several files before it puts any of them in place.
  bool Finish();
  // Finishes when not done yet, then renames the temporary file over the target.
  bool Commit();
  // Removes the temporary file; the target stays as it was.
  void Abandon();

  bool Failed() const { return problem_ != OutputProblem::kNone; }
  OutputProblem Problem() const { return problem_; }
  // What went wrong, one line in the program's words, naming the file; "" when nothing did.
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }
  // The file that Commit replaces: the path with links followed (known once open).
  const std::string& Target() const { return target_; }
  bool IsStandardOutput() const { return path_ == "-"; }

 private:
  // The file as a message names it.
  std::string Shown() const;
  bool Fail(OutputProblem problem, const std::string& text, int error_number = 0);
  bool Flush();

  std::string path_;
  std::string target_;  // the path with links followed
  std::string temp_;
  int fd_ = -1;
  int cleanup_slot_ = -1;
  bool finished_ = false;
  bool committed_ = false;
  std::string buffer_;
  std::uint64_t written_ = 0;
  std::uint64_t limit_ = UINT64_MAX;
  OutputProblem problem_ = OutputProblem::kNone;
  std::string error_;
};

// Puts several files in place as one: each is finished, then all are renamed over their
// targets; when one fails, those already renamed get their old files back (kept as hard links
// meanwhile), so the targets end as they all were. "" when done, else what went wrong (and
// which targets could not be restored, with the backup that still holds each old file).
// `restored` tells whether the targets are as they were after a failure.
// An flock on ".~NAME.lock" beside the first target keeps two runs from interleaving their
// sets. SIGINT, SIGTERM and SIGHUP wait while the files are renamed: one that came meanwhile
// puts the old files back before it ends the process, and no signal handler ever removes a
// backup.
std::string CommitTogether(const std::vector<OutputFile*>& files, bool* restored = nullptr);

// Writes `bytes` to `path` whole through an OutputFile. "" when done, else what went wrong.
std::string WriteWholeFile(const std::string& path, const std::string& bytes,
                           OutputProblem* problem = nullptr);

}  // namespace vellomir
