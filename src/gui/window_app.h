#pragma once

#include <optional>
#include <string>

#include "platform/work_folder.h"

namespace vellomir {

// The private folder of a new window, under the user's runtime or data folder (the system's
// temporary folder when neither serves); old leftovers of crashed windows there are removed
// first. Nothing when no folder can be made.
std::optional<WindowFolder> MakeWindowFolder();

// Opens the main window and, when `design` is not empty, loads that label file as the open
// command does. The settings file, data and pictures are those of the current folder; the
// working files live in a private folder of this window, removed when it closes; without a
// design, one that a window which ended without closing left is offered first. Returns when
// the window closes.
int RunWindow(int& argc, char** argv, const std::string& design);

}  // namespace vellomir
