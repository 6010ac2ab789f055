#include "gui/picture_box_widget.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
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

double PictureBoxWidget::TwipsPerPixelX() const { return 1440.0 / logicalDpiX() / zoom_; }
double PictureBoxWidget::TwipsPerPixelY() const { return 1440.0 / logicalDpiY() / zoom_; }

void PictureBoxWidget::Refresh() {
  if (surface_.Changes() != painted_) update();
}

void PictureBoxWidget::SetSizeTwips(int width, int height) {
  const bool same = width == width_twips_ && height == height_twips_;
  width_twips_ = width;
  height_twips_ = height;
  // One pixel more for the outline along the label's far edges.
  const int extra = outlined_ ? 1 : 0;
  const QSize size(std::max(1, static_cast<int>(std::lround(width / TwipsPerPixelX())) + extra),
                   std::max(1, static_cast<int>(std::lround(height / TwipsPerPixelY())) + extra));
  if (size != this->size()) setFixedSize(size);
  if (!same) update();
}

void PictureBoxWidget::SetDotsPerInch(double dots_per_inch) {
  if (dots_per_inch == surface_.DotsPerInch()) return;
  surface_.SetDotsPerInch(dots_per_inch);
  update();
}

void PictureBoxWidget::SetZoom(double zoom) {
  if (!(zoom > 0) || zoom == zoom_) return;
  zoom_ = zoom;
  SetSizeTwips(width_twips_, height_twips_);
  update();
}

void PictureBoxWidget::paintEvent(QPaintEvent*) {
  painted_ = surface_.Changes();
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.save();
  painter.scale(zoom_, zoom_);
  // Symbols land on the chosen printer's dots, so they are as wide as they print.
  QtSurface target(painter, {0, 0}, surface_.DotsPerInch());
  surface_.ReplayOnto(target);
  painter.restore();
  if (outlined_) {
    painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void PictureBoxWidget::mousePressEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  emit Pressed(p.x() * TwipsPerPixelX(), p.y() * TwipsPerPixelY());
}

}  // namespace vellomir
