// Opening a label file: the check every open goes through, the open itself with its rule list
// and preview, and saving the opened design again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "document/label_file.h"
#include "fuzz_support.h"
#include "platform/text_util.h"
#include "render/rule_list.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

// The design being edited when the file is opened; a refused open must leave it as it is.
const std::string kDesignBefore =
    "setting,,;3,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n"
    "1,,;ABC,,;10,,;20,,;15,,;20,,;4,,;1,,;1,,;14,,;8,,;1,,;\r\n";

std::vector<std::string> Layout(const MainWindowModel& w) {
  return {w.l_amount.text, w.l_paper_width.text, w.l_paper_height.text, w.l_col.text,
          w.l_row.text,    w.d_row.text,         w.d_col.text};
}

}  // namespace
}  // namespace vellomir

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vellomir;
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  const LabelFileCheck check = CheckLabelFile(bytes);
  if (check.ok()) {
    FUZZ_CHECK(check.settings.size() >= static_cast<std::size_t>(kMinSettingsParts));
    FUZZ_CHECK(check.settings[0] == "setting");
  } else {
    FUZZ_CHECK(check.settings.empty());
  }

  fuzz::EmptyPrivateFolder();
  fuzz::PutPictures();
  fuzz::PutFile("temp1.txt", kDesignBefore);
  fuzz::PutFile("in.vlm", bytes);
  FileSystem files(fuzz::PrivateFolder());
  MainWindowModel window;
  const std::vector<std::string> layout_before = Layout(window);
  RecordingMessageBox messages;
  const FixedPitchMetrics metrics(120);
  const fuzz::StandInPictures pictures;
  RecordingSurface picture1(metrics, &pictures);

  RuleListView view(picture1, files, &files);
  const bool opened = FileOpenPath(window, files, messages, view, "in.vlm");
  FUZZ_CHECK(opened == check.ok());
  if (!opened) {
    // One message, and nothing of the design changed.
    FUZZ_CHECK(messages.shown.size() == 1);
    FUZZ_CHECK(fuzz::GetFile("temp1.txt") == kDesignBefore);
    FUZZ_CHECK(window.CurrentFileName.empty());
    FUZZ_CHECK(Layout(window) == layout_before);
    return 0;
  }

  // The working file is a byte copy; the layout comes from the settings record.
  FUZZ_CHECK(messages.shown.empty());
  FUZZ_CHECK(fuzz::GetFile("temp1.txt") == bytes);
  FUZZ_CHECK(window.CurrentFileName == "in.vlm");
  const std::vector<std::string> layout = Layout(window);
  for (std::size_t k = 0; k < layout.size(); ++k) {
    const std::string expected =
        k + 1 < check.settings.size() ? Trim(check.settings[k + 1]) : layout_before[k];
    FUZZ_CHECK(layout[k] == expected);
  }
  // One list line per rule line, as the check counted them.
  const std::size_t rule_lines = SplitLines(bytes).size() - 1;
  FUZZ_CHECK(window.rule_list.entries.size() == rule_lines);
  FUZZ_CHECK(fuzz::AllOperationsFinite(picture1));

  // Saved again unchanged, the file comes out byte for byte as it came in.
  window.CurrentFileName = "out.vlm";
  RecordingDialogs dialogs;
  FUZZ_CHECK(FileSave(window, files, dialogs, messages));
  FUZZ_CHECK(fuzz::GetFile("out.vlm") == bytes);
  FUZZ_CHECK(messages.shown.empty());
  return 0;
}
