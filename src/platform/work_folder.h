#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The private folders in which windows keep their working files. Each window makes a folder
// of its own, "window-<pid>-<random>", under a root for the whole user: two windows never
// share a design, and nothing is written to or deleted from the folder the program was
// started from.
namespace vellomir {

// A leftover of a window that ended without removing its folder (it crashed, or was killed)
// is kept this long after its last change, so the design in it can still be picked up by hand.
inline constexpr std::chrono::hours kLeftoverKeepTime{24};

// The root of the window folders: "$XDG_RUNTIME_DIR/vellomir", or, without a runtime folder,
// "vellomir/windows" in the user's data folder ($XDG_DATA_HOME, else ~/.local/share).
// Empty when neither is known.
std::string WindowFoldersRoot();

// True while a process with this id runs (ours or another user's).
bool ProcessRuns(pid_t pid);

// Removes the leftovers under `root`: folders named "window-<pid>-<random>" whose process no
// longer runs and that have not changed for kLeftoverKeepTime. Anything else (other names,
// links, folders of running windows, younger leftovers) stays. Returns the folders removed.
std::vector<std::string> RemoveOldLeftovers(const std::string& root,
                                            std::chrono::system_clock::time_point now,
                                            const std::function<bool(pid_t)>& runs = ProcessRuns);

// The folders under `root` of windows that ended without removing them (their process no
// longer runs), newest change first: what they hold was never closed, so may be unsaved.
std::vector<std::string> FindLeftovers(const std::string& root,
                                       const std::function<bool(pid_t)>& runs = ProcessRuns);

// One window's private folder, made fresh (never one found on disk), readable by the user
// alone, and removed with everything in it when the object goes.
class WindowFolder {
 public:
  // Makes the root when needed, then the folder; nothing when either cannot be made.
  static std::optional<WindowFolder> Create(const std::string& root);

  WindowFolder(WindowFolder&& other) noexcept;
  WindowFolder& operator=(WindowFolder&& other) noexcept;
  WindowFolder(const WindowFolder&) = delete;
  WindowFolder& operator=(const WindowFolder&) = delete;
  ~WindowFolder();

  const std::string& Path() const { return path_; }

 private:
  explicit WindowFolder(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

}  // namespace vellomir
