#include "document/rule_editor.h"

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "barcode/barcode_kinds.h"
#include "document/working_file.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

// How the editor looks for each rule kind: which fields the kind stores are enabled, the
// others are greyed out but keep what they hold.
struct KindLayout {
  std::string_view kind;
  std::string_view content_caption;  // rule_content_l
  std::string_view width_unit;       // Label9
  bool picture_browse;               // pic_brower
  bool width;                        // l_width, l_width_l
  bool height;                       // l_height, l_height_l
  bool batch;                        // Label12, l_patch_order, l_patch_start
  bool human_readable;               // Check1
  bool font_size;                    // l_fontsize
  bool font_name;                    // l_fontname, Label17, find_font
  bool font_style;                   // l_fontbold(_l), l_fontli(_l)
};

constexpr std::array<KindLayout, 3> kLayouts = {{
    {kRuleKindBarcode, "資料內容", "點/條", false, true, true, true, true, true, false, false},
    {kRuleKindText, "資料內容", "", false, false, false, true, false, true, true, true},
    {kRuleKindPicture, "圖檔名稱", "mm", true, true, false, false, false, false, false, false},
}};

const KindLayout* LayoutOf(std::string_view kind) {
  for (const KindLayout& layout : kLayouts)
    if (layout.kind == kind) return &layout;
  return nullptr;
}

void ApplyLayout(MainWindowModel& w, const KindLayout& k) {
  w.rule_content_l.caption = k.content_caption;
  w.Label9.caption = k.width_unit;
  w.pic_brower.enabled = k.picture_browse;
  w.l_width.enabled = w.l_width_l.enabled = k.width;
  w.l_height.enabled = w.l_height_l.enabled = k.height;
  w.Label12.enabled = w.l_patch_order.enabled = w.l_patch_start.enabled = k.batch;
  w.Check1.enabled = k.human_readable;
  w.l_fontsize.enabled = k.font_size;
  w.l_fontname.enabled = w.Label17.enabled = w.find_font.enabled = k.font_name;
  w.l_fontbold.enabled = w.l_fontbold_l.enabled = k.font_style;
  w.l_fontli.enabled = w.l_fontli_l.enabled = k.font_style;
}

bool IsEmpty(const TextBox& box) { return Trim(box.text).empty(); }

// Sign, digits with an optional decimal point, an optional exponent; nothing else.
bool IsNumeric(const TextBox& box) {
  const std::string t = Trim(box.text);
  std::size_t i = 0;
  auto digits = [&] {
    std::size_t n = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++n;
    return n;
  };
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < t.size() && t[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

bool AllNumeric(std::initializer_list<const TextBox*> boxes) {
  for (const TextBox* box : boxes)
    if (!IsNumeric(*box)) return false;
  return true;
}

int CheckValue(const std::string& part) { return NumericValue(part) != 0 ? 1 : 0; }

// A typed kind would be stored as an empty record, or a barcode rule as kind "-1" that never
// draws; both are refused before anything is written.
bool KindsAreListed(const MainWindowModel& w, MessageBox& messages) {
  const std::string kind = Trim(w.rule_kind.text);
  if (LayoutOf(kind) == nullptr) {
    Tell(w, messages, kUnknownRuleKindMessage);
    return false;
  }
  if (kind != kRuleKindBarcode) return true;
  const ComboBox& box = w.codebar_kind;
  const int k = box.list_index;
  if (k < 0 || k >= static_cast<int>(box.entries.size()) ||
      Trim(box.text) != box.entries[static_cast<std::size_t>(k)]) {
    Tell(w, messages, kUnknownBarcodeKindMessage);
    return false;
  }
  return true;
}

// Puts the parts of a rule record into the editor; controls the kind does not store keep
// their contents. ReadRuleRecord has already filled up short records of a known kind.
void LoadRecord(MainWindowModel& w, const std::vector<std::string>& parts) {
  if (parts.empty()) return;
  const RuleRecord r(parts);
  if (r.IsBarcode()) {
    w.rule_kind.Select(0);
    w.rule_content.text = r.Data();
    w.l_x.text = r.Left();
    w.l_y.text = r.Top();
    w.l_width.text = r.Module();
    w.l_height.text = r.BarHeight();
    w.l_patch_order.text = r.BatchDigits();
    w.l_patch_start.text = r.BatchStart();
    w.Check1.value = CheckValue(r.WithText());
    w.l_fontsize.text = r.BarcodeFontSize();
    SelectBarcodeKindEntry(w, ToInt32(NumericValue(r.Symbology())).value_or(-1));
    // After the kind choice, so the stored check character wins over its default.
    w.Check2.value = CheckValue(r.CheckCharacter());
  } else if (r.IsText()) {
    w.rule_kind.Select(1);
    w.rule_content.text = r.Data();
    w.l_x.text = r.Left();
    w.l_y.text = r.Top();
    w.l_patch_order.text = r.BatchDigits();
    w.l_patch_start.text = r.BatchStart();
    w.l_fontsize.text = r.TextFontSize();
    w.l_fontname.text = r.FontName();
    w.l_fontbold.value = CheckValue(r.Bold());
    w.l_fontli.value = CheckValue(r.Italic());
  } else if (r.IsPicture()) {
    w.rule_kind.Select(2);
    w.rule_content.text = r.Data();
    w.l_x.text = r.Left();
    w.l_y.text = r.Top();
    w.l_width.text = r.PictureWidth();
  }
}

void Refresh(MainWindowModel& w, EditorContext& c) { c.view.Refresh(w); }

}  // namespace

void SwitchRuleKind(MainWindowModel& w) {
  const std::string kind = Trim(w.rule_kind.text);
  const KindLayout* layout = LayoutOf(kind);
  if (layout == nullptr) return;
  ApplyLayout(w, *layout);
  if (kind == kRuleKindBarcode) {
    if (IsEmpty(w.l_width)) w.l_width.text = w.d_l_width.text;
    if (IsEmpty(w.l_height)) w.l_height.text = w.d_l_height.text;
  } else if (kind == kRuleKindText) {
    if (w.l_fontname.text.empty()) w.l_fontname.text = Trim(w.d_fontname.text);
    if (w.l_fontsize.text.empty()) w.l_fontsize.text = Trim(w.d_fontsize.text);
  }
}

void ChooseBarcodeKind(MainWindowModel& w) {
  const BarcodeKindRow* row = BarcodeKindAt(w.codebar_kind.list_index);
  w.Check2.value = row != nullptr && row->checkByDefault ? 1 : 0;
}

void SelectRuleKindEntry(MainWindowModel& w, int index) {
  w.rule_kind.Select(index);
  SwitchRuleKind(w);
}

void SelectBarcodeKindEntry(MainWindowModel& w, int index) {
  w.codebar_kind.Select(index);
  ChooseBarcodeKind(w);
}

bool IsRuleInputComplete(const MainWindowModel& w) {
  // Trimmed, as the record is composed: a padded kind name must not skip the checks and
  // then be stored as that kind anyway.
  const std::string kind = Trim(w.rule_kind.text);
  if (kind == kRuleKindBarcode) {
    if (IsEmpty(w.rule_content) && IsEmpty(w.l_patch_start)) return false;
    return AllNumeric({&w.l_x, &w.l_y, &w.l_width, &w.l_height, &w.l_fontsize});
  }
  if (kind == kRuleKindText) {
    if (IsEmpty(w.rule_content) && IsEmpty(w.l_patch_start)) return false;
    if (!AllNumeric({&w.l_x, &w.l_y, &w.l_fontsize})) return false;
    return !IsEmpty(w.l_fontname);
  }
  if (kind == kRuleKindPicture) {
    if (IsEmpty(w.rule_content)) return false;
    return AllNumeric({&w.l_x, &w.l_y, &w.l_width});
  }
  return true;
}

bool IsBatchStartWhole(const MainWindowModel& w) {
  if (IsEmpty(w.l_patch_start)) return true;
  if (!IsNumeric(w.l_patch_start)) return true;  // no number: no batch (as the renderer reads it)
  const double start = NumericValue(w.l_patch_start.text);
  return std::isfinite(start) && start == std::trunc(start);
}

namespace {

// Pictures carry no batch number: only the kinds that print one are held to a whole start.
bool BatchStartAccepted(const MainWindowModel& w, MessageBox& messages) {
  if (Trim(w.rule_kind.text) == kRuleKindPicture || IsBatchStartWhole(w)) return true;
  Tell(w, messages, kBatchStartNotWholeMessage);
  return false;
}

}  // namespace

void ClearRuleEditor(MainWindowModel& w) {
  for (TextBox* box : {&w.rule_content, &w.l_x, &w.l_y, &w.l_width, &w.l_height, &w.l_patch_order,
                       &w.l_patch_start, &w.l_fontname, &w.l_fontsize})
    box->text.clear();
}

void SelectRule(MainWindowModel& w, EditorContext& c) {
  const int k = w.rule_list.list_index;
  // With nothing selected no rule is read; the settings record would match no kind anyway.
  if (k >= 0) {
    const auto record = ReadRuleRecord(w, c.files, c.messages, k);
    if (!record) return;  // already said why, or there is no design
    LoadRecord(w, *record);
  }
  SwitchRuleKind(w);
}

void SelectRuleListEntry(MainWindowModel& w, EditorContext& c, int index) {
  w.rule_list.Select(index);
  SelectRule(w, c);
}

void AddRule(MainWindowModel& w, EditorContext& c) {
  if (!IsRuleInputComplete(w)) {
    Tell(w, c.messages, kAddIncompleteMessage);
    return;
  }
  if (!KindsAreListed(w, c.messages)) return;
  if (!BatchStartAccepted(w, c.messages)) return;
  // Refuses a rule beyond the 101 the readers hold, and values the file cannot store.
  if (!RewriteWorkingFile(w, c.files, c.messages, RewriteOperation::kAdd)) return;
  Refresh(w, c);
  SelectRuleListEntry(w, c, w.rule_list.ListCount() - 1);
}

void ModifyRule(MainWindowModel& w, EditorContext& c) {
  const int k = w.rule_list.list_index;
  if (k < 0) {
    Tell(w, c.messages, kModifyNoSelectionMessage);
    return;
  }
  if (!KindsAreListed(w, c.messages)) return;
  if (!BatchStartAccepted(w, c.messages)) return;
  if (!RewriteWorkingFile(w, c.files, c.messages, RewriteOperation::kModify, k)) return;
  Refresh(w, c);
  SelectRuleListEntry(w, c, k);
}

void DeleteRule(MainWindowModel& w, EditorContext& c) {
  const int k = w.rule_list.list_index;
  if (k < 0) {
    Tell(w, c.messages, kDeleteNoSelectionMessage);
    return;
  }
  if (!RewriteWorkingFile(w, c.files, c.messages, RewriteOperation::kDelete, k)) return;
  Refresh(w, c);
  const int n = w.rule_list.ListCount();
  if (n == 0) {
    ClearRuleEditor(w);
  } else {
    SelectRuleListEntry(w, c, k < n ? k : n - 1);
  }
}

}  // namespace vellomir
