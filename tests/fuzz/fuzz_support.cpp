#include "fuzz_support.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vellomir::fuzz {

namespace {

namespace fs = std::filesystem;

// Memory-backed when the machine has it: the code under test syncs every file it writes, and
// on a disk that would slow the run to a crawl.
std::string Base() {
  if (::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

class Folder {
 public:
  Folder() {
    std::string pattern = Base() + "/vellomir-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("vellomir fuzz: cannot make a private folder");
      std::abort();
    }
    path_ = pattern;
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

const std::string& PrivateFolder() {
  static const Folder folder;
  return folder.path();
}

void EmptyPrivateFolder() {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(PrivateFolder(), ec))
    fs::remove_all(entry.path(), ec);
}

void PutFile(const std::string& name, const std::string& bytes) {
  std::ofstream out(fs::path(PrivateFolder()) / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("fixture file written", __FILE__, __LINE__);
}

std::optional<std::string> GetFile(const std::string& name) {
  std::ifstream in(fs::path(PrivateFolder()) / name, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, condition);
  std::abort();
}

std::optional<PictureSize> StandInPictures::NaturalSize(const std::string& path) const {
  const std::string name = fs::path(path).filename().string();
  if (name == "logo.png") return PictureSize{200, 100};
  if (name == "zero.png") return PictureSize{0, 0};
  return std::nullopt;
}

void PutPictures() {
  PutFile("logo.png", "stand-in");
  PutFile("zero.png", "");
  PutFile("broken.png", "not a picture");
}

bool AllOperationsFinite(const RecordingSurface& surface) {
  auto finite = [](std::initializer_list<double> values) {
    for (double v : values)
      if (!std::isfinite(v)) return false;
    return true;
  };
  for (const BoxOp& b : surface.Boxes())
    if (!finite({b.x, b.y, b.w, b.h}) || (b.colour != kBlack && b.colour != kWhite)) return false;
  for (const TextOp& t : surface.Texts())
    if (!finite({t.x, t.y, t.font.size})) return false;
  for (const PictureOp& p : surface.Pictures())
    if (!finite({p.left, p.top, p.width, p.height})) return false;
  return true;
}

}  // namespace vellomir::fuzz
