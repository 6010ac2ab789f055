#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/printer.h"
#include "platform/symbol_reader.h"
#include "render/label_renderer.h"

// The print run: the design drawn label after label in a grid of columns and rows, page after
// page, until the number of copies is reached, each label with its own running label number.
// It takes plain values and reports through its result; the window and the print command
// decide how to show it.
namespace vellomir {

inline constexpr std::string_view kNothingToPrintMessage = "請編輯後再列印 或 先讀取一個資料檔";

// Most labels one run prints; a larger copies field is refused rather than run for days.
inline constexpr int64_t kMaxLabelsPerRun = 1000000;

// Where labels go, worked out from the layout fields before anything reaches the printer.
struct PrintLayout {
  double columns = 1;  // whole numbers, at least 1 (possibly endless: the count stops a run)
  double rows = 1;
  double column_pitch = 0;  // surface units
  double row_pitch = 0;
  double label_width = 0;  // surface units
  double label_height = 0;
  int64_t labels = 1;              // labels the run prints
  bool document_per_page = false;  // tractor feed: every full page is a document of its own
  float units_per_mm = kUnitsPerMm;
};

// Where a run stands when a page holds all its labels.
struct PrintProgress {
  int64_t pages = 0;   // pages filled so far, this one included
  int64_t labels = 0;  // labels drawn so far
  int64_t total = 0;   // labels the run prints
};

// Called each time a page holds all its labels, before the page goes to the printer. Returning
// false cancels the run: the open document is dropped, documents already ended stay sent.
using PrintProgressCallback = std::function<bool(const PrintProgress&)>;

enum class PrintOutcome {
  kPrinted,       // every label sent, the last document ended
  kCancelled,     // the user stopped it; only documents ended before went out
  kRefused,       // a message said why; nothing was printed
  kPrinterError,  // the printer failed; a message said so with its own words
};

struct PrintResult {
  PrintOutcome outcome = PrintOutcome::kPrinted;
  // What the user is told; empty when every label went out and there is nothing to add.
  std::string message;
  int64_t labels_drawn = 0;
  // Labels 1 to labels_sent went out in documents the printer took (and, when a taken
  // document failed later, that it printed).
  int64_t labels_sent = 0;
  // What each ended document became (job or file), as the printer says.
  std::vector<std::string> deliveries;
  // Every label was sent but the printer had not finished (or was holding) them when the
  // run stopped waiting: printed, with the message saying what is still open.
  bool unfinished = false;
};

// Prints layout.labels labels (rules drawn by DrawLabel with `how`) on the printer. A full
// page ends the document on tractor feed and starts a new page otherwise. Never asks anything.
// The printer's calibration (Printer::BarWidthReduction) and a label printer's one label a page
// (Printer::OneLabelAPage) apply here and in the checks below alike.
PrintResult RunLabelPrint(const PrintLayout& layout, const RuleTable& rules,
                          const LabelDrawing& how, Printer& printer,
                          const PrintProgressCallback& progress = {});

// "第 1 到 8 張標籤" style naming of the labels that went out, for messages.
std::string SentLabelsText(int64_t labels_sent);

// --- Checks before a run -------------------------------------------------------------------

enum class PrintConcernKind {
  kClipping,           // labels would fall off the printable area
  kUndrawableBarcode,  // a barcode rule cannot be drawn for some label of the run
  kBadBarcodeData,     // a rule's data breaks its symbology's rules: the run is refused
  kUnreadableSymbol,   // as printed, a symbol of the first or last label does not read as its
                       // data, or a rule of it grows into another or past the label's edge
  kPartlyReadSymbol,   // a symbol reads with some scanners only: a warning
  kMissingPicture,     // a picture rule's file is missing or cannot be loaded
  kTooLongField,       // a field holds more than any label can show: cut, or not drawn
};

// Something found before printing that the user should decide on.
struct PrintConcern {
  PrintConcernKind kind;
  std::string message;
};

// Every check made before a run sends anything, in one place. The window asks about each
// concern (OK prints anyway); the print command refuses unless told to go on.
// With a reader, the first and the last label are also checked as the printer prints them
// (CheckDesign): the message then holds one line per symbol that does not read or rule that
// does not fit.
// Pictures are found as the renderer finds them (FindPictureFile) and, with how.picture_sizes,
// loaded: one line per picture that is missing or does not load. A field longer than
// how.mostFieldCharacters is the one concern told: the other checks would work through text no
// label shows.
std::vector<PrintConcern> CheckBeforePrinting(const PrintLayout& layout, const RuleTable& rules,
                                              const Printer& printer, const LabelDrawing& how,
                                              SymbolReader* reader = nullptr);

// The picture rules whose file is missing or, with a probe, does not load: one line each.
std::vector<std::string> FindPictureProblems(const RuleTable& rules, const LabelDrawing& how);

// How many of the labels on a full page would reach past the printable area (or start
// before it), and how many labels a full page holds. With `ink` (what a label draws, in
// surface units from its own top-left corner) a label counts by its ink, else by its box.
struct ClippedLabels {
  int64_t per_page = 0;
  int64_t cut = 0;
};
struct InkExtent {
  double left = 0, top = 0, right = 0, bottom = 0;
};
ClippedLabels CountClippedLabels(const PrintLayout& layout, const PrintableArea& area,
                                 const std::optional<InkExtent>& ink = std::nullopt);

// What labels first to last draw, as one extent from the label's corner; nothing when `how`
// has no metrics to measure with or the labels draw nothing.
std::optional<InkExtent> LabelInk(const RuleTable& rules, int64_t first, int64_t last,
                                  const LabelDrawing& how);

}  // namespace vellomir
