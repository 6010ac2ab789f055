#pragma once

#include <memory>
#include <string>

#include "platform/printer.h"
#include "ui/print_handler.h"

// Printers for tests of the print button.
namespace vellomir::test {

// Lends the print run a printer the test keeps and inspects afterwards.
class BorrowedPrinter : public Printer {
 public:
  explicit BorrowedPrinter(Printer& printer) : p_(printer) {}
  DrawingSurface& Surface() override { return p_.Surface(); }
  bool NewPage() override { return p_.NewPage(); }
  bool EndDoc() override { return p_.EndDoc(); }
  void AbortDoc() override { p_.AbortDoc(); }
  std::string Error() const override { return p_.Error(); }
  std::string Destination() const override { return p_.Destination(); }
  std::vector<std::string> Deliveries() const override { return p_.Deliveries(); }
  std::string Notice() const override { return p_.Notice(); }
  std::optional<PrintableArea> Printable() const override { return p_.Printable(); }
  bool KeepsEndedDocuments() const override { return p_.KeepsEndedDocuments(); }
  bool Commit() override { return p_.Commit(); }
  double DotsPerInch() const override { return p_.DotsPerInch(); }

 private:
  Printer& p_;
};

// An opener that always hands out `printer`, whatever the dialog chose.
inline PrinterOpener OpenerFor(Printer& printer) {
  return [&printer](const CommonDialog&, std::string&) {
    return std::make_unique<BorrowedPrinter>(printer);
  };
}

}  // namespace vellomir::test
