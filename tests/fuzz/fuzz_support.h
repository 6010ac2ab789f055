#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>

#include "platform/recording_surface.h"

// What every fuzz target shares. Each process works in a private folder of its own, so a
// target never reads or writes the user's files, whatever names the input makes up.
namespace vellomir::fuzz {

// The process's own folder, made on first use and removed when the process ends.
const std::string& PrivateFolder();
// Removes everything the last input left in the private folder.
void EmptyPrivateFolder();

// Takes typed values off the front of a fuzz input; past its end every value is zero or empty.
// The same bytes always give the same values, so a kept input replays exactly.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  template <typename T>
  T Take() {
    static_assert(std::is_trivially_copyable_v<T>);
    unsigned char bytes[sizeof(T)] = {};
    const std::size_t n = std::min(sizeof(T), size_ - at_);
    if (n > 0) std::memcpy(bytes, data_ + at_, n);
    at_ += n;
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
  }
  // A whole number from lo to hi.
  int TakeInRange(int lo, int hi) {
    return lo + static_cast<int>(Take<uint32_t>() % static_cast<uint32_t>(hi - lo + 1));
  }
  // A text of at most `max` bytes, its length given by the byte before it.
  std::string TakeText(std::size_t max) {
    const std::size_t n = std::min<std::size_t>({Take<uint8_t>(), max, size_ - at_});
    std::string text(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return text;
  }
  std::string TakeRest() {
    std::string text(reinterpret_cast<const char*>(data_ + at_), size_ - at_);
    at_ = size_;
    return text;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Fixture files, written and read directly rather than through the code under test.
void PutFile(const std::string& name, const std::string& bytes);
std::optional<std::string> GetFile(const std::string& name);

// Stops the run with a message: libFuzzer keeps the input that broke the promise as a finding.
[[noreturn]] void Fail(const char* condition, const char* file, int line);

// Picture sizes without decoding: "logo.png" is 200 x 100, "zero.png" has no extent, and
// every other file is no picture at all.
class StandInPictures : public PictureProbe {
 public:
  std::optional<PictureSize> NaturalSize(const std::string& path) const override;
};

// Puts the stand-in picture files into the private folder.
void PutPictures();

// True when every coordinate and extent the surface recorded is a finite number, every box
// is black or white, and every text has a finite font size.
bool AllOperationsFinite(const RecordingSurface& surface);

}  // namespace vellomir::fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::vellomir::fuzz::Fail(#condition, __FILE__, __LINE__))
