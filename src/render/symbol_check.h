#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/symbol_reader.h"
#include "render/label_renderer.h"

// Every barcode of a label read back at the printer's resolution before a run: a symbol that
// does not read, or reads as anything but its rule's data, is found before labels are wasted.
namespace vellomir {

// The coarsest label printers in use: symbols are checked at this resolution when the printer's
// own is not known.
inline constexpr double kCoarsestPrinterDpi = 203;
// A PDF for no particular printer is read back as a print system typically rasterises it.
inline constexpr double kPdfCheckDpi = 300;

enum class SymbolVerdict {
  kGood,        // reads as its data, modules of at least one dot
  kUnreadable,  // nothing read (or nothing drawn)
  kWrong,       // read as something else than the rule's data
  kTooFine,     // reads, but its module is below one dot: printed wider than designed
  kPastLabel,   // reads, but as printed its bars run past the label's right edge
};

// One word for the verdict, as the verify command prints it.
const char* VerdictWord(SymbolVerdict verdict);

struct SymbolCheck {
  int rule = 0;  // row in the rule table, from 0
  int kind = 0;
  double label = 1;                 // label number the data was formed with
  std::string expected;             // what a scanner should report
  std::optional<std::string> read;  // what it reported
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
// back, one symbol at a time. on_dots as for SymbolReader::NewPage. A label_width above 0
// (surface units) also finds symbols that print past the label's right edge: on a printer's
// dots a symbol can come out wider than its units.
std::vector<SymbolCheck> CheckLabelSymbols(const RuleTable& rules, double labelNumber,
                                           const LabelDrawing& how, double dots_per_inch,
                                           bool on_dots, SymbolReader& reader,
                                           double label_width = 0);

// The labels of a run of `amount` labels (the copies field's value) that are read back: the
// first and the last. The run prints the first whole number that reaches the amount, at least 1.
std::vector<double> LabelsToCheck(double amount);

// The warnings of a run of `amount` labels (the copies field's value): the first and the last
// label are read back; one line for each symbol that is not good, naming its rule and label.
// Empty when every symbol reads.
std::vector<std::string> SymbolWarnings(const RuleTable& rules, double amount,
                                        const LabelDrawing& how, double dots_per_inch, bool on_dots,
                                        SymbolReader& reader, double label_width = 0);

// One line of the verify command for a check.
std::string DescribeCheck(const SymbolCheck& check);

}  // namespace vellomir
