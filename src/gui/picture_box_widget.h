#pragma once

#include <QWidget>
#include <cstdint>

#include "output/qt_surface.h"
#include "platform/recording_surface.h"

namespace vellomir {

// A picture box: the program draws into its display list in twips, and the widget replays
// the list at the screen's resolution, at the scale of paper.
class PictureBoxWidget : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBoxWidget(QWidget* parent = nullptr);

  RecordingSurface& Surface() { return surface_; }
  // Size in twips, as the model's picture box holds it; shown at the zoom.
  void SetSizeTwips(int width, int height);
  // The dots symbols are laid on (0: exact units) and the magnification; a label preview also
  // draws its outline.
  void SetDotsPerInch(double dots_per_inch);
  void SetZoom(double zoom);
  void SetOutlined(bool outlined) { outlined_ = outlined; }
  // Draws the widget again if its display list changed since it was last drawn: a window that
  // shows the same thing costs nothing.
  void Refresh();
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
  int width_twips_ = 0;
  int height_twips_ = 0;
  double zoom_ = 1;
  bool outlined_ = false;
  std::uint64_t painted_ = ~std::uint64_t{0};  // the list's Changes() when last drawn
};

}  // namespace vellomir
