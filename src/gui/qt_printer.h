#pragma once

#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <memory>
#include <string>
#include <vector>

#include "gui/qt_surface.h"
#include "platform/printer.h"

// The printers a print run draws on: a system printer through QPrinter, or PDF files.
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
  std::string Error() const override { return error_; }

 private:
  bool Begin();
  std::string Name() const;

  QPrinter& printer_;
  double dots_per_inch_ = 0;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QtSurface> surface_;
  std::string error_;
};

// The system printer of that name, at the printer's full resolution; nothing when no printer
// of that name is installed.
std::unique_ptr<QPrinter> SystemPrinter(const std::string& name);

// Writes every document as a PDF file of A4 pages, drawn from the page's top-left corner:
// `path` for the first document, then path-2, path-3, ... before the extension
// ("out/a.pdf", "out/a-2.pdf"). A file appears only when its document ended whole.
// dots_per_inch above 0 makes the PDF for a printer of that resolution: symbols are laid on its
// dots. 0 keeps exact units.
class PdfPrinter : public Printer {
 public:
  explicit PdfPrinter(std::string path, double dots_per_inch = 0);
  // A document still open is dropped: its file is not written.
  ~PdfPrinter() override;
  PdfPrinter(const PdfPrinter&) = delete;
  PdfPrinter& operator=(const PdfPrinter&) = delete;

  DrawingSurface& Surface() override;
  bool NewPage() override;
  bool EndDoc() override;
  std::string Error() const override { return error_; }

  // Files written so far, in document order.
  const std::vector<std::string>& Written() const { return written_; }

  // The file of document `number` (from 1) for the given first path.
  static std::string DocumentPath(const std::string& path, int number);

 private:
  bool Begin();
  void Drop();

  std::string path_;
  double dots_per_inch_ = 0;
  int documents_ = 0;  // documents begun
  std::string current_path_;
  std::unique_ptr<QSaveFile> file_;
  std::unique_ptr<QPdfWriter> writer_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QtSurface> surface_;
  std::vector<std::string> written_;
  std::string error_;
};

}  // namespace vellomir
