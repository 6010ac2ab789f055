#pragma once

#include <cerrno>
#include <set>
#include <string>

#include "platform/output_file.h"

namespace vellomir::test {

enum class OutputStep { kOpen, kWrite, kSync, kClose, kRename };
inline constexpr OutputStep kOutputSteps[] = {OutputStep::kOpen, OutputStep::kWrite,
                                              OutputStep::kSync, OutputStep::kClose,
                                              OutputStep::kRename};
inline const char* StepName(OutputStep s) {
  switch (s) {
    case OutputStep::kOpen:
      return "open";
    case OutputStep::kWrite:
      return "write";
    case OutputStep::kSync:
      return "sync";
    case OutputStep::kClose:
      return "close";
    case OutputStep::kRename:
      return "rename";
  }
  return "?";
}

// The system calls of every output file, one of which fails on purpose: the nth call of one
// step, on files whose path holds `only` (every file when empty), as a full disk (write), a
// broken network file system (sync, close) or a read-only folder (open, rename) would make it.
// Counts the calls of each step on those files, so a test can first count, then fail each.
class FailingOutputCalls : public OutputCalls {
 public:
  FailingOutputCalls(OutputStep step, int nth, std::string only = {})
      : step_(step), nth_(nth), only_(std::move(only)) {}

  int Open(const std::string& path, int flags, mode_t mode) override {
    if (!Matches(path)) return OutputCalls::Open(path, flags, mode);
    if (Fails(OutputStep::kOpen)) return Refuse(EACCES);
    const int fd = OutputCalls::Open(path, flags, mode);
    if (fd >= 0) fds_.insert(fd);
    return fd;
  }
  ssize_t Write(int fd, const char* data, std::size_t size) override {
    if (fds_.count(fd) != 0 && Fails(OutputStep::kWrite)) return Refuse(ENOSPC);
    return OutputCalls::Write(fd, data, size);
  }
  int Sync(int fd) override {
    if (fds_.count(fd) != 0 && Fails(OutputStep::kSync)) return Refuse(EIO);
    return OutputCalls::Sync(fd);
  }
  int Close(int fd) override {
    const bool ours = fds_.erase(fd) != 0;
    const int r = OutputCalls::Close(fd);  // closed either way: a failed close still frees it
    if (ours && Fails(OutputStep::kClose)) return Refuse(EIO);
    return r;
  }
  int Rename(const std::string& from, const std::string& to) override {
    if (Matches(from) && Fails(OutputStep::kRename)) return Refuse(EXDEV);
    return OutputCalls::Rename(from, to);
  }

  int Calls(OutputStep s) const { return counts_[static_cast<int>(s)]; }
  bool Failed() const { return failed_; }

 private:
  bool Matches(const std::string& path) const {
    return only_.empty() || path.find(only_) != std::string::npos;
  }
  bool Fails(OutputStep s) {
    const int n = ++counts_[static_cast<int>(s)];
    if (s != step_ || n != nth_) return false;
    failed_ = true;
    return true;
  }
  static int Refuse(int e) {
    errno = e;
    return -1;
  }

  OutputStep step_;
  int nth_;
  std::string only_;
  std::set<int> fds_;
  int counts_[5] = {};
  bool failed_ = false;
};

}  // namespace vellomir::test
