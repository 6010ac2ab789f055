#include "gui/pdf_document.h"

#include <QBuffer>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "gui/qt_surface.h"

namespace vellomir {

namespace {

// Twips map one to one onto the PDF's device units.
constexpr int kPdfResolution = 1440;
constexpr double kTwipsPerMm = 1440.0 / 25.4;

class QtPdfDocument : public PdfDocument {
 public:
  QtPdfDocument(const PdfPageSetup& page, ByteSink& sink) : sink_(sink) {
    buffer_.open(QIODevice::WriteOnly);
    writer_ = std::make_unique<QPdfWriter>(&buffer_);
    writer_->setCreator("Vellomir");
    writer_->setResolution(kPdfResolution);
    // The paper exactly as the printer names it: no snapping to a nearby standard size.
    writer_->setPageLayout(
        QPageLayout(QPageSize(QSizeF(page.width_mm, page.height_mm), QPageSize::Millimeter,
                              QString(), QPageSize::ExactMatch),
                    QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    if (!painter_.begin(writer_.get())) return;
    // The printer's dots per inch (page.dpi) is what a dot-aligned surface would be given here.
    surface_ = std::make_unique<QtSurface>(
        painter_, QPointF(page.origin_x_mm * kTwipsPerMm, page.origin_y_mm * kTwipsPerMm));
  }

  bool Started() const { return surface_ != nullptr; }

  DrawingSurface& Surface() override { return *surface_; }
  bool NewPage() override { return writer_->newPage(); }
  bool Finish() override {
    surface_.reset();
    if (!painter_.end()) return false;
    writer_.reset();
    const QByteArray& bytes = buffer_.data();
    return sink_.Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  }

 private:
  ByteSink& sink_;
  QBuffer buffer_;
  std::unique_ptr<QPdfWriter> writer_;
  QPainter painter_;
  std::unique_ptr<QtSurface> surface_;
};

}  // namespace

std::unique_ptr<PdfDocument> MakeQtPdfDocument(const PdfPageSetup& page, ByteSink& sink) {
  auto document = std::make_unique<QtPdfDocument>(page, sink);
  if (!document->Started()) return nullptr;
  return document;
}

}  // namespace vellomir
