#include "render/rule_list.h"

#include <cstdio>
#include <memory>

namespace vellomir {

std::string RuleSummaryLine(const RuleFields& fields, int index) {
  const RuleRecord r(fields);
  std::string prefix;
  char number[16];
  std::snprintf(number, sizeof number, "%03d", index + 1);
  if (r.IsBarcode()) {
    prefix = std::string(number) + ",條碼; ";
  } else if (r.IsText()) {
    prefix = std::string(number) + ",文字; ";
  } else if (r.IsPicture()) {
    prefix = std::string(number) + ",圖片; ";
  }
  return prefix + r.Data() + " , 從" + r.BatchStart() + "開始算批號";
}

void RefreshLabelView(MainWindowModel& window, DrawingSurface& picture1, const FileSystem& files,
                      const FileSystem* pictures) {
  window.rule_list.Clear();
  if (!files.FileExists(std::string(kWorkingFileName))) return;
  // The list holds exactly the rows the renderer reads, so list line k stays rule index k.
  const auto rules = std::make_unique<RuleTable>(ReadRuleTable(files));
  for (int i = 0; i < rules->n; ++i)
    window.rule_list.AddItem(RuleSummaryLine(rules->rows[static_cast<std::size_t>(i)], i));
  DrawLabelPreview(window, picture1, files, pictures, nullptr, rules.get());
}

}  // namespace vellomir
