#include "output/qt_surface.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>

#include <QFile>
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

std::int64_t Pixels(const QSize& s) { return std::int64_t{s.width()} * s.height(); }

// Reads a PNG from `file` row by row and averages each box of source pixels into one pixel of
// `out` (already of the size wanted): memory for a few rows, whatever the picture's size.
// Returns false when libpng cannot read it; interlaced files are left to Qt.
struct PngRows {
  QIODevice* file = nullptr;
  QImage out;
  std::vector<unsigned char> row;
  std::vector<std::uint64_t> sums;        // per output pixel and channel, of the rows gathered
  std::vector<int> column_of;             // source column -> output column
  std::vector<std::uint32_t> columns_in;  // source columns per output column
};

void PngRead(png_structp png, png_bytep data, png_size_t length) {
  auto* rows = static_cast<PngRows*>(png_get_io_ptr(png));
  if (rows->file->read(reinterpret_cast<char*>(data), static_cast<qint64>(length)) !=
      static_cast<qint64>(length))
    png_error(png, "short");
}

void PngError(png_structp png, png_const_charp) { longjmp(png_jmpbuf(png), 1); }
void PngWarning(png_structp, png_const_charp) {}

// Only plain data and libpng's own calls between setjmp and a jump back: nothing to unwind.
bool ReadPngScaled(PngRows& rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    return false;
  }
  png_set_read_fn(png, &rows, PngRead);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) png_error(png, "interlaced");
  // The chunks' own checksums still guard the data; the stream's second one costs a tenth.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
  const bool alpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 ||
                     png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  rows.out = QImage(rows.out.size(), alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
  if (rows.out.isNull()) png_error(png, "memory");
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_read_update_info(png, info);
  const int channels = alpha ? 4 : 3;
  if (png_get_rowbytes(png, info) != std::size_t{width} * channels) png_error(png, "layout");
  const int out_w = rows.out.width(), out_h = rows.out.height();
  rows.row.resize(std::size_t{width} * channels);
  rows.sums.assign(std::size_t(out_w) * 4, 0);
  rows.column_of.resize(width);
  rows.columns_in.assign(std::size_t(out_w), 0);
  for (png_uint_32 x = 0; x < width; ++x) {
    rows.column_of[x] = static_cast<int>(std::uint64_t{x} * out_w / width);
    ++rows.columns_in[std::size_t(rows.column_of[x])];
  }
  int out_y = 0;
  std::uint32_t rows_in = 0;
  for (png_uint_32 y = 0; y < height; ++y) {
    png_read_row(png, rows.row.data(), nullptr);
    const unsigned char* p = rows.row.data();
    std::uint64_t* sums = rows.sums.data();
    const int* column = rows.column_of.data();
    // Colour weighted by its opacity, so transparent pixels lend no colour to their box.
    if (alpha) {
      for (png_uint_32 x = 0; x < width; ++x, p += 4) {
        std::uint64_t* s = sums + std::size_t(column[x]) * 4;
        const std::uint32_t a = p[3];
        s[0] += p[0] * a, s[1] += p[1] * a, s[2] += p[2] * a, s[3] += a;
      }
    } else {
      for (png_uint_32 x = 0; x < width; ++x, p += 3) {
        std::uint64_t* s = sums + std::size_t(column[x]) * 4;
        s[0] += p[0], s[1] += p[1], s[2] += p[2];
      }
    }
    ++rows_in;
    const int next_y = static_cast<int>(std::uint64_t{y + 1} * out_h / height);
    if (next_y == out_y && y + 1 != height) continue;
    auto* line = rows.out.scanLine(out_y);
    for (int x = 0; x < out_w; ++x) {
      const std::uint64_t* s = sums + std::size_t(x) * 4;
      const std::uint64_t n = std::uint64_t{rows.columns_in[std::size_t(x)]} * rows_in;
      const std::uint64_t weight = alpha ? s[3] : n;
      for (int c = 0; c < 3; ++c)
        line[x * 4 + c] =
            static_cast<unsigned char>(weight == 0 ? 0 : (s[c] + weight / 2) / weight);
      line[x * 4 + 3] =
          alpha ? static_cast<unsigned char>(n == 0 ? 0 : (s[3] + n / 2) / n) : 255;
    }
    std::fill(rows.sums.begin(), rows.sums.end(), 0);
    rows_in = 0;
    out_y = next_y;
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// Opens a picture file without blocking and checks it is a regular file of a sane size.
std::string OpenPictureFile(const std::string& path, QFile& file) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? "找不到檔案" : "無法讀取檔案";
  struct stat st {};
  std::string problem;
  if (::fstat(fd, &st) != 0)
    problem = "無法讀取檔案";
  else if (!S_ISREG(st.st_mode))
    problem = "不是一般檔案";
  else if (static_cast<std::uint64_t>(st.st_size) > kMostPictureFileBytes)
    problem = "檔案超過 " + std::to_string(kMostPictureFileBytes / 1024 / 1024) + " MB";
  else if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    problem = "無法讀取檔案";
  else
    return "";
  ::close(fd);
  return problem;
}

LoadedPicture DecodePicture(const std::string& path, QSize most) {
  QFile file;
  if (std::string problem = OpenPictureFile(path, file); !problem.empty()) return {{}, {}, problem};
  // Formats Qt cannot read scaled (and interlaced PNG) are read whole first, up to 1 GiB.
  constexpr std::int64_t kMostWholePixels = 256'000'000;
  static const bool allowed = [] {
    QImageReader::setAllocationLimit(static_cast<int>(kMostWholePixels * 4 / 1024 / 1024));
    return true;
  }();
  (void)allowed;
  QuietImageReaders quiet;
  QuietStandardError quiet_libraries;
  QImageReader reader(&file);
  const QSize natural = reader.size();
  if (natural.isValid() && Pixels(natural) > kMostPictureSourcePixels)
    return {{},
            {},
            "圖太大 (" + PixelsText(natural) + ",最多 " +
                std::to_string(kMostPictureSourcePixels) + " 像素)"};
  const QSize want = natural.isValid() ? PictureLoadSize(natural, most) : QSize();
  QImage image;
  bool read = false;
  if (want.isValid() && want != natural && reader.format() == "png") {
    PngRows rows;
    rows.file = &file;
    rows.out = QImage(want, QImage::Format_RGBA8888);  // made opaque if the file is
    if (!rows.out.isNull() && file.seek(0)) {
      read = ReadPngScaled(rows);
      if (read) image = std::move(rows.out);
    }
    if (!read) {
      // Not one for rows (interlaced): from the start, through Qt.
      file.seek(0);
      reader.setDevice(&file);
    }
  }
  if (!read) {
    if (want.isValid() && want != natural) reader.setScaledSize(want);
    image = reader.read();
    if (image.isNull() && natural.isValid() && Pixels(natural) > kMostWholePixels)
      return {{},
              {},
              "圖太大 (" + PixelsText(natural) + ",這種圖檔最多 " +
                  std::to_string(kMostWholePixels) + " 像素)"};
    if (image.isNull())
      return {{},
              {},
              reader.error() == QImageReader::UnsupportedFormatError ? "不是看得懂的圖檔"
                                                                     : "檔案不完整或已損壞"};
  }
  // A picture whose header tells no size is known by what it decoded to.
  const QSize size = natural.isValid() ? natural : image.size();
  if (const QSize fit = PictureLoadSize(size, most); image.size() != fit)
    image = image.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  // A JPEG cut short decodes with its missing part grey; the reader only says so in words.
  for (const QString& line : QuietImageReaders::said())
    if (line.contains("Premature end", Qt::CaseInsensitive) ||
        line.contains("Corrupt", Qt::CaseInsensitive))
      return {{}, {}, "檔案不完整或已損壞"};
  return {image, size, ""};
}

}  // namespace

QSize PictureLoadSize(QSize natural, QSize most) {
  if (natural.isEmpty()) return natural;
  QSize size = most.isEmpty() ? natural : natural.boundedTo(most.expandedTo({1, 1}));
  const std::int64_t limit =
      std::min<std::int64_t>(kMostPicturePixels, kMostPictureBytes / 4);  // 4 bytes a pixel
  if (Pixels(size) > limit) {
    const double k = std::sqrt(double(limit) / double(Pixels(size)));
    size = QSize(std::max(1, int(size.width() * k)), std::max(1, int(size.height() * k)));
  }
  return size;
}

LoadedPicture LoadPictureFile(const std::string& path, QSize most) {
  struct Kept {
    std::string path;
    struct stat st;
    LoadedPicture picture;
  };
  static std::vector<Kept> kept;  // newest last
  constexpr std::size_t kKept = 8;
  // A few large pictures must not stay in memory for the rest of the run.
  constexpr std::int64_t kKeptPixels = 24'000'000;
  struct stat st {};
  const bool known = ::stat(path.c_str(), &st) == 0;
  auto same = [&](const struct stat& a) {
    return a.st_ino == st.st_ino && a.st_dev == st.st_dev && a.st_size == st.st_size &&
           a.st_mtim.tv_sec == st.st_mtim.tv_sec && a.st_mtim.tv_nsec == st.st_mtim.tv_nsec;
  };
  auto keep = [&](const LoadedPicture& picture) {
    if (!known) return;
    if (kept.size() == kKept) kept.erase(kept.begin());
    kept.push_back({path, st, picture});
    auto pixels = [&] {
      std::int64_t n = 0;
      for (const Kept& k : kept) n += Pixels(k.picture.image.size());
      return n;
    };
    while (kept.size() > 1 && pixels() > kKeptPixels) kept.erase(kept.begin());
  };
  if (known) {
    std::erase_if(kept, [&](const Kept& k) { return k.path == path && !same(k.st); });
    // The same size, or the smallest kept that is at least as large, scaled down.
    const Kept* from = nullptr;
    for (const Kept& k : kept) {
      if (k.path != path) continue;
      if (!k.picture.problem.empty()) return k.picture;
      const QSize want = PictureLoadSize(k.picture.natural, most);
      const QSize has = k.picture.image.size();
      if (has == want) return k.picture;
      if (has.width() >= want.width() && has.height() >= want.height() &&
          (from == nullptr || Pixels(has) < Pixels(from->picture.image.size())))
        from = &k;
    }
    if (from != nullptr) {
      LoadedPicture picture = from->picture;
      picture.image = picture.image.scaled(PictureLoadSize(picture.natural, most),
                                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      keep(picture);
      return picture;
    }
  }
  LoadedPicture picture = DecodePicture(path, most);
  keep(picture);
  return picture;
}

namespace {

// What the renderer asks of a picture (its size, whether it loads) is read at no more than
// this many pixels a side: a file as large as it may be is read once, small, and drawn from
// that wherever it is shown at most this size.
constexpr int kProbeSide = 1024;

}  // namespace

std::optional<PictureSize> QtPictureProbe::NaturalSize(const std::string& path) const {
  const LoadedPicture picture = LoadPictureFile(path, {kProbeSide, kProbeSide});
  if (picture.image.isNull()) return std::nullopt;
  return PictureSize{double(picture.natural.width()), double(picture.natural.height())};
}

std::string QtPictureProbe::Problem(const std::string& path) const {
  return LoadPictureFile(path, {kProbeSide, kProbeSide}).problem;
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
  const QRectF target =
      QRectF(ToDevice(left, top), ToDevice(left + width, top + height)).normalized();
  // On pixels (the screen, an image, a printer's raster) the picture is loaded at the pixels it
  // covers there; a device of drawing commands (SVG) gets all the file holds.
  QSize most;
  const int type = painter_.device()->devType();
  if (type == QInternal::Widget || type == QInternal::Image || type == QInternal::Pixmap ||
      type == QInternal::Printer) {
    const QRectF pixels = painter_.combinedTransform().mapRect(target);
    const double ratio = painter_.device()->devicePixelRatioF();
    most = QSize(std::max(1, int(std::ceil(pixels.width() * ratio))),
                 std::max(1, int(std::ceil(pixels.height() * ratio))));
  }
  const QImage img = LoadPictureFile(path, most).image;
  if (img.isNull()) return;
  painter_.save();
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter_.drawImage(target, img);
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
