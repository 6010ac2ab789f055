#include "output/export.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <variant>

#include "output/pdf_surface.h"
#include "platform/dot_grid.h"
#include "platform/output_file.h"
#include "render/symbol_check.h"

namespace vellomir {

namespace {

int PixelsOf(double twips, double dpi) {
  return std::max(1, static_cast<int>(std::ceil(twips * dpi / 1440.0)));
}

}  // namespace

double CappedDpi(double width_twips, double height_twips, double dpi) {
  const double pixels =
      static_cast<double>(PixelsOf(width_twips, dpi)) * PixelsOf(height_twips, dpi);
  if (pixels <= kMaxExportPixels) return dpi;
  // Lower in small steps until the rounded-up size fits, whatever the rounding did.
  double scaled = std::floor(dpi * std::sqrt(kMaxExportPixels / pixels));
  while (scaled > 1 &&
         static_cast<double>(PixelsOf(width_twips, scaled)) * PixelsOf(height_twips, scaled) >
             kMaxExportPixels)
    scaled -= 1;
  return std::max(1.0, scaled);
}

std::optional<ExportFormat> ExportFormatOf(const std::string& path) {
  const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
  if (suffix == "png") return ExportFormat::kPng;
  if (suffix == "svg") return ExportFormat::kSvg;
  if (suffix == "pdf") return ExportFormat::kPdf;
  return std::nullopt;
}

void TwipRect::Include(double l, double t, double r, double b) {
  if (empty) {
    left = l, top = t, right = r, bottom = b;
    empty = false;
    return;
  }
  left = std::min(left, l);
  top = std::min(top, t);
  right = std::max(right, r);
  bottom = std::max(bottom, b);
}

TwipRect RecordedExtent(const RecordingSurface& surface, const TextMetrics& metrics,
                        double dots_per_inch) {
  TwipRect r;
  if (const auto a = DrawnArea(surface, metrics, dots_per_inch))
    r.Include(a->left, a->top, a->right, a->bottom);
  return r;
}

std::string ExportDrawing(const std::string& path, double width_twips, double height_twips,
                          double dpi, const std::function<void(DrawingSurface&)>& draw,
                          QPointF origin_twips, std::string* note) {
  const auto format = ExportFormatOf(path);
  if (!format) return "不支援的輸出格式: " + path + " (請用 .png, .svg 或 .pdf)";
  // Told before anything is drawn: a FIFO, device or read-only file is never replaced.
  if (std::string why = CheckOutputTarget(path); !why.empty()) return why;

  // The picture is drawn whole in memory, then written through the one checked output, so a
  // full disk is an error and never a cut file.
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  bool painted = false;
  if (*format == ExportFormat::kPng) {
    const double used_dpi = CappedDpi(width_twips, height_twips, dpi);
    if (used_dpi < dpi && note != nullptr) {
      char text[160];
      std::snprintf(text, sizeof text, "圖太大, 解析度由 %.0f dpi 降為 %.0f dpi (最多 %.0f 萬像素)",
                    dpi, used_dpi, kMaxExportPixels / 1e4);
      *note = text;
    }
    const int w_px = PixelsOf(width_twips, used_dpi);
    const int h_px = PixelsOf(height_twips, used_dpi);
    QImage img = WhiteImageAt(w_px, h_px, used_dpi);
    if (img.isNull()) return "記憶體不足, 畫不出這張圖: " + path;
    {
      QPainter painter(&img);
      // The image's pixels are the dots: symbols are laid on them.
      QtSurface surface(painter, origin_twips, used_dpi);
      draw(surface);
    }
    painted = img.save(&buffer, "PNG");
  } else if (*format == ExportFormat::kSvg) {
    const int w_px = PixelsOf(width_twips, dpi);
    const int h_px = PixelsOf(height_twips, dpi);
    QSvgGenerator gen;
    gen.setOutputDevice(&buffer);
    gen.setResolution(static_cast<int>(dpi));
    gen.setSize(QSize(w_px, h_px));
    gen.setViewBox(QRect(0, 0, w_px, h_px));
    QPainter painter;
    if (painter.begin(&gen)) {
      painter.fillRect(QRect(0, 0, w_px, h_px), Qt::white);
      QtSurface surface(painter, origin_twips);
      draw(surface);
      painted = painter.end();
    }
  } else {
    // The program's own PDF writer, as the print run uses: bars as filled rectangles, text in
    // embedded font subsets.
    StringSink sink;
    PdfSurface pdf(sink, width_twips / 20.0, height_twips / 20.0, origin_twips.x(),
                   origin_twips.y());
    draw(pdf);
    if (!pdf.Finish()) return "無法寫入檔案: " + path + " (" + pdf.Error() + ")";
    return WriteWholeFile(path, sink.bytes);
  }
  buffer.close();
  if (!painted || bytes.isEmpty()) return "無法寫入檔案: " + path;
  return WriteWholeFile(path,
                        std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace vellomir
