#include "app/verify_command.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <ostream>

#include "app/design_session.h"
#include "app/merge_options.h"
#include "gui/zxing_symbol_reader.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"
#include "render/symbol_check.h"
#include "ui/print_handler.h"

namespace vellomir {

DpiOption TakeDpiOption(std::vector<std::string>& args) {
  DpiOption o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--dpi") continue;
    if (i + 1 >= args.size()) {
      o.error = "選項 --dpi 缺少值";
      return o;
    }
    const std::string text = Trim(args[i + 1]);
    // Digits with at most one decimal point, and nothing else.
    const bool number = !text.empty() &&
                        text.find_first_not_of("0123456789.") == std::string::npos &&
                        std::count(text.begin(), text.end(), '.') <= 1 && text != ".";
    const double v = number ? NumericValue(text) : 0;
    if (!number || !(v >= 50 && v <= 4800)) {
      o.error = "--dpi 的值必須是 50 到 4800 之間的數字: " + args[i + 1];
      return o;
    }
    o.dpi = v;
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    --i;
  }
  return o;
}

bool TakeFlag(std::vector<std::string>& args, const std::string& flag) {
  const auto it = std::remove(args.begin(), args.end(), flag);
  const bool found = it != args.end();
  args.erase(it, args.end());
  return found;
}

int RunVerifyCommand(const std::vector<std::string>& given, std::ostream& out, std::ostream& err) {
  auto fail = [&err](const std::string& message) {
    err << "vellomir verify: " << message << "\n";
    return 2;
  };
  std::vector<std::string> args = given;
  const DpiOption dpi = TakeDpiOption(args);
  if (!dpi.error.empty()) return fail(dpi.error);
  const MergeOptions merge = TakeMergeOptions(args, /*with_row=*/true, /*with_batches=*/false);
  if (!merge.error.empty()) return fail(merge.error);
  DesignCommandOptions o;
  if (auto e = ParseDesignCommandOptions(args, /*with_printer=*/false, o); !e.empty())
    return fail(e);
  if (!o.output.empty()) return fail("verify 不寫檔案: " + o.output);

  DesignSession session;
  const std::string problem = session.Open(o.design);
  for (const auto& warning : session.warnings) err << "vellomir verify: " << warning << "\n";
  if (!problem.empty()) return fail(problem);
  if (o.copies) session.window.l_amount.text = *o.copies;

  const auto rules = std::make_unique<RuleTable>(ReadRuleTable(session.Work()));
  if (rules->error != FileError::kNone) return fail("無法讀取工作檔");
  // With a data file: one row when asked (its labels as the copies field numbers them), else
  // the whole run, every row encoded and the first and last label read back.
  std::optional<MergeData> data;
  if (auto e = LoadMergeData(merge, std::cin, data); !e.empty()) return fail(e);
  LabelFields fields;
  double amount = NumericValue(session.window.l_amount.text);
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
  if (auto e = CheckMergeRows(*rules, fields, whole_labels(amount), session.window.UnitsPerMm);
      !e.empty()) {
    out << e << "\n";
    return 1;
  }
  LabelDrawing how = session.Drawing();
  how.fields = &fields;
  // The label's size as the print command takes it, so both check the same.
  PrintLayout layout;
  if (auto e = ReadPrintLayout(session.window, layout); !e.empty()) return fail(e);

  // The print command's own check: at the printer's dots with --dpi, else as a plain PDF.
  ZXingSymbolReader reader;
  const DesignCheck check = CheckDesign(*rules, amount, how, dpi.dpi.value_or(0), reader,
                                        layout.label_width, layout.label_height);
  for (const SymbolCheck& c : check.symbols) out << DescribeCheck(c) << "\n";
  for (const std::string& line : check.layout) out << line << "\n";
  if (check.symbols.empty()) out << "標籤檔沒有條碼規則\n";
  return check.problems.empty() ? 0 : 1;
}

}  // namespace vellomir
