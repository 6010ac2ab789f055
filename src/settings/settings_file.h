#pragma once

#include <string_view>

#include "platform/file_system.h"
#include "platform/message_box.h"
#include "form/main_window_model.h"

// The Settings tab persisted as one line of eleven fields in "vellomir_setting.ini": the four
// print margins, the default font and barcode size, the two folders and the printer type.
namespace vellomir {

inline constexpr std::string_view kSettingsFileName = "vellomir_setting.ini";

// Writes the settings file from the Settings tab and says so. A value that cannot be stored
// or a failed write gives a message instead, and the old file stays as it was. True when
// the file was written.
bool SaveSettings(const MainWindowModel& window, FileSystem& files, MessageBox& messages);

// Sets the Settings tab and PrinterType from the settings file, or from the built-in
// defaults when there is none. A file that is unreadable, empty or too short gives a message
// and changes nothing. True when something was loaded.
bool LoadSettings(MainWindowModel& window, const FileSystem& files, MessageBox& messages);
// The same without a message box: what is wrong, as the message would say it; "" when loaded.
std::string ReadSettings(MainWindowModel& window, const FileSystem& files);

// What a headless command takes from the settings file: where pictures are looked for and the
// printer type.
struct ProgramSettings {
  std::string picture_folder = "img";
  bool tractor_feed = false;
};
// Reads them from the settings file of `files` when there is one (the built-in values when
// not). "" when read; otherwise what is wrong, and `settings` keeps the built-in values.
std::string ReadProgramSettings(const FileSystem& files, ProgramSettings& settings);

}  // namespace vellomir
