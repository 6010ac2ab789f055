#include "app/design_session.h"

#include <cstdlib>
#include <filesystem>

#include "document/label_file.h"
#include "document/working_file.h"
#include "platform/signal_cleanup.h"
#include "platform/text_util.h"
#include "platform/work_folder.h"
#include "settings/settings_file.h"

namespace vellomir {

namespace fs = std::filesystem;

std::string DesignOptionsFrom(const ParsedCommandLine& parsed, DesignCommandOptions& o) {
  if (parsed.files.empty()) return "請指定標籤檔 (.vlm)";
  if (parsed.files.size() > 1) return "只能指定一個標籤檔, 多了: " + parsed.files[1];
  o.design = parsed.files.front();
  o.output = parsed.Text("--output").value_or("");
  o.printer = parsed.Text("--printer").value_or("");
  if (const auto copies = parsed.Text("--copies")) o.copies = Trim(*copies);
  return {};
}

DesignSession::~DesignSession() {
  for (int slot : cleanup_slots_) ForgetOnSignal(slot);
  std::error_code ec;
  if (!folder_.empty()) fs::remove_all(folder_, ec);
}

std::string DesignSession::Open(const std::string& path) {
  if (!here_.FileExists(path)) return "找不到標籤檔: " + path;
  // A large file that is no label file is refused before it is read whole.
  if (const LabelFileCheck head = CheckLabelFileHeadAt(here_, path); !head.ok())
    return "不是標籤檔: " + path + " (" + head.problem + ")";
  const auto bytes = here_.ReadBytes(path);
  if (!bytes) return "無法讀取標籤檔: " + path;
  const LabelFileCheck check = CheckLabelFile(*bytes);
  if (!check.ok()) return "不是標籤檔: " + path + " (" + check.problem + ")";

  // A damaged settings file leaves the built-in settings, as in the window; say so.
  if (const std::string problem = ReadProgramSettings(here_, program); !problem.empty())
    warnings.push_back("警告: " + problem);

  std::error_code ec;
  const fs::path temp = fs::temp_directory_path(ec);
  std::string pattern = (temp / (std::string(kCommandFolderPrefix) + "XXXXXX")).string();
  if (ec || ::mkdtemp(pattern.data()) == nullptr) return "無法建立暫存的工作資料夾";
  folder_ = pattern;
  // Held while the command runs: the next command tells a killed one's folder by its free lock.
  lock_ = FolderLock(folder_);
  RemoveDeadCommandFolders(temp.string(), std::chrono::system_clock::now());
  // Removed also when a signal ends the command: the working files, then the folder itself.
  for (const std::string_view name : {kWorkingFileName, kPreviousFileName})
    cleanup_slots_.push_back(RemoveOnSignal((fs::path(folder_) / std::string(name)).string()));
  cleanup_slots_.push_back(RemoveOnSignal(folder_, /*folder=*/true));
  work_ = FileSystem(folder_);
  const std::string design = fs::absolute(path, ec).string();
  if (ec) return "無法開啟標籤檔: " + path;
  // The bytes as they are: the rules are read from them as the window reads its working file.
  if (!work_.WriteBytes(std::string(kWorkingFileName), *bytes))
    return "無法寫入工作檔 temp1.txt,沒有開啟「" + path + "」";
  design_path = design;
  settings = DesignSettingsFromRecord(check.settings);
  return {};
}

}  // namespace vellomir
