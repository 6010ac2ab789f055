#include "gui/picture_box_widget.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>

namespace vellomir {

namespace {

double ScreenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

}  // namespace

PictureBoxWidget::PictureBoxWidget(QWidget* parent)
    : QWidget(parent), metrics_(ScreenDpi()), surface_(metrics_, &pictures_) {
  setAutoFillBackground(false);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

double PictureBoxWidget::TwipsPerPixelX() const { return 1440.0 / logicalDpiX(); }
double PictureBoxWidget::TwipsPerPixelY() const { return 1440.0 / logicalDpiY(); }

void PictureBoxWidget::SetSizeTwips(int width, int height) {
  const QSize size(std::max(1, static_cast<int>(std::lround(width / TwipsPerPixelX()))),
                   std::max(1, static_cast<int>(std::lround(height / TwipsPerPixelY()))));
  if (size != this->size()) setFixedSize(size);
  update();
}

void PictureBoxWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  QtSurface target(painter);
  surface_.ReplayOnto(target);
}

void PictureBoxWidget::mousePressEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  emit Pressed(p.x() * TwipsPerPixelX(), p.y() * TwipsPerPixelY());
}

}  // namespace vellomir
