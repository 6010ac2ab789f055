#pragma once

#include <QImage>
#include <QPainter>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output/label_language.h"
#include "output/qt_surface.h"
#include "output/raw_printer.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "settings/printer_settings.h"

// A thermal label printer fed its own language: every page is one label, drawn on the printer's
// dots by the same surface as every other output (symbols on whole dots, the bar width
// reduction of the printer's calibration), made 1 bit a dot and sent as one ZPL format or EPL
// label, so each label keeps its own batch number.
namespace vellomir {

struct LabelPrinterSetup {
  LabelLanguage language = LabelLanguage::kZpl;
  int dpi = 203;
  double label_width_mm = 0;
  double label_height_mm = 0;
  PrinterSettings settings;  // darkness, speed, media and the offsets of the calibration
  std::string destination;   // the queue, address or file, for messages and the log
};

class LabelLanguagePrinter : public Printer {
 public:
  LabelLanguagePrinter(const LabelPrinterSetup& setup, std::unique_ptr<LabelStream> stream);
  ~LabelLanguagePrinter() override;

  DrawingSurface& Surface() override { return *surface_; }
  bool NewPage() override;
  bool EndDoc() override;
  void AbortDoc() override;
  std::string Error() const override { return error_.empty() ? stream_->Error() : error_; }
  std::string Destination() const override { return setup_.destination; }
  std::vector<std::string> Deliveries() const override { return stream_->Deliveries(); }
  DeliveryFate FollowDeliveries() override { return stream_->Follow(); }
  std::string Notice() const override { return stream_->Notice(); }
  std::optional<PrintableArea> Printable() const override {
    return PrintableArea{setup_.label_width_mm, setup_.label_height_mm};
  }
  bool KeepsEndedDocuments() const override { return stream_->KeepsEnded(); }
  bool Commit() override { return stream_->Commit(); }
  double DotsPerInch() const override { return setup_.dpi; }
  std::int64_t PagesTaken() const override { return stream_->LabelsTaken(); }
  int BarWidthReduction() const override { return setup_.settings.bar_width_reduction; }
  bool OneLabelAPage() const override { return true; }

  // The label drawn so far, one bit a dot.
  DotBitmap CurrentLabel() const;

 private:
  bool SendLabel();

  LabelPrinterSetup setup_;
  LabelFormat format_;
  std::unique_ptr<LabelStream> stream_;
  QImage image_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QtSurface> surface_;
  std::string error_;
};

// The language a file name asks for: ".zpl" or ".epl"; kNone for anything else.
LabelLanguage LanguageOfFile(const std::string& path);

// What a print run goes to when the user names a printer: a CUPS queue or "socket://HOST:PORT".
struct ChosenPrinter {
  std::unique_ptr<Printer> printer;  // with the calibration of its printers.ini section
  PrinterSettings settings;
};

// Opens the printer `name` with its settings from printers.ini. A queue gets its language when
// printers.ini names one for it, and then the resolution of its driver (printers.ini's for a
// raw queue, 203 unless told); otherwise it gets PDF from its driver, and a raw queue, which
// cannot print PDF, is refused. An address always needs its language in printers.ini.
// `paper_*_mm` is the paper a print dialog picked (0: the queue's own). Nothing and why when the
// printer cannot be used; `warnings` gets what is wrong in printers.ini.
ChosenPrinter OpenNamedPrinter(const std::string& name, double label_width_mm,
                               double label_height_mm, const std::string& job_name,
                               std::string& problem, std::vector<std::string>* warnings = nullptr,
                               double paper_width_mm = 0, double paper_height_mm = 0);

// The printer a print dialog chose, as OpenChosenPrinter, a queue with its printers.ini settings
// as above, a file named .zpl or .epl in that language at 203 dpi.
std::unique_ptr<Printer> OpenChosenLabelPrinter(const CommonDialog& chosen,
                                                const std::string& job_name, double label_width_mm,
                                                double label_height_mm, std::string& problem);

}  // namespace vellomir
