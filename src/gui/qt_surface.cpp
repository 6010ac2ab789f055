#include "gui/qt_surface.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>

#include "platform/dot_grid.h"

namespace vellomir {

namespace {

constexpr double kTwipsPerInch = 1440.0;

QColor PaletteColour(int colour) { return colour == kWhite ? Qt::white : Qt::black; }

}  // namespace

QImage WhiteImageAt(int width, int height, double dpi, QImage::Format format) {
  QImage img(width, height, format);
  if (img.isNull()) return img;
  const int dpm = static_cast<int>(dpi / 0.0254 + 0.5);
  img.setDotsPerMeterX(dpm);
  img.setDotsPerMeterY(dpm);
  img.fill(Qt::white);
  return img;
}

void InstallFontSubstitutions() {
  QFont::insertSubstitution("Courier New", "Liberation Mono");
  QFont::insertSubstitution("Arial", "Liberation Sans");
  QFont::insertSubstitution("Times New Roman", "Liberation Serif");
  const QStringList ming = {"AR PL UMing TW", "AR PL UMing HK", "AR PL UMing CN"};
  QFont::insertSubstitutions(QString::fromUtf8("細明體"), ming);
  QFont::insertSubstitutions(QString::fromUtf8("新細明體"), ming);
  QFont::insertSubstitutions("MingLiU", ming);
  QFont::insertSubstitutions("PMingLiU", ming);
}

QFont ToQFont(const FontState& font) {
  QFont f(QString::fromStdString(font.name));
  if (font.size > 0) f.setPointSizeF(font.size);
  f.setBold(font.bold);
  f.setItalic(font.italic);
  return f;
}

QtTextMetrics::QtTextMetrics(double dpi) : dpi_(dpi), device_(WhiteImageAt(1, 1, dpi)) {}

double QtTextMetrics::Width(const std::string& text, const FontState& font) const {
  QFontMetricsF fm(ToQFont(font), &device_);
  return fm.horizontalAdvance(QString::fromStdString(text)) * kTwipsPerInch / dpi_;
}

double QtTextMetrics::Height(const FontState& font) const {
  QFontMetricsF fm(ToQFont(font), &device_);
  return fm.height() * kTwipsPerInch / dpi_;
}

std::optional<PictureSize> QtPictureProbe::NaturalSize(const std::string& path) const {
  QImageReader reader(QString::fromStdString(path));
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty()) {
    // Some formats only know their size once read.
    QImage img = reader.read();
    if (img.isNull()) return std::nullopt;
    return PictureSize{double(img.width()), double(img.height())};
  }
  if (!reader.canRead()) return std::nullopt;
  return PictureSize{double(size.width()), double(size.height())};
}

QtSurface::QtSurface(QPainter& painter, QPointF origin_twips, double dots_per_inch)
    : painter_(painter), origin_(origin_twips), dots_per_inch_(dots_per_inch) {}

double QtSurface::dpi_x() const { return painter_.device()->logicalDpiX(); }
double QtSurface::dpi_y() const { return painter_.device()->logicalDpiY(); }

QPointF QtSurface::ToDevice(double x, double y) const {
  return QPointF((x + origin_.x()) * dpi_x() / kTwipsPerInch,
                 (y + origin_.y()) * dpi_y() / kTwipsPerInch);
}

std::optional<PictureSize> QtSurface::LoadPicture(const std::string& path) {
  return QtPictureProbe().NaturalSize(path);
}

void QtSurface::DrawPicture(const std::string& path, double left, double top, double width,
                            double height) {
  QImage img(QString::fromStdString(path));
  if (img.isNull()) return;
  const QRectF target(ToDevice(left, top), ToDevice(left + width, top + height));
  painter_.save();
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter_.drawImage(target.normalized(), img);
  painter_.restore();
}

void QtSurface::FillBox(double x, double y, double w, double h, int colour) {
  // The box covers its far edge: extent w spans w + 1 twips, as the original platform drew.
  const double x1 = w >= 0 ? x + w + 1 : x + 1;
  const double x0 = w >= 0 ? x : x + w;
  const double y1 = h >= 0 ? y + h + 1 : y + 1;
  const double y0 = h >= 0 ? y : y + h;
  QRectF rect(ToDevice(x0, y0), ToDevice(x1, y1));
  if (fill_touched_) {
    // Ink takes every pixel it touches; white (which a PDF holds only over ink) takes only the
    // pixels it covers whole, so the space between two bars never eats into them.
    constexpr double kHair = 1e-6;  // an edge on a pixel's border touches only one side
    const double grow = colour == kWhite ? -1 : 1;
    auto out_low = [&](double v) {
      return grow > 0 ? std::floor(v + kHair) : std::ceil(v - kHair);
    };
    auto out_high = [&](double v) {
      return grow > 0 ? std::ceil(v - kHair) : std::floor(v + kHair);
    };
    rect = QRectF(QPointF(out_low(rect.left()), out_low(rect.top())),
                  QPointF(out_high(rect.right()), out_high(rect.bottom())));
  }
  painter_.save();
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.fillRect(rect, PaletteColour(colour));
  painter_.restore();
}

DrawingSurface::DeviceDots QtSurface::DotsOfDevice() const {
  return {dots_per_inch_, origin_.x(), origin_.y()};
}

void QtSurface::FillDots(const std::vector<DotBox>& boxes, double dots_per_inch) {
  // Device units per dot: 1 on an image of that resolution, 1440/dpi on a 1440-unit PDF page.
  const double kx = dpi_x() / dots_per_inch;
  const double ky = dpi_y() / dots_per_inch;
  painter_.save();
  painter_.setRenderHint(QPainter::Antialiasing, false);
  for (const DotBox& d : boxes) {
    const QRectF rect(QPointF(double(d.left) * kx, double(d.top) * ky),
                      QPointF(double(d.right) * kx, double(d.bottom) * ky));
    painter_.fillRect(rect, PaletteColour(d.colour));
  }
  painter_.restore();
}

void QtSurface::DrawText(double x, double y, const std::string& text, const FontState& font) {
  const QFont f = ToQFont(font);
  painter_.save();
  painter_.setRenderHint(QPainter::TextAntialiasing, true);
  painter_.setFont(f);
  painter_.setPen(Qt::black);
  QFontMetricsF fm(f, painter_.device());
  const QPointF top_left = ToDevice(x, y);
  const QPointF baseline(top_left.x(), top_left.y() + fm.ascent());
  const QString qtext = QString::fromStdString(text);
  painter_.drawText(baseline, qtext);
  // Faces with a single weight (the Ming face among them) have no bold to pick: strike the
  // text again a little to the right, as the original platform emboldened such faces.
  if (font.bold && !QFontInfo(f).bold()) {
    const double shift = std::max(1.0, fm.height() / 30.0);
    painter_.drawText(baseline + QPointF(shift, 0), qtext);
  }
  painter_.restore();
}

double QtSurface::TextWidth(const std::string& text, const FontState& font) {
  QFontMetricsF fm(ToQFont(font), painter_.device());
  return fm.horizontalAdvance(QString::fromStdString(text)) * kTwipsPerInch / dpi_x();
}

double QtSurface::LineHeight(const FontState& font) {
  QFontMetricsF fm(ToQFont(font), painter_.device());
  return fm.height() * kTwipsPerInch / dpi_y();
}

void QtSurface::Erase() {
  const QRect all(0, 0, painter_.device()->width(), painter_.device()->height());
  painter_.fillRect(all, Qt::white);
}

void QtSurface::ReplayBox(const BoxOp& op) { FillBox(op.x, op.y, op.w, op.h, op.colour); }
void QtSurface::ReplayText(const TextOp& op) { DrawText(op.x, op.y, op.text, op.font); }
void QtSurface::ReplayPicture(const PictureOp& op) {
  DrawPicture(op.path, op.left, op.top, op.width, op.height);
}
void QtSurface::ReplayClear() { Erase(); }
void QtSurface::ReplayBars(const SymbolOp& op) { FillBars(op.bars); }

}  // namespace vellomir
