#include "gui/widget_bindings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace vellomir {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

QStringList Texts(const std::vector<std::string>& entries) {
  QStringList out;
  for (const auto& e : entries) out << Q(e);
  return out;
}

}  // namespace

int SelectedRow(const QListWidget& list) {
  const QList<QListWidgetItem*> selected = list.selectedItems();
  return selected.isEmpty() ? -1 : list.row(selected.first());
}

void WidgetBindings::Bind(QLineEdit* w, TextBox& m) {
  bindings_.push_back({[w, &m] { m.text = S(w->text()); },
                       [w, &m] {
                         if (w->text() != Q(m.text)) w->setText(Q(m.text));
                         w->setEnabled(m.enabled);
                       }});
}

void WidgetBindings::Bind(QLabel* w, Label& m) {
  bindings_.push_back({[] {},
                       [w, &m] {
                         w->setText(Q(m.caption));
                         w->setEnabled(m.enabled);
                       }});
}

void WidgetBindings::Bind(QCheckBox* w, CheckBox& m) {
  bindings_.push_back({[w, &m] { m.value = w->isChecked() ? 1 : 0; },
                       [w, &m] {
                         w->setChecked(m.value == 1);
                         w->setEnabled(m.enabled);
                       }});
}

void WidgetBindings::Bind(QRadioButton* w, OptionButton& m) {
  bindings_.push_back({[w, &m] { m.value = w->isChecked(); },
                       [w, &m] {
                         w->setText(Q(m.caption));
                         w->setChecked(m.value);
                         w->setEnabled(m.enabled);
                       }});
}

void WidgetBindings::Bind(QPushButton* w, CommandButton& m) {
  bindings_.push_back({[] {},
                       [w, &m] {
                         w->setText(Q(m.caption));
                         w->setEnabled(m.enabled);
                       }});
}

void WidgetBindings::Bind(QComboBox* w, ComboBox& m) {
  bindings_.push_back({[w, &m] {
                         m.list_index = w->currentIndex();
                         m.text = S(w->currentText());
                       },
                       [w, &m] {
                         const QStringList items = Texts(m.entries);
                         QStringList shown;
                         for (int i = 0; i < w->count(); ++i) shown << w->itemText(i);
                         if (shown != items) {
                           w->clear();
                           w->addItems(items);
                         }
                         w->setCurrentIndex(m.list_index);
                         w->setEnabled(m.enabled);
                       }});
}

void WidgetBindings::Bind(QListWidget* w, ListBox& m) {
  bindings_.push_back({[w, &m] { m.list_index = SelectedRow(*w); },
                       [w, &m] {
                         const QStringList items = Texts(m.entries);
                         QStringList shown;
                         for (int i = 0; i < w->count(); ++i) shown << w->item(i)->text();
                         if (shown != items) {
                           w->clear();
                           w->addItems(items);
                         }
                         if (m.list_index >= 0 && m.list_index < w->count()) {
                           w->setCurrentRow(m.list_index, QItemSelectionModel::ClearAndSelect);
                         } else {
                           w->clearSelection();
                           w->setCurrentRow(-1);
                         }
                         w->setEnabled(m.enabled);
                       }});
}

void WidgetBindings::ReadAll() {
  for (auto& b : bindings_) b.read();
}

void WidgetBindings::WriteAll() {
  for (auto& b : bindings_) b.write();
}

}  // namespace vellomir
