#include "settings/settings_file.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "document/working_file.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

const std::string kFile(kSettingsFileName);

constexpr const auto& kTexts = kSettingsTextBoxes;

// One line of eleven short fields; anything near this size is no settings file of ours.
constexpr std::uint64_t kMostSettingsBytes = 64 * 1024;

// The fields of the first line; the problem instead when the file cannot give ten.
std::optional<std::vector<std::string>> ReadFields(const FileSystem& files, std::string& problem) {
  if (const auto size = files.FileSize(kFile); size && *size > kMostSettingsBytes) {
    problem = "設定檔 vellomir_setting.ini 有 " + std::to_string(*size) +
              " 位元組,太大了,不是設定檔,設定沒有變更!!";
    return std::nullopt;
  }
  const auto bytes = files.ReadBytes(kFile);
  if (!bytes || bytes->size() > kMostSettingsBytes) {
    problem = "無法讀取設定檔 vellomir_setting.ini,設定沒有變更!!";
    return std::nullopt;
  }
  const std::vector<std::string> lines = SplitLines(*bytes);
  if (lines.empty() || lines[0].empty()) {
    problem = "設定檔 vellomir_setting.ini 是空的,設定沒有變更!!";
    return std::nullopt;
  }
  const auto text = Cp950ToUtf8(lines[0]);
  if (!text) {
    problem = "設定檔 vellomir_setting.ini 含有無法辨識的字元,設定沒有變更!!";
    return std::nullopt;
  }
  std::vector<std::string> fields = SplitFields(*text);
  if (fields.size() < kTexts.size()) {
    problem = "設定檔 vellomir_setting.ini 只有" + std::to_string(fields.size()) +
              "個欄位,內容不完整,設定沒有變更!!";
    return std::nullopt;
  }
  return fields;
}

}  // namespace

bool SaveSettings(const MainWindowModel& window, FileSystem& files, MessageBox& messages) {
  std::vector<RecordField> fields;
  for (const SettingsTextBox& t : kTexts)
    fields.push_back({std::string(t.caption), Trim((window.*t.box).text)});
  fields.push_back({"印表機型式", window.prt_mode_1.value ? "1" : "0"});
  if (auto problem = FindUnstorableField(fields)) {
    Tell(window, messages, *problem);
    return false;
  }
  std::string line;
  for (const RecordField& f : fields) line += f.value + std::string(kFieldSeparator);
  const WriteResult written = files.WriteLines(kFile, {line});
  if (!written.ok()) {
    Tell(window, messages, "無法寫入設定檔 vellomir_setting.ini,設定沒有儲存!!");
    return false;
  }
  Tell(window, messages, "設定儲存成功!!慶祝一下吧!");
  return true;
}

bool LoadSettings(MainWindowModel& window, const FileSystem& files, MessageBox& messages) {
  const std::string problem = ReadSettings(window, files);
  if (problem.empty()) return true;
  Tell(window, messages, problem);
  return false;
}

std::string ReadProgramSettings(const FileSystem& files, ProgramSettings& settings) {
  settings = ProgramSettings{};
  if (!files.FileExists(kFile)) return {};
  std::string problem;
  const auto fields = ReadFields(files, problem);
  if (!fields) return problem;
  for (std::size_t i = 0; i < kTexts.size(); ++i)
    if (kTexts[i].box == &MainWindowModel::d_path_pic) settings.picture_folder = Trim((*fields)[i]);
  settings.tractor_feed = fields->size() > kTexts.size() && Trim((*fields)[kTexts.size()]) == "0";
  return {};
}

std::string ReadSettings(MainWindowModel& window, const FileSystem& files) {
  if (!files.FileExists(kFile)) {
    for (const SettingsTextBox& t : kTexts) (window.*t.box).text = t.built_in;
    SelectPrinterMode(window, true);
    window.PrinterType = "1";
    return {};
  }
  std::string problem;
  const auto fields = ReadFields(files, problem);
  if (!fields) return problem;
  for (std::size_t i = 0; i < kTexts.size(); ++i) (window.*kTexts[i].box).text = Trim((*fields)[i]);
  // Only an explicit "0" means tractor feed; a ten-field file predates the printer type.
  const bool tractor = fields->size() > kTexts.size() && Trim((*fields)[kTexts.size()]) == "0";
  SelectPrinterMode(window, !tractor);
  window.PrinterType = tractor ? "0" : "1";
  return {};
}

}  // namespace vellomir
