#include "document/label_file.h"

#include <filesystem>
#include <optional>

#include "document/rule_editor.h"
#include "document/working_file.h"
#include "platform/text_util.h"
#include "render/rule_list.h"

namespace vellomir {

namespace {

const std::string kWorking(kWorkingFileName);

void Tell(const MainWindowModel& window, MessageBox& messages, const std::string& text) {
  messages.Show(text, window.AppTitle, MessageButtons::kOk);
}

bool SamePath(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec) && !ec) return true;
  // equivalent() needs both files to exist; a name not yet on disk is compared by its text.
  std::error_code ec_a;
  std::error_code ec_b;
  const auto ca = std::filesystem::weakly_canonical(a, ec_a);
  const auto cb = std::filesystem::weakly_canonical(b, ec_b);
  return !ec_a && !ec_b && ca == cb;
}

// Refuses a working file as a label file: "temp1.txt" would be deleted before it is copied,
// and either file is overwritten by the next edit and deleted at the next start.
bool RefuseWorkingFile(const MainWindowModel& window, const FileSystem& files, MessageBox& messages,
                       const std::string& path) {
  if (!IsWorkingFilePath(files, path)) return false;
  Tell(window, messages,
       "「" + path + "」是程式的工作檔,不能當作標籤檔開啟或存檔,請選擇其他檔名!!");
  return true;
}

// A folder, FIFO, device or socket is never replaced by a label file, nor is a read-only file;
// a link is written through and stays a link.
bool RefuseUnwritableTarget(const MainWindowModel& window, const FileSystem& files,
                            MessageBox& messages, const std::string& path) {
  const std::string why = files.CheckWriteTarget(path);
  if (why.empty()) return false;
  Tell(window, messages, why + ",沒有存檔!!");
  return true;
}

// The bytes a save writes: the working file as it is. A design without a working file has
// no rule yet; it is refused rather than saved, so no existing file is replaced by nothing.
std::optional<std::string> WorkingFileBytes(const MainWindowModel& window, const FileSystem& files,
                                            MessageBox& messages) {
  if (!files.FileExists(kWorking)) {
    Tell(window, messages, "目前的設計還沒有任何規則,沒有內容可以存檔,請先新增規則!!");
    return std::nullopt;
  }
  auto bytes = files.ReadBytes(kWorking);
  if (!bytes) Tell(window, messages, "無法讀取工作檔 temp1.txt,沒有存檔!!");
  return bytes;
}

// Writes through a temporary file renamed over the target, so the previous file is replaced
// only once the new content is complete; on a failure it stays, and so does CurrentFileName.
bool WriteLabelFile(MainWindowModel& window, FileSystem& files, MessageBox& messages,
                    const std::string& path, const std::string& bytes) {
  if (RefuseUnwritableTarget(window, files, messages, path)) return false;
  const bool existed = files.FileExists(path);
  if (!files.WriteBytes(path, bytes)) {
    Tell(window, messages,
         "無法寫入「" + path + "」,沒有存檔" + (existed ? ",原來的檔案沒有變更" : "") + "!!");
    return false;
  }
  window.CurrentFileName = path;
  return true;
}

// Shared by save and save as once a name has to be chosen.
bool SaveThroughChooser(MainWindowModel& window, FileSystem& files, DialogService& dialogs,
                        MessageBox& messages, CommonDialog& chooser) {
  const auto bytes = WorkingFileBytes(window, files, messages);
  if (!bytes) return false;
  dialogs.ShowSave(chooser);
  const std::string path = chooser.file_name;
  if (path.empty()) return false;
  if (RefuseWorkingFile(window, files, messages, path)) return false;
  // Asked before the overwrite question: no point offering to replace what will not be.
  if (RefuseUnwritableTarget(window, files, messages, path)) return false;
  if (files.FileExists(path)) {
    const MessageAnswer answer = messages.Show(std::string(kOverwriteQuestion),
                                               window.AppTitle + std::string(kWarningCaptionSuffix),
                                               MessageButtons::kOkCancel);
    if (answer != MessageAnswer::kOk) return false;
  }
  return WriteLabelFile(window, files, messages, path, *bytes);
}

}  // namespace

LabelFileCheck CheckLabelFile(const std::string& bytes) {
  LabelFileCheck check;
  const std::vector<std::string> lines = SplitLines(bytes);
  if (lines.empty()) {
    check.problem = "檔案是空的,不是標籤檔";
    return check;
  }
  std::string first;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto text = Cp950ToUtf8(lines[i]);
    if (!text) {
      check.problem = "第" + std::to_string(i + 1) + "行含有無法辨識的字元(不是 Big5 文字)";
      return check;
    }
    if (i == 0) first = std::move(*text);
  }
  std::vector<std::string> settings = SplitFields(first);
  if (settings.empty() || settings[0] != "setting") {
    check.problem = "第一行沒有標籤的設定資料,不是標籤檔";
    return check;
  }
  if (static_cast<int>(settings.size()) < kMinSettingsParts) {
    check.problem = "第一行的設定資料不到8個欄位,不是標籤檔";
    return check;
  }
  // The list, the preview and the print job read no more than this; the rest would be
  // silently left out.
  if (lines.size() - 1 > static_cast<std::size_t>(kMaxRules)) {
    check.problem = "規則超過" + std::to_string(kMaxRules) + "個,超出程式能處理的數量";
    return check;
  }
  check.settings = std::move(settings);
  return check;
}

void ApplySettingsRecord(MainWindowModel& window, const std::vector<std::string>& settings) {
  TextBox* const targets[] = {&window.l_amount, &window.l_paper_width, &window.l_paper_height,
                              &window.l_col,    &window.l_row,         &window.d_row,
                              &window.d_col};
  for (std::size_t k = 0; k < std::size(targets); ++k) {
    if (k + 1 < settings.size()) targets[k]->text = Trim(settings[k + 1]);
  }
}

bool IsWorkingFilePath(const FileSystem& files, const std::string& path) {
  const std::filesystem::path chosen(files.Resolve(path));
  for (std::string_view name : {kWorkingFileName, kPreviousFileName}) {
    if (SamePath(chosen, files.Resolve(std::string(name)))) return true;
  }
  return false;
}

bool OpenLabelFile(MainWindowModel& window, FileSystem& files, MessageBox& messages,
                   const std::string& path) {
  if (RefuseWorkingFile(window, files, messages, path)) return false;
  const std::string unchanged = ",目前的設計沒有變更!!";
  if (!files.FileExists(path)) {
    Tell(window, messages, "找不到檔案「" + path + "」" + unchanged);
    return false;
  }
  const auto bytes = files.ReadBytes(path);
  if (!bytes) {
    Tell(window, messages, "無法讀取檔案「" + path + "」" + unchanged);
    return false;
  }
  const LabelFileCheck check = CheckLabelFile(*bytes);
  if (!check.ok()) {
    Tell(window, messages, "無法開啟「" + path + "」:" + check.problem + unchanged);
    return false;
  }
  // Replaced in one step: on a failure the working file keeps the current design.
  if (!files.WriteBytes(kWorking, *bytes)) {
    Tell(window, messages, "無法寫入工作檔 temp1.txt,沒有開啟「" + path + "」" + unchanged);
    return false;
  }
  ApplySettingsRecord(window, check.settings);
  window.CurrentFileName = path;
  return true;
}

void FileNew(MainWindowModel& window, FileSystem& files, MessageBox& messages,
             DrawingSurface& picture1, const FileSystem* pictures) {
  if (files.FileExists(kWorking) && !files.DeleteFile(kWorking)) {
    Tell(window, messages, "無法刪除工作檔 temp1.txt,沒有開新檔案,目前的設計沒有變更!!");
    return;
  }
  window.CurrentFileName = "";
  RefreshLabelView(window, picture1, files, pictures);
  SwitchRuleKind(window);
  window.focus_request = "rule_list";
}

bool FileOpenPath(MainWindowModel& window, FileSystem& files, MessageBox& messages,
                  DrawingSurface& picture1, const FileSystem* pictures, const std::string& path) {
  if (!OpenLabelFile(window, files, messages, path)) return false;
  RefreshLabelView(window, picture1, files, pictures);
  window.focus_request = "rule_list";
  return true;
}

void FileOpen(MainWindowModel& window, FileSystem& files, DialogService& dialogs,
              MessageBox& messages, DrawingSurface& picture1, const FileSystem* pictures) {
  dialogs.ShowOpen(window.open_d_dial);
  const std::string path = window.open_d_dial.file_name;
  if (path.empty()) {
    // A cancelled open keeps the design but leaves it untitled, so the next save asks for a
    // name.
    window.CurrentFileName = "";
    return;
  }
  FileOpenPath(window, files, messages, picture1, pictures, path);
}

bool FileSave(MainWindowModel& window, FileSystem& files, DialogService& dialogs,
              MessageBox& messages) {
  if (window.CurrentFileName.empty())
    return SaveThroughChooser(window, files, dialogs, messages, window.save_d_dial);
  const std::string path = window.CurrentFileName;
  if (RefuseWorkingFile(window, files, messages, path)) return false;
  const auto bytes = WorkingFileBytes(window, files, messages);
  if (!bytes) return false;
  return WriteLabelFile(window, files, messages, path, *bytes);
}

bool FileSaveAs(MainWindowModel& window, FileSystem& files, DialogService& dialogs,
                MessageBox& messages) {
  if (window.CurrentFileName.empty()) return FileSave(window, files, dialogs, messages);
  return SaveThroughChooser(window, files, dialogs, messages, window.save_a_d_dial);
}

}  // namespace vellomir
