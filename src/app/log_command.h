#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vellomir {

// vellomir log [N]
// Prints the last N lines of the print log (20 when N is not given), oldest first. Returns the
// exit status: 0 done (also when nothing was printed yet), 2 with one line on err when N is
// not a count or the log cannot be read.
int RunLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vellomir
