#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vellomir {

// vellomir print DESIGN.vlm (-o FILE.pdf | --printer NAME) [--copies N] [--allow-clipping]
// Prints the design as the print button does, with the layout of its settings record (the
// copy count replaced by N when given) and the printer type of "vellomir_setting.ini" in the
// current folder. To PDF, every document the run ends becomes a file of its own: FILE.pdf,
// then FILE-2.pdf, ...; to a printer every document becomes a print job. The files written or
// the jobs created ("QUEUE-ID") are listed on out, one a line. Labels that would fall off the
// printable area refuse the run unless --allow-clipping is given. Every run that reaches a
// printer is added to the print log. Returns the exit status: 0 done (a warning, such as a
// stopped queue holding the jobs, goes to err), 2 refused or failed with one line on err that
// says which labels had already been sent.
int RunPrintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vellomir
