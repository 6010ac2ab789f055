#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vellomir::test {

// A fresh empty folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built vellomir executable with the arguments, in the given folder (current if empty).
RunResult RunVellomir(const std::vector<std::string>& args, const std::string& cwd = "");

// The lines a command printed, without what Qt itself may report about the machine.
std::vector<std::string> OutputLines(const std::string& text);
// The lines of an error output before the usage that follows an unknown option.
std::vector<std::string> MessageLines(const std::string& text);

// A QGuiApplication for tests that draw text or pictures (one already there, as a test
// executable's own main may make, is kept), with the program's font substitutions.
void EnsureGuiApplication();

// A picture of one colour (red unless said), its folders made; false when it cannot be saved.
bool WriteSolidPicture(const std::string& path, int width, int height, unsigned rgb = 0xFF0000);

std::string ReadBytes(const std::string& path);
// The lines as a label file holds them: CP950, each ended by CR LF.
std::string Cp950Lines(const std::vector<std::string>& lines);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace vellomir::test
