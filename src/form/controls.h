#pragma once

#include <string>
#include <vector>

#include "platform/dialogs.h"

// The window's controls as plain values. The Qt window copies widget states into these before
// a handler runs and writes them back afterwards, so every handler can be run and tested
// without a toolkit. Setting a selection here raises no event: a handler that needs the
// control's click event calls it explicitly.
namespace vellomir {

struct TextBox {
  std::string text;
  bool enabled = true;
};

// A caption label. Its caption may change at run time (the rule kind switch relabels some).
struct Label {
  std::string caption;
  bool enabled = true;
};

struct CheckBox {
  int value = 0;  // 1 ticked, 0 clear
  std::string caption;
  bool enabled = true;
};

struct OptionButton {
  bool value = false;  // selected
  std::string caption;
  bool enabled = true;
};

struct CommandButton {
  std::string caption;
  bool enabled = true;
};

struct ComboBox {
  std::string text;  // what the edit part shows; may be typed, so it need not be an entry
  std::vector<std::string> entries;
  int list_index = -1;  // -1 when no entry is selected
  bool editable = true;
  bool enabled = true;

  // Selects entry `index` (or none for -1) and shows its text, as choosing it would.
  // Out-of-range indexes select nothing and leave the text as it is.
  void Select(int index) {
    if (index >= 0 && index < static_cast<int>(entries.size())) {
      list_index = index;
      text = entries[static_cast<std::size_t>(index)];
    } else {
      list_index = -1;
    }
  }
};

struct ListBox {
  std::vector<std::string> entries;
  int list_index = -1;  // -1 when no entry is selected
  bool enabled = true;

  int ListCount() const { return static_cast<int>(entries.size()); }
  void Clear() {
    entries.clear();
    list_index = -1;
  }
  void AddItem(std::string entry) { entries.push_back(std::move(entry)); }
  // Selects entry `index`; anything out of range selects nothing.
  void Select(int index) { list_index = (index >= 0 && index < ListCount()) ? index : -1; }
};

// Only the size is kept: what a picture box shows is drawn on a surface passed separately.
struct PictureBox {
  int width = 0;   // twips
  int height = 0;  // twips
};

struct Timer {
  int interval_ms = 0;
  bool enabled = false;
};

struct TabControl {
  std::vector<std::string> tab_captions;
  int current_tab = 0;
};

// CommonDialog (the dialog controls' properties and results) lives with the dialog service
// in platform/dialogs.h.

}  // namespace vellomir
