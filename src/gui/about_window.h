#pragma once

#include <QWidget>

#include "gui/picture_box_widget.h"
#include "ui/about_box.h"

class QPushButton;

namespace vellomir {

// Form2 "About...": modeless, its centred lines drawn on its own surface; button_ok closes it.
class AboutWindow : public QWidget {
  Q_OBJECT

 public:
  explicit AboutWindow(QWidget* parent = nullptr);
  // Draws the lines again, as a click on the box does.
  void Redraw();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  AboutText text_;
  PictureBoxWidget* surface_ = nullptr;
  QPushButton* button_ok_ = nullptr;
};

}  // namespace vellomir
