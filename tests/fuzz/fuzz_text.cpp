// The text helpers every reader relies on: CP950 conversion both ways, numbers read from
// field texts, the field and line splitting, code points, and the batch number appended to a
// rule's content.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/file_system.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"

namespace vellomir {
namespace {

void CheckConversions(const std::string& text) {
  // Decoded CP950 is valid UTF-8 that encodes again.
  if (const auto utf8 = Cp950ToUtf8(text)) {
    FUZZ_CHECK(FromCodePoints(ToCodePoints(*utf8)) == *utf8);
    FUZZ_CHECK(Utf8ToCp950(*utf8).has_value());
  }
  // Encoded text decodes to a text that encodes to the same bytes.
  if (const auto cp950 = Utf8ToCp950(text)) {
    const auto back = Cp950ToUtf8(*cp950);
    FUZZ_CHECK(back.has_value());
    FUZZ_CHECK(Utf8ToCp950(*back) == cp950);
  }
}

void CheckNumbers(const std::string& text) {
  const double v = NumericValue(text);
  FUZZ_CHECK(!std::isnan(v));
  FUZZ_CHECK(NumericValue(" " + text + "\t") == v);
  // A text that starts with a digit reads as the negative of itself after a minus.
  if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
    FUZZ_CHECK(v >= 0);
    FUZZ_CHECK(NumericValue("-" + text) == -v);
  }
  if (const auto i16 = ToInt16(v)) FUZZ_CHECK(std::fabs(*i16 - v) <= 0.5);
  if (const auto i32 = ToInt32(v)) FUZZ_CHECK(std::fabs(*i32 - v) <= 0.5);
  if (std::isfinite(v) && std::fabs(v) <= 32767) FUZZ_CHECK(ToInt16(v).has_value());
}

void CheckSplitting(const std::string& text) {
  const std::vector<std::string> fields = SplitFields(text);
  FUZZ_CHECK(fields.empty() == text.empty());
  std::string joined;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    FUZZ_CHECK(fields[i].find(kFieldSeparator) == std::string::npos);
    if (i > 0) joined += kFieldSeparator;
    joined += fields[i];
  }
  FUZZ_CHECK(joined == text);

  std::size_t length = 0;
  for (const std::string& line : SplitLines(text)) {
    FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    length += line.size();
  }
  FUZZ_CHECK(length + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r') +
                                               std::count(text.begin(), text.end(), '\n')) ==
             text.size());

  const std::u32string cps = ToCodePoints(text);
  FUZZ_CHECK(ToCodePoints(FromCodePoints(cps)) == cps);
  if (FromCodePoints(cps) == text) FUZZ_CHECK(CodePointCount(text) == cps.size());
  const std::string trimmed = Trim(text);
  FUZZ_CHECK(Trim(trimmed) == trimmed);
  FUZZ_CHECK(text.find(trimmed) != std::string::npos);
}

void CheckBatch(const std::string& content, const std::string& digits, const std::string& start,
                double label) {
  const auto out = ContentWithBatch(content, digits, start, label);
  const double s = NumericValue(start);
  if (!(s > 0)) {
    FUZZ_CHECK(out == content);
    return;
  }
  if (!out) {
    FUZZ_CHECK(!std::isfinite(label + s - 1));
    return;
  }
  // The content, then an optional minus and at least the asked number of digits.
  FUZZ_CHECK(out->compare(0, content.size(), content) == 0);
  std::string number = out->substr(content.size());
  if (!number.empty() && number[0] == '-') number.erase(0, 1);
  FUZZ_CHECK(!number.empty());
  FUZZ_CHECK(number.find_first_not_of("0123456789") == std::string::npos);
  const double count = std::trunc(NumericValue(digits));
  if (count >= 1 && count <= 500) FUZZ_CHECK(number.size() >= static_cast<std::size_t>(count));
}

}  // namespace
}  // namespace vellomir

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vellomir;
  const std::string whole(reinterpret_cast<const char*>(data), size);
  CheckConversions(whole);
  CheckNumbers(whole);
  CheckSplitting(whole);

  fuzz::ByteReader input(data, size);
  const std::string content = input.TakeText(64);
  const std::string digits = input.TakeText(16);
  const std::string start = input.TakeText(32);
  const double label = input.Take<double>();
  CheckBatch(content, digits, start, label);
  return 0;
}
