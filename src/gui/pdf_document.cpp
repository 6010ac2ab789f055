#include "gui/pdf_document.h"

#include "gui/pdf_surface.h"

namespace vellomir {

namespace {

constexpr double kTwipsPerMm = 1440.0 / 25.4;
constexpr double kPointsPerMm = 72.0 / 25.4;

class WriterPdfDocument : public PdfDocument {
 public:
  WriterPdfDocument(const PdfPageSetup& page, ByteSink& sink)
      : surface_(sink, page.width_mm * kPointsPerMm, page.height_mm * kPointsPerMm,
                 page.origin_x_mm * kTwipsPerMm, page.origin_y_mm * kTwipsPerMm) {
    // Symbols on the printer's own dots, as its driver would lay them.
    surface_.SetDotsPerInch(page.dpi);
  }

  DrawingSurface& Surface() override { return surface_; }
  bool NewPage() override { return surface_.NewPage(); }
  bool Finish() override { return surface_.Finish(); }

 private:
  PdfSurface surface_;
};

}  // namespace

std::unique_ptr<PdfDocument> MakePdfDocument(const PdfPageSetup& page, ByteSink& sink) {
  return std::make_unique<WriterPdfDocument>(page, sink);
}

}  // namespace vellomir
