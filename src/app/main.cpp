#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/barcode_command.h"
#include "app/command_line.h"
#include "app/log_command.h"
#include "app/preview_command.h"
#include "app/print_command.h"
#include "app/verify_command.h"
#include "gui/window_app.h"
#include "output/qt_surface.h"
#include "platform/signal_cleanup.h"
#include "platform/work_folder.h"

namespace {

// Qt wants a private runtime folder and complains on every start when the session has none
// (headless machines, CI): give it one, quietly, never a link or a folder of someone else.
void EnsureRuntimeDir() {
  const char* given = std::getenv("XDG_RUNTIME_DIR");
  if (given != nullptr && vellomir::IsPrivateFolder(given)) return;
  const std::string dir = vellomir::PrivateRuntimeFolder();
  if (!dir.empty())
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
}

// What a command wrote to standard output must have arrived: a full disk or a closed pipe
// behind it is a failure, told as one.
int CheckStandardOutput(int status) {
  errno = 0;
  std::cout.flush();
  const bool failed = !std::cout.good() || std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  if (!failed) return status;
  const int error = errno;
  std::cerr << "vellomir: 無法寫入標準輸出"
            << (error != 0 ? " (" + std::string(std::strerror(error)) + ")" : std::string())
            << "\n";
  return 2;
}

// A stream the caller closed must not be taken by the next file opened, or `-o -` would write
// the PDF into that file: a closed standard output becomes /dev/full, so writing to it fails
// as it should, and the others /dev/null.
void KeepStandardStreamsTaken() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0) continue;
    const int opened = open(fd == 1 ? "/dev/full" : "/dev/null", O_RDWR);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      close(opened);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  KeepStandardStreamsTaken();
  EnsureRuntimeDir();
  std::vector<std::string> args(argv + 1, argv + argc);
  // No command: the window, with a label file to open when one is named (a file manager
  // starts the program so).
  if (args.empty()) return vellomir::RunWindow(argc, argv, "");
  const std::string command = args.front();
  const bool is_command = command == "barcode" || command == "preview" || command == "print" ||
                          command == "log" || command == "verify" || command == "--help" ||
                          command == "-h" || command == "help" || command == "--version";
  if (!is_command && args.size() == 1 && command.rfind('-', 0) != 0)
    return vellomir::RunWindow(argc, argv, command);
  args.erase(args.begin());

  if (command == "--help" || command == "-h" || command == "help") {
    vellomir::PrintUsage(std::cout);
    return CheckStandardOutput(0);
  }
  if (command == "--version") {
    std::cout << vellomir::VersionLine() << "\n";
    return CheckStandardOutput(0);
  }

  // Subcommands never open a window: they run on machines without a display too.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Threads Qt starts never take SIGINT, SIGTERM or SIGHUP: only the main thread does, so a run
  // that holds them back while it puts its files in place really holds them back.
  sigset_t stops;
  sigemptyset(&stops);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
  pthread_sigmask(SIG_BLOCK, &stops, nullptr);
  QGuiApplication app(argc, argv);
  vellomir::InstallFontSubstitutions();
  // Interrupted or stopped, a command leaves no private folder or half-written file behind;
  // a reader that went away (`-o - | head`) is a write error, told as one, not a silent death.
  vellomir::InstallSignalCleanup();
  std::signal(SIGPIPE, SIG_IGN);
  pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);

  if (command == "barcode")
    return CheckStandardOutput(vellomir::RunBarcodeCommand(args, std::cout, std::cerr));
  if (command == "preview")
    return CheckStandardOutput(vellomir::RunPreviewCommand(args, std::cout, std::cerr));
  if (command == "print")
    return CheckStandardOutput(vellomir::RunPrintCommand(args, std::cout, std::cerr));
  if (command == "log")
    return CheckStandardOutput(vellomir::RunLogCommand(args, std::cout, std::cerr));
  if (command == "verify")
    return CheckStandardOutput(vellomir::RunVerifyCommand(args, std::cout, std::cerr));
  std::cerr << "vellomir: 不認得的指令: " << command << "\n";
  vellomir::PrintUsage(std::cerr);
  return 2;
}
