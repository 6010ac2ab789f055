#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Fields in a rule's data: "${NAME}" takes a value from the row of a data file or a date of the
// run; "$${" writes a literal "${"; any other "$" stays as typed, so Code 39 data and designs
// made before fields keep their meaning. Every kind of rule data goes through ExpandFields
// before it is encoded or printed.
namespace vellomir {

struct CivilDate {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
};

// The local date now.
CivilDate Today();

// The date `count` units away: 'd' days, 'w' weeks, 'm' months, 'y' years. A month or year
// step that lands past the end of a month takes its last day (Aug 31 + 6m = Feb 28/29).
CivilDate AddToDate(CivilDate date, long count, char unit);

// %Y year, %y its last two digits, %m month, %d day (two digits each), %R the year of the
// Republic of China (2026 -> 115), %% a percent sign. Nothing for any other code.
std::optional<std::string> FormatDate(CivilDate date, std::string_view format);

// Where the fields of one label take their values.
struct FieldValues {
  const std::vector<std::string>* names = nullptr;   // a data file's header, or none
  const std::vector<std::string>* values = nullptr;  // the row, in the header's order
  CivilDate today;
  // A field without a value stays as typed instead of being an error (the preview shows a
  // design without its data file so).
  bool keep_unknown = false;
};

struct FieldExpansion {
  std::string text;
  std::string missing;  // a field named that has no value
  std::string problem;  // a field written wrong, as a message
  bool ok() const { return missing.empty() && problem.empty(); }
};

// Whether the text holds a field (or a "$${"): only such data is expanded.
inline bool HasFields(std::string_view text) { return text.find("${") != std::string_view::npos; }

// The text with every field replaced by its value. A column of the data file wins over a date
// name of the same spelling. Date names: "今天" and "date" (format %Y/%m/%d unless given),
// "民國年" (format %R), each with an optional offset and format: ${date+30d:%Y/%m/%d}.
FieldExpansion ExpandFields(std::string_view text, const FieldValues& values);

}  // namespace vellomir
