#include "gui/qt_surface.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QPaintDevice>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <vector>
#include <cmath>

#include "platform/dot_grid.h"
#include "platform/file_system.h"

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

namespace {

// Keeps what Qt's image readers say while it lives: it is ours to tell, in our words.
class QuietImageReaders {
 public:
  QuietImageReaders() : previous_(qInstallMessageHandler(Keep)) { said().clear(); }
  ~QuietImageReaders() { qInstallMessageHandler(previous_); }
  QuietImageReaders(const QuietImageReaders&) = delete;
  QuietImageReaders& operator=(const QuietImageReaders&) = delete;
  static QStringList& said() {
    static QStringList lines;
    return lines;
  }

 private:
  static void Keep(QtMsgType, const QMessageLogContext&, const QString& text) {
    said().append(text);
  }
  QtMessageHandler previous_;
};

// libpng reports a broken file on standard error itself, past any message handler: while a
// picture is decoded, standard error goes nowhere.
class QuietStandardError {
 public:
  QuietStandardError() {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
    if (null >= 0) ::close(null);
  }
  ~QuietStandardError() {
    std::fflush(stderr);
    if (saved_ < 0) return;
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int saved_ = -1;
};

std::string PixelsText(const QSize& size) {
  return std::to_string(size.width()) + " x " + std::to_string(size.height()) + " 像素";
}

LoadedPicture DecodePicture(const std::string& path) {
  ReadProblem why = ReadProblem::kNone;
  const std::optional<std::string> bytes = ReadRegularFile(path, kMostPictureBytes, &why);
  if (!bytes) {
    switch (why) {
      case ReadProblem::kNotFound:
        return {{}, "找不到檔案"};
      case ReadProblem::kNotRegular:
        return {{}, "不是一般檔案"};
      case ReadProblem::kTooLarge:
        return {{}, "檔案超過 " + std::to_string(kMostPictureBytes / 1024 / 1024) + " MB"};
      default:
        return {{}, "無法讀取檔案"};
    }
  }
  QByteArray data(bytes->data(), static_cast<qsizetype>(bytes->size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QuietImageReaders quiet;
  QuietStandardError quiet_libraries;
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  auto too_many = [](const QSize& s) {
    return static_cast<std::int64_t>(s.width()) * s.height() > kMostPicturePixels;
  };
  if (size.isValid() && too_many(size))
    return {
        {},
        "圖太大 (" + PixelsText(size) + ",最多 " + std::to_string(kMostPicturePixels) + " 像素)"};
  QImage image = reader.read();
  if (image.isNull())
    return {{},
            reader.error() == QImageReader::UnsupportedFormatError ? "不是看得懂的圖檔"
                                                                   : "檔案不完整或已損壞"};
  if (too_many(image.size())) return {{}, "圖太大 (" + PixelsText(image.size()) + ")"};
  // A JPEG cut short decodes with its missing part grey; the reader only says so in words.
  for (const QString& line : QuietImageReaders::said())
    if (line.contains("Premature end", Qt::CaseInsensitive) ||
        line.contains("Corrupt", Qt::CaseInsensitive))
      return {{}, "檔案不完整或已損壞"};
  return {image, ""};
}

}  // namespace

LoadedPicture LoadPictureFile(const std::string& path) {
  struct Kept {
    std::string path;
    struct stat st;
    LoadedPicture picture;
  };
  static std::vector<Kept> kept;  // newest last
  constexpr std::size_t kKept = 8;
  // A few large pictures must not stay in memory for the rest of the run.
  constexpr std::int64_t kKeptPixels = 50'000'000;
  struct stat st {};
  const bool known = ::stat(path.c_str(), &st) == 0;
  auto same = [&](const struct stat& a) {
    return a.st_ino == st.st_ino && a.st_dev == st.st_dev && a.st_size == st.st_size &&
           a.st_mtim.tv_sec == st.st_mtim.tv_sec && a.st_mtim.tv_nsec == st.st_mtim.tv_nsec;
  };
  for (auto k = kept.begin(); k != kept.end(); ++k)
    if (known && k->path == path && same(k->st)) return k->picture;
  LoadedPicture picture = DecodePicture(path);
  if (known) {
    std::erase_if(kept, [&](const Kept& k) { return k.path == path; });
    if (kept.size() == kKept) kept.erase(kept.begin());
    kept.push_back({path, st, picture});
    auto pixels = [&] {
      std::int64_t n = 0;
      for (const Kept& k : kept)
        n += std::int64_t{k.picture.image.width()} * k.picture.image.height();
      return n;
    };
    while (kept.size() > 1 && pixels() > kKeptPixels) kept.erase(kept.begin());
  }
  return picture;
}

std::optional<PictureSize> QtPictureProbe::NaturalSize(const std::string& path) const {
  const LoadedPicture picture = LoadPictureFile(path);
  if (picture.image.isNull()) return std::nullopt;
  return PictureSize{double(picture.image.width()), double(picture.image.height())};
}

std::string QtPictureProbe::Problem(const std::string& path) const {
  return LoadPictureFile(path).problem;
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
  const QImage img = LoadPictureFile(path).image;
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
