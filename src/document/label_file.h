#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/label_view.h"
#include "form/main_window_model.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/message_box.h"

// Label files (".vlm") and the four file commands of the File tab. A label file is a byte copy
// of the working file: its first line is the settings record, every further line a rule record.
// Saving copies the working file out, opening copies a label file in and reads back only its
// settings record.
namespace vellomir {

// The overwrite question of the save choosers, asked with OK and Cancel.
inline constexpr std::string_view kOverwriteQuestion = "您要存的檔已存在, 要覆蓋嗎?";
// Appended to AppTitle for the caption of the overwrite question.
inline constexpr std::string_view kWarningCaptionSuffix = "...警告";

// Least number of parts the settings record of a label file splits into at ",,;": the key and
// the seven layout values.
inline constexpr int kMinSettingsParts = 8;

// What CheckLabelFile finds in the bytes of a file.
struct LabelFileCheck {
  // Why the bytes are not a label file this program can open, as a phrase that follows the
  // file name in a message; "" when they are one.
  std::string problem;
  // Line 1 split at ",,;" (UTF-8), when the bytes are a label file.
  std::vector<std::string> settings;
  bool ok() const { return problem.empty(); }
};

// The most characters a field of the window holds (a text box's limit), and so the longest
// record a design can have: a barcode rule, its twelve values at that length in two-byte CP950
// characters, the separators and the line end.
inline constexpr std::uintmax_t kMaxFieldCharacters = 32767;
inline constexpr std::uintmax_t kLongestRecordBytes = 12 * 2 * kMaxFieldCharacters + 13 * 3 + 2;
// The settings record and 101 rules of the longest record: no label file is larger.
inline constexpr std::uintmax_t kMaxLabelFileBytes = (kMaxRules + 1) * kLongestRecordBytes;

// The test of a file's head before the whole file is read: `head` holds its first bytes (at
// least its first line, or kLongestRecordBytes of it), `file_size` its size. A first line that
// is not a settings record, or is longer than any record, or a file larger than
// kMaxLabelFileBytes, is no label file. The settings are not filled in.
LabelFileCheck CheckLabelFileHead(const std::string& head, std::uintmax_t file_size);

// The head test for the file at `path` (relative paths from the folder of `files`): reads
// only its size and its first line. A file whose head cannot be read passes here; reading it
// whole then says why.
LabelFileCheck CheckLabelFileHeadAt(const FileSystem& files, const std::string& path);

// The one test of a label file, shared by the open command and the headless commands: CP950
// text throughout, a first line "setting" with at least the seven layout values, and no more
// rule records than a design can hold.
LabelFileCheck CheckLabelFile(const std::string& bytes);

// Sets the seven layout controls from a settings record split at ",,;" (parts 1 to 7, trimmed;
// d_row before d_col). Parts missing from a short record leave their control as it was.
void ApplySettingsRecord(MainWindowModel& window, const std::vector<std::string>& settings);

// True when `path` names one of the working files ("temp1.txt", "temp2.txt") of `files`:
// they are not label files, and the next edit or start-up would overwrite or delete them.
bool IsWorkingFilePath(const FileSystem& files, const std::string& path);

// Makes the label file at `path` the design being edited, without a dialog: checks it, copies
// its bytes unchanged into the working file of `files`, sets the layout controls from its
// settings record and CurrentFileName to `path`. A missing, unreadable or foreign file, or a
// working file that cannot be written, gives a message and changes nothing. Relative paths are
// taken from the folder of `files`. True when the file was opened. The rule list and the
// preview are not refreshed here.
bool OpenLabelFile(MainWindowModel& window, FileSystem& files, MessageBox& messages,
                   const std::string& path);
// The same without the working-file check and the message box: what is wrong, as the message
// would say it; "" when opened. For the headless commands, which open into a private folder.
std::string LoadLabelFile(MainWindowModel& window, FileSystem& files, const std::string& path);

// Asked before closing, 開新檔案 and 開啟舊檔 when the design would be lost.
inline constexpr std::string_view kUnsavedQuestion = "目前的設計尚未存檔,要先存檔嗎?";

// True when the working file holds what no label file keeps: an untitled design with a rule,
// or a design whose working file differs from the file it came from or was saved to (that file
// gone or unreadable included). No working file means no rule, and nothing to lose.
bool IsDesignUnsaved(const MainWindowModel& window, const FileSystem& files);

// Before the design is dropped: with unsaved changes, asks kUnsavedQuestion. 是 saves as
// file_save does (true once saved), 否 drops the changes (true), 取消 goes back (false), as
// does a save that was cancelled or failed. True at once when nothing would be lost.
bool MayDropDesign(MainWindowModel& window, FileSystem& files, DialogService& dialogs,
                   MessageBox& messages);

// A design left by a window that ended without closing (it crashed or was killed), in the
// working files of `leftover`: offered with a question naming it "上次未存檔的設計". On OK it
// becomes the design being edited, untitled, as the open command would show it. True when
// reopened; false when declined, or when the leftover holds no rule or no label file.
bool OfferLeftoverDesign(MainWindowModel& window, FileSystem& files, const FileSystem& leftover,
                         MessageBox& messages, LabelView& view);

// The File tab's commands. `view` is the rule list and preview, refreshed after a change.

// file_new: an empty, untitled design with a blank preview; the rule kind switch is applied for
// the kind shown and the focus goes to rule_list. The layout controls and the editor fields keep
// their texts; "temp2.txt" is not touched. Nothing is asked about unsaved changes.
void FileNew(MainWindowModel& window, FileSystem& files, MessageBox& messages, LabelView& view);

// The open command after its dialog, for a path known already (the command line): opens the
// file as OpenLabelFile does, then shows its rules and preview, no rule selected, and moves the
// focus to rule_list. True when it was opened.
bool FileOpenPath(MainWindowModel& window, FileSystem& files, MessageBox& messages, LabelView& view,
                  const std::string& path);

// file_open: asks for a label file with open_d_dial and opens it. A cancelled dialog leaves
// the design as it is but untitled.
void FileOpen(MainWindowModel& window, FileSystem& files, DialogService& dialogs,
              MessageBox& messages, LabelView& view);

// file_save: writes the working file to CurrentFileName without asking, or through
// save_d_dial when the design is untitled. True when a file was written.
bool FileSave(MainWindowModel& window, FileSystem& files, DialogService& dialogs,
              MessageBox& messages);

// file_save_a: writes the working file to a path chosen with save_a_d_dial; an untitled design
// goes through FileSave (save_d_dial) instead. True when a file was written.
bool FileSaveAs(MainWindowModel& window, FileSystem& files, DialogService& dialogs,
                MessageBox& messages);

}  // namespace vellomir
