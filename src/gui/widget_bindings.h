#pragma once

#include <functional>
#include <vector>

#include "form/controls.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace vellomir {

// Copies between widgets and the plain control values of the model. Read takes what the user
// changed (texts, ticks, choices, the list's selection); Write shows the model again. Write
// changes a widget only where it differs, so a caret or a scroll position survives.
class WidgetBindings {
 public:
  void Bind(QLineEdit* widget, TextBox& control);
  void Bind(QLabel* widget, Label& control);
  void Bind(QCheckBox* widget, CheckBox& control);
  void Bind(QRadioButton* widget, OptionButton& control);
  void Bind(QPushButton* widget, CommandButton& control);
  void Bind(QComboBox* widget, ComboBox& control);
  // The list's value is its selected entry, never Qt's current row: a list that gets the focus
  // makes its first row current without selecting it, and that is not a choice of the user.
  void Bind(QListWidget* widget, ListBox& control);

  void ReadAll();
  void WriteAll();

 private:
  struct Binding {
    std::function<void()> read;
    std::function<void()> write;
  };
  std::vector<Binding> bindings_;
};

// The widget that shows each kind of control value.
template <typename Control>
struct WidgetFor;
template <>
struct WidgetFor<TextBox> {
  using type = QLineEdit;
};
template <>
struct WidgetFor<Label> {
  using type = QLabel;
};
template <>
struct WidgetFor<CheckBox> {
  using type = QCheckBox;
};
template <>
struct WidgetFor<OptionButton> {
  using type = QRadioButton;
};
template <>
struct WidgetFor<CommandButton> {
  using type = QPushButton;
};
template <>
struct WidgetFor<ComboBox> {
  using type = QComboBox;
};
template <>
struct WidgetFor<ListBox> {
  using type = QListWidget;
};

// The selected row of a single-selection list, -1 when none is selected.
int SelectedRow(const QListWidget& list);

}  // namespace vellomir
