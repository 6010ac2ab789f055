#include "document/rule_record.h"

#include <algorithm>

#include "platform/text_util.h"

namespace vellomir {

int RuleRecordParts(std::string_view kind) {
  if (kind == kBarcodeRecordKind) return kBarcodeRecordParts;
  if (kind == kTextRecordKind) return kTextRecordParts;
  if (kind == kPictureRecordKind) return kPictureRecordParts;
  return 0;
}

bool rule_field::HasBatchFields(std::string_view kind, BatchFields& where) {
  if (kind == kBarcodeRecordKind) {
    where = {kBarcodeBatchDigits, kBarcodeBatchStart};
    return true;
  }
  if (kind == kTextRecordKind) {
    where = {kTextBatchDigits, kTextBatchStart};
    return true;
  }
  return false;
}

const std::string& RuleRecord::Empty() {
  static const std::string empty;
  return empty;
}

const std::string& RuleRecord::BatchDigits() const {
  rule_field::BatchFields at{};
  return rule_field::HasBatchFields(Kind(), at) ? Value(at.digits) : Empty();
}

const std::string& RuleRecord::BatchStart() const {
  rule_field::BatchFields at{};
  return rule_field::HasBatchFields(Kind(), at) ? Value(at.start) : Empty();
}

RuleFields ParseRuleRecord(std::string_view line) {
  RuleFields fields;
  const std::vector<std::string> pieces = SplitFields(line);
  const std::size_t kept = std::min(pieces.size(), kRuleFieldCount);
  for (std::size_t j = 0; j < kept; ++j) fields[j] = pieces[j];
  return fields;
}

std::string JoinRecordParts(const std::vector<std::string>& parts) {
  std::string joined;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined += kFieldSeparator;
    joined += parts[i];
  }
  return joined;
}

}  // namespace vellomir
