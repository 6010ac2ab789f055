#pragma once

#include <array>
#include <string>
#include <vector>

#include "document/rule_record.h"
#include "form/main_window_model.h"
#include "platform/file_system.h"

// The design as plain data, read from the working file once for each thing the program does
// (a preview refresh, a print run, a check): nothing keeps it between them, so what is drawn is
// always what the file holds.
namespace vellomir {

// The layout a design's settings record stores, as typed: the window shows the same texts in
// its layout controls.
struct DesignSettings {
  std::string copies;
  std::string label_width;   // mm
  std::string label_height;  // mm
  std::string columns;
  std::string rows;
  std::string row_gap;     // mm
  std::string column_gap;  // mm
};

// From a settings record split at ",,;", each value trimmed; a value the record lacks is "".
DesignSettings DesignSettingsFromRecord(const std::vector<std::string>& record);
// Puts them into the window's layout controls.
void ShowDesignSettings(MainWindowModel& window, const DesignSettings& settings);

inline constexpr int kRuleTableRows = kMaxRules;  // rule index 0..100

// The rules as read from the working file. Fields beyond the end of a line are empty.
struct RuleTable {
  std::array<RuleFields, kRuleTableRows> rows;
  int n = 0;  // rows filled
  // kNone when the file was read; otherwise why nothing could be read (n is then 0).
  FileError error = FileError::kNone;
  // Rule lines past the last row that were left unread.
  bool truncated = false;
};

// Fills one row from a rule line: at most kRuleFieldCount fields are kept. A row outside the
// table is left alone.
void FillRuleRow(RuleTable& table, int row, const std::string& line);

// The rules of the given rule lines (no settings line), as ReadRuleTable keeps them.
RuleTable RuleTableOf(const std::vector<std::string>& lines);

// Reads the rule lines of the working file, after its settings line. At most 101 rule lines
// are taken; reading stops there. A file that cannot be read gives no rows.
RuleTable ReadRuleTable(const FileSystem& files);

}  // namespace vellomir
