#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The records of a design, as the working file and the label file store them: one line each,
// values separated by ",,;". The first line is the settings record; every other line is one
// rule, its first value the rule's kind. This is the one place that knows which value sits
// where; everything else reads a record through RuleRecord.
namespace vellomir {

// A rule's values as the renderer keeps them: values past the last one stored are empty, and
// values past the 21st are not kept.
inline constexpr std::size_t kRuleFieldCount = 21;
using RuleFields = std::array<std::string, kRuleFieldCount>;

// The kind codes a rule record starts with.
inline constexpr std::string_view kBarcodeRecordKind = "1";
inline constexpr std::string_view kTextRecordKind = "2";
inline constexpr std::string_view kPictureRecordKind = "3";

// Number of parts a record splits into at ",,;" (the last one empty).
inline constexpr int kBarcodeRecordParts = 13;
inline constexpr int kTextRecordParts = 11;
inline constexpr int kPictureRecordParts = 6;

// Parts a rule record of kind "1", "2" or "3" splits into; 0 for any other kind.
int RuleRecordParts(std::string_view kind);

// Where each value of the settings record sits: "setting", then the layout controls.
namespace settings_field {
inline constexpr std::size_t kTag = 0;  // "setting"
inline constexpr std::size_t kCopies = 1;
inline constexpr std::size_t kLabelWidth = 2;   // mm
inline constexpr std::size_t kLabelHeight = 3;  // mm
inline constexpr std::size_t kColumns = 4;
inline constexpr std::size_t kRows = 5;
inline constexpr std::size_t kRowGap = 6;     // mm between rows
inline constexpr std::size_t kColumnGap = 7;  // mm between columns
}  // namespace settings_field

// Where each value of a rule record sits.
namespace rule_field {
// Every kind.
inline constexpr std::size_t kKind = 0;
inline constexpr std::size_t kData = 1;  // the barcode's data, the text, the picture's file
inline constexpr std::size_t kLeft = 2;  // mm from the label's left edge
inline constexpr std::size_t kTop = 3;   // mm from the label's top edge
// A barcode ("1").
inline constexpr std::size_t kModule = 4;     // narrow bar width in dots
inline constexpr std::size_t kBarHeight = 5;  // mm
inline constexpr std::size_t kBarcodeBatchDigits = 6;
inline constexpr std::size_t kBarcodeBatchStart = 7;
inline constexpr std::size_t kWithText = 8;  // "1": human-readable line under the bars
inline constexpr std::size_t kBarcodeFontSize = 9;
inline constexpr std::size_t kSymbology = 10;       // index into the barcode kind list
inline constexpr std::size_t kCheckCharacter = 11;  // "1": with check character
// A text ("2").
inline constexpr std::size_t kTextBatchDigits = 4;
inline constexpr std::size_t kTextBatchStart = 5;
inline constexpr std::size_t kTextFontSize = 6;
inline constexpr std::size_t kFontName = 7;
inline constexpr std::size_t kBold = 8;
inline constexpr std::size_t kItalic = 9;
// A picture ("3").
inline constexpr std::size_t kPictureWidth = 4;  // mm; the height follows the picture

// Where a kind keeps its batch-number fields; nothing for a kind without them.
struct BatchFields {
  std::size_t digits;
  std::size_t start;
};
bool HasBatchFields(std::string_view kind, BatchFields& where);
}  // namespace rule_field

// Named reading of one rule record: a view over the values (a RuleFields row or a record split
// at ",,;"), which must outlive it. A value the record does not hold reads as "".
class RuleRecord {
 public:
  explicit RuleRecord(const RuleFields& f) : values_(f.data()), count_(f.size()) {}
  explicit RuleRecord(const std::vector<std::string>& f) : values_(f.data()), count_(f.size()) {}

  const std::string& Value(std::size_t at) const { return at < count_ ? values_[at] : Empty(); }

  const std::string& Kind() const { return Value(rule_field::kKind); }
  bool IsBarcode() const { return Kind() == kBarcodeRecordKind; }
  bool IsText() const { return Kind() == kTextRecordKind; }
  bool IsPicture() const { return Kind() == kPictureRecordKind; }

  const std::string& Data() const { return Value(rule_field::kData); }
  const std::string& Left() const { return Value(rule_field::kLeft); }
  const std::string& Top() const { return Value(rule_field::kTop); }
  // The batch fields of a barcode or a text; "" for other kinds.
  const std::string& BatchDigits() const;
  const std::string& BatchStart() const;

  const std::string& Module() const { return Value(rule_field::kModule); }
  const std::string& BarHeight() const { return Value(rule_field::kBarHeight); }
  const std::string& WithText() const { return Value(rule_field::kWithText); }
  const std::string& BarcodeFontSize() const { return Value(rule_field::kBarcodeFontSize); }
  const std::string& Symbology() const { return Value(rule_field::kSymbology); }
  const std::string& CheckCharacter() const { return Value(rule_field::kCheckCharacter); }

  const std::string& TextFontSize() const { return Value(rule_field::kTextFontSize); }
  const std::string& FontName() const { return Value(rule_field::kFontName); }
  const std::string& Bold() const { return Value(rule_field::kBold); }
  const std::string& Italic() const { return Value(rule_field::kItalic); }

  const std::string& PictureWidth() const { return Value(rule_field::kPictureWidth); }

 private:
  static const std::string& Empty();
  const std::string* values_;
  std::size_t count_;
};

// One rule line split at ",,;" into a RuleFields row: values past the 21st are dropped.
RuleFields ParseRuleRecord(std::string_view line);

// Parts split at ",,;" joined again: the inverse of SplitFields, so a record that was split,
// changed in one value and joined keeps every other byte.
std::string JoinRecordParts(const std::vector<std::string>& parts);

}  // namespace vellomir
