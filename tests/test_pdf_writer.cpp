#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <regex>
#include <string>

#include "output/pdf_writer.h"
#include "platform/byte_sink.h"

namespace vellomir {
namespace {

// Keeps the bytes; `head_start` pretends that many bytes went before them, as in a file already
// past 4 GiB, and `limit` makes every write after that many bytes fail, as a full disk does.
class MemorySink : public ByteSink {
 public:
  bool Write(const char* data, std::size_t size) override {
    if (failed || bytes.size() + size > limit) {
      failed = true;
      return false;
    }
    bytes.append(data, size);
    return true;
  }
  std::uint64_t Written() const override { return head_start + bytes.size(); }

  std::string bytes;
  std::uint64_t head_start = 0;
  std::size_t limit = static_cast<std::size_t>(-1);
  bool failed = false;
};

struct XrefEntry {
  std::uint64_t offset;
  bool in_use;
};

// The cross-reference table and startxref as a reader finds them from the end of the file.
bool ReadXref(const std::string& pdf, std::vector<XrefEntry>& entries, std::uint64_t& start) {
  std::smatch m;
  if (!std::regex_search(pdf, m, std::regex(R"(startxref\n(\d+)\n%%EOF\n$)"))) return false;
  start = std::stoull(m[1]);
  const std::size_t table = pdf.rfind("xref\n0 ");
  if (table == std::string::npos) return false;
  std::size_t pos = table + 7;
  const int count = std::stoi(pdf.substr(pos));
  pos = pdf.find('\n', pos) + 1;
  for (int i = 0; i < count; ++i, pos += 20) {
    const std::string line = pdf.substr(pos, 20);
    if (!std::regex_match(line, std::regex(R"(\d{10} \d{5} [nf] \n)"))) return false;
    entries.push_back({std::stoull(line.substr(0, 10)), line[17] == 'n'});
  }
  return true;
}

// A small document: catalog, page tree, one page with a compressed content stream.
bool WriteSmallDocument(PdfWriter& w, const std::string& content) {
  const int catalog = w.Reserve(), pages = w.Reserve(), page = w.Reserve(), data = w.Reserve(),
            info = w.Reserve();
  return w.Begin() && w.WriteStream(data, "", content) &&
         w.WriteObject(page, "<</Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents " +
                                 std::to_string(data) + " 0 R>>") &&
         w.WriteObject(pages, "<</Type /Pages /Kids [3 0 R] /Count 1>>") &&
         w.WriteObject(catalog, "<</Type /Catalog /Pages 2 0 R>>") && w.WriteObject(info, "<<>>") &&
         w.Finish(catalog, info);
}

std::string Inflate(const std::string& packed) {
  std::string out(1 << 20, '\0');
  uLongf size = out.size();
  if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                 reinterpret_cast<const Bytef*>(packed.data()), packed.size()) != Z_OK)
    return "<not zlib>";
  out.resize(size);
  return out;
}

TEST(PdfWriter, EveryOffsetPointsAtItsObject) {
  MemorySink sink;
  PdfWriter w(sink);
  ASSERT_TRUE(WriteSmallDocument(w, "0 0 10 10 re f\n"));
  std::vector<XrefEntry> entries;
  std::uint64_t start = 0;
  ASSERT_TRUE(ReadXref(sink.bytes, entries, start));
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_FALSE(entries[0].in_use);
  for (std::size_t n = 1; n < entries.size(); ++n) {
    const std::string head = std::to_string(n) + " 0 obj\n";
    EXPECT_EQ(sink.bytes.substr(entries[n].offset, head.size()), head) << "object " << n;
  }
  EXPECT_EQ(sink.bytes.substr(start, 5), "xref\n");
  EXPECT_EQ(sink.bytes.rfind("%PDF-1.7\n", 0), 0u);
}

TEST(PdfWriter, OffsetsPastFourGibibytesKeepAllTheirDigits) {
  MemorySink sink;
  sink.head_start = (std::uint64_t{5} << 30) + 12345;  // 5 GiB and a bit before our bytes
  PdfWriter w(sink);
  ASSERT_TRUE(WriteSmallDocument(w, "0 0 10 10 re f\n"));
  std::vector<XrefEntry> entries;
  std::uint64_t start = 0;
  ASSERT_TRUE(ReadXref(sink.bytes, entries, start));
  for (std::size_t n = 1; n < entries.size(); ++n) {
    ASSERT_GT(entries[n].offset, sink.head_start);
    const std::string head = std::to_string(n) + " 0 obj\n";
    EXPECT_EQ(sink.bytes.substr(entries[n].offset - sink.head_start, head.size()), head);
  }
  EXPECT_EQ(sink.bytes.substr(start - sink.head_start, 5), "xref\n");
}

TEST(PdfWriter, StreamsAreDeflatedWithTheirLength) {
  MemorySink sink;
  PdfWriter w(sink);
  std::string content;
  for (int i = 0; i < 200; ++i) content += std::to_string(i * 16) + " 0 15 1978 re\n";
  ASSERT_TRUE(WriteSmallDocument(w, content));
  std::smatch m;
  ASSERT_TRUE(std::regex_search(sink.bytes, m,
                                std::regex(R"(/Filter /FlateDecode /Length (\d+)>>\nstream\n)")));
  const std::size_t length = std::stoul(m[1]);
  const std::size_t data = m.position(0) + m.length(0);
  EXPECT_LT(length, content.size() / 3);
  EXPECT_EQ(sink.bytes.substr(data + length, 10), "\nendstream");
  EXPECT_EQ(Inflate(sink.bytes.substr(data, length)), content);
}

TEST(PdfWriter, AFailedWriteStopsTheDocument) {
  MemorySink sink;
  sink.limit = 100;
  PdfWriter w(sink);
  EXPECT_FALSE(WriteSmallDocument(w, std::string(500, 'x')));
  EXPECT_TRUE(w.Failed());
  EXPECT_FALSE(w.Error().empty());
  const std::size_t kept = sink.bytes.size();
  EXPECT_FALSE(w.WriteObject(w.Reserve(), "<<>>"));
  EXPECT_EQ(sink.bytes.size(), kept);
  EXPECT_EQ(sink.bytes.find("xref"), std::string::npos);
}

TEST(PdfWriter, ObjectsMustBeWrittenOnceAndAll) {
  MemorySink sink;
  PdfWriter w(sink);
  ASSERT_TRUE(w.Begin());
  const int a = w.Reserve();
  w.Reserve();  // never written
  ASSERT_TRUE(w.WriteObject(a, "<<>>"));
  EXPECT_FALSE(w.Finish(a, a));  // a table pointing at nothing would be a broken file
  EXPECT_EQ(sink.bytes.find("xref"), std::string::npos);

  MemorySink again;
  PdfWriter twice(again);
  ASSERT_TRUE(twice.Begin());
  const int b = twice.Reserve();
  ASSERT_TRUE(twice.WriteObject(b, "<<>>"));
  EXPECT_FALSE(twice.WriteObject(b, "<<>>"));
  EXPECT_FALSE(twice.WriteObject(99, "<<>>"));
}

TEST(PdfNumber, WholeNumbersPlainOthersWithAtMostThreeDecimalsAllWithinReach) {
  const std::pair<double, const char*> cases[] = {
      {0, "0"},        {565, "565"},         {-16840, "-16840"},      {5932.5, "5932.5"},
      {0.05, "0.05"},  {1.0 / 3, "0.333"},   {-0.25, "-0.25"},        {8390.2500001, "8390.25"},
      {2.9999, "3"},   {1e12, "2147483647"}, {-1e300, "-2147483647"}, {std::nan(""), "0"},
      {HUGE_VAL, "0"},
      // Ties at the third decimal go to the even digit, but only true ties: the double nearest
      // 0.0015 lies above it and the one nearest 0.0875 below, though both products with 1000
      // round to a half.
      {0.0625, "0.062"},  {0.0875, "0.087"},  {0.0015, "0.002"},   {-0.0625, "-0.062"},
      {72.0 / 203 * 7, "2.483"}, {1234.56789, "1234.568"},
  };
  for (const auto& [value, text] : cases) {
    std::string out;
    AppendPdfNumber(out, value);
    EXPECT_EQ(out, text) << value;
  }
}

}  // namespace
}  // namespace vellomir
