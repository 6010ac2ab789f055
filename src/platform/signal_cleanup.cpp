#include "platform/signal_cleanup.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace vellomir {

namespace {

constexpr int kSlots = 64;
constexpr std::size_t kPathMax = 4096;

enum : int { kFree = 0, kFile = 1, kFolder = 2 };

// A handler may only call async-signal-safe functions, so the paths wait in fixed buffers and
// a slot's kind is set only once its path is complete.
struct Slot {
  volatile std::sig_atomic_t kind = kFree;
  char path[kPathMax] = {};
};

Slot g_slots[kSlots];

void RemoveAll(int signal_number) {
  for (auto& slot : g_slots)
    if (slot.kind == kFile) ::unlink(slot.path);
  for (auto& slot : g_slots)
    if (slot.kind == kFolder) ::rmdir(slot.path);
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

}  // namespace

void InstallSignalCleanup() {
  struct sigaction action {};
  action.sa_handler = RemoveAll;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, s);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(s, &action, nullptr);
}

int RemoveOnSignal(const std::string& path, bool folder) {
  if (path.empty() || path.size() >= kPathMax) return -1;
  for (int i = 0; i < kSlots; ++i) {
    Slot& slot = g_slots[i];
    if (slot.kind != kFree) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.kind = folder ? kFolder : kFile;
    return i;
  }
  return -1;
}

void ForgetOnSignal(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  g_slots[slot].kind = kFree;
}

}  // namespace vellomir
