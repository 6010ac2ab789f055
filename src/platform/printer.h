#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/drawing_surface.h"
#include "platform/recording_surface.h"

// The printer as the print job sees it: a drawing surface with page and document operations.
namespace vellomir {

// The part of the page the printer can put ink on. Drawing starts at its top-left corner.
struct PrintableArea {
  double width_mm = 0;
  double height_mm = 0;
};

// What became of the documents a run sent, once the printer has had them.
struct DeliveryFate {
  enum class End {
    kDone,        // every document printed (or, for a file, written)
    kUnfinished,  // not known to have printed yet: held, or still under way
    kFailed,      // the printer gave up on one, or can no longer be asked
  };
  End end = End::kDone;
  std::size_t done = 0;  // documents, in order, that printed before the first that did not
  std::string words;     // about the first that did not, in the program's words
};

class Printer {
 public:
  virtual ~Printer() = default;
  virtual DrawingSurface& Surface() = 0;
  // Finishes the current page and starts the next one in the same document.
  virtual bool NewPage() = 0;
  // Finishes the current page and sends the document; drawing afterwards starts a new one.
  virtual bool EndDoc() = 0;
  // Drops the open document: nothing of it is sent. Documents already ended stay sent.
  virtual void AbortDoc() = 0;
  // What went wrong with the last failed operation, in the program's words.
  virtual std::string Error() const = 0;

  // Where the documents go: a printer's queue or a file, for messages and the print log.
  virtual std::string Destination() const { return {}; }
  // What each ended document became, in order: a print job ("labels-12") or a file.
  virtual std::vector<std::string> Deliveries() const { return {}; }
  // Something the user must know although nothing failed (a stopped queue holds the jobs).
  virtual std::string Notice() const { return {}; }
  // The paper the printer prints on, by its name (a queue's media), for messages.
  virtual std::string PaperName() const { return {}; }
  // The printable area of the page; nothing when the printer does not say.
  virtual std::optional<PrintableArea> Printable() const { return std::nullopt; }
  // Whether an ended document is out of the run's hands (sent to a printer). False for a
  // printer whose documents stand or fall with the whole run, as a run's PDF files do.
  virtual bool KeepsEndedDocuments() const { return true; }
  // Puts what a whole, successful run made in place (a run's files go together); false with
  // Error() when that failed.
  virtual bool Commit() { return true; }
  // Waits (for a bounded time) to learn what became of the documents ended so far. Printers
  // that hand their documents over for good are done at once.
  virtual DeliveryFate FollowDeliveries() { return {DeliveryFate::End::kDone, 0, {}}; }
  // The resolution the printer lays symbols on, in dots per inch; 0 when it keeps exact units.
  virtual double DotsPerInch() const { return 0; }
  // Pages of the open document already out of the run's hands: a printer fed page by page
  // has them although the document never ended.
  virtual std::int64_t PagesTaken() const { return 0; }
  // Dots the printer's calibration takes off every bar; the run and its check draw with it.
  virtual int BarWidthReduction() const { return 0; }
  // A label printer in its own language: every label is a page of its own, whatever grid the
  // design lays out for sheets.
  virtual bool OneLabelAPage() const { return false; }
};

}  // namespace vellomir
