// A data file as any bytes (the first byte picks the encoding and delimiter the user would
// give), and every value it holds used as rule data with fields: reading never fails without
// one message, what it reads writes back as CSV and reads the same, and expansion keeps every
// text without fields as it is.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "document/fields.h"
#include "document/merge_data.h"
#include "fuzz_support.h"

namespace vellomir {
namespace {

std::string Quoted(const std::string& value) {
  std::string out = "\"";
  for (const char c : value) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string AsCsv(const MergeData& data) {
  std::string out;
  auto line = [&out](const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) out += (i ? "," : "") + Quoted(values[i]);
    out += "\r\n";
  };
  line(data.names);
  for (const auto& row : data.rows) line(row);
  return out;
}

void CheckExpansion(const std::string& text, const MergeData& data) {
  FieldValues values{&data.names, &data.rows.front(), {2026, 12, 7}};
  const FieldExpansion e = ExpandFields(text, values);
  if (!HasFields(text)) FUZZ_CHECK(e.ok() && e.text == text);
  FUZZ_CHECK(e.ok() || e.missing.empty() != e.problem.empty());
  values.keep_unknown = true;
  FUZZ_CHECK(ExpandFields(text, values).missing.empty());
}

}  // namespace
}  // namespace vellomir

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  using namespace vellomir;
  fuzz::ByteReader reader(bytes, size);
  const auto mode = reader.Take<uint8_t>();
  const MergeEncoding encoding = static_cast<MergeEncoding>(mode % 3);
  const char delimiter = (mode / 3) % 3 == 0 ? 0 : (mode / 3) % 3 == 1 ? ',' : '\t';
  std::istringstream in(reader.TakeRest());
  const MergeReadResult read = ReadMergeData(in, encoding, delimiter);
  if (!read.data) {
    FUZZ_CHECK(!read.error.empty() && read.error.find('\n') == std::string::npos);
    return 0;
  }
  const MergeData& data = *read.data;
  FUZZ_CHECK(read.error.empty() && !data.rows.empty());
  FUZZ_CHECK(data.lines.size() == data.rows.size());
  FUZZ_CHECK(data.quantities.size() == (data.quantity_column ? data.rows.size() : 0));
  for (std::size_t r = 0; r < data.rows.size(); ++r) {
    FUZZ_CHECK(data.rows[r].size() == data.names.size());
    FUZZ_CHECK(r == 0 || data.lines[r] > data.lines[r - 1]);
    for (const std::string& value : data.rows[r]) FUZZ_CHECK(IsUtf8(value));
    if (data.quantity_column) FUZZ_CHECK(data.quantities[r] <= kMaxMergeQuantity);
  }

  // Written back as quoted CSV in UTF-8, it reads the same.
  std::istringstream again(AsCsv(data));
  const MergeReadResult reread = ReadMergeData(again, MergeEncoding::kUtf8, ',');
  if (reread.data) {
    FUZZ_CHECK(reread.data->names == data.names);
    FUZZ_CHECK(reread.data->rows == data.rows);
  } else {
    FUZZ_CHECK(reread.error.find("超過") != std::string::npos);  // only the size guards
  }

  // Every value as rule data; every column's field gives the first row's value.
  for (const std::string& value : data.rows.front()) CheckExpansion(value, data);
  for (std::size_t c = 0; c < data.names.size(); ++c) {
    const std::string& name = data.names[c];
    if (name.find('}') != std::string::npos ||
        std::count(data.names.begin(), data.names.end(), name) > 1)
      continue;
    FieldValues values;
    values.names = &data.names;
    values.values = &data.rows.front();
    const FieldExpansion e = ExpandFields("${" + name + "}", values);
    FUZZ_CHECK(e.ok() && e.text == data.rows.front()[c]);
  }
  return 0;
}
