#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vellomir {

// vellomir barcode --kind KIND --data TEXT [--check] [--text] [--font-size PT]
//   [--module-width UNITS] [--height-mm MM] [--dpi N] (-o FILE | --dump)
// Returns the exit status: 0 done, 2 refused with one line on err.
int RunBarcodeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vellomir
