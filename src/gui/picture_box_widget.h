#pragma once

#include <QWidget>

#include "gui/qt_surface.h"
#include "platform/recording_surface.h"

namespace vellomir {

// A picture box: the program draws into its display list in twips, and the widget replays
// the list at the screen's resolution, at the scale of paper.
class PictureBoxWidget : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBoxWidget(QWidget* parent = nullptr);

  RecordingSurface& Surface() { return surface_; }
  // Size in twips, as the model's picture box holds it.
  void SetSizeTwips(int width, int height);
  double TwipsPerPixelX() const;
  double TwipsPerPixelY() const;

 signals:
  void Pressed(double x_twips, double y_twips);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QtTextMetrics metrics_;
  QtPictureProbe pictures_;
  RecordingSurface surface_;
};

}  // namespace vellomir
