#pragma once

#include <utility>
#include <vector>

#include "gui/picture_box_widget.h"
#include "gui/widget_bindings.h"
#include "gui/window_wiring.h"

class QMainWindow;
class QTabWidget;
class QWidget;

namespace vellomir {

// The widgets made from the wiring table, found by their model member, so the layout never
// names a control a second time.
class ControlWidgets {
 public:
  void Add(const ControlMember& member, QWidget* widget) { widgets_.emplace_back(member, widget); }
  QWidget* Of(const ControlMember& member) const {
    for (const auto& [m, w] : widgets_)
      if (m == member) return w;
    return nullptr;
  }
  template <typename Control>
  typename WidgetFor<Control>::type* Get(Control MainWindowModel::*member) const {
    return static_cast<typename WidgetFor<Control>::type*>(Of(member));
  }

 private:
  std::vector<std::pair<ControlMember, QWidget*>> widgets_;
};

// The parts of the window that are not bound controls.
struct MainWindowParts {
  QTabWidget* tabs = nullptr;
  PictureBoxWidget* picture1 = nullptr;  // the label preview
  PictureBoxWidget* picture2 = nullptr;  // the clock
};

// Places the widgets on the three tabs and beside them, with the fixed captions, and makes
// the window's central widget. Adding a widget to the layout is what gives it its place in
// the tab order, so the order here is the order the user tabs through.
MainWindowParts LayOutMainWindow(QMainWindow& window, const ControlWidgets& widgets,
                                 const MainWindowModel& model);

}  // namespace vellomir
