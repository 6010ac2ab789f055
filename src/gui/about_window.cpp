#include "gui/about_window.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace vellomir {

AboutWindow::AboutWindow(QWidget* parent) : QWidget(parent, Qt::Window), text_(FillAboutText()) {
  setObjectName("Form2");
  setWindowTitle(QString::fromUtf8(kAboutCaption.data(), int(kAboutCaption.size())));
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* layout = new QVBoxLayout(this);
  surface_ = new PictureBoxWidget(this);
  surface_->setObjectName("Form2Surface");
  surface_->SetSizeTwips(6600, 4200);
  layout->addWidget(surface_);
  button_ok_ =
      new QPushButton(QString::fromUtf8(kAboutOkCaption.data(), int(kAboutOkCaption.size())), this);
  button_ok_->setObjectName("button_ok");
  layout->addWidget(button_ok_, 0, Qt::AlignHCenter);
  connect(button_ok_, &QPushButton::clicked, this, &QWidget::close);
  connect(surface_, &PictureBoxWidget::Pressed, this, [this](double, double) { Redraw(); });
}

void AboutWindow::Redraw() {
  RecordingSurface& s = surface_->Surface();
  DrawAboutText(text_, s, surface_->width() * surface_->TwipsPerPixelX());
  surface_->update();
}

void AboutWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The button takes the focus when the box is shown, and that draws the text.
  button_ok_->setFocus();
  Redraw();
}

}  // namespace vellomir
