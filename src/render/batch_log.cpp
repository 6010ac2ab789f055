#include "render/batch_log.h"

#include <cmath>
#include <cstdio>
#include <fstream>

#include "platform/text_util.h"

namespace vellomir {

namespace {


// A log field stays one field of one line.
std::string OneField(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

std::string Whole(double v) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.0f", v);
  return buf;
}

// The batch number as printed: the number is appended to the data, so the last word of it
// ("批號 LOT-0001" gives LOT-0001).
std::string PrintedNumber(const std::optional<std::string>& printed) {
  const std::string text = printed.value_or("");
  const std::size_t space = text.find_last_of(' ');
  return space == std::string::npos ? text : text.substr(space + 1);
}

std::optional<double> WholeFrom(const std::string& text) {
  if (text.empty() || text.find_first_not_of("-0123456789") != std::string::npos)
    return std::nullopt;
  const double v = NumericValue(text);
  return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

}  // namespace

std::vector<BatchRange> BatchRanges(const RuleTable& rules, int64_t labels,
                                    const LabelDrawing& how) {
  std::vector<BatchRange> ranges;
  if (labels < 1) return ranges;
  for (int i = 0; i < std::min(rules.n, kRuleTableRows); ++i) {
    const auto& f = rules.rows[static_cast<std::size_t>(i)];
    const RuleRecord record(f);
    if (!(record.IsBarcode() || record.IsText())) continue;
    const double start = NumericValue(record.BatchStart());
    if (!(start > 0)) continue;
    BatchRange r;
    r.rule = i;
    r.rule_data = record.Data();
    r.first = RoundHalfEven(start);
    r.last = RoundHalfEven(static_cast<double>(labels) + start - 1);
    if (!std::isfinite(r.last)) continue;
    r.first_text = PrintedNumber(RuleDataOnLabel(f, 1, how));
    r.last_text = PrintedNumber(RuleDataOnLabel(f, static_cast<double>(labels), how));
    ranges.push_back(std::move(r));
  }
  return ranges;
}

std::string FormatBatchFields(const std::string& design_path,
                              const std::vector<BatchRange>& ranges) {
  std::string out = "\t路徑=" + OneField(design_path);
  for (const BatchRange& r : ranges)
    out += "\t批號=" + OneField(r.first_text) + " 到 " + OneField(r.last_text) +
           "\t批號規則=" + OneField(r.rule_data) + "|" + Whole(r.first) + "|" + Whole(r.last);
  return out;
}

std::vector<BatchRange> ParseBatchFields(const std::string& line, const std::string& design_path) {
  std::vector<BatchRange> ranges;
  const std::string path_field = "\t路徑=" + OneField(design_path);
  const std::size_t at = line.find(path_field);
  if (design_path.empty() || at == std::string::npos) return ranges;
  const std::size_t after = at + path_field.size();
  if (after < line.size() && line[after] != '\t') return ranges;  // a longer path
  std::string date = line.substr(0, std::min<std::size_t>(10, line.find('\t')));
  for (char& c : date)
    if (c == '-') c = '/';
  std::string shown;
  std::size_t start = 0;
  while (start <= line.size()) {
    std::size_t stop = line.find('\t', start);
    if (stop == std::string::npos) stop = line.size();
    const std::string field = line.substr(start, stop - start);
    start = stop + 1;
    if (field.rfind("批號=", 0) == 0) {
      shown = field.substr(std::string("批號=").size());
      continue;
    }
    if (field.rfind("批號規則=", 0) != 0) continue;
    const std::string value = field.substr(std::string("批號規則=").size());
    const std::size_t bar2 = value.rfind('|');
    const std::size_t bar1 =
        bar2 == std::string::npos || bar2 == 0 ? std::string::npos : value.rfind('|', bar2 - 1);
    if (bar1 == std::string::npos) continue;
    const auto first = WholeFrom(value.substr(bar1 + 1, bar2 - bar1 - 1));
    const auto last = WholeFrom(value.substr(bar2 + 1));
    if (!first || !last) continue;
    BatchRange r;
    r.rule_data = value.substr(0, bar1);
    r.first = *first;
    r.last = *last;
    const std::size_t to = shown.find(" 到 ");
    r.first_text = to == std::string::npos ? Whole(*first) : shown.substr(0, to);
    r.last_text =
        to == std::string::npos ? Whole(*last) : shown.substr(to + std::string(" 到 ").size());
    r.date = date;
    ranges.push_back(std::move(r));
  }
  return ranges;
}

BatchHistory ReadBatchHistory(const std::string& log_path, const std::string& design_path,
                              const RuleTable& rules, int64_t labels) {
  BatchHistory history;
  if (log_path.empty() || design_path.empty()) return history;
  const std::vector<BatchRange> planned = BatchRanges(rules, labels, LabelDrawing{});
  if (planned.empty()) return history;
  std::ifstream log(log_path, std::ios::binary);
  std::vector<std::optional<double>> last(planned.size());
  for (std::string line; std::getline(log, line);) {
    for (const BatchRange& printed : ParseBatchFields(line, design_path)) {
      for (std::size_t k = 0; k < planned.size(); ++k) {
        const BatchRange& mine = planned[k];
        if (OneField(mine.rule_data) != printed.rule_data) continue;
        if (!last[k] || printed.last > *last[k]) last[k] = printed.last;
        if (history.repeat.empty() && printed.first <= mine.last && mine.first <= printed.last)
          history.repeat = "批號 " + printed.first_text + " 到 " + printed.last_text + " 已於 " +
                           printed.date + " 印過";
      }
    }
  }
  for (std::size_t k = 0; k < planned.size(); ++k)
    if (last[k]) history.next.emplace_back(planned[k].rule, *last[k] + 1);
  return history;
}

std::string ContinuedStart(double next) { return Whole(std::max(next, 1.0)); }

void ContinueBatchNumbers(RuleTable& rules, const BatchHistory& history) {
  for (const auto& [rule, next] : history.next) {
    auto& f = rules.rows[static_cast<std::size_t>(rule)];
    rule_field::BatchFields at{};
    if (rule_field::HasBatchFields(RuleRecord(f).Kind(), at)) f[at.start] = ContinuedStart(next);
  }
}

}  // namespace vellomir
