#include "render/rule_list.h"

#include <cstdio>
#include <memory>

namespace vellomir {

std::string RuleSummaryLine(const std::array<std::string, kRuleTableFields>& fields, int index) {
  const std::string& kind = fields[0];
  std::string prefix;
  std::string start;
  char number[16];
  std::snprintf(number, sizeof number, "%03d", index + 1);
  if (kind == "1") {
    prefix = std::string(number) + ",條碼; ";
    start = fields[7];
  } else if (kind == "2") {
    prefix = std::string(number) + ",文字; ";
    start = fields[5];
  } else if (kind == "3") {
    prefix = std::string(number) + ",圖片; ";
  }
  return prefix + fields[1] + " , 從" + start + "開始算批號";
}

void RefreshLabelView(MainWindowModel& window, DrawingSurface& picture1, const FileSystem& files,
                      const FileSystem* pictures) {
  window.rule_list.Clear();
  if (!files.FileExists(std::string(kWorkingFileName))) return;
  // The list holds exactly the rows the renderer reads, so list line k stays rule index k.
  const auto rules = std::make_unique<RuleTable>(ReadRuleTable(files));
  for (int i = 0; i < rules->n; ++i)
    window.rule_list.AddItem(RuleSummaryLine(rules->rows[static_cast<std::size_t>(i)], i));
  DrawLabelPreview(window, picture1, files, pictures);
}

}  // namespace vellomir
