#pragma once

#include <string>

#include "platform/file_system.h"

namespace vellomir::test {

// A file system whose chosen operations fail, as a locked file, a read-only folder or a full
// disk would make them. A copy writes through WriteBytes, so a failing write fails it too.
class FailingFileSystem : public FileSystem {
 public:
  using FileSystem::FileSystem;
  bool DeleteFile(const std::string& path) override {
    return !fail_delete && FileSystem::DeleteFile(path);
  }
  bool CopyFile(const std::string& from, const std::string& to) override {
    return !fail_copy && FileSystem::CopyFile(from, to);
  }
  bool WriteBytes(const std::string& path, const std::string& bytes) override {
    return !fail_write && path != fail_write_to && FileSystem::WriteBytes(path, bytes);
  }

  bool fail_delete = false;
  bool fail_copy = false;
  bool fail_write = false;    // every write
  std::string fail_write_to;  // writes to this one path
};

}  // namespace vellomir::test
