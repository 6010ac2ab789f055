#include "document/label_file.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "document/rule_editor.h"
#include "document/working_file.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

const std::string kWorking(kWorkingFileName);

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

// The problem with a first line, as CheckLabelFile words it; "" when it is a settings record.
std::string FirstLineProblem(const std::string& raw, std::vector<std::string>* settings_out) {
  const auto text = Cp950ToUtf8(raw);
  if (!text) return "第1行含有無法辨識的字元(不是 Big5 文字)";
  std::vector<std::string> settings = SplitFields(*text);
  if (settings.empty() || settings[settings_field::kTag] != "setting")
    return "第一行沒有標籤的設定資料,不是標籤檔";
  if (static_cast<int>(settings.size()) < kMinSettingsParts)
    return "第一行的設定資料不到8個欄位,不是標籤檔";
  if (settings_out != nullptr) *settings_out = std::move(settings);
  return {};
}

// The first bytes of a file, up to the longest line a label file can hold and one more byte;
// nothing when it cannot be read.
std::optional<std::string> ReadHead(const FileSystem& files, const std::string& path) {
  std::ifstream in(files.Resolve(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::string head(static_cast<std::size_t>(kLongestRecordBytes) + 1, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  if (in.bad()) return std::nullopt;
  head.resize(static_cast<std::size_t>(in.gcount()));
  return head;
}

}  // namespace

LabelFileCheck CheckLabelFileHead(const std::string& head, std::uintmax_t file_size) {
  LabelFileCheck check;
  if (head.empty()) {
    check.problem = "檔案是空的,不是標籤檔";
    return check;
  }
  const std::size_t end = head.find_first_of("\r\n");
  if (end == std::string::npos && head.size() > kLongestRecordBytes) {
    // No line end where a settings record must have ended.
    check.problem = head.rfind("setting,,;", 0) == 0 ? "第一行太長,不是標籤檔"
                                                     : "第一行沒有標籤的設定資料,不是標籤檔";
    return check;
  }
  check.problem = FirstLineProblem(head.substr(0, end), nullptr);
  if (!check.ok()) return check;
  if (file_size > kMaxLabelFileBytes) {
    check.problem = "檔案大於" + std::to_string(kMaxLabelFileBytes / (1024 * 1024)) + "MB,超出" +
                    std::to_string(kMaxRules) + "個規則的標籤檔能有的大小";
  }
  return check;
}

LabelFileCheck CheckLabelFileHeadAt(const FileSystem& files, const std::string& path) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(files.Resolve(path), ec);
  const auto head = ReadHead(files, path);
  if (ec || !head) return {};
  return CheckLabelFileHead(*head, size);
}

LabelFileCheck CheckLabelFile(const std::string& bytes) {
  LabelFileCheck check;
  const std::vector<std::string> lines = SplitLines(bytes);
  if (lines.empty()) {
    check.problem = "檔案是空的,不是標籤檔";
    return check;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!Cp950ToUtf8(lines[i])) {
      check.problem = "第" + std::to_string(i + 1) + "行含有無法辨識的字元(不是 Big5 文字)";
      return check;
    }
  }
  std::vector<std::string> settings;
  check.problem = FirstLineProblem(lines[0], &settings);
  if (!check.ok()) return check;
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
  using namespace settings_field;
  const std::pair<std::size_t, TextBox*> targets[] = {{kCopies, &window.l_amount},
                                                      {kLabelWidth, &window.l_paper_width},
                                                      {kLabelHeight, &window.l_paper_height},
                                                      {kColumns, &window.l_col},
                                                      {kRows, &window.l_row},
                                                      {kRowGap, &window.d_row},
                                                      {kColumnGap, &window.d_col}};
  for (const auto& [at, box] : targets)
    if (at < settings.size()) box->text = Trim(settings[at]);
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
  const std::string problem = LoadLabelFile(window, files, path);
  if (problem.empty()) return true;
  Tell(window, messages, problem);
  return false;
}

std::string LoadLabelFile(MainWindowModel& window, FileSystem& files, const std::string& path) {
  const std::string unchanged = ",目前的設計沒有變更!!";
  if (!files.FileExists(path)) return "找不到檔案「" + path + "」" + unchanged;
  // The head first: a large file that is no label file is refused before it is read whole.
  if (const LabelFileCheck head = CheckLabelFileHeadAt(files, path); !head.ok())
    return "無法開啟「" + path + "」:" + head.problem + unchanged;
  const auto bytes = files.ReadBytes(path);
  if (!bytes) return "無法讀取檔案「" + path + "」" + unchanged;
  const LabelFileCheck check = CheckLabelFile(*bytes);
  if (!check.ok()) return "無法開啟「" + path + "」:" + check.problem + unchanged;
  // Replaced in one step: on a failure the working file keeps the current design.
  if (!files.WriteBytes(kWorking, *bytes))
    return "無法寫入工作檔 temp1.txt,沒有開啟「" + path + "」" + unchanged;
  ApplySettingsRecord(window, check.settings);
  window.CurrentFileName = path;
  return {};
}

bool IsDesignUnsaved(const MainWindowModel& window, const FileSystem& files) {
  if (!files.FileExists(kWorking)) return false;
  const auto working = files.ReadBytes(kWorking);
  if (!working) return true;  // cannot tell: better asked than lost
  if (window.CurrentFileName.empty()) return SplitLines(*working).size() > 1;
  const auto saved = files.FileExists(window.CurrentFileName)
                         ? files.ReadBytes(window.CurrentFileName)
                         : std::nullopt;
  return !saved || *saved != *working;
}

bool MayDropDesign(MainWindowModel& window, FileSystem& files, DialogService& dialogs,
                   MessageBox& messages) {
  if (!IsDesignUnsaved(window, files)) return true;
  switch (
      messages.Show(std::string(kUnsavedQuestion), window.AppTitle, MessageButtons::kYesNoCancel)) {
    case MessageAnswer::kNo:
      return true;
    case MessageAnswer::kCancel:
      return false;
    default:
      return FileSave(window, files, dialogs, messages);
  }
}

bool OfferLeftoverDesign(MainWindowModel& window, FileSystem& files, const FileSystem& leftover,
                         MessageBox& messages, LabelView& view) {
  if (!leftover.FileExists(kWorking)) return false;
  const auto bytes = leftover.ReadBytes(kWorking);
  if (!bytes || SplitLines(*bytes).size() < 2) return false;
  const LabelFileCheck check = CheckLabelFile(*bytes);
  if (!check.ok()) return false;
  const std::string question = "找到上次未存檔的設計 (" +
                               std::to_string(SplitLines(*bytes).size() - 1) +
                               " 個規則),要開啟嗎?\n選「取消」會留著它,下次開啟時再問。";
  if (messages.Show(question, window.AppTitle, MessageButtons::kOkCancel) != MessageAnswer::kOk)
    return false;
  if (!files.WriteBytes(kWorking, *bytes)) {
    Tell(window, messages, "無法寫入工作檔 temp1.txt,沒有開啟上次未存檔的設計!!");
    return false;
  }
  ApplySettingsRecord(window, check.settings);
  window.CurrentFileName = "";
  view.Refresh(window);
  window.focus_request = "rule_list";
  return true;
}

void FileNew(MainWindowModel& window, FileSystem& files, MessageBox& messages, LabelView& view) {
  if (files.FileExists(kWorking) && !files.DeleteFile(kWorking)) {
    Tell(window, messages, "無法刪除工作檔 temp1.txt,沒有開新檔案,目前的設計沒有變更!!");
    return;
  }
  window.CurrentFileName = "";
  view.Blank(window);
  SwitchRuleKind(window);
  window.focus_request = "rule_list";
}

bool FileOpenPath(MainWindowModel& window, FileSystem& files, MessageBox& messages, LabelView& view,
                  const std::string& path) {
  if (!OpenLabelFile(window, files, messages, path)) return false;
  view.Refresh(window);
  window.focus_request = "rule_list";
  return true;
}

void FileOpen(MainWindowModel& window, FileSystem& files, DialogService& dialogs,
              MessageBox& messages, LabelView& view) {
  dialogs.ShowOpen(window.open_d_dial);
  const std::string path = window.open_d_dial.file_name;
  if (path.empty()) {
    // A cancelled open keeps the design but leaves it untitled, so the next save asks for a
    // name.
    window.CurrentFileName = "";
    return;
  }
  FileOpenPath(window, files, messages, view, path);
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
