#pragma once

#include <string>

// Which data file goes with which design, remembered in the user's config folder so the label
// file itself never changes: "vellomir/data-files" in $XDG_CONFIG_HOME (or ~/.config), one
// line per design, "DESIGN<tab>DATA FILE".
namespace vellomir {

// The memory's path; "" when neither variable says where the user's config folder is.
std::string DefaultDataFileMemoryPath();

// The data file last chosen for the design; "" when none.
std::string RecallDataFile(const std::string& memory_path, const std::string& design);

// Remembers (or, for an empty data file, forgets) the design's data file. Written whole through
// a temporary file and a rename. "" when done, else why not.
std::string RememberDataFile(const std::string& memory_path, const std::string& design,
                             const std::string& data_file);

}  // namespace vellomir
