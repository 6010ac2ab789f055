#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/printer.h"

// Where a label printer's own language goes, label after label: a file, a raw CUPS queue (as
// application/vnd.cups-raw, past every filter) or a printer's port 9100 straight.
namespace vellomir {

class LabelStream {
 public:
  virtual ~LabelStream() = default;
  // One label's commands; false with Error() when they could not be passed on.
  virtual bool Label(const std::string& commands) = 0;
  // The document is whole: it goes out (a job is submitted, a connection closed). False with
  // Error() when it did not.
  virtual bool End() = 0;
  // Drops what was not passed on yet.
  virtual void Abort() = 0;
  virtual std::string Error() const = 0;
  // Labels of the open document already out of the program's hands (a printer fed straight).
  virtual std::int64_t LabelsTaken() const { return 0; }
  virtual std::vector<std::string> Deliveries() const { return {}; }
  // What became of the documents after they went out (a queue's jobs are followed).
  virtual DeliveryFate Follow() { return {DeliveryFate::End::kDone, 0, {}}; }
  virtual std::string Notice() const { return {}; }
  // As Printer::KeepsEndedDocuments and Printer::Commit.
  virtual bool KeepsEnded() const { return true; }
  virtual bool Commit() { return true; }
};

// Writes every label into one file, put in place when the run is whole.
std::unique_ptr<LabelStream> OpenFileStream(const std::string& path, std::string& problem);

// "socket://HOST[:PORT]" (port 9100 unless told): nothing and why when it is no such address.
struct PrinterAddress {
  std::string host;
  int port = 9100;
};
std::optional<PrinterAddress> ParsePrinterAddress(const std::string& target);

// Connects within `timeout_seconds`; a refused or silent printer is said as such. Every label
// is sent as it is finished; a printer that takes nothing for `timeout_seconds` or closes
// early fails the run, and LabelsTaken says which labels it had acknowledged.
std::unique_ptr<LabelStream> OpenSocketStream(const std::string& target, int timeout_seconds,
                                              std::string& problem);

// Collects the labels and submits them as one raw job when the document ends.
std::unique_ptr<LabelStream> OpenRawQueueStream(const std::string& queue,
                                                const std::string& job_name, std::string& problem);

// What the print server says of a queue's driver.
struct QueueDriver {
  bool raw = false;  // no driver: the queue passes documents on unchanged
  int dpi = 0;       // the driver's resolution; 0 when it says none
};
// Nothing and why when the server cannot be reached or has no such queue.
std::optional<QueueDriver> QueryQueueDriver(const std::string& queue, std::string& problem);

}  // namespace vellomir
