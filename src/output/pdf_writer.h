#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_sink.h"

struct libdeflate_compressor;

// The object layer of a PDF file written front to back onto a ByteSink: numbered objects,
// Flate-compressed streams, the cross-reference table and the trailer. Objects may be numbered
// before they are written, so pages can point at fonts that are only finished at the end.
namespace vellomir {

class PdfWriter {
 public:
  explicit PdfWriter(ByteSink& sink);
  ~PdfWriter();
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  // The header; call first.
  bool Begin();
  // A number for an object written later.
  int Reserve();
  // "n 0 obj" body "endobj"; each number once.
  bool WriteObject(int number, std::string_view body);
  // A stream object; `dict` is the dictionary's inside without /Length and /Filter. The data
  // is deflated when `compress` is set.
  bool WriteStream(int number, std::string_view dict, std::string_view data, bool compress = true);
  // The cross-reference table and the trailer. Every reserved object must have been written.
  bool Finish(int root, int info);

  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }

  // Largest byte offset the cross-reference table can hold (ten digits).
  static constexpr std::uint64_t kMaxOffset = 9999999999ULL;

 private:
  bool Put(std::string_view bytes);
  bool StartObject(int number);
  bool Deflate(std::string_view data);

  ByteSink& sink_;
  std::vector<std::uint64_t> offsets_;  // by object number; 0 = not written yet
  libdeflate_compressor* compressor_ = nullptr;
  std::string packed_;  // deflated stream data, reused
  std::string error_;
};

// A number as a content stream or dictionary writes it: whole numbers plainly, others with at
// most three decimals and no trailing zeros.
void AppendPdfNumber(std::string& out, double value);

}  // namespace vellomir
