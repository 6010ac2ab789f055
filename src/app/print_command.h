#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vellomir {

// vellomir print DESIGN.vlm (-o FILE.pdf | --printer NAME) [--copies N]
// Prints the design as the print button does, with the layout of its settings record (the
// copy count replaced by N when given) and the printer type of "vellomir_setting.ini" in the
// current folder. To PDF, every document the run ends becomes a file of its own: FILE.pdf,
// then FILE-2.pdf, ...; the names written are listed on out, one a line. Returns the exit
// status: 0 done, 2 refused or failed with one line on err.
int RunPrintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vellomir
