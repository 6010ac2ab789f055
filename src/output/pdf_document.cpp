#include "output/pdf_document.h"

#include "output/pdf_surface.h"

namespace vellomir {

namespace {

constexpr double kTwipsPerPoint = 20;

class WriterPdfDocument : public PdfDocument {
 public:
  WriterPdfDocument(const PdfPageSetup& page, ByteSink& sink)
      : surface_(sink, page.width_pt, page.height_pt, page.origin_x_pt * kTwipsPerPoint,
                 page.origin_y_pt * kTwipsPerPoint) {
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
