#include "ui/merge_handler.h"

#include <algorithm>

#include "document/merge_data.h"
#include "document/working_file.h"
#include "platform/text_util.h"
#include "settings/data_file_memory.h"

namespace vellomir {

namespace {

// A list longer than this helps nobody pick from it; the first rows are offered.
constexpr std::size_t kMostListedRows = 10000;

const FileSystem& Here(const EditorContext& context) {
  return context.here != nullptr ? *context.here : context.files;
}

// Lists the rows of merge_file in merge_row ("3: 鳳梨酥"), row 1 picked; "" when it reads,
// else why not.
std::string ListRows(MainWindowModel& w, const EditorContext& context) {
  w.merge_row.entries = {"1"};
  w.merge_row.Select(0);
  const std::string path = Trim(w.merge_file.text);
  if (path.empty()) return {};
  const MergeReadResult read = ReadMergeFile(Here(context), path);
  if (!read.data) return read.error;
  w.merge_row.entries.clear();
  const std::size_t rows = std::min(read.data->rows.size(), kMostListedRows);
  for (std::size_t r = 0; r < rows; ++r) {
    const auto& values = read.data->rows[r];
    w.merge_row.entries.push_back(std::to_string(r + 1) +
                                  (values.empty() ? "" : ": " + values.front()));
  }
  w.merge_row.Select(0);
  return {};
}

void ShowPreview(MainWindowModel& w, EditorContext& context) {
  if (context.files.FileExists(std::string(kWorkingFileName))) context.view.Refresh(w);
}

}  // namespace

void BrowseMergeData(MainWindowModel& w, DialogService& dialogs, EditorContext& context,
                     const std::string& memory_path) {
  w.open_m_dial.file_name.clear();
  dialogs.ShowOpen(w.open_m_dial);
  const std::string path = Trim(w.open_m_dial.file_name);
  if (path.empty()) return;
  w.merge_file.text = path;
  if (const std::string problem = ListRows(w, context); !problem.empty())
    Tell(w, context.messages, problem);
  if (!w.CurrentFileName.empty())
    if (const std::string problem = RememberDataFile(memory_path, w.CurrentFileName, path);
        !problem.empty())
      Tell(w, context.messages, "警告: " + problem);
  ShowPreview(w, context);
}

void PickMergeRow(MainWindowModel& w, EditorContext& context) { ShowPreview(w, context); }

void RecallMergeData(MainWindowModel& w, EditorContext& context, const std::string& memory_path) {
  w.merge_file.text = RecallDataFile(memory_path, w.CurrentFileName);
  ListRows(w, context);  // a file that went bad is told when it is used
  ShowPreview(w, context);
}

}  // namespace vellomir
