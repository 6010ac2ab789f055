#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "render/batch_log.h"
#include "render/print_job.h"

// The print log: one line per print run, appended to a file in the user's data folder, so a
// user who must never print a batch number twice can look up what went out, also after a
// failure.
namespace vellomir {

struct PrintLogEntry {
  std::string time;         // local time; AppendPrintLog fills it when empty
  std::string design;       // the design's file name
  std::string destination;  // printer queue or file
  int64_t requested = 0;    // labels the run was to print
  int64_t sent = 0;         // labels 1..sent went out
  std::vector<std::string> jobs;
  std::string outcome;
  // The design's full path and the batch numbers that went out, when known.
  std::string design_path;
  std::vector<BatchRange> batches;
};

// The entry of a finished run.
PrintLogEntry MakePrintLogEntry(const std::string& design, const std::string& destination,
                                int64_t requested, const PrintResult& result);

// One line, fields separated by tabs; texts lose their tabs and line breaks.
std::string FormatPrintLogLine(const PrintLogEntry& entry);

// "vellomir/print.log" in $XDG_DATA_HOME, or in ~/.local/share when that is not set; "" when
// neither tells where the user's data folder is.
std::string DefaultPrintLogPath();

// Adds the entry as one line, making the folder when needed. The line goes out in one write
// to a file opened for appending and is synced, so runs of several windows do not mix their
// lines and a crash loses at most the line being written. "" when done, else why not.
std::string AppendPrintLog(const std::string& path, PrintLogEntry entry);

// The last `count` lines of the log, oldest first; nothing when the log cannot be read, an
// empty list when there is no log yet.
std::optional<std::vector<std::string>> LastPrintLogLines(const std::string& path,
                                                          std::size_t count);

}  // namespace vellomir
