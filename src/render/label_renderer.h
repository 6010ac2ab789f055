#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "document/working_file.h"
#include "form/main_window_model.h"
#include "platform/drawing_surface.h"
#include "platform/file_system.h"
#include "render/label_fields.h"
#include "platform/recording_surface.h"

// Drawing one label: every rule of the design, in stored order, onto a surface. The preview
// and the print job share it; neither keeps a copy of the design between calls.
namespace vellomir {

inline constexpr int kRuleTableRows = kMaxRules;  // rule index 0..100
inline constexpr int kRuleTableFields = 21;       // field index 0..20

// The rules as read from the working file. Fields beyond the end of a line are empty.
struct RuleTable {
  std::array<std::array<std::string, kRuleTableFields>, kRuleTableRows> rows;
  int n = 0;  // rows filled
  // kNone when the file was read; otherwise why nothing could be read (n is then 0).
  FileError error = FileError::kNone;
  // Rule lines past the last row that were left unread.
  bool truncated = false;
};

// Fills one row from a rule line: at most kRuleTableFields fields are kept. A row outside the
// table is left alone.
void FillRuleRow(RuleTable& table, int row, const std::string& line);

// Reads the rule lines of the working file, after its settings line. At most 101 rule lines
// are taken; reading stops there. A file that cannot be read gives no rows.
RuleTable ReadRuleTable(const FileSystem& files);

// Field 1 with the batch number appended when the start field is above 0: labelNumber +
// start - 1, rounded to a whole number (halves to even), padded with "0" on the left to the
// digit count. Nothing when that batch number is not a finite number (a start or label number
// beyond a double's range): it has no digits, and the rule is then not drawn.
std::optional<std::string> ContentWithBatch(const std::string& content,
                                            const std::string& digitCountField,
                                            const std::string& startField, double labelNumber);

// The barcode kind a rule draws: a barcode rule (field 0 "1") whose kind field is "0".."8".
std::optional<int> BarcodeRuleKind(const std::array<std::string, kRuleTableFields>& f);

// The withCheck its painter gets: 1 for a kind that requires its check character (Code 128,
// whatever the check box says), the stored check field for a kind that offers one, 0 for the
// others. Nothing when the stored field does not fit the painter's argument.
std::optional<int16_t> BarcodeRuleWithCheck(int kind, const std::string& checkField);

struct LabelDrawing {
  float unitsPerMm = kUnitsPerMm;
  // Where picture paths are looked up: relative paths are taken from its folder.
  const FileSystem* pictures = nullptr;
  // When set, entry i is written for every rule i that is drawn (preview only).
  std::array<RuleHitBox, kMaxRules>* ruleHitBoxes = nullptr;
  // When set, the fields in barcode and text data take their values here, label by label; a
  // rule whose fields have no value is not drawn. Without it the data is drawn as typed.
  const LabelFields* fields = nullptr;
  // How texts and pictures measure, for checks that need what a label draws without drawing
  // it on a device; without them a label counts as its whole box.
  const TextMetrics* metrics = nullptr;
  const PictureProbe* picture_sizes = nullptr;
  // Dots taken off every bar laid on a printer's dots (that printer's calibration).
  int barWidthReduction = 0;
};

// A barcode or text rule's data as label `labelNumber` carries it: fields expanded (when `how`
// has values for them), then the batch number appended. Nothing when it cannot be formed.
std::optional<std::string> RuleDataOnLabel(const std::array<std::string, kRuleTableFields>& f,
                                           double labelNumber, const LabelDrawing& how);

// Draws rows 0..n-1 of the table, each position moved by (offsetX, offsetY), with batch
// numbers formed from labelNumber. Values that do not fit a painter's integer arguments skip
// that painter call rather than wrap; a text that cannot be placed, sized or numbered is not
// printed; pictures that are missing or cannot be loaded are skipped. Never shows a message.
void DrawLabel(DrawingSurface& surface, const RuleTable& rules, double offsetX, int32_t offsetY,
               double labelNumber, const LabelDrawing& how);

// The preview: clears the surface that stands for Picture1 and, when the working file exists,
// draws the label at (0, 0) with l_amount as label number, recording RuleHitBoxes. Picture
// paths are looked up through `pictures` when given, else through `files`; fields through
// `fields` when given (else dates only, other fields shown as typed).
void DrawLabelPreview(MainWindowModel& window, DrawingSurface& picture1, const FileSystem& files,
                      const FileSystem* pictures = nullptr, const LabelFields* fields = nullptr);

// A picture path as written in a design, made usable here: a backslash is a folder separator.
// Nothing for a path with a drive letter ("C:\..."), which names no file on this system.
std::optional<std::string> PicturePathOf(const std::string& field);

}  // namespace vellomir
