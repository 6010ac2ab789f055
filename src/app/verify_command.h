#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vellomir {

// vellomir verify DESIGN.vlm [--dpi N] [--copies N]
// Draws the first and the last label of a run at N dpi (203 when not given), symbols on whole
// dots as a printer of that resolution gets them, and reads every barcode rule back. One line
// per rule and label on out: what was read, the module size in dots and a one-word verdict.
// Returns 0 when every symbol passes, 1 when one does not, 2 when the design cannot be read.
int RunVerifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vellomir
