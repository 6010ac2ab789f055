#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vellomir {

// vellomir print DESIGN.vlm (-o FILE.pdf [--dpi N] | --printer NAME) [--copies N] [--no-verify]
// Prints the design as the print button does, with the layout of its settings record (the
// copy count replaced by N when given) and the printer type of "vellomir_setting.ini" in the
// current folder. To PDF, every document the run ends becomes a file of its own: FILE.pdf,
// then FILE-2.pdf, ...; the names written are listed on out, one a line. Returns the exit
// status: 0 done, 2 refused or failed with one line on err. With --dpi the PDF is made for a
// printer of N dpi: symbols on its whole dots. Before the run the first and last label are read
// back (at the printer's resolution, N, or 300 dpi for a plain PDF); a symbol that does not read
// as its data is named on err and nothing is printed, unless --no-verify.
int RunPrintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vellomir
