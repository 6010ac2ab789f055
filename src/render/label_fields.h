#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/fields.h"
#include "document/merge_data.h"

// The values the fields of a run take: which data row each label comes from and the date the
// run started. The renderer expands every rule's data through it label by label.
namespace vellomir {

struct RuleTable;

struct LabelFields {
  const MergeData* data = nullptr;  // none: only dates have values
  // Labels through each data row: row r prints labels row_ends[r-1]+1 .. row_ends[r].
  std::vector<int64_t> row_ends;
  // The preview shows one row for every label.
  std::optional<std::size_t> fixed_row;
  CivilDate today = Today();  // taken once, so every label of a run carries the same date
  bool keep_unknown = false;

  // The data row label `labelNumber` takes; nothing without data.
  std::optional<std::size_t> RowOf(double labelNumber) const;
  FieldExpansion Expand(std::string_view text, double labelNumber) const;
};

// Lays the rows out as a run: each row gives the labels its quantity column says, or `copies`
// labels when there is none. The labels of the run, or nothing when there would be none or more
// than `most` (then `problem` says so).
std::optional<int64_t> PlanMergeRun(const MergeData& data, int64_t copies, int64_t most,
                                    LabelFields& fields, std::string& problem);

// Why data cannot be a symbol of the kind, as the data file gave it (letters in an EAN, a wrong
// check digit, a character the symbology has no bars for); "" when it can.
std::string BarcodeDataProblem(int kind, const std::string& data);

// Every row's fields expanded and every barcode rule with a field encoded, on the row's first
// and last label, before anything is printed. "" when all can be; else the first failure,
// naming the row, the rule and the field or the data.
std::string CheckMergeRows(const RuleTable& rules, const LabelFields& fields, int64_t labels,
                           float unitsPerMm);

}  // namespace vellomir
