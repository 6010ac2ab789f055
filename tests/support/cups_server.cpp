#include "support/cups_server.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

extern char** environ;

namespace vellomir::test {

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& text, fs::perms perms) {
  std::ofstream(path, std::ios::binary) << text;
  fs::permissions(path, perms);
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a program with the arguments and this process's environment; its exit status, or -1.
int RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& output = "/dev/null") {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool InPath(const std::string& program) {
  for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin"})
    if (access((std::string(dir) + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}

constexpr const char* kCupsPdfPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";

// Keeps what the queue's filters produced, one file per job, in the folder its URI names.
constexpr const char* kCaptureBackend = R"(#!/bin/sh
if [ $# -eq 0 ]; then echo 'direct capture "Unknown" "Test capture"'; exit 0; fi
dir="${DEVICE_URI#capture:}"
if [ -n "$6" ]; then cat "$6"; else cat; fi > "$dir/job-$1.out"
)";

// "failing:/" takes each job and then fails it in its own words; "vanishing:/" takes the print
// server down while the job prints.
constexpr const char* kMisbehavingBackend = R"(#!/bin/sh
if [ $# -eq 0 ]; then echo "direct ${0##*/} \"Unknown\" \"Test\""; exit 0; fi
case "$0" in *vanishing) sleep 1; kill -KILL $PPID; sleep 5;; esac
if [ -n "$6" ]; then cat "$6"; else cat; fi > /dev/null
echo 'ERROR: out of labels' >&2
exit 1
)";

}  // namespace

CupsServer::CupsServer() {
  if (!InPath("cupsd") || !InPath("lpadmin")) {
    reason_ = "cupsd or lpadmin is not installed (packages cups, cups-client)";
    return;
  }
  if (access(kCupsPdfPpd, R_OK) != 0) {
    reason_ = std::string(kCupsPdfPpd) + " is missing (package printer-driver-cups-pdf)";
    return;
  }
  if (!Start()) return;
  const std::string capture = CaptureUri();
  std::string ppd = Slurp(kCupsPdfPpd);
  // 5 mm margins all round (14.17 pt), so the printable area's corner is not the paper's.
  ppd = std::regex_replace(ppd, std::regex(R"(\*ImageableArea A4/A4: "[^"]*")"),
                           R"(*ImageableArea A4/A4: "14.17 14.17 581.1 827.7")");
  WriteFile(dir_.path() / "sheets.ppd", ppd,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
  const std::string sheets_ppd = (dir_.path() / "sheets.ppd").string();
  const bool queues =
      Admin("lpadmin",
            {"-p", "sheets", "-E", "-v", capture, "-P", sheets_ppd, "-o", "copies-default=2"}) &&
      Admin("lpadmin", {"-p", "labels", "-E", "-v", capture, "-m", "drv:///sample.drv/zebra.ppd",
                        "-o", "media-default=w288h432", "-o", "copies-default=2"}) &&
      Admin("lpadmin", {"-p", "closed", "-E", "-v", capture, "-P", sheets_ppd}) &&
      Admin("cupsreject", {"closed"}) &&
      Admin("lpadmin", {"-p", "raw", "-E", "-v", capture, "-m", "raw"});
  if (!queues) reason_ = "the test queues could not be set up (see " + dir_.File("admin.log") + ")";
}

bool CupsServer::Start() {
  const fs::path root = dir_.path();
  // Filters run as an unprivileged user and must reach the spool through this folder.
  fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
  for (const char* sub : {"conf", "spool", "cache", "state", "log", "out", "bin", "bin/backend"})
    fs::create_directories(root / sub);
  // The installed filters and helpers, plus our capture backend.
  for (const char* sub : {"cgi-bin", "daemon", "driver", "filter", "monitor", "notifier"})
    if (fs::exists(fs::path("/usr/lib/cups") / sub))
      fs::create_symlink(fs::path("/usr/lib/cups") / sub, root / "bin" / sub);
  WriteFile(root / "bin/backend/capture", kCaptureBackend, fs::perms::owner_all);
  for (const char* name : {"failing", "vanishing"})
    WriteFile(root / "bin/backend" / name, kMisbehavingBackend, fs::perms::owner_all);
  fs::permissions(root / "out", fs::perms::all);

  socket_ = (root / "cups.sock").string();
  WriteFile(root / "conf/cupsd.conf",
            "Listen " + socket_ +
                "\nBrowsing No\nLogLevel warn\nPreserveJobFiles Yes\nPreserveJobHistory Yes\n"
                "DefaultAuthType None\nWebInterface No\n"
                "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n",
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // cupsd will not run filters as root; an ordinary user runs them as itself.
  const bool root_user = getuid() == 0;
  const std::string user = root_user ? "lp" : std::to_string(getuid());
  const std::string group = root_user ? "lp" : std::to_string(getgid());
  WriteFile(
      root / "conf/cups-files.conf",
      "ServerBin " + (root / "bin").string() + "\nServerRoot " + (root / "conf").string() +
          "\nRequestRoot " + (root / "spool").string() + "\nCacheDir " + (root / "cache").string() +
          "\nStateDir " + (root / "state").string() + "\nTempDir " + (root / "spool").string() +
          "\nErrorLog " + (root / "log/error_log").string() + "\nAccessLog " +
          (root / "log/access_log").string() + "\nPageLog " + (root / "log/page_log").string() +
          "\nDataDir /usr/share/cups\nDocumentRoot /usr/share/cups/doc-root\nUser " + user +
          "\nGroup " + group + "\nFileDevice No\n",
      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  const std::string conf = (root / "conf/cupsd.conf").string();
  const std::string files = (root / "conf/cups-files.conf").string();
  const std::string log = (root / "log/cupsd.out").string();
  std::vector<std::string> args = {"cupsd", "-f", "-c", conf, "-s", files};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, "cupsd", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    reason_ = "cupsd could not be started";
    return false;
  }
  pid_ = pid;

  setenv("CUPS_SERVER", socket_.c_str(), 1);
  cupsSetServer(socket_.c_str());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (http_t* http = httpConnect2(socket_.c_str(), ippPort(), nullptr, AF_UNSPEC,
                                    HTTP_ENCRYPTION_NEVER, 1, 1000, nullptr)) {
      httpClose(http);
      return true;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      pid_ = -1;
      reason_ = "cupsd stopped at once: " + Slurp(log) + Slurp(root / "log/error_log");
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  reason_ = "cupsd did not open its socket in time";
  return false;
}

CupsServer::~CupsServer() {
  if (pid_ > 0) {
    kill(static_cast<pid_t>(pid_), SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
      if (waitpid(static_cast<pid_t>(pid_), &status, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (pid_ > 0) {
      kill(static_cast<pid_t>(pid_), SIGKILL);
      waitpid(static_cast<pid_t>(pid_), &status, 0);
    }
  }
  cupsSetServer(nullptr);
  unsetenv("CUPS_SERVER");
}

void CupsServer::Kill() {
  if (pid_ <= 0) return;
  kill(static_cast<pid_t>(pid_), SIGKILL);
  int status = 0;
  waitpid(static_cast<pid_t>(pid_), &status, 0);
  pid_ = -1;
}

bool CupsServer::Admin(const std::string& program, const std::vector<std::string>& args) {
  return RunProgram(program, args, dir_.File("admin.log")) == 0;
}

std::vector<CupsJob> CupsServer::Jobs() {
  std::vector<CupsJob> jobs;
  http_t* http = httpConnect2(socket_.c_str(), ippPort(), nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER,
                              1, 5000, nullptr);
  if (http == nullptr) return jobs;
  cups_job_t* list = nullptr;
  const int n = cupsGetJobs2(http, &list, nullptr, 0, CUPS_WHICHJOBS_ALL);
  for (int i = 0; i < n; ++i) {
    CupsJob job;
    job.id = list[i].id;
    job.queue = list[i].dest;
    job.name = list[i].title;
    job.state = list[i].state;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://localhost/jobs/" + std::to_string(job.id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    if (ipp_t* response = cupsDoRequest(http, request, "/")) {
      if (ipp_attribute_t* a = ippFindAttribute(response, "media", IPP_TAG_ZERO))
        job.media = ippGetString(a, 0, nullptr) != nullptr ? ippGetString(a, 0, nullptr) : "";
      if (ipp_attribute_t* a = ippFindAttribute(response, "copies", IPP_TAG_INTEGER))
        job.copies = ippGetInteger(a, 0);
      ippDelete(response);
    }
    jobs.push_back(job);
  }
  cupsFreeJobs(n, list);
  httpClose(http);
  std::sort(jobs.begin(), jobs.end(),
            [](const CupsJob& a, const CupsJob& b) { return a.id < b.id; });
  return jobs;
}

bool CupsServer::WaitUntilIdle(int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    const auto jobs = Jobs();
    if (std::none_of(jobs.begin(), jobs.end(), [](const CupsJob& j) {
          return j.state == IPP_JSTATE_PENDING || j.state == IPP_JSTATE_PROCESSING;
        }))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

std::string CupsServer::ReceivedDocument(int id) const {
  char name[32];
  std::snprintf(name, sizeof name, "d%05d-001", id);
  return Slurp(dir_.path() / "spool" / name);
}

std::string CupsServer::Output(int id) const {
  return Slurp(dir_.path() / "out" / ("job-" + std::to_string(id) + ".out"));
}

namespace {

// The bytes of ZPL's compressed hexadecimal from `i`, until `rows` rows or the next command.
std::string ZplHexBytes(const std::string& zpl, std::size_t& i, long per_row, long rows) {
  const auto digits = static_cast<std::size_t>(per_row) * 2;
  std::string hex, row;
  int count = 0;
  for (; i < zpl.size() && hex.size() < digits * rows && zpl[i] != '^' && zpl[i] != '~'; ++i) {
    const char ch = zpl[i];
    if (ch >= 'G' && ch <= 'Y') count += ch - 'G' + 1;
    if (ch >= 'g' && ch <= 'z') count += (ch - 'g' + 1) * 20;
    if (std::isxdigit(static_cast<unsigned char>(ch))) row.append(count > 0 ? count : 1, ch);
    if (std::isxdigit(static_cast<unsigned char>(ch))) count = 0;
    if (ch == ',' || ch == '!') row.resize(digits, ch == ',' ? '0' : 'F');
    if (ch == ':') row = hex.empty() ? std::string(digits, '0') : hex.substr(hex.size() - digits);
    if (row.size() >= digits) hex += row.substr(0, digits), row.clear();
  }
  std::string bytes;
  for (std::size_t d = 0; d + 1 < hex.size(); d += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(d, 2), nullptr, 16));
  return bytes;
}

// One bit a dot, the first in the top bit; black on white. EPL prints its 0 bits.
QImage BitsImage(const std::string& bits, long per_row, bool zero_prints = false) {
  QImage image(static_cast<int>(per_row * 8), static_cast<int>(bits.size() / per_row),
               QImage::Format_Grayscale8);
  image.fill(255);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (((static_cast<unsigned char>(bits[y * per_row + x / 8]) >> (7 - x % 8)) & 1) !=
          zero_prints)
        image.scanLine(y)[x] = 0;
  return image;
}

// The CRC-16 (polynomial 0x1021, from 0) a Z64 field ends with.
unsigned Crc16(const std::string& text) {
  unsigned crc = 0;
  for (unsigned char c : text)
    for (int i = 0, bit = 0; i < 8; ++i, crc = ((crc << 1) ^ (bit ? 0x1021 : 0)) & 0xFFFF)
      bit = ((crc >> 15) ^ (c >> (7 - i))) & 1;
  return crc;
}

QImage BlankLabel(long width, long height) {
  QImage label(static_cast<int>(width), static_cast<int>(height), QImage::Format_Grayscale8);
  label.fill(255);
  return label;
}

void Paste(QImage& label, const QImage& graphic, int x, int y) {
  for (int gy = 0; gy < graphic.height(); ++gy)
    for (int gx = 0; gx < graphic.width(); ++gx)
      if (graphic.pixel(gx, gy) == qRgb(0, 0, 0) && label.valid(x + gx, y + gy))
        label.scanLine(y + gy)[x + gx] = 0;
}

}  // namespace

std::vector<QImage> DecodeZplGraphics(const std::string& zpl) {
  std::vector<QImage> images;
  std::size_t at = 0;
  long total = 0, per_row = 0;
  int used = 0;
  // ~DGname,total bytes,bytes per row, then the rows in ZPL's compressed hexadecimal.
  while ((at = zpl.find("~DG", at)) != std::string::npos &&
         std::sscanf(zpl.c_str() + at, "~DG%*[^,],%ld,%ld,%n", &total, &per_row, &used) == 2 &&
         per_row > 0 && total > 0 && total % per_row == 0) {
    at += static_cast<std::size_t>(used);
    images.push_back(BitsImage(ZplHexBytes(zpl, at, per_row, total / per_row), per_row));
  }
  return images;
}

std::vector<QImage> DecodeZplLabels(const std::string& zpl, std::string* problem) {
  std::vector<QImage> labels;
  auto bad = [&](const std::string& why) {
    if (problem != nullptr) *problem = why;
    return labels;
  };
  for (std::size_t at = 0, end; (at = zpl.find("^XA", at)) != std::string::npos; at = end) {
    if ((end = zpl.find("^XZ", at)) == std::string::npos) return bad("^XA without ^XZ");
    const std::string format = zpl.substr(at, end - at);
    const auto pw = format.find("^PW"), ll = format.find("^LL");
    if (pw == std::string::npos || ll == std::string::npos) return bad("no ^PW or ^LL");
    QImage label = BlankLabel(std::atol(&format[pw + 3]), std::atol(&format[ll + 3]));
    for (std::size_t g = 0; (g = format.find("^FO", g)) != std::string::npos; ++g) {
      int x = 0, y = 0, used = 0;
      long total = 0, per_row = 0;
      if (std::sscanf(&format[g], "^FO%d,%d^GFA,%ld,%*d,%ld,%n", &x, &y, &total, &per_row, &used) <
              4 ||
          per_row <= 0 || total % per_row != 0)
        return bad("^FO without a ^GFA that adds up");
      std::size_t i = g + static_cast<std::size_t>(used);
      std::string bits;
      if (format.compare(i, 5, ":Z64:") != 0) {
        bits = ZplHexBytes(format, i, per_row, total / per_row);
      } else {
        const std::size_t colon = format.find(':', i + 5);
        const std::string text = format.substr(i + 5, colon - i - 5);
        if (colon == std::string::npos ||
            std::strtoul(format.substr(colon + 1, 4).c_str(), nullptr, 16) != Crc16(text))
          return bad("Z64 data whose CRC does not match");
        const QByteArray packed = QByteArray::fromBase64(QByteArray::fromStdString(text));
        bits.resize(static_cast<std::size_t>(total));
        uLongf size = static_cast<uLongf>(total);
        if (uncompress(reinterpret_cast<Bytef*>(bits.data()), &size,
                       reinterpret_cast<const Bytef*>(packed.data()), packed.size()) != Z_OK ||
            size != static_cast<uLongf>(total))
          return bad("Z64 data that does not inflate to the field's size");
      }
      if (static_cast<long>(bits.size()) != total) return bad("graphic data cut short");
      Paste(label, BitsImage(bits, per_row), x, y);
    }
    labels.push_back(label);
  }
  return labels;
}

std::vector<QImage> DecodeEplLabels(const std::string& epl, std::string* problem) {
  std::vector<QImage> labels;
  QImage label;
  long width = 0, height = 0;
  for (std::size_t i = 0, eol; i < epl.size(); i = eol + 1) {
    if ((eol = epl.find('\n', i)) == std::string::npos) eol = epl.size();
    const char* line = epl.c_str() + i;
    long x = 0, y = 0, per_row = 0, rows = 0;
    int used = 0;
    if (line[0] == 'N') label = BlankLabel(width, height);
    if (line[0] == 'q') width = std::atol(line + 1);
    if (line[0] == 'Q') label = BlankLabel(width, height = std::atol(line + 1));
    if (line[0] == 'P') labels.push_back(label);
    if (line[0] != 'G') continue;
    // Ours put the data after a comma; a driver's rastertolabel after a line end.
    if (std::sscanf(line, "GW%ld,%ld,%ld,%ld%n", &x, &y, &per_row, &rows, &used) < 4 ||
        (line[used] != ',' && line[used] != '\n') || per_row <= 0 ||
        i + ++used + per_row * rows > epl.size()) {
      if (problem != nullptr) *problem = "a GW whose data is not all there";
      return labels;
    }
    // A label sized by neither q nor Q is as large as its graphics.
    if (label.width() < x + per_row * 8 || label.height() < y + rows) {
      QImage larger = BlankLabel(std::max<long>(label.width(), x + per_row * 8),
                                 std::max<long>(label.height(), y + rows));
      Paste(larger, label, 0, 0);
      label = larger;
    }
    Paste(label, BitsImage(epl.substr(i + used, per_row * rows), per_row, true), x, y);
    eol = epl.find('\n', i + used + per_row * rows);
    if (eol == std::string::npos) eol = epl.size();
  }
  return labels;
}

std::vector<QImage> RenderWithGhostscript(const std::string& path, int dpi) {
  QTemporaryDir dir;
  if (!dir.isValid()) return {};
  QProcess gs;
  gs.start("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pnggray",
                  "-r" + QString::number(dpi), "-o", dir.filePath("page-%d.png"),
                  QString::fromStdString(path)});
  if (!gs.waitForFinished(300000) || gs.exitStatus() != QProcess::NormalExit || gs.exitCode() != 0)
    return {};
  std::vector<QImage> pages;
  for (int n = 1; QFile::exists(dir.filePath("page-" + QString::number(n) + ".png")); ++n)
    pages.emplace_back(dir.filePath("page-" + QString::number(n) + ".png"));
  return pages;
}

std::optional<std::pair<int, int>> FirstInk(const QImage& image) {
  const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  int left = grey.width(), top = grey.height();
  for (int y = 0; y < grey.height(); ++y) {
    const uchar* line = grey.constScanLine(y);
    for (int x = 0; x < grey.width(); ++x)
      if (line[x] < 128) {
        left = std::min(left, x);
        top = std::min(top, y);
      }
  }
  if (left == grey.width()) return std::nullopt;
  return std::make_pair(left, top);
}

}  // namespace vellomir::test
