#include "ui/window_events.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "barcode/barcode_kinds.h"
#include "document/working_file.h"
#include "platform/text_util.h"
#include "render/rule_list.h"
#include "settings/settings_file.h"

namespace vellomir {

namespace {

// Smaller computed preview sizes are not applied: the picture box would all but vanish.
constexpr int32_t kMinPreviewSize = 10;

// A single-precision value as the user has always seen it in these fields: at most 7
// significant digits, no trailing zeros, no "0" before the decimal point (".5"), exponent
// form ("1.769912E+07") outside 1E-04 .. 9999999.
std::string SingleDigits(float value) {
  if (value == 0) value = 0;  // no "-0"
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7G", static_cast<double>(value));
  std::string text = buf;
  const std::size_t digits = text[0] == '-' ? 1 : 0;
  if (text.compare(digits, 2, "0.") == 0) text.erase(digits, 1);
  return text;
}

// The same with the sign position numbers print with: a blank for zero and above.
std::string SingleText(float value) {
  std::string text = SingleDigits(value);
  return text[0] == '-' ? text : " " + text;
}

void UpdateEnabling(MainWindowModel& w) {
  w.codebar_kind.enabled = w.rule_kind.list_index == 0;
  const bool check = w.codebar_kind.enabled && OffersCheckCharacter(w.codebar_kind.list_index);
  w.Check2.enabled = w.check2_l.enabled = check;
}

void ShowClock(DrawingSurface& picture2, Shell& shell) {
  picture2.Clear();
  picture2.SetFontSize(12);
  picture2.Print(shell.CurrentDate() + "  " + shell.CurrentTime());
  picture2.LineBreak();
}

}  // namespace

void SetPreviewSize(MainWindowModel& w) {
  // The whole label, whatever the gaps and margins: the outline shows where it ends.
  const double per_mm = w.UnitsPerMm;
  const auto width = ToInt32(NumericValue(w.l_paper_width.text) * per_mm);
  const auto height = ToInt32(NumericValue(w.l_paper_height.text) * per_mm);
  if (width && *width > kMinPreviewSize) w.Picture1.width = *width;
  if (height && *height > kMinPreviewSize) w.Picture1.height = *height;
}

void ChoosePreviewView(MainWindowModel& w) {
  const std::string dpi = w.preview_dpi.text;
  // "203 dpi" and the like; any other entry is the screen's exact units.
  const double dots = NumericValue(dpi.substr(0, dpi.find(' ')));
  w.PreviewDotsPerInch = dots > 0 ? dots : 0;
  const double zoom = NumericValue(w.preview_zoom.text.substr(0, w.preview_zoom.text.find('%')));
  w.PreviewZoom = zoom >= 100 && zoom <= 800 ? zoom / 100 : 1;
}

void ShowPrinterDotsInPreview(MainWindowModel& w, double dots_per_inch) {
  if (!(dots_per_inch > 0) || dots_per_inch > 10000) return;
  const std::string entry = std::to_string(std::lround(dots_per_inch)) + " dpi";
  auto& entries = w.preview_dpi.entries;
  auto found = std::find(entries.begin(), entries.end(), entry);
  if (found == entries.end()) found = entries.insert(entries.end(), entry);
  w.preview_dpi.Select(static_cast<int>(found - entries.begin()));
  ChoosePreviewView(w);
}

void StartUp(MainWindowModel& w, EditorContext& c) {
  w.AppTitle = kAppTitle;
  if (!ResetWorkingFiles(w, c.files, c.messages)) {
    // A working file that could not be deleted still holds rules; show them so that the list
    // and the file agree by position for every later edit.
    c.view.Refresh(w);
  }
  // The settings file lives in the current folder, where pictures are looked up too; the
  // working files may live elsewhere.
  const FileSystem& here = c.here != nullptr ? *c.here : c.files;
  if (here.FileExists(std::string(kSettingsFileName))) LoadSettings(w, here, c.messages);
  w.UnitsPerMm = kUnitsPerMm;
  w.CurrentFileName = "";
  for (CommonDialog* d : {&w.open_d_dial, &w.save_d_dial, &w.save_a_d_dial})
    d->init_dir = w.d_path_data.text;
  w.open_p_dial.init_dir = w.d_path_pic.text;
  SelectRuleKindEntry(w, 0);
  SelectBarcodeKindEntry(w, static_cast<int>(BarcodeKind::kCode39));
  SwitchRuleKind(w);
}

void TimerTick(MainWindowModel& w, DrawingSurface& picture2, Shell& shell) {
  SetPreviewSize(w);
  w.current_filename_show.caption = "目前的檔名 : " + w.CurrentFileName;
  UpdateEnabling(w);
  ShowClock(picture2, shell);
}

void PreviewClick(MainWindowModel& w, EditorContext& c, double x, double y) {
  const int rules = std::min(w.rule_list.ListCount(), kMaxRules);
  for (int k = 0; k < rules; ++k) {
    const RuleHitBox& box = w.RuleHitBoxes[static_cast<std::size_t>(k)];
    if (x > box.left && x < box.right && y > box.top && y < box.bottom) {
      SelectRuleListEntry(w, c, k);
      return;
    }
  }
  w.l_x.text = SingleText(static_cast<float>(x) / w.UnitsPerMm);
  w.l_y.text = SingleText(static_cast<float>(y) / w.UnitsPerMm);
}

int BoolToCheck(bool value) { return value ? 1 : 0; }

void FindFont(MainWindowModel& w, DialogService& dialogs) {
  CommonDialog& d = w.choose_font;
  d.flags = 3;  // screen and printer fonts
  // The dialog opens on the rule's font; a field that names none keeps what the dialog held.
  if (!Trim(w.l_fontname.text).empty()) d.font_name = Trim(w.l_fontname.text);
  if (NumericValue(w.l_fontsize.text) > 0) d.font_size = NumericValue(w.l_fontsize.text);
  d.font_bold = w.l_fontbold.value != 0;
  d.font_italic = w.l_fontli.value != 0;
  const CommonDialog before = d;
  dialogs.ShowFont(d);
  // Cancelled (nothing chosen differs), or never held a font: the fields stay as typed.
  if (d.font_name.empty()) return;
  if (d.font_name == before.font_name && d.font_size == before.font_size &&
      d.font_bold == before.font_bold && d.font_italic == before.font_italic)
    return;
  w.l_fontname.text = d.font_name;
  w.l_fontsize.text = SingleDigits(static_cast<float>(d.font_size));
  w.l_fontbold.value = BoolToCheck(d.font_bold);
  w.l_fontli.value = BoolToCheck(d.font_italic);
}

void PictureBrowse(MainWindowModel& w, DialogService& dialogs) {
  dialogs.ShowOpen(w.open_p_dial);
  // A cancelled dialog offers no path; the field keeps what it held, as the font chooser
  // keeps its values, rather than leaving a picture rule without its picture.
  const std::string path = Trim(w.open_p_dial.file_name);
  if (!path.empty()) w.rule_content.text = path;
}

void ShowHelp(Shell& shell) { shell.OpenTextFile(std::string(kReadmeFileName)); }

}  // namespace vellomir
