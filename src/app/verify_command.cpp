#include "app/verify_command.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <ostream>

#include "app/design_session.h"
#include "app/merge_options.h"
#include "output/zxing_symbol_reader.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"
#include "render/symbol_check.h"
#include "ui/print_handler.h"

namespace vellomir {

int RunVerifyCommand(const std::vector<std::string>& given, std::ostream& out, std::ostream& err) {
  auto fail = [&err](const std::string& message) {
    err << "vellomir verify: " << message << "\n";
    return 2;
  };
  const ParsedCommandLine parsed = ParseCommandLine(VerifyCommandSyntax(), given);
  if (const auto answer = AnswerHelpOrError(VerifyCommandSyntax(), parsed, out, err))
    return *answer;
  const std::optional<double> dpi_given = parsed.Number("--dpi");
  const MergeOptions merge = MergeOptionsFrom(parsed);
  if (!merge.error.empty()) return fail(merge.error);
  DesignCommandOptions o;
  if (auto e = DesignOptionsFrom(parsed, o); !e.empty()) return fail(e);

  DesignSession session;
  const std::string problem = session.Open(o.design);
  for (const auto& warning : session.warnings) err << "vellomir verify: " << warning << "\n";
  if (!problem.empty()) return fail(problem);
  if (o.copies) session.settings.copies = *o.copies;

  const auto rules = std::make_unique<RuleTable>(ReadRuleTable(session.Work()));
  if (rules->error != FileError::kNone) return fail("無法讀取工作檔");
  // With a data file: one row when asked (its labels as the copies field numbers them), else
  // the whole run, every row encoded and the first and last label read back.
  std::optional<MergeData> data;
  if (auto e = LoadMergeData(merge, std::cin, data); !e.empty()) return fail(e);
  LabelFields fields;
  double amount = NumericValue(session.settings.copies);
  const auto whole_labels = [](double v) {
    return static_cast<int64_t>(std::clamp(std::ceil(v), 1.0, 1e12));
  };
  if (data && merge.row) {
    fields.data = &*data;
    fields.fixed_row = *merge.row - 1;
  } else if (data) {
    std::string trouble;
    const auto labels = PlanMergeRun(*data, whole_labels(amount), kMaxMergeRows * kMaxMergeQuantity,
                                     fields, trouble);
    if (!labels) return fail(trouble);
    amount = static_cast<double>(*labels);
  }
  if (auto e = CheckMergeRows(*rules, fields, whole_labels(amount), kUnitsPerMm); !e.empty()) {
    out << e << "\n";
    return 1;
  }
  LabelDrawing how = session.Drawing();
  how.fields = &fields;
  // The label's size as the print command takes it, so both check the same.
  PrintLayout layout;
  if (auto e = session.ReadLayout(layout); !e.empty()) return fail(e);

  // The print command's own check: at the printer's dots with --dpi, else as a plain PDF.
  ZXingSymbolReader reader;
  const DesignCheck check = CheckDesign(*rules, amount, how, dpi_given.value_or(0), reader,
                                        layout.label_width, layout.label_height);
  for (const SymbolCheck& c : check.symbols) out << DescribeCheck(c) << "\n";
  for (const std::string& line : check.layout) out << line << "\n";
  if (check.symbols.empty()) out << "標籤檔沒有條碼規則\n";
  return check.problems.empty() ? 0 : 1;
}

}  // namespace vellomir
