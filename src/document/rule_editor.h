#pragma once

#include "document/label_view.h"
#include "form/main_window_model.h"
#include "platform/file_system.h"
#include "platform/message_box.h"

// The rule editor: the controls with which the user builds a label's rule list. It keeps no
// copy of the rules; every change goes through the working file and is followed by a refresh
// of rule_list and the preview, whose entries match the file's records by position.
namespace vellomir {

inline constexpr std::string_view kAddIncompleteMessage = "請輸入完整的資料才可以新增!!";
inline constexpr std::string_view kModifyNoSelectionMessage = "請選定一個規則來做修改!!";
inline constexpr std::string_view kDeleteNoSelectionMessage = "請選定一個規則來做刪除!!";
// A kind typed into the combo boxes instead of chosen from their lists.
inline constexpr std::string_view kUnknownRuleKindMessage =
    "資料模式只能選擇「1.條碼」、「2.文字」或「3.圖片」,請從清單中選擇!!";
inline constexpr std::string_view kUnknownBarcodeKindMessage =
    "條碼種類請從清單中選擇 (Code-39 ... Code-128)!!";

// A batch number counts labels: its start must be whole, or labels would share numbers.
inline constexpr std::string_view kBatchStartNotWholeMessage =
    "批號的開始數字必須是整數(例如 1、25),請重新輸入!!";

// Whether l_patch_start holds a start the batch numbers can count from: empty (no batch
// number) or a whole number.
bool IsBatchStartWhole(const MainWindowModel& window);

// What the editor's handlers need besides the window: the folder of the working file, the
// message boxes, and the rule list and preview that follow every change.
struct EditorContext {
  FileSystem& files;
  MessageBox& messages;
  LabelView& view;
  // The current folder (settings file, pictures) when the working files live elsewhere.
  const FileSystem* here = nullptr;
};

// Rule kind switch (click or focus on rule_kind): captions and enabled states for the kind in
// rule_kind, then defaults for its empty fields. A text naming no kind changes nothing.
void SwitchRuleKind(MainWindowModel& window);

// Barcode kind choice (click on codebar_kind): Code-128 ticks Check2, every other kind clears it.
void ChooseBarcodeKind(MainWindowModel& window);

// Selecting an entry from the program raises its click event, as a user's choice would.
void SelectRuleKindEntry(MainWindowModel& window, int index);
void SelectBarcodeKindEntry(MainWindowModel& window, int index);

// Whether the fields hold what the kind in rule_kind needs before it may be added.
bool IsRuleInputComplete(const MainWindowModel& window);

// Empties the nine text fields of the editor; check boxes and combo boxes stay.
void ClearRuleEditor(MainWindowModel& window);

// Click on rule_list: loads the selected rule record into the editor, then runs the rule kind
// switch.
void SelectRule(MainWindowModel& window, EditorContext& context);
// Selects entry `index` of rule_list (-1: none) and raises its click event.
void SelectRuleListEntry(MainWindowModel& window, EditorContext& context, int index);

// The three buttons. Each shows a message and changes nothing when it cannot run; after a
// change the list and preview are rebuilt and the affected rule is selected again.
void AddRule(MainWindowModel& window, EditorContext& context);
void ModifyRule(MainWindowModel& window, EditorContext& context);
void DeleteRule(MainWindowModel& window, EditorContext& context);

}  // namespace vellomir
