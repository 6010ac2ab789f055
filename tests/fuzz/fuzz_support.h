#pragma once

#include <optional>
#include <string>

#include "platform/recording_surface.h"

// What every fuzz target shares. Each process works in a private folder of its own, so a
// target never reads or writes the user's files, whatever names the input makes up.
namespace vellomir::fuzz {

// The process's own folder, made on first use and removed when the process ends.
const std::string& PrivateFolder();
// Removes everything the last input left in the private folder.
void EmptyPrivateFolder();

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
