#pragma once

#include <QPainter>
#include <QPrinter>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "output/qt_surface.h"
#include "platform/printer.h"

// A system printer through QPrinter, as the print dialog sets it up.
namespace vellomir {

// Draws on a QPrinter: one the print dialog set up, or a named system printer. A document
// begins with the first drawing after construction or after an end document.
// Symbols are laid on the printer's dots: dots_per_inch when given, else the printer's own
// resolution (a printer that writes a PDF file keeps exact units).
class QtPrinter : public Printer {
 public:
  explicit QtPrinter(QPrinter& printer, double dots_per_inch = 0);
  // A document still open (the run stopped on an error) is aborted rather than sent half done.
  ~QtPrinter() override;
  QtPrinter(const QtPrinter&) = delete;
  QtPrinter& operator=(const QtPrinter&) = delete;

  DrawingSurface& Surface() override;
  bool NewPage() override;
  bool EndDoc() override;
  void AbortDoc() override;
  std::string Error() const override { return error_; }
  std::string Destination() const override { return Name(); }

 private:
  bool Begin();
  std::string Name() const;

  QPrinter& printer_;
  double dots_per_inch_ = 0;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QtSurface> surface_;
  std::string error_;
};

}  // namespace vellomir
