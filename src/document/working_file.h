#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/rule_record.h"
#include "form/main_window_model.h"
#include "platform/file_system.h"
#include "platform/message_box.h"

// The design being edited lives in the working file "temp1.txt": line 1 the settings record
// from the layout controls, then one record per rule in list order. Every rewrite first copies
// it to "temp2.txt", so that file always holds the version before the last edit.
namespace vellomir {

inline constexpr std::string_view kWorkingFileName = "temp1.txt";
inline constexpr std::string_view kPreviousFileName = "temp2.txt";

// One value of a record, with the caption the user knows its field by.
struct RecordField {
  std::string caption;
  std::string value;
};

// "setting" and the trimmed layout texts, in record order (d_row before d_col).
std::vector<RecordField> SettingsRecordFields(const MainWindowModel& window);
// The kind code and the editor values the rule kind in rule_kind stores; empty when the kind
// text names none of the three kinds.
std::vector<RecordField> RuleRecordFields(const MainWindowModel& window);

// The values joined, each followed by ",,;".
std::string ComposeSettingsRecord(const MainWindowModel& window);
std::string ComposeRuleRecord(const MainWindowModel& window);

// The message for the first value that cannot be stored (it holds ",,;" or a line break, or a
// character the file's code page lacks), naming its field; nothing when all can be stored.
std::optional<std::string> FindUnstorableField(const std::vector<RecordField>& fields);

enum class RewriteOperation { kAdd, kModify, kDelete };

// Rewrites the working file for one rule edit: the settings record from the layout controls,
// the old rule records, and the editor's record appended (add), put in place of record
// `position` (modify) or record `position` dropped (delete). Everything is checked before
// any file is touched; on a problem a message is shown, temp1.txt (the design) stays as it
// was and the result is false. temp2.txt is refreshed from temp1.txt before the write, so after
// a failed write it holds the unchanged design. Old records are copied byte for byte, even those of
// a damaged file.
bool RewriteWorkingFile(const MainWindowModel& window, FileSystem& files, MessageBox& messages,
                        RewriteOperation operation, int position = -1);

// Rule record `position` (from 0) split at ",,;"; position -1 gives the settings record. A rule
// record of a known kind with fewer parts than its kind has (a foreign or damaged file) is
// filled up with empty parts after a message. Nothing, with a message, when the record is
// missing or unreadable; nothing, silently, when there is no working file (empty design).
std::optional<std::vector<std::string>> ReadRuleRecord(const MainWindowModel& window,
                                                       const FileSystem& files,
                                                       MessageBox& messages, int position);

// Start-up: every run begins with an empty design, so both working files go. False, after a
// message, when one of them cannot be deleted.
bool ResetWorkingFiles(const MainWindowModel& window, FileSystem& files, MessageBox& messages);

}  // namespace vellomir
