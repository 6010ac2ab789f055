#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/recording_surface.h"
#include "platform/symbol_reader.h"
#include "render/label_renderer.h"

// Every barcode of a label read back at the printer's resolution before a run: a symbol that
// does not read, or reads as anything but its rule's data, is found before labels are wasted.
namespace vellomir {

// The coarsest label printers in use: a PDF for no particular printer is read back as one of
// them would print it, and as a print system typically rasterises it for an office printer.
inline constexpr double kCoarsestPrinterDpi = 203;
inline constexpr double kPdfCheckDpi = 300;

// A resolution a design is checked at, and whether its symbols are laid on its dots.
struct CheckResolution {
  double dpi = 0;
  bool on_dots = false;
};

// What a design printed at printer_dpi is checked at: a printer's own resolution, symbols on
// its dots; for a PDF for no particular printer (0), in exact units at both kCoarsestPrinterDpi
// and kPdfCheckDpi, as a driver rasterises it.
std::vector<CheckResolution> CheckResolutions(double printer_dpi);

enum class SymbolVerdict {
  kGood,        // reads as its data, modules of at least one dot
  kUnreadable,  // nothing read (or nothing drawn)
  kWrong,       // read as something else than the rule's data
  kTooFine,     // reads, but its module is below one dot: printed wider than designed
  kPastLabel,   // reads, but as printed its bars run past the label's right edge
  kPartlyRead,  // reads as its data with some decoders, not at all with the others: a warning
};

// One word for the verdict, as the verify command prints it.
const char* VerdictWord(SymbolVerdict verdict);

struct SymbolCheck {
  int rule = 0;  // row in the rule table, from 0
  int kind = 0;
  double label = 1;                 // label number the data was formed with
  std::string expected;             // what a scanner should report
  std::optional<std::string> read;  // what it reported (a misreading decoder's text first)
  std::string misread_by;           // kWrong: the decoder that read something else
  std::string read_by;              // the decoders that read it right, by name
  std::string unread_by;            // kPartlyRead: the decoders that read nothing, by name
  double dpi = 0;                   // the resolution it was drawn at
  bool on_dots = false;             // laid on that resolution's dots
  double module_dots = 0;           // module size in dots at that resolution, unrounded
  int64_t printed_dots = 0;         // whole dots per module as printed (0: not laid on dots)
  double printed_right_mm = 0;      // where the printed bars end, from the label's left edge
  double label_width_mm = 0;        // 0: not known, not checked
  SymbolVerdict verdict = SymbolVerdict::kUnreadable;
};

// What a scanner reports for a barcode of the kind holding `data`: the check digits and
// characters it carries included, Interleaved 2 of 5 padded, UPC-A without its leading "0",
// Codabar's start/stop letters in upper case, the 2-D kinds' data as it is, the GS1 kinds' element
// string after a GS for their leading FNC1. Nothing for UPC-A data that has no UPC-E form and
// for GS1 data that is not AIs.
std::optional<std::string> ExpectedScan(int kind, const std::string& data, bool withCheck);

// Draws the label `labelNumber` of the rules at dots_per_inch and reads every barcode rule
// back, one symbol at a time, with every decoder of the reader: one that reads other data makes
// it wrong, whatever the others read. on_dots as for SymbolReader::NewPage. A label_width above
// 0 (surface units) also finds symbols that print past the label's right edge: on a printer's
// dots a symbol can come out wider than its units.
std::vector<SymbolCheck> CheckLabelSymbols(const RuleTable& rules, double labelNumber,
                                           const LabelDrawing& how, double dots_per_inch,
                                           bool on_dots, SymbolReader& reader,
                                           double label_width = 0);

// The labels of a run of `amount` labels (the copies field's value) that are read back: the
// first and the last. The run prints the first whole number that reaches the amount, at least 1.
std::vector<double> LabelsToCheck(double amount);

// Where what the surface recorded lands, text and pictures included; with dots_per_inch above
// 0, symbols as they come out on those dots. Nothing when nothing shows.
std::optional<TwipArea> DrawnArea(const RecordingSurface& surface, const TextMetrics& metrics,
                                  double dots_per_inch = 0);

// The line naming a check that is not good, as CheckDesign lists it.
std::string WarningLine(const SymbolCheck& check);

// Where the rules of one label land as printed at a resolution, each drawn on its own: a
// barcode whose printed bars reach into another rule's box that its units keep clear of, and
// a text or picture that reaches past the label's edges (label_width and label_height in
// surface units, 0: not known). One line for each.
std::vector<std::string> LayoutProblems(const RuleTable& rules, double labelNumber,
                                        const LabelDrawing& how, const CheckResolution& at,
                                        const TextMetrics& metrics, const PictureProbe* pictures,
                                        double label_width, double label_height);

// The one check before printing a run of `amount` labels of the design on a printer of
// printer_dpi (0: a PDF for no particular printer), at every resolution of CheckResolutions,
// on the first and the last label. The print run, the window and the verify command all use
// it, so they agree on every design.
struct DesignCheck {
  std::vector<SymbolCheck> symbols;   // every barcode of those labels, at every resolution
  std::vector<std::string> layout;    // LayoutProblems' lines at every resolution, once each
  std::vector<std::string> problems;  // what stops a run: symbols not good, layout problems
  std::vector<std::string> warnings;  // what the user should know: symbols partly read
};
DesignCheck CheckDesign(const RuleTable& rules, double amount, const LabelDrawing& how,
                        double printer_dpi, SymbolReader& reader, double label_width = 0,
                        double label_height = 0);

// One line of the verify command for a check.
std::string DescribeCheck(const SymbolCheck& check);

}  // namespace vellomir
