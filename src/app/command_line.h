#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Every subcommand's options, read by one parser from one table: an option means the same
// wherever it is taken, as "--opt value" or "--opt=value", and every subcommand answers
// "--help" with its own usage.
namespace vellomir {

enum class OptionValue {
  kNone,     // a flag
  kText,     // any text but an empty one
  kAnyText,  // any text, also an empty one
  kNumber,   // decimal digits with at most one point, within [min, max]
  kWhole,    // decimal digits only, within [min, max]
  kCount,    // a number as the copies field takes it (checked again by the run)
};

struct OptionRow {
  std::string_view name;   // "--dpi"
  std::string_view alias;  // "-o", or ""
  OptionValue value = OptionValue::kNone;
  double min = 0;
  double max = 0;
};

// One subcommand: its name, its usage lines and the options it takes.
struct CommandSyntax {
  std::string_view name;
  std::string_view usage;
  std::vector<OptionRow> options;
};

const CommandSyntax& BarcodeCommandSyntax();
const CommandSyntax& PreviewCommandSyntax();
const CommandSyntax& PrintCommandSyntax();
const CommandSyntax& VerifyCommandSyntax();
const CommandSyntax& LogCommandSyntax();
// The command of a subcommand by name; nothing for a name that is none.
const CommandSyntax* FindCommandSyntax(std::string_view name);

// Every subcommand's usage, for "vellomir --help".
void PrintUsage(std::ostream& out);
// "vellomir 0.1.2".
std::string VersionLine();

struct ParsedCommandLine {
  std::map<std::string, std::string, std::less<>> values;  // by long name; "" for a flag
  std::vector<std::string> files;                          // arguments that are no option;
                                                           // the subcommand counts them
  bool help = false;
  bool unknown_option = false;  // the error names an option the command does not take
  std::string error;            // the first thing wrong, as one line; "" when all is well

  bool Has(std::string_view name) const { return values.find(name) != values.end(); }
  std::optional<std::string> Text(std::string_view name) const;
  // The value of a kNumber or kWhole option, already checked.
  std::optional<double> Number(std::string_view name) const;
};

// Reads the arguments after the subcommand's name. Options may come in any order and again
// (the last one counts); "--" ends them.
ParsedCommandLine ParseCommandLine(const CommandSyntax& command,
                                   const std::vector<std::string>& args);

// What a subcommand does when its arguments are not all right or ask for help: help goes to
// `out` (exit 0); an error goes to `err` as one line "vellomir NAME: ERROR", followed by the
// usage when the option is unknown (exit 2). Nothing (go on) when neither.
std::optional<int> AnswerHelpOrError(const CommandSyntax& command, const ParsedCommandLine& parsed,
                                     std::ostream& out, std::ostream& err);

}  // namespace vellomir
