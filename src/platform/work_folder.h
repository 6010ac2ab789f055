#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The private folders in which windows keep their working files. Each window makes a folder
// of its own, "window-<pid>-<random>", under a root for the whole user: two windows never
// share a design, and nothing is written to or deleted from the folder the program was
// started from.
namespace vellomir {

// A folder that is ours alone: a real folder, not a link, owned by us and closed to others.
bool IsPrivateFolder(const std::string& path);

// The folder for the session's runtime files: $XDG_RUNTIME_DIR when it is a private folder of
// ours; else "runtime-UID" in `tmp` when it is, or can be made, one; else "vellomir/runtime" in
// the user's data folder, made private. A link or a folder of someone else is never taken. ""
// when none can be had.
std::string PrivateRuntimeFolder(const std::string& tmp = "/tmp");

// An flock held on a folder for as long as the object lives: while it is held, the folder's
// command or window is at work, whatever process-id namespace it runs in.
class FolderLock {
 public:
  FolderLock() = default;
  explicit FolderLock(const std::string& folder);
  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Whether some process holds an flock on the file or folder (a writer or command at work), told
// without waiting.
bool LockIsHeld(const std::string& path);

// The private working folders of headless commands: "vellomir-XXXXXX" in the temporary folder.
inline constexpr std::string_view kCommandFolderPrefix = "vellomir-";
// Between making its folder and locking it a command needs a moment; a folder younger than
// this is never taken for a leftover.
inline constexpr std::chrono::seconds kCommandFolderGrace{60};

// Removes the folders under `parent` that commands ended without removing (killed): ours, real
// folders, named as above, not locked, unchanged for kCommandFolderGrace. Returns those removed.
std::vector<std::string> RemoveDeadCommandFolders(const std::string& parent,
                                                  std::chrono::system_clock::time_point now);

// A leftover of a window that ended without removing its folder (it crashed, or was killed)
// is kept this long after its last change, so the design in it can still be picked up by hand.
inline constexpr std::chrono::hours kLeftoverKeepTime{24};

// The root of the window folders: "$XDG_RUNTIME_DIR/vellomir" when that is a private folder of
// ours (IsPrivateFolder), or, without one,
// "vellomir/windows" in the user's data folder ($XDG_DATA_HOME, else ~/.local/share).
// Empty when neither is known.
std::string WindowFoldersRoot();

// True while a process with this id runs (ours or another user's).
bool ProcessRuns(pid_t pid);

// Removes the leftovers under `root`: folders named "window-<pid>-<random>" whose process no
// longer runs, whose lock nobody holds and that have not changed for kLeftoverKeepTime. Anything
// else (other names, links, folders of running windows, younger leftovers) stays. Returns the
// folders removed.
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
  explicit WindowFolder(std::string path) : path_(std::move(path)), lock_(path_) {}
  std::string path_;
  FolderLock lock_;
};

}  // namespace vellomir
