#include "document/design.h"

#include "document/working_file.h"

namespace vellomir {

void FillRuleRow(RuleTable& table, int row, const std::string& line) {
  if (row < 0 || row >= kRuleTableRows) return;  // the table has no such row
  // Fields past the table's width have no column; they are dropped.
  table.rows[static_cast<std::size_t>(row)] = ParseRuleRecord(line);
}

RuleTable ReadRuleTable(const FileSystem& files) {
  RuleTable table;
  const ReadLinesResult read = files.ReadLines(std::string(kWorkingFileName));
  if (!read.ok()) {
    table.error = read.error;
    return table;
  }
  // Line 1 is the settings record.
  for (std::size_t i = 1; i < read.lines.size(); ++i) {
    if (table.n == kRuleTableRows) {
      table.truncated = true;
      break;
    }
    FillRuleRow(table, table.n, read.lines[i]);
    ++table.n;
  }
  return table;
}

}  // namespace vellomir
