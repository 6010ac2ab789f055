#include "render/label_renderer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>

#include "barcode/barcode_kinds.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

// No symbol or printed line needs more digits than this; a larger digit count is cut here
// rather than building a mask of millions of zeros.
constexpr int kMaxBatchDigits = 500;

// Whole number, halves to even, written in decimal ("-" then the digits for negatives).
std::string WholeNumberText(double value) {
  const double r = RoundHalfEven(value);
  // Batch numbers, one for every label, from their integer; larger ones as printf writes them.
  if (std::fabs(r) < 9007199254740992.0) {  // 2^53
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(r)).ptr;
    return std::string(digits, end);
  }
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.0f", std::fabs(r));
  return std::string(r < 0 ? "-" : "") + buf;
}

// Position values for the hit boxes: they only steer clicks, so out-of-range values are held
// at the nearest end rather than wrapped.
int32_t Saturate32(double value) {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

// A value a single-precision field can hold; larger ones would not survive the conversion.
bool FitsSingle(double value) {
  return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
}

bool Within32(double value) {
  return std::isfinite(value) && value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

void RecordBox(DrawingSurface& surface, const RuleFields& f,
               float unitsPerMm, std::array<RuleHitBox, kMaxRules>& boxes, int index) {
  const RuleRecord r(f);
  RuleHitBox& box = boxes[static_cast<std::size_t>(index)];
  box.left = Saturate32(std::trunc(NumericValue(r.Left()) * unitsPerMm));
  box.top = Saturate32(std::trunc(NumericValue(r.Top()) * unitsPerMm));
  box.right = Saturate32(RoundHalfEven(surface.CurrentX()));
  // A printed text leaves the position on its top line; its box reaches down a line.
  const double line = r.IsText() ? surface.PrintedLineHeight() : 0;
  box.bottom = Saturate32(RoundHalfEven(surface.CurrentY() + line));
}

}  // namespace

std::optional<int> BarcodeRuleKind(const RuleFields& f) {
  const RuleRecord r(f);
  if (!r.IsBarcode()) return std::nullopt;
  return BarcodeKindFromIndexText(r.Symbology());
}

std::optional<int16_t> BarcodeRuleWithCheck(int kind, const std::string& checkField) {
  // The check box stays as stored, but Code 128 is always painted with its check character.
  if (IsCheckCharacterRequired(kind)) return int16_t{1};
  if (OffersCheckCharacter(kind)) return ToInt16(NumericValue(checkField));
  return int16_t{0};
}

namespace {

// Whether the field holds more characters than a label can show.
bool TooLong(const std::string& field, std::size_t most) {
  return most != 0 && field.size() > most && CharacterCount(field) > most;
}

// The first `most` characters of UTF-8 text.
std::string FirstCharacters(const std::string& text, std::size_t most) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == most)
      return text.substr(0, i);
  return text;
}

void DrawBarcodeRule(DrawingSurface& surface, const RuleFields& f,
                     double offsetX, int32_t offsetY, double labelNumber, float unitsPerMm,
                     std::size_t most) {
  const RuleRecord r(f);
  const std::optional<int> kind = BarcodeRuleKind(f);
  if (!kind || TooLong(r.Data(), most)) return;
  const std::optional<std::string> data =
      ContentWithBatch(r.Data(), r.BatchDigits(), r.BatchStart(), labelNumber);
  // Every argument must fit its integer width, and the batch number must be a number; a rule
  // that does not is not drawn at all, since a wrapped value would put a wrong symbol
  // somewhere else on the label.
  const auto withCheck = BarcodeRuleWithCheck(*kind, r.CheckCharacter());
  const auto withText = ToInt16(NumericValue(r.WithText()));
  const auto fontSize = ToInt16(NumericValue(r.BarcodeFontSize()));
  const auto x = ToInt32(NumericValue(r.Left()) * unitsPerMm + offsetX);
  const auto y = ToInt32(NumericValue(r.Top()) * unitsPerMm + offsetY);
  const auto moduleWidth = ToInt16(NumericValue(r.Module()));
  const auto barHeight = ToInt16(NumericValue(r.BarHeight()) * unitsPerMm);
  if (!data || !withCheck || !withText || !fontSize || !x || !y || !moduleWidth || !barHeight)
    return;
  // The painter gets x on its label (the label's whole twips go to the surface), so a label far
  // right on a wide page stays within the painter's range and lands where it always did.
  const double label_x = std::floor(offsetX);
  const auto on_label = ToInt32(static_cast<double>(*x) - label_x);
  if (!on_label) return;
  int32_t painter_x = *on_label;  // the painter advances it; what it writes back is not used
  const double shift = surface.ShiftX();
  surface.SetShiftX(shift + label_x);
  PaintBarcode(*kind, *data, surface, *withCheck, *withText, *fontSize, painter_x, *y, *moduleWidth,
               *barHeight);
  surface.SetShiftX(shift);
}

// Returns whether the text was printed.
bool PrintTextRule(DrawingSurface& surface, const RuleFields& f,
                   double offsetX, int32_t offsetY, double labelNumber, float unitsPerMm) {
  const RuleRecord r(f);
  const std::optional<std::string> content =
      ContentWithBatch(r.Data(), r.BatchDigits(), r.BatchStart(), labelNumber);
  const double x = NumericValue(r.Left()) * unitsPerMm + offsetX;
  const double y = NumericValue(r.Top()) * unitsPerMm + offsetY;
  const double size = NumericValue(r.TextFontSize());
  if (!content || !FitsSingle(x) || !FitsSingle(y) || !FitsSingle(size)) return false;
  const auto left = static_cast<float>(x);
  const auto top = static_cast<float>(y);
  if (!Within32(left) || !Within32(top)) return false;
  surface.SetCurrentX(left);
  surface.SetCurrentY(top);
  surface.SetFontName(Trim(r.FontName()));
  surface.SetFontSize(static_cast<float>(size));
  surface.SetFontBold(NumericValue(r.Bold()) != 0);
  surface.SetFontItalic(NumericValue(r.Italic()) != 0);
  surface.Print(*content);
  surface.SetFontBold(false);
  surface.SetFontItalic(false);
  return true;
}

// A text longer than the label can show is cut where the label ends.
bool DrawTextRule(DrawingSurface& surface, const RuleFields& f,
                  double offsetX, int32_t offsetY, double labelNumber, float unitsPerMm,
                  std::size_t most) {
  if (TooLong(RuleRecord(f).Data(), most)) {
    auto cut = f;
    cut[rule_field::kData] = FirstCharacters(RuleRecord(f).Data(), most);
    return PrintTextRule(surface, cut, offsetX, offsetY, labelNumber, unitsPerMm);
  }
  return PrintTextRule(surface, f, offsetX, offsetY, labelNumber, unitsPerMm);
}

// Returns whether the picture was drawn.
bool DrawPictureRule(DrawingSurface& surface, const RuleFields& f,
                     double offsetX, int32_t offsetY, const LabelDrawing& how) {
  const float unitsPerMm = how.unitsPerMm;
  const RuleRecord r(f);
  const std::optional<std::string> file = FindPictureFile(r.Data(), how);
  if (!file) return false;
  const double x = NumericValue(r.Left()) * unitsPerMm + offsetX;
  const double y = NumericValue(r.Top()) * unitsPerMm + offsetY;
  if (!FitsSingle(x) || !FitsSingle(y)) return false;
  const auto left = static_cast<float>(x);
  const auto top = static_cast<float>(y);
  const double width = NumericValue(r.PictureWidth()) * unitsPerMm;
  if (!Within32(left) || !Within32(top) || !Within32(width)) return false;
  // A file that exists but is no picture the platform can read is skipped like a missing one.
  const std::optional<PictureSize> natural = surface.LoadPicture(*file);
  if (!natural || !(natural->width > 0) || !(natural->height > 0)) return false;
  const double height = std::trunc(width / natural->width * natural->height);
  if (!Within32(height)) return false;
  surface.DrawPicture(*file, left, top, width, height);
  // Its far corner, as after a box: where its hit box ends.
  surface.SetCurrentX(left + width);
  surface.SetCurrentY(top + height);
  return true;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y && (x >= 0x80 || y >= 0x80 || std::tolower(x) != std::tolower(y))) return false;
  }
  return true;
}

// A regular file named `name` in `folder`, its name matched exactly first, then without regard
// to case (a design made on Windows may say "Logo.PNG" for "logo.png").
std::optional<std::string> FileInFolder(const std::string& folder, const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path exact = fs::path(folder) / name;
  if (fs::is_regular_file(exact, ec)) return exact.string();
  std::optional<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string candidate = entry.path().filename().string();
    if (!SameNameIgnoringCase(candidate, name)) continue;
    std::error_code kind;
    if (!entry.is_regular_file(kind)) continue;
    // Of several that differ only in case, the first in name order, so the choice is stable.
    if (!found || entry.path().string() < *found) found = entry.path().string();
  }
  return found;
}

}  // namespace

std::optional<std::string> ContentWithBatch(const std::string& content,
                                            const std::string& digitCountField,
                                            const std::string& startField, double labelNumber) {
  const double start = NumericValue(startField);
  if (!(start > 0)) return content;
  const double batch = labelNumber + start - 1;
  if (!std::isfinite(batch)) return std::nullopt;  // no digits to write
  const double count = std::trunc(NumericValue(digitCountField));
  const int digits = count < 1 ? 0 : static_cast<int>(std::min<double>(count, kMaxBatchDigits));
  std::string number = WholeNumberText(batch);
  const bool negative = !number.empty() && number[0] == '-';
  std::string magnitude = negative ? number.substr(1) : number;
  if (static_cast<int>(magnitude.size()) < digits)
    magnitude.insert(0, static_cast<std::size_t>(digits) - magnitude.size(), '0');
  return content + (negative ? "-" : "") + magnitude;
}

std::optional<std::string> PicturePathOf(const std::string& field) {
  const bool drive = field.size() >= 2 && field[1] == ':' &&
                     ((field[0] >= 'A' && field[0] <= 'Z') || (field[0] >= 'a' && field[0] <= 'z'));
  if (drive) return std::nullopt;
  std::string path = field;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::optional<std::string> FindPictureFile(const std::string& stored, const LabelDrawing& how) {
  const FileSystem fallback;
  const FileSystem& files = how.pictures != nullptr ? *how.pictures : fallback;
  const std::string field = Trim(stored);
  if (field.empty()) return std::nullopt;
  if (files.FileExists(field)) return files.Resolve(field);
  const std::optional<std::string> path = PicturePathOf(field);
  if (path && files.FileExists(*path)) return files.Resolve(*path);
  const std::size_t cut = field.find_last_of("/\\");
  const std::string name = cut == std::string::npos ? field : field.substr(cut + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  for (const std::string& folder : {how.pictureFolder, how.designFolder}) {
    const std::optional<std::string> usable = PicturePathOf(Trim(folder));
    if (!usable || usable->empty()) continue;
    if (auto found = FileInFolder(files.Resolve(*usable), name)) return found;
  }
  return std::nullopt;
}

std::size_t MostFieldCharacters(double label_width) {
  if (!(label_width > double(kFieldCharactersFloor))) return kFieldCharactersFloor;
  if (label_width > 1e9) return 1000000000;
  return static_cast<std::size_t>(label_width);
}

std::size_t CharacterCount(const std::string& text) {
  std::size_t n = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

void SetDrawingFromWindow(LabelDrawing& how, const MainWindowModel& window) {
  SetDrawing(how, window.UnitsPerMm, NumericValue(window.l_paper_width.text),
             Trim(window.d_path_pic.text), window.CurrentFileName);
}

void SetDrawing(LabelDrawing& how, float units_per_mm, double label_width_mm,
                const std::string& picture_folder, const std::string& design) {
  how.unitsPerMm = units_per_mm;
  how.mostFieldCharacters = MostFieldCharacters(label_width_mm * units_per_mm);
  how.pictureFolder = picture_folder;
  const std::size_t slash = design.find_last_of('/');
  if (design.empty()) {
    how.designFolder.clear();
    return;
  }
  how.designFolder = slash == std::string::npos ? std::string(".") : design.substr(0, slash + 1);
  if (how.designFolder.size() > 1 && how.designFolder.back() == '/') how.designFolder.pop_back();
}

std::optional<std::string> RuleDataOnLabel(const RuleFields& f,
                                           double labelNumber, const LabelDrawing& how) {
  const RuleRecord r(f);
  std::string data = r.Data();
  if (how.fields != nullptr && HasFields(data)) {
    FieldExpansion e = how.fields->Expand(data, labelNumber);
    if (!e.ok()) return std::nullopt;
    data = std::move(e.text);
  }
  if (r.IsBarcode() || r.IsText())
    return ContentWithBatch(data, r.BatchDigits(), r.BatchStart(), labelNumber);
  return data;
}

void DrawLabel(DrawingSurface& surface, const RuleTable& rules, double offsetX, int32_t offsetY,
               double labelNumber, const LabelDrawing& how) {
  surface.SetBarWidthReduction(how.barWidthReduction);
  const int n = std::clamp(rules.n, 0, kRuleTableRows);
  RuleFields expanded;
  for (int i = 0; i < n; ++i) {
    const auto* row = &rules.rows[static_cast<std::size_t>(i)];
    // Data with fields is drawn with this label's values, as if typed so.
    const RuleRecord stored(*row);
    if (how.fields != nullptr && (stored.IsBarcode() || stored.IsText()) &&
        HasFields(stored.Data())) {
      FieldExpansion e = how.fields->Expand(stored.Data(), labelNumber);
      if (!e.ok()) continue;
      expanded = *row;
      expanded[rule_field::kData] = std::move(e.text);
      row = &expanded;
    }
    const auto& f = *row;
    const RuleRecord r(f);
    bool drawn = true;
    if (r.IsBarcode()) {
      DrawBarcodeRule(surface, f, offsetX, offsetY, labelNumber, how.unitsPerMm,
                      how.mostFieldCharacters);
    } else if (r.IsText()) {
      drawn = DrawTextRule(surface, f, offsetX, offsetY, labelNumber, how.unitsPerMm,
                           how.mostFieldCharacters);
    } else if (r.IsPicture()) {
      drawn = DrawPictureRule(surface, f, offsetX, offsetY, how);
    } else {
      drawn = false;
    }
    if (drawn && how.ruleHitBoxes != nullptr)
      RecordBox(surface, f, how.unitsPerMm, *how.ruleHitBoxes, i);
  }
}

void DrawLabelPreview(MainWindowModel& window, DrawingSurface& picture1, const FileSystem& files,
                      const FileSystem* pictures, const LabelFields* fields,
                      const RuleTable* given) {
  picture1.Clear();
  std::unique_ptr<RuleTable> read;
  if (given == nullptr) {
    if (!files.FileExists(std::string(kWorkingFileName))) return;
    read = std::make_unique<RuleTable>(ReadRuleTable(files));
  }
  const RuleTable* rules = given != nullptr ? given : read.get();
  LabelDrawing how;
  how.unitsPerMm = window.UnitsPerMm;
  how.pictures = pictures != nullptr ? pictures : &files;
  how.ruleHitBoxes = &window.RuleHitBoxes;
  SetDrawingFromWindow(how, window);
  // The data file named in the window shows its picked row; without one, dates only.
  LabelFields from_window;
  from_window.keep_unknown = true;
  std::optional<MergeData> data;
  if (const std::string path = Trim(window.merge_file.text); fields == nullptr && !path.empty()) {
    data = ReadMergeFile(*how.pictures, path).data;
    if (data) {
      from_window.data = &*data;
      from_window.fixed_row =
          static_cast<std::size_t>(std::clamp(NumericValue(window.merge_row.text), 1.0, 1e9)) - 1;
    }
  }
  how.fields = fields != nullptr ? fields : &from_window;
  DrawLabel(picture1, *rules, 0, 0, NumericValue(window.l_amount.text), how);
}

}  // namespace vellomir
