// The working file as whatever bytes a damaged or foreign file leaves there: the rule table,
// the rule list, reading one record for the editor, and the three rewrites of a rule edit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "document/working_file.h"
#include "fuzz_support.h"
#include "platform/text_util.h"
#include "render/rule_list.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

constexpr std::string_view kListEnding = "開始算批號";

bool AllLinesDecode(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (!Cp950ToUtf8(line)) return false;
  return true;
}

void FillEditorWithBarcode(MainWindowModel& w) {
  w.rule_kind.text = std::string(kRuleKindBarcode);
  w.rule_content.text = "FUZZ";
  w.l_x.text = "10";
  w.l_y.text = "5";
  w.l_width.text = "15";
  w.l_height.text = "20";
  w.l_patch_order.text = "4";
  w.l_patch_start.text = "1";
  w.Check1.value = 1;
  w.l_fontsize.text = "10";
  w.codebar_kind.Select(8);
  w.Check2.value = 1;
}

std::vector<std::string> FileLines() { return SplitLines(fuzz::GetFile("temp1.txt").value_or("")); }

}  // namespace
}  // namespace vellomir

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vellomir;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = SplitLines(bytes);
  const int rule_lines = lines.empty() ? 0 : static_cast<int>(lines.size()) - 1;

  fuzz::EmptyPrivateFolder();
  fuzz::PutPictures();
  fuzz::PutFile("temp1.txt", bytes);
  FileSystem files(fuzz::PrivateFolder());

  // The table holds the rule lines after the settings line, at most 101 of them.
  const auto table = std::make_unique<RuleTable>(ReadRuleTable(files));
  FUZZ_CHECK(table->n >= 0 && table->n <= kRuleTableRows);
  if (AllLinesDecode(lines)) {
    FUZZ_CHECK(table->error == FileError::kNone);
    FUZZ_CHECK(table->n == std::min(rule_lines, kRuleTableRows));
    FUZZ_CHECK(table->truncated == (rule_lines > kRuleTableRows));
  } else {
    FUZZ_CHECK(table->error == FileError::kInvalidBytes);
    FUZZ_CHECK(table->n == 0);
  }

  // The list has one line per table row, each ending the same way.
  MainWindowModel window;
  RecordingMessageBox messages;
  const FixedPitchMetrics metrics(120);
  const fuzz::StandInPictures pictures;
  RecordingSurface picture1(metrics, &pictures);
  RefreshLabelView(window, picture1, files, &files);
  FUZZ_CHECK(window.rule_list.ListCount() == table->n);
  for (const std::string& entry : window.rule_list.entries)
    FUZZ_CHECK(entry.size() >= kListEnding.size() && entry.ends_with(kListEnding));
  FUZZ_CHECK(fuzz::AllOperationsFinite(picture1));

  // Every record the list shows can be loaded into the editor, with at least the parts of
  // its kind.
  for (int k = -1; !lines.empty() && k < std::min(rule_lines, 4); ++k) {
    const auto parts = ReadRuleRecord(window, files, messages, k);
    const auto text = Cp950ToUtf8(lines[static_cast<std::size_t>(k + 1)]);
    FUZZ_CHECK(parts.has_value() == text.has_value());
    if (parts && k >= 0 && !parts->empty())
      FUZZ_CHECK(parts->size() >= static_cast<std::size_t>(RuleRecordParts((*parts)[0])));
  }

  // Add: the old rule lines are kept byte for byte, the new record comes last, and temp2.txt
  // holds the file as it was.
  FillEditorWithBarcode(window);
  const std::string new_record = *Utf8ToCp950(ComposeRuleRecord(window));
  messages.shown.clear();
  const bool added = RewriteWorkingFile(window, files, messages, RewriteOperation::kAdd);
  if (rule_lines >= kMaxRules) {
    FUZZ_CHECK(!added);
    FUZZ_CHECK(messages.shown.size() == 1);
    FUZZ_CHECK(fuzz::GetFile("temp1.txt") == bytes);
    return 0;
  }
  FUZZ_CHECK(added);
  FUZZ_CHECK(fuzz::GetFile("temp2.txt") == bytes);
  std::vector<std::string> after = FileLines();
  FUZZ_CHECK(static_cast<int>(after.size()) == rule_lines + 2);
  for (int k = 1; k <= rule_lines; ++k)
    FUZZ_CHECK(after[static_cast<std::size_t>(k)] == lines[static_cast<std::size_t>(k)]);
  FUZZ_CHECK(after.back() == new_record);

  // Modify the first rule, then delete it: the others stay in place.
  const std::string before_modify = *fuzz::GetFile("temp1.txt");
  window.rule_content.text = "CHANGED";
  const std::string changed_record = *Utf8ToCp950(ComposeRuleRecord(window));
  FUZZ_CHECK(RewriteWorkingFile(window, files, messages, RewriteOperation::kModify, 0));
  FUZZ_CHECK(fuzz::GetFile("temp2.txt") == before_modify);
  after = FileLines();
  FUZZ_CHECK(static_cast<int>(after.size()) == rule_lines + 2);
  FUZZ_CHECK(after[1] == changed_record);
  FUZZ_CHECK(after.back() == (rule_lines == 0 ? changed_record : new_record));

  FUZZ_CHECK(RewriteWorkingFile(window, files, messages, RewriteOperation::kDelete, 0));
  after = FileLines();
  FUZZ_CHECK(static_cast<int>(after.size()) == rule_lines + 1);
  for (int k = 2; k <= rule_lines; ++k)
    FUZZ_CHECK(after[static_cast<std::size_t>(k - 1)] == lines[static_cast<std::size_t>(k)]);

  // A position past the last rule changes nothing.
  const std::string before_stray = *fuzz::GetFile("temp1.txt");
  FUZZ_CHECK(
      !RewriteWorkingFile(window, files, messages, RewriteOperation::kDelete, rule_lines + 1));
  FUZZ_CHECK(fuzz::GetFile("temp1.txt") == before_stray);
  return 0;
}
