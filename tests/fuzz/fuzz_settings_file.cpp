// The settings file as any bytes: loading it, and saving what was loaded so that it loads
// back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/text_util.h"
#include "settings/settings_file.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

const std::string kFile(kSettingsFileName);

std::vector<std::string> Settings(const MainWindowModel& w) {
  return {w.s_top.text,
          w.s_down.text,
          w.s_left.text,
          w.s_right.text,
          w.d_fontname.text,
          w.d_fontsize.text,
          w.d_l_width.text,
          w.d_l_height.text,
          w.d_path_data.text,
          w.d_path_pic.text,
          w.PrinterType,
          w.prt_mode_1.value ? "1" : "0",
          w.prt_mode_0.value ? "1" : "0"};
}

}  // namespace
}  // namespace vellomir

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vellomir;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz::EmptyPrivateFolder();
  fuzz::PutFile(kFile, bytes);
  FileSystem files(fuzz::PrivateFolder());

  MainWindowModel window;
  const std::vector<std::string> before = Settings(window);
  RecordingMessageBox messages;
  const bool loaded = LoadSettings(window, files, messages);
  if (!loaded) {
    // A file that cannot be used says so once and changes nothing.
    FUZZ_CHECK(messages.shown.size() == 1);
    FUZZ_CHECK(Settings(window) == before);
    return 0;
  }
  FUZZ_CHECK(messages.shown.empty());
  const std::vector<std::string> values = Settings(window);
  for (std::size_t i = 0; i < 10; ++i) FUZZ_CHECK(values[i] == Trim(values[i]));
  FUZZ_CHECK(window.PrinterType == "0" || window.PrinterType == "1");
  FUZZ_CHECK(window.prt_mode_1.value == (window.PrinterType == "1"));
  FUZZ_CHECK(window.prt_mode_0.value == !window.prt_mode_1.value);

  // Saved and loaded again, every value comes back; a value that cannot be stored is refused
  // with a message and the file stays as it was.
  messages.shown.clear();
  const bool saved = SaveSettings(window, files, messages);
  FUZZ_CHECK(messages.shown.size() == 1);
  if (!saved) {
    FUZZ_CHECK(fuzz::GetFile(kFile) == bytes);
    return 0;
  }
  MainWindowModel again;
  FUZZ_CHECK(LoadSettings(again, files, messages));
  FUZZ_CHECK(Settings(again) == values);
  return 0;
}
