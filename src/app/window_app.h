#pragma once

#include <string>

namespace vellomir {

// Opens the main window in the current folder (its working files and settings file live
// there) and, when `design` is not empty, loads that label file as the open command does.
// Returns when the window closes.
int RunWindow(int& argc, char** argv, const std::string& design);

}  // namespace vellomir
