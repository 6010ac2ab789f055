#pragma once

#include <QPainter>
#include <QPrinter>
#include <QSaveFile>
#include <memory>
#include <string>
#include <vector>

#include "gui/pdf_surface.h"
#include "gui/qt_surface.h"
#include "platform/printer.h"

// The printers a print run draws on: a system printer through QPrinter, or PDF files.
namespace vellomir {

// Draws on a QPrinter: one the print dialog set up, or a named system printer. A document
// begins with the first drawing after construction or after an end document.
class QtPrinter : public Printer {
 public:
  explicit QtPrinter(QPrinter& printer);
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
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QtSurface> surface_;
  std::string error_;
};

// The system printer of that name, at the printer's full resolution; nothing when no printer
// of that name is installed.
std::unique_ptr<QPrinter> SystemPrinter(const std::string& name);

// Bytes into an open Qt device, such as a QSaveFile being written; every write is checked.
class DeviceSink : public ByteSink {
 public:
  explicit DeviceSink(QIODevice& device) : device_(device) {}
  bool Write(const char* data, std::size_t size) override;
  std::uint64_t Written() const override { return written_; }

 private:
  QIODevice& device_;
  std::uint64_t written_ = 0;
  bool failed_ = false;
};

// Writes every document as a PDF file of A4 pages, drawn from the page's top-left corner:
// `path` for the first document, then path-2, path-3, ... before the extension
// ("out/a.pdf", "out/a-2.pdf"). A file appears only when its document ended whole.
class PdfPrinter : public Printer {
 public:
  explicit PdfPrinter(std::string path);
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
  int documents_ = 0;  // documents begun
  std::string current_path_;
  std::unique_ptr<QSaveFile> file_;
  std::unique_ptr<DeviceSink> sink_;
  std::unique_ptr<PdfSurface> surface_;
  std::vector<std::string> written_;
  std::string error_;
};

}  // namespace vellomir
