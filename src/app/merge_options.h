#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "document/merge_data.h"

// The options that bring a data file into a command: --data FILE|- [--encoding utf-8|cp950]
// [--row N], and the batch number choices of print: --reprint, --continue.
namespace vellomir {

struct MergeOptions {
  std::string data;  // a file, "-" for standard input, "" for none
  MergeEncoding encoding = MergeEncoding::kDetect;
  std::optional<std::size_t> row;  // from 1
  bool reprint = false;
  bool continue_batches = false;
  std::string error;  // what is wrong with them, as one line
};

// Takes them from a parsed command line; which of them a command accepts is its table's to say.
MergeOptions MergeOptionsFrom(const ParsedCommandLine& parsed);

// Reads the data file the options name ("-": `standard_input`). "" when read; otherwise why
// not, naming the file and the row.
std::string LoadMergeData(const MergeOptions& options, std::istream& standard_input,
                          std::optional<MergeData>& data);

}  // namespace vellomir
