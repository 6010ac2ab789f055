#pragma once

#include <span>
#include <string_view>
#include <variant>

#include "form/main_window_model.h"

// The window's wiring, written once: each control's name (the widget's objectName), the model
// member that holds its value, and what its click, choice or selection does. The window makes
// its widgets, binds them and connects them from this table alone.
namespace vellomir {

using ControlMember =
    std::variant<TextBox MainWindowModel::*, Label MainWindowModel::*, CheckBox MainWindowModel::*,
                 OptionButton MainWindowModel::*, CommandButton MainWindowModel::*,
                 ComboBox MainWindowModel::*, ListBox MainWindowModel::*>;

// The window's handlers. A button runs its action when clicked, a combo box when an entry is
// chosen, the rule list when its selection changes or a selected entry is clicked.
enum class WindowAction {
  kNone,
  kSwitchRuleKind,
  kChooseBarcodeKind,
  kSelectRule,
  kAddRule,
  kModifyRule,
  kDeleteRule,
  kBrowsePicture,
  kChooseFont,
  kPrint,
  kBrowseMergeData,
  kPickMergeRow,
  kSaveSettings,
  kLoadSettings,
  kFileNew,
  kFileOpen,
  kFileSave,
  kFileSaveAs,
  kShowAbout,
  kShowHelp,
  kChoosePreviewView,
};

struct ControlWiring {
  std::string_view name;
  ControlMember member;
  WindowAction action = WindowAction::kNone;
  WindowAction on_focus = WindowAction::kNone;  // run when the control gets the keyboard focus
};

// Every bound control of the main window, in the order the user meets them (the tab order).
std::span<const ControlWiring> WindowControls();

// The row of a control name; null when there is none.
const ControlWiring* FindControl(std::string_view name);

}  // namespace vellomir
