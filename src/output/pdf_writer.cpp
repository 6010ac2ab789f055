#include "output/pdf_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include <libdeflate.h>

namespace vellomir {

namespace {

// value * 1000 rounded to the nearest integer, ties to even, as if the product were exact:
// the same rounding a correctly rounded decimal conversion of `value` to three places makes.
int64_t ThousandthsOf(double value) {
  const double product = value * 1000.0;
  const double error = std::fma(value, 1000.0, -product);  // product + error is exact
  const double floor = std::floor(product);
  double rounded = std::nearbyint(product);
  if (product - floor == 0.5 && error != 0) rounded = error > 0 ? floor + 1 : floor;
  return static_cast<int64_t>(rounded);
}

}  // namespace

void AppendPdfNumber(std::string& out, double value) {
  char buf[48];
  // Whole numbers, most of a page in exact units, straight from their integer.
  if (value >= -2147483647.0 && value <= 2147483647.0) {
    const auto whole = static_cast<std::int32_t>(value);
    if (static_cast<double>(whole) == value) {
      out.append(buf, std::to_chars(buf, buf + sizeof buf, whole).ptr);
      return;
    }
  }
  // Readers take integers up to 2^31; nothing the program draws lies beyond.
  if (!std::isfinite(value)) value = 0;
  value = std::clamp(value, -2147483647.0, 2147483647.0);
  const double rounded = std::round(value);
  if (std::fabs(value - rounded) < 0.0005) {
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(rounded));
    out.append(buf, r.ptr);
    return;
  }
  // Three decimals by integer arithmetic: formatting doubles was a fifth of a print run at a
  // printer's resolution. The digits are those of a correctly rounded conversion.
  const int64_t thousandths = ThousandthsOf(value);
  const uint64_t magnitude = thousandths < 0 ? -static_cast<uint64_t>(thousandths) : thousandths;
  char* end = buf;
  if (value < 0) *end++ = '-';
  end = std::to_chars(end, buf + sizeof buf, magnitude / 1000).ptr;
  const unsigned fraction = static_cast<unsigned>(magnitude % 1000);
  *end++ = '.';
  *end++ = static_cast<char>('0' + fraction / 100);
  *end++ = static_cast<char>('0' + fraction / 10 % 10);
  *end++ = static_cast<char>('0' + fraction % 10);
  while (end > buf && end[-1] == '0') --end;
  if (end > buf && end[-1] == '.') --end;
  out.append(buf, end);
}

PdfWriter::PdfWriter(ByteSink& sink) : sink_(sink) {
  offsets_.push_back(0);  // object 0 heads the free list
}

PdfWriter::~PdfWriter() {
  if (compressor_) libdeflate_free_compressor(compressor_);
}

bool PdfWriter::Put(std::string_view bytes) {
  if (Failed()) return false;
  if (!sink_.Write(bytes.data(), bytes.size())) {
    error_ = "寫入失敗";
    return false;
  }
  return true;
}

bool PdfWriter::Begin() {
  // The comment of high bytes tells transfer programs that the file is binary.
  return Put("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

int PdfWriter::Reserve() {
  offsets_.push_back(0);
  return static_cast<int>(offsets_.size() - 1);
}

bool PdfWriter::StartObject(int number) {
  if (Failed()) return false;
  if (number <= 0 || static_cast<std::size_t>(number) >= offsets_.size() || offsets_[number] != 0) {
    error_ = "PDF 物件編號錯誤";
    return false;
  }
  const std::uint64_t at = sink_.Written();
  if (at > kMaxOffset) {
    error_ = "PDF 檔太大";
    return false;
  }
  offsets_[number] = at;
  char head[32];
  const int n = std::snprintf(head, sizeof head, "%d 0 obj\n", number);
  return Put(std::string_view(head, n));
}

bool PdfWriter::WriteObject(int number, std::string_view body) {
  return StartObject(number) && Put(body) && Put("\nendobj\n");
}

bool PdfWriter::Deflate(std::string_view data) {
  // libdeflate at level 6: smaller and faster than zlib's default on our content streams; level
  // 1 is faster still but makes files about 7% larger.
  constexpr int kLevel = 6;
  if (!compressor_ && !(compressor_ = libdeflate_alloc_compressor(kLevel))) {
    error_ = "無法壓縮 PDF 內容";
    return false;
  }
  packed_.resize(libdeflate_zlib_compress_bound(compressor_, data.size()));
  const std::size_t size = libdeflate_zlib_compress(compressor_, data.data(), data.size(),
                                                    packed_.data(), packed_.size());
  if (size == 0) {
    error_ = "無法壓縮 PDF 內容";
    return false;
  }
  packed_.resize(size);
  return true;
}

bool PdfWriter::WriteStream(int number, std::string_view dict, std::string_view data,
                            bool compress) {
  // Streams beyond 2 GB go in plain: some readers count stream lengths in 32 bits.
  if (compress && data.size() < (1ULL << 31)) {
    if (!Deflate(data)) return false;
    data = packed_;
  } else {
    compress = false;
  }
  std::string head = "<<";
  head += dict;
  head += compress ? " /Filter /FlateDecode /Length " : " /Length ";
  head += std::to_string(data.size());
  head += ">>\nstream\n";
  return StartObject(number) && Put(head) && Put(data) && Put("\nendstream\nendobj\n");
}

bool PdfWriter::Finish(int root, int info) {
  if (Failed()) return false;
  for (std::size_t i = 1; i < offsets_.size(); ++i)
    if (offsets_[i] == 0) {
      error_ = "PDF 物件沒有寫出";
      return false;
    }
  const std::uint64_t xref = sink_.Written();
  if (xref > kMaxOffset) {
    error_ = "PDF 檔太大";
    return false;
  }
  std::string table = "xref\n0 " + std::to_string(offsets_.size()) + "\n";
  table += "0000000000 65535 f \n";
  char entry[24];
  for (std::size_t i = 1; i < offsets_.size(); ++i) {
    std::snprintf(entry, sizeof entry, "%010llu 00000 n \n",
                  static_cast<unsigned long long>(offsets_[i]));
    table += entry;
    if (table.size() > (1 << 16)) {
      if (!Put(table)) return false;
      table.clear();
    }
  }
  table += "trailer\n<</Size " + std::to_string(offsets_.size()) + " /Root " +
           std::to_string(root) + " 0 R /Info " + std::to_string(info) + " 0 R>>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
  return Put(table);
}

}  // namespace vellomir
