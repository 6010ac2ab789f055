#pragma once

#include <functional>
#include <memory>

#include "platform/byte_sink.h"
#include "platform/drawing_surface.h"

// One PDF document drawn page by page for a printer, its bytes handed to a sink when it ends.
// The print queue takes what the sink collected; which writer makes the PDF is the factory's
// choice.
namespace vellomir {

struct PdfPageSetup {
  // The paper in points, exactly as the driver declares it: a page a fraction of a point off
  // is moved by the driver, and every bar then gains a dot.
  double width_pt = 0;
  double height_pt = 0;
  // Where the surface's (0, 0) lands on the paper: the top-left corner of the printable area.
  double origin_x_pt = 0;
  double origin_y_pt = 0;
  // The printer's dots per inch, for surfaces that put bars on whole dots.
  int dpi = 0;
};

class PdfDocument {
 public:
  virtual ~PdfDocument() = default;
  // Draws in twips on the current page.
  virtual DrawingSurface& Surface() = 0;
  virtual bool NewPage() = 0;
  // Ends the document and writes all of it to the sink; false when that failed.
  virtual bool Finish() = 0;
};

// Makes an empty document of one page; nothing when it cannot be started.
using PdfDocumentFactory =
    std::function<std::unique_ptr<PdfDocument>(const PdfPageSetup& page, ByteSink& sink)>;

// The program's own PDF writer, the one every PDF file is made with.
std::unique_ptr<PdfDocument> MakePdfDocument(const PdfPageSetup& page, ByteSink& sink);

}  // namespace vellomir
