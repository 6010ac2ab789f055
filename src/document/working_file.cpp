#include "document/working_file.h"

#include "platform/text_util.h"

namespace vellomir {

namespace {

const std::string kWorking(kWorkingFileName);
const std::string kPrevious(kPreviousFileName);

std::string Check(const CheckBox& box) { return box.value == 1 ? "1" : "0"; }

std::string Join(const std::vector<RecordField>& fields) {
  std::string line;
  for (const RecordField& f : fields) {
    line += f.value;
    line += kFieldSeparator;
  }
  return line;
}

// The working file as raw lines, so records are copied without being decoded and encoded
// again: a byte the code page cannot decode is kept rather than refused or altered.
struct RawFile {
  bool exists = false;
  std::vector<std::string> lines;
};

std::optional<RawFile> ReadRaw(const MainWindowModel& window, const FileSystem& files,
                               MessageBox& messages) {
  RawFile raw;
  if (!files.FileExists(kWorking)) return raw;
  const auto bytes = files.ReadBytes(kWorking);
  if (!bytes) {
    Tell(window, messages, "無法讀取工作檔 temp1.txt,規則沒有變更!!");
    return std::nullopt;
  }
  raw.exists = true;
  raw.lines = SplitLines(*bytes);
  return raw;
}

}  // namespace

std::vector<RecordField> SettingsRecordFields(const MainWindowModel& w) {
  return {
      {"setting", "setting"},
      {"列印份數", Trim(w.l_amount.text)},
      {"標籤尺寸寬", Trim(w.l_paper_width.text)},
      {"標籤尺寸高", Trim(w.l_paper_height.text)},
      {"排列方式column", Trim(w.l_col.text)},
      {"排列方式row", Trim(w.l_row.text)},
      {"標籤間距縱向", Trim(w.d_row.text)},
      {"標籤間距橫向", Trim(w.d_col.text)},
  };
}

std::vector<RecordField> RuleRecordFields(const MainWindowModel& w) {
  const std::string kind = Trim(w.rule_kind.text);
  if (kind == kRuleKindBarcode) {
    return {
        {"資料模式", std::string(kBarcodeRecordKind)},
        {"資料內容", Trim(w.rule_content.text)},
        {"離左邊界", Trim(w.l_x.text)},
        {"離上邊界", Trim(w.l_y.text)},
        {"寬(點/條)", Trim(w.l_width.text)},
        {"高", Trim(w.l_height.text)},
        {"批號位數", Trim(w.l_patch_order.text)},
        {"批號開始", Trim(w.l_patch_start.text)},
        {"條碼是否附下標字?", Check(w.Check1)},
        {"字型尺寸", Trim(w.l_fontsize.text)},
        {"條碼種類", std::to_string(w.codebar_kind.list_index)},
        {"是否含檢查碼?", Check(w.Check2)},
    };
  }
  if (kind == kRuleKindText) {
    return {
        {"資料模式", std::string(kTextRecordKind)},
        {"資料內容", Trim(w.rule_content.text)},
        {"離左邊界", Trim(w.l_x.text)},
        {"離上邊界", Trim(w.l_y.text)},
        {"批號位數", Trim(w.l_patch_order.text)},
        {"批號開始", Trim(w.l_patch_start.text)},
        {"字型尺寸", Trim(w.l_fontsize.text)},
        {"字型名稱", Trim(w.l_fontname.text)},
        {"粗體", Check(w.l_fontbold)},
        {"斜體", Check(w.l_fontli)},
    };
  }
  if (kind == kRuleKindPicture) {
    return {
        {"資料模式", std::string(kPictureRecordKind)},
        {"圖檔名稱", Trim(w.rule_content.text)},
        {"離左邊界", Trim(w.l_x.text)},
        {"離上邊界", Trim(w.l_y.text)},
        {"寬(mm)", Trim(w.l_width.text)},
    };
  }
  return {};
}

std::string ComposeSettingsRecord(const MainWindowModel& window) {
  return Join(SettingsRecordFields(window));
}

std::string ComposeRuleRecord(const MainWindowModel& window) {
  return Join(RuleRecordFields(window));
}

std::optional<std::string> FindUnstorableField(const std::vector<RecordField>& fields) {
  for (const RecordField& f : fields) {
    // The separator has no escape: stored, it would split the value and shift every field
    // after it.
    if (f.value.find(kFieldSeparator) != std::string::npos)
      return "「" + f.caption + "」的內容不可包含「,,;」,請修改後再試!!";
    if (f.value.find_first_of("\r\n") != std::string::npos)
      return "「" + f.caption + "」的內容不可包含換行,請修改後再試!!";
    if (!Utf8ToCp950(f.value))
      return "「" + f.caption + "」含有無法存檔的字元(Big5 以外的字),請修改後再試!!";
  }
  return std::nullopt;
}

bool RewriteWorkingFile(const MainWindowModel& window, FileSystem& files, MessageBox& messages,
                        RewriteOperation operation, int position) {
  const bool with_rule = operation != RewriteOperation::kDelete;
  const std::vector<RecordField> settings = SettingsRecordFields(window);
  const std::vector<RecordField> rule =
      with_rule ? RuleRecordFields(window) : std::vector<RecordField>{};
  for (const auto* fields : {&settings, &rule}) {
    if (auto problem = FindUnstorableField(*fields)) {
      Tell(window, messages, *problem);
      return false;
    }
  }

  const auto old = ReadRaw(window, files, messages);
  if (!old) return false;
  const int rule_count = old->lines.empty() ? 0 : static_cast<int>(old->lines.size()) - 1;
  if (operation == RewriteOperation::kAdd) {
    if (rule_count >= kMaxRules) {
      Tell(window, messages, "規則最多只能有101個,無法再新增!!");
      return false;
    }
  } else if (!old->exists || position < 0 || position >= rule_count) {
    Tell(window, messages, "找不到選定的規則,工作檔沒有變更!!");
    return false;
  }

  // Both values were checked above, so they encode.
  std::string bytes = *Utf8ToCp950(Join(settings)) + "\r\n";
  const std::string new_rule = with_rule ? *Utf8ToCp950(Join(rule)) : std::string();
  for (int k = 0; k < rule_count; ++k) {
    const std::string& line = old->lines[static_cast<std::size_t>(k) + 1];
    if (k == position && operation == RewriteOperation::kDelete) continue;
    bytes += (k == position && operation == RewriteOperation::kModify) ? new_rule : line;
    bytes += "\r\n";
  }
  if (operation == RewriteOperation::kAdd) bytes += new_rule + "\r\n";

  // The copy replaces temp2.txt in one step, so a failed copy keeps the older version there.
  if (old->exists) {
    if (!files.CopyFile(kWorking, kPrevious)) {
      Tell(window, messages, "無法複製工作檔到 temp2.txt,規則沒有變更!!");
      return false;
    }
  } else if (files.FileExists(kPrevious) && !files.DeleteFile(kPrevious)) {
    Tell(window, messages, "無法刪除暫存檔 temp2.txt,規則沒有變更!!");
    return false;
  }
  // The write goes through a temporary file, so a failure leaves temp1.txt as it was.
  if (!files.WriteBytes(kWorking, bytes)) {
    Tell(window, messages, "無法寫入工作檔 temp1.txt,規則沒有變更!!");
    return false;
  }
  return true;
}

std::optional<std::vector<std::string>> ReadRuleRecord(const MainWindowModel& window,
                                                       const FileSystem& files,
                                                       MessageBox& messages, int position) {
  if (!files.FileExists(kWorking)) return std::nullopt;
  const auto bytes = files.ReadBytes(kWorking);
  if (!bytes) {
    Tell(window, messages, "無法讀取工作檔 temp1.txt!!");
    return std::nullopt;
  }
  const std::vector<std::string> lines = SplitLines(*bytes);
  const std::size_t at = position < 0 ? 0 : static_cast<std::size_t>(position) + 1;
  if (at >= lines.size()) {
    Tell(window, messages, "工作檔中找不到第" + std::to_string(position + 1) + "個規則!!");
    return std::nullopt;
  }
  const auto text = Cp950ToUtf8(lines[at]);
  if (!text) {
    Tell(window, messages,
         "工作檔第" + std::to_string(at + 1) + "行含有無法辨識的字元,無法讀取這個規則!!");
    return std::nullopt;
  }
  std::vector<std::string> parts = SplitFields(*text);
  if (position >= 0 && !parts.empty()) {
    const std::size_t wanted = static_cast<std::size_t>(RuleRecordParts(RuleRecord(parts).Kind()));
    if (parts.size() < wanted) {
      Tell(window, messages,
           "第" + std::to_string(position + 1) + "個規則的欄位不完整,缺少的欄位以空白顯示!!");
      parts.resize(wanted);
    }
  }
  return parts;
}

bool ResetWorkingFiles(const MainWindowModel& window, FileSystem& files, MessageBox& messages) {
  std::string stuck;
  for (const std::string& name : {kWorking, kPrevious}) {
    if (files.FileExists(name) && !files.DeleteFile(name))
      stuck += (stuck.empty() ? "" : "、") + name;
  }
  if (stuck.empty()) return true;
  Tell(window, messages, "無法刪除上次留下的工作檔 " + stuck + ",請確認檔案沒有被其他程式使用!!");
  return false;
}

}  // namespace vellomir
