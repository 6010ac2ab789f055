#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "render/label_renderer.h"

// Batch numbers that continue and never repeat: each run's log line records, for every
// batch-numbered rule, its data as typed and the first and last batch number that went out;
// before the next run of the same design the log is read back to find numbers printed before.
namespace vellomir {

struct BatchRange {
  int rule = 0;           // index in the rule table, from 0
  std::string rule_data;  // the rule's data as typed: what makes it the same rule
  double first = 0;       // batch numbers
  double last = 0;
  std::string first_text;  // as printed (its last word), e.g. LOT-0001
  std::string last_text;
  std::string date;  // yyyy/mm/dd of the run, for ranges read from the log
};

// The rules that carry a batch number (barcode and text rules whose start field is above 0)
// and the numbers labels 1..labels carry, printed as `how` draws them. Nothing for 0 labels.
std::vector<BatchRange> BatchRanges(const RuleTable& rules, int64_t labels,
                                    const LabelDrawing& how);

// The log line's fields for the ranges: "\t批號=LOT-0001 到 LOT-0012\t批號規則=LOT-|1|12" each,
// after "\t路徑=" and the design's full path.
std::string FormatBatchFields(const std::string& design_path,
                              const std::vector<BatchRange>& ranges);

// The ranges a log line records for the design at `design_path`; empty for other lines.
std::vector<BatchRange> ParseBatchFields(const std::string& line, const std::string& design_path);

struct BatchHistory {
  // "批號 LOT-0001 到 LOT-0012 已於 2026/12/07 印過" when this run would print a number again.
  std::string repeat;
  // Per rule of the table that has printed before, the number after the last one printed.
  std::vector<std::pair<int, double>> next;
};

// Reads the log for the design's earlier runs and compares them with the numbers this run of
// `labels` labels would print. A log that is missing or unreadable has no history.
BatchHistory ReadBatchHistory(const std::string& log_path, const std::string& design_path,
                              const RuleTable& rules, int64_t labels);

// The start field (as text) that continues the rule after the last number printed.
std::string ContinuedStart(double next);

// Sets every rule with history to start after its last printed number.
void ContinueBatchNumbers(RuleTable& rules, const BatchHistory& history);

}  // namespace vellomir
