#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vellomir {

// vellomir print DESIGN.vlm (-o FILE.pdf [--dpi N] | -o - | --printer NAME) [--copies N]
//                [--allow-clipping] [--no-verify]
// Prints the design as the print button does, with the layout of its settings record (the
// copy count replaced by N when given) and the printer type of "vellomir_setting.ini" in the
// current folder. To PDF, every document the run ends becomes a file of its own: FILE.pdf,
// then FILE-2.pdf, ...; to a printer every document becomes a print job. The files written or
// the jobs created ("QUEUE-ID") are listed on out, one a line. With --dpi the PDF is made for a
// printer of N dpi: symbols on its whole dots. Before the run the first and last label are read
// back (at the printer's resolution, N, or 300 dpi for a plain PDF); a symbol that does not read
// as its data refuses the run unless --no-verify. Labels that would fall off the printable area
// refuse the run unless --allow-clipping is given. Every run that reaches a printer is added to
// the print log. Returns the exit status: 0 done (a warning, such as a stopped queue holding the
// jobs, goes to err), 2 refused or failed with one line on err that says which labels had
// already been sent.
int RunPrintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vellomir
