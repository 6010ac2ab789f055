#include "support/files.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "output/qt_surface.h"
#include "platform/file_system.h"

namespace vellomir::test {

TempDir::TempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("vellomir-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

RunResult RunVellomir(const std::vector<std::string>& args, const std::string& cwd) {
  QProcess p;
  QStringList qargs;
  for (const auto& a : args) qargs << QString::fromStdString(a);
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  if (!cwd.empty()) p.setWorkingDirectory(QString::fromStdString(cwd));
  p.start(QString::fromUtf8(VELLOMIR_EXE), qargs);
  RunResult r;
  if (!p.waitForFinished(120000)) return r;
  r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput().toStdString();
  r.err = p.readAllStandardError().toStdString();
  return r;
}

std::vector<std::string> OutputLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (line.rfind("QStandardPaths:", 0) != 0) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> MessageLines(const std::string& text) {
  std::vector<std::string> lines = OutputLines(text);
  lines.erase(std::find(lines.begin(), lines.end(), "用法:"), lines.end());
  return lines;
}

bool WriteSolidPicture(const std::string& path, int width, int height, unsigned rgb) {
  std::error_code ec;
  const auto folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(QColor::fromRgb(rgb));
  return picture.save(QString::fromStdString(path), "PNG");
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string Cp950Lines(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& line : lines) {
    const auto encoded = Utf8ToCp950(line);
    if (!encoded) throw std::invalid_argument("not CP950 text: " + line);
    bytes += *encoded + "\r\n";
  }
  return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

void EnsureGuiApplication() {
  static int argc = 1;
  static char name[] = "vellomir-test";
  static char* argv[] = {name, nullptr};
  if (QGuiApplication::instance() == nullptr) new QGuiApplication(argc, argv);
  InstallFontSubstitutions();
}

}  // namespace vellomir::test
