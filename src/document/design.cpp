#include "document/design.h"

#include "document/working_file.h"
#include "platform/text_util.h"

namespace vellomir {

DesignSettings DesignSettingsFromRecord(const std::vector<std::string>& record) {
  auto at = [&record](std::size_t i) {
    return i < record.size() ? Trim(record[i]) : std::string();
  };
  using namespace settings_field;
  return {at(kCopies), at(kLabelWidth), at(kLabelHeight), at(kColumns),
          at(kRows),   at(kRowGap),     at(kColumnGap)};
}

void ShowDesignSettings(MainWindowModel& window, const DesignSettings& s) {
  window.l_amount.text = s.copies;
  window.l_paper_width.text = s.label_width;
  window.l_paper_height.text = s.label_height;
  window.l_col.text = s.columns;
  window.l_row.text = s.rows;
  window.d_row.text = s.row_gap;
  window.d_col.text = s.column_gap;
}

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
  return RuleTableOf(std::vector<std::string>(read.lines.begin() + (read.lines.empty() ? 0 : 1),
                                              read.lines.end()));
}

RuleTable RuleTableOf(const std::vector<std::string>& lines) {
  RuleTable table;
  for (const std::string& line : lines) {
    if (table.n == kRuleTableRows) {
      table.truncated = true;
      break;
    }
    FillRuleRow(table, table.n, line);
    ++table.n;
  }
  return table;
}

}  // namespace vellomir
