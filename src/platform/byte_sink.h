#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Where a writer's bytes go: a file being written, standard output, memory, a print job.
// Every write is checked, so a writer can stop at the first failure instead of at the end.
namespace vellomir {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Appends size bytes; false when they could not all be written. After a failure the sink
  // stays failed and takes nothing more.
  virtual bool Write(const char* data, std::size_t size) = 0;
  // Bytes accepted so far.
  virtual std::uint64_t Written() const = 0;
};

// Bytes kept in memory, for a document made whole before it goes anywhere.
class StringSink : public ByteSink {
 public:
  bool Write(const char* data, std::size_t size) override {
    bytes.append(data, size);
    return true;
  }
  std::uint64_t Written() const override { return bytes.size(); }

  std::string bytes;
};

}  // namespace vellomir
