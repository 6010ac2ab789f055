#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "document/design.h"
#include "document/working_file.h"
#include "form/main_window_model.h"
#include "platform/drawing_surface.h"
#include "platform/file_system.h"
#include "platform/recording_surface.h"
#include "render/label_fields.h"

// Drawing one label: every rule of the design, in stored order, onto a surface. The preview
// and the print job share it; neither keeps a copy of the design between calls.
namespace vellomir {

// Field 1 with the batch number appended when the start field is above 0: labelNumber +
// start - 1, rounded to a whole number (halves to even), padded with "0" on the left to the
// digit count. Nothing when that batch number is not a finite number (a start or label number
// beyond a double's range): it has no digits, and the rule is then not drawn.
std::optional<std::string> ContentWithBatch(const std::string& content,
                                            const std::string& digitCountField,
                                            const std::string& startField, double labelNumber);

// The barcode kind a rule draws: a barcode rule (field 0 "1") whose kind field is "0".."8".
std::optional<int> BarcodeRuleKind(const RuleFields& f);

// The withCheck its painter gets: 1 for a kind that requires its check character (Code 128,
// whatever the check box says), the stored check field for a kind that offers one, 0 for the
// others. Nothing when the stored field does not fit the painter's argument.
std::optional<int16_t> BarcodeRuleWithCheck(int kind, const std::string& checkField);

struct LabelDrawing {
  float unitsPerMm = kUnitsPerMm;
  // Where picture paths are looked up: relative paths are taken from its folder.
  const FileSystem* pictures = nullptr;
  // Where a picture path that names no file here (one written on another system) is looked
  // for by its file name: the settings' picture folder and the design's own folder.
  std::string pictureFolder;
  std::string designFolder;
  // Most characters a field shows (see MostFieldCharacters); 0 sets no limit. A longer text is
  // cut there, a longer barcode is not drawn (a cut one would carry other data).
  std::size_t mostFieldCharacters = 0;
  // When set, entry i is written for every rule i that is drawn (preview only).
  std::array<RuleHitBox, kMaxRules>* ruleHitBoxes = nullptr;
  // When set, the fields in barcode and text data take their values here, label by label; a
  // rule whose fields have no value is not drawn. Without it the data is drawn as typed.
  const LabelFields* fields = nullptr;
  // How texts and pictures measure, for checks that need what a label draws without drawing
  // it on a device; without them a label counts as its whole box.
  const TextMetrics* metrics = nullptr;
  // Also tells the check before printing whether a picture loads; null only looks for files.
  const PictureProbe* picture_sizes = nullptr;
  // Dots taken off every bar laid on a printer's dots (that printer's calibration).
  int barWidthReduction = 0;
};

// A barcode or text rule's data as label `labelNumber` carries it: fields expanded (when `how`
// has values for them), then the batch number appended. Nothing when it cannot be formed.
std::optional<std::string> RuleDataOnLabel(const RuleFields& f,
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
// `fields` when given (else dates only, other fields shown as typed). The rules are `rules`
// when the caller has read them already, else read from the working file.
void DrawLabelPreview(MainWindowModel& window, DrawingSurface& picture1, const FileSystem& files,
                      const FileSystem* pictures = nullptr, const LabelFields* fields = nullptr,
                      const RuleTable* rules = nullptr);

// A picture path as written in a design, made usable here: a backslash is a folder separator.
// Nothing for a path with a drive letter ("C:\..."), which names no file on this system.
std::optional<std::string> PicturePathOf(const std::string& field);

// The file a picture rule's path (field 1, trimmed) names, as the system opens it: the path as
// stored, then with backslashes read as folder separators; for a path from another system
// ("C:\labels\img\logo.png", "img\Logo.PNG") then its file name in how.pictureFolder and in
// how.designFolder, the name matched without regard to case. Relative paths are taken from
// how.pictures' folder. Nothing when no file is found. The renderer, the preview and the check
// before printing all find pictures through it; the stored path itself is never changed.
std::optional<std::string> FindPictureFile(const std::string& stored, const LabelDrawing& how);

// Sets how from the window: UnitsPerMm, the picture folders (d_path_pic and the folder of
// CurrentFileName) and the most characters a field shows on a label l_paper_width wide.
void SetDrawingFromWindow(LabelDrawing& how, const MainWindowModel& window);
// The same from plain values: a label `label_width_mm` wide, pictures in `picture_folder` and
// beside `design_path` ("" for a design never saved).
void SetDrawing(LabelDrawing& how, float units_per_mm, double label_width_mm,
                const std::string& picture_folder, const std::string& design_path);

// The fewest characters a field may always hold, whatever the label's width says.
inline constexpr std::size_t kFieldCharactersFloor = 1000;

// The most characters a field can show on a label `label_width` surface units wide: one unit
// (1/1440 inch) a character, narrower than any printer's dot, and never fewer than
// kFieldCharactersFloor. Anything beyond lies past the label's edge.
std::size_t MostFieldCharacters(double label_width);

// The characters of UTF-8 text (bytes that begin a character).
std::size_t CharacterCount(const std::string& text);

}  // namespace vellomir
