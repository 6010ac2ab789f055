#pragma once

#include <memory>
#include <string>
#include <vector>

#include "output/pdf_document.h"
#include "platform/dialogs.h"
#include "platform/printer.h"

// A print queue of the CUPS server (CUPS_SERVER or the system's), fed through libcups so the
// program learns what became of every job. The queue decides the page: its default media (or
// the paper the user picked), its printable area and its resolution.
namespace vellomir {

struct CupsRequest {
  std::string queue;  // "" for the server's default destination
  // Paper the user picked, in millimetres; 0 keeps the queue's default media.
  double paper_width_mm = 0;
  double paper_height_mm = 0;
  std::string job_name;  // the design's file name
  // The printer's calibration: the drawing moves right and down by these.
  double offset_x_mm = 0;
  double offset_y_mm = 0;
};

// What the queue said about its page when it was opened, in points as its driver declares
// the page (libcups' hundredths of a millimetre are only used to find it).
struct CupsPage {
  std::string media;  // the media name sent with every job
  double width_pt = 0;
  double height_pt = 0;
  double left_pt = 0;  // the printer's minimum margins
  double top_pt = 0;
  double right_pt = 0;
  double bottom_pt = 0;
  int dpi = 0;
};

class CupsConnection;

// Every ended document becomes one job of one copy (the copies field counts labels), made of a
// PDF at the queue's page size with the drawing origin at the printable area's top-left corner.
// A document is drawn in memory and submitted when it ends, so an aborted one never reaches
// the queue.
class CupsPrinter : public Printer {
 public:
  ~CupsPrinter() override;
  CupsPrinter(const CupsPrinter&) = delete;
  CupsPrinter& operator=(const CupsPrinter&) = delete;

  // Opens the queue; nothing and why (in the program's words) when the server cannot be
  // reached, the queue is unknown or says nothing of its paper.
  static std::unique_ptr<CupsPrinter> Open(const CupsRequest& request, std::string& problem,
                                           PdfDocumentFactory make_document = MakePdfDocument);

  DrawingSurface& Surface() override;
  bool NewPage() override;
  bool EndDoc() override;
  void AbortDoc() override;
  std::string Error() const override { return error_; }
  std::string Destination() const override { return queue_; }
  std::vector<std::string> Deliveries() const override;
  // Follows the run's jobs until CUPS completes them or a bounded time runs out.
  DeliveryFate FollowDeliveries() override;
  std::string Notice() const override { return notice_; }
  std::optional<PrintableArea> Printable() const override;
  std::string PaperName() const override { return page_.media; }
  double DotsPerInch() const override { return page_.dpi; }

  const CupsPage& Page() const { return page_; }

 private:
  class Document;
  CupsPrinter() = default;
  bool Begin();
  bool Submit(const std::string& pdf);

  std::unique_ptr<CupsConnection> cups_;
  PdfDocumentFactory make_document_;
  std::string queue_;
  std::string job_name_;
  double offset_x_mm_ = 0, offset_y_mm_ = 0;
  CupsPage page_;
  std::string notice_;
  std::string error_;
  std::unique_ptr<Document> document_;
  std::vector<int> jobs_;
};

// The printer a print dialog chose: a PDF file when it names one, otherwise the CUPS queue
// with the paper picked. Nothing and why when it cannot be opened.
std::unique_ptr<Printer> OpenChosenPrinter(const CommonDialog& chosen, const std::string& job_name,
                                           std::string& problem);

}  // namespace vellomir
