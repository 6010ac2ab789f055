#include "gui/export.h"

#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <variant>

#include "platform/dot_grid.h"

namespace vellomir {

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
  auto include_box = [&r](const BoxOp& b) {
    r.Include(std::min(b.x, b.x + b.w), std::min(b.y, b.y + b.h), std::max(b.x, b.x + b.w) + 1,
              std::max(b.y, b.y + b.h) + 1);
  };
  for (const auto& op : surface.Ops()) {
    if (auto* b = std::get_if<BoxOp>(&op)) {
      include_box(*b);
    } else if (auto* s = std::get_if<SymbolOp>(&op)) {
      // On dots a symbol may come out wider than its units: take the wider of the two.
      for (const SymbolBox& box : s->bars.boxes) include_box(PlainBox(box));
      if (dots_per_inch > 0) {
        if (const auto dots = SymbolOnDots(s->bars, dots_per_inch)) {
          const double twips = 1440.0 / dots_per_inch;
          for (const DotBox& d : *dots)
            r.Include(double(d.left) * twips, double(d.top) * twips, double(d.right) * twips,
                      double(d.bottom) * twips);
        }
      }
    } else if (auto* t = std::get_if<TextOp>(&op)) {
      if (t->text.find_first_not_of(' ') == std::string::npos) continue;  // blanks show nothing
      r.Include(t->x, t->y, t->x + metrics.Width(t->text, t->font), t->y + metrics.Height(t->font));
    } else if (auto* p = std::get_if<PictureOp>(&op)) {
      r.Include(p->left, p->top, p->left + p->width, p->top + p->height);
    }
  }
  return r;
}

std::string ExportDrawing(const std::string& path, double width_twips, double height_twips,
                          double dpi, const std::function<void(QtSurface&)>& draw,
                          QPointF origin_twips) {
  const auto format = ExportFormatOf(path);
  if (!format) return "不支援的輸出格式: " + path + " (請用 .png, .svg 或 .pdf)";
  const int w_px = std::max(1, static_cast<int>(std::ceil(width_twips * dpi / 1440.0)));
  const int h_px = std::max(1, static_cast<int>(std::ceil(height_twips * dpi / 1440.0)));

  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) return "無法寫入檔案: " + path;

  bool painted = false;
  if (*format == ExportFormat::kPng) {
    if (static_cast<double>(w_px) * h_px > 400e6) return "圖太大, 請降低解析度: " + path;
    QImage img(w_px, h_px, QImage::Format_RGB32);
    const int dpm = static_cast<int>(dpi / 0.0254 + 0.5);
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    img.fill(Qt::white);
    {
      QPainter painter(&img);
      // The image's pixels are the dots: symbols are laid on them.
      QtSurface surface(painter, origin_twips, dpi);
      draw(surface);
    }
    painted = img.save(&file, "PNG");
  } else if (*format == ExportFormat::kSvg) {
    QSvgGenerator gen;
    gen.setOutputDevice(&file);
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
    QPdfWriter pdf(&file);
    pdf.setResolution(static_cast<int>(dpi));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setPageSize(QPageSize(QSizeF(width_twips / 20.0, height_twips / 20.0), QPageSize::Point,
                              QString(), QPageSize::ExactMatch));
    QPainter painter;
    if (painter.begin(&pdf)) {
      QtSurface surface(painter, origin_twips);
      draw(surface);
      painted = painter.end();
    }
  }
  if (!painted) {
    file.cancelWriting();
    return "無法寫入檔案: " + path;
  }
  if (!file.commit()) return "無法寫入檔案: " + path;
  return {};
}

}  // namespace vellomir
