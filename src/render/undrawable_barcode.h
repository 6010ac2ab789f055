#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "render/label_renderer.h"

// A barcode rule that its painter cannot draw for some label of a run (its data with the batch
// number grows past what the symbology or the painter's integer widths hold) would silently be
// missing from those labels. This finds it before the run, so the run can be refused or the
// user asked.
namespace vellomir {

struct UndrawableBarcode {
  int rule = 0;            // index in the rule table, from 0
  std::int64_t label = 0;  // the first label of the run it would be missing from, from 1
  std::string data;        // the rule's data on that label, batch number included
};

// Checks every barcode rule whose kind names a painter, for labels 1 to `labels`, at the
// label's own position (0, 0): the first and the last label, and when only the last fails, the
// first failing one between them (the data only grows with the label number). The first rule
// in table order that fails is returned.
std::optional<UndrawableBarcode> FindUndrawableBarcode(const RuleTable& rules, std::int64_t labels,
                                                       float unitsPerMm = kUnitsPerMm);

// Whether the one rule of `single` draws bars on label `label`, drawn as `how` says.
bool DrawsBars(const RuleTable& single, std::int64_t label, const LabelDrawing& how);

// "第N個規則 (條碼 KIND, 資料 ...) 在第L張標籤畫不出來..." as one line, without an ending.
std::string DescribeUndrawableBarcode(const RuleTable& rules, const UndrawableBarcode& found);

}  // namespace vellomir
