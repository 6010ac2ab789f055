#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vellomir {

// vellomir preview DESIGN.vlm -o FILE [--copies N]
// Draws what the preview box would show for the design, at the size the window gives it, into
// a .png, .svg or .pdf. The design is opened in a private working folder, never in the current
// one; pictures and "vellomir_setting.ini" are taken from the current folder. Returns the exit
// status: 0 done, 2 refused with one line on err and nothing written.
int RunPreviewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vellomir
