#include <gtest/gtest.h>

#include <sstream>

#include "app/command_line.h"

namespace vellomir {
namespace {

// One option table serves every subcommand: each row is a command line, what the parser makes
// of it, and why.
TEST(CommandLine, OneTableForEveryCommand) {
  struct Row {
    const CommandSyntax& command;
    std::vector<std::string> args;
    // The option to look at ("" for none) and its value; the start of the error ("" for none).
    std::string option, value, error;
    const char* why;
  };
  const CommandSyntax& print = PrintCommandSyntax();
  const CommandSyntax& verify = VerifyCommandSyntax();
  const CommandSyntax& barcode = BarcodeCommandSyntax();
  // clang-format off
  const Row rows[] = {
      {print, {"a.vlm", "--copies=3"}, "--copies", "3", "", "--opt=value"},
      {print, {"--copies", "3", "a.vlm"}, "--copies", "3", "", "--opt value"},
      {print, {"a.vlm", "-o", "-"}, "--output", "-", "", "- is a value, not an option"},
      {print, {"a.vlm", "--dpi", "203", "--dpi=300"}, "--dpi", "300", "", "last counts"},
      {verify, {"a.vlm", "--dpi", "49"}, "", "", "--dpi 的值必須是 50 到 4800", "range"},
      {barcode, {"--dpi", "3e2"}, "", "", "--dpi 的值必須是 50 到 4800", "as print's --dpi"},
      {barcode, {"--dpi", "4800"}, "--dpi", "4800", "", "same range as print"},
      {print, {"a.vlm", "--dpi"}, "", "", "選項 --dpi 缺少值", "value missing"},
      {print, {"a.vlm", "--printer="}, "", "", "選項 --printer 的值是空的", "empty"},
      {barcode, {"--data="}, "--data", "", "", "barcode data may be empty"},
      {print, {"a.vlm", "--row", "2"}, "", "", "不認得的選項: --row", "print prints every row"},
      {verify, {"a.vlm", "--row", "0"}, "", "", "--row 的值必須是 1 到", "rows from 1"},
      {print, {"a.vlm", "--copies", "0x10"}, "", "", "--copies 的值必須是數字", "hex"},
      {print, {"a.vlm", "--reprint=yes"}, "", "", "選項 --reprint 不帶值", "flag"},
      {print, {"--", "-odd.vlm"}, "", "", "", "-- ends the options"},
  };
  // clang-format on
  for (const Row& r : rows) {
    const ParsedCommandLine p = ParseCommandLine(r.command, r.args);
    // The whole error when none is expected, else its start.
    EXPECT_EQ(p.error.substr(0, r.error.empty() ? std::string::npos : r.error.size()), r.error)
        << r.why << ": " << p.error;
    if (!r.option.empty()) {
      EXPECT_EQ(p.Text(r.option).value_or("<none>"), r.value) << r.why;
    }
  }
  EXPECT_EQ(ParseCommandLine(PrintCommandSyntax(), {"--", "-odd.vlm"}).files,
            std::vector<std::string>{"-odd.vlm"});
}

// --help is an answer on standard output; an unknown option an error with the usage.
TEST(CommandLine, HelpAndErrorsAnswerWithTheUsage) {
  for (const std::string_view name : {"barcode", "preview", "print", "verify", "log"}) {
    const CommandSyntax* command = FindCommandSyntax(name);
    ASSERT_NE(command, nullptr) << name;
    const std::string who = "vellomir " + std::string(name);
    std::ostringstream out, err, out2, err2;
    EXPECT_EQ(AnswerHelpOrError(*command, ParseCommandLine(*command, {"--help"}), out, err), 0);
    EXPECT_EQ(out.str().find("用法:\n  " + who), 0u) << out.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(AnswerHelpOrError(*command, ParseCommandLine(*command, {"--nope"}), out2, err2), 2);
    EXPECT_EQ(out2.str(), "");
    EXPECT_EQ(err2.str().rfind(who + ": 不認得的選項: --nope\n用法:", 0), 0u);
  }
}

}  // namespace
}  // namespace vellomir
