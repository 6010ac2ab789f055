#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "output/pdf_surface.h"
#include "platform/output_file.h"
#include "platform/printer.h"

// The printer a run to PDF files draws on: the program's own PDF engine.
namespace vellomir {

// Writes every document as a PDF file of A4 pages, drawn from the page's top-left corner:
// `path` for the first document, then path-2, path-3, ... before the extension
// ("out/a.pdf", "out/a-2.pdf"); "-" is standard output, which takes one document only.
// The files of a run belong together: each is written to a temporary name beside its target,
// checked after every page, and none replaces its target until Commit puts them all in place.
// A failed write stops the run at once and keeps no file of it. dots_per_inch above 0 makes
// the PDF for a printer of that resolution: symbols are laid on its dots. 0 keeps exact units.
class PdfPrinter : public Printer {
 public:
  explicit PdfPrinter(std::string path, double dots_per_inch = 0);
  // Documents not committed are dropped: their targets stay as they were.
  ~PdfPrinter() override;
  PdfPrinter(const PdfPrinter&) = delete;
  PdfPrinter& operator=(const PdfPrinter&) = delete;

  DrawingSurface& Surface() override;
  bool NewPage() override;
  bool EndDoc() override;
  void AbortDoc() override { Drop(); }
  std::string Error() const override;
  bool KeepsEndedDocuments() const override { return false; }
  std::string Destination() const override { return path_; }
  std::vector<std::string> Deliveries() const override { return written_; }
  // A4, printable to its edges.
  std::optional<PrintableArea> Printable() const override { return PrintableArea{210, 297}; }

  // Puts the files of every ended document in place together (see CommitTogether). False with
  // Error() when they could not be: then none is, and the old files are as they were.
  bool Commit() override;
  double DotsPerInch() const override { return dots_per_inch_; }

  // Files put in place, in document order.
  const std::vector<std::string>& Written() const { return written_; }
  // Documents ended and waiting for Commit.
  int PendingDocuments() const { return static_cast<int>(pending_.size()); }

  // The largest PDF file written; a document that would pass it fails instead. Byte offsets
  // in a PDF's cross-reference table have ten digits.
  static constexpr std::uint64_t kMaxPdfBytes = 9'999'999'999ull;
  void SetSizeLimit(std::uint64_t bytes) { size_limit_ = bytes; }

  // The file of document `number` (from 1) for the given first path.
  static std::string DocumentPath(const std::string& path, int number);

 private:
  bool Begin();
  // The page just finished reached the file; otherwise the run's files are dropped.
  bool CheckOutput();
  // What the failed output of the current document means for the run, in the program's words.
  std::string OutputFailure() const;
  void Drop();

  std::string path_;
  std::uint64_t size_limit_ = kMaxPdfBytes;
  double dots_per_inch_ = 0;
  int documents_ = 0;  // documents begun
  int pages_ = 0;      // pages begun in the current document
  // Where the current document's bytes go; the sink keeps the first failed write, checked
  // after every page.
  std::unique_ptr<OutputFile> file_;
  std::unique_ptr<PdfSurface> surface_;
  std::vector<std::unique_ptr<OutputFile>> pending_;
  std::vector<std::string> written_;
  std::string error_;
};

}  // namespace vellomir
