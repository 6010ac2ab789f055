#include "app/preview_command.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>

#include "document/label_file.h"
#include "document/working_file.h"
#include "gui/export.h"
#include "gui/qt_surface.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"
#include "settings/settings_file.h"
#include "ui/main_window_model.h"

namespace vellomir {

namespace {

namespace fs = std::filesystem;

constexpr double kExportDpi = 600;

struct Options {
  std::string design;
  std::string output;
  std::optional<std::string> copies;
};

// A decimal number and nothing else, as a copy count typed on a command line must be.
bool IsNumber(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  try {
    std::size_t used = 0;
    const double v = std::stod(t, &used);
    return used == t.size() && std::isfinite(v);
  } catch (...) {
    return false;
  }
}

std::string ParseOptions(const std::vector<std::string>& args, Options& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& into) -> std::string {
      if (i + 1 >= args.size()) return "選項 " + a + " 缺少值";
      into = args[++i];
      return {};
    };
    std::string e;
    if (a == "-o" || a == "--output") {
      e = value(o.output);
    } else if (a == "--copies") {
      std::string text;
      e = value(text);
      if (e.empty()) {
        if (IsNumber(text))
          o.copies = Trim(text);
        else
          e = "--copies 的值必須是數字: " + text;
      }
    } else if (a.size() > 1 && a[0] == '-') {
      e = "不認得的選項: " + a;
    } else if (!o.design.empty()) {
      e = "只能指定一個標籤檔, 多了: " + a;
    } else {
      o.design = a;
    }
    if (!e.empty()) return e;
  }
  if (o.design.empty()) return "請指定標籤檔 (.vlm)";
  if (o.output.empty()) return "請用 -o FILE 指定輸出檔";
  if (!ExportFormatOf(o.output)) return "輸出檔必須是 .png, .svg 或 .pdf: " + o.output;
  return {};
}

// A folder of its own for the working files, removed with the object.
class PrivateFolder {
 public:
  PrivateFolder() {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "vellomir-preview-XXXXXX").string();
    if (ec) return;
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~PrivateFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The size the window's timer gives the preview box: the label less the margins when the labels
// touch, the whole label otherwise. A dimension of 10 units or less, or one that does not fit,
// is left as it was.
void SizePicture1(MainWindowModel& window) {
  const double u = window.UnitsPerMm;
  auto value = [](const TextBox& box) { return NumericValue(box.text); };
  double width, height;
  if (value(window.d_col) <= 0 && value(window.d_row) <= 0) {
    width = (value(window.l_paper_width) - value(window.s_right) - value(window.s_left)) * u;
    height = (value(window.l_paper_height) - value(window.s_top) - value(window.s_down)) * u;
  } else {
    width = value(window.l_paper_width) * u;
    height = value(window.l_paper_height) * u;
  }
  if (auto w = ToInt32(width); w && *w > 10) window.Picture1.width = *w;
  if (auto h = ToInt32(height); h && *h > 10) window.Picture1.height = *h;
}

}  // namespace

int RunPreviewCommand(const std::vector<std::string>& args, std::ostream& /*out*/,
                      std::ostream& err) {
  auto fail = [&err](const std::string& message) {
    err << "vellomir preview: " << message << "\n";
    return 2;
  };
  Options o;
  if (auto e = ParseOptions(args, o); !e.empty()) return fail(e);

  // Pictures and the settings file are the user's, in the current folder; the working files
  // are ours, in a private folder, so the user's own "temp1.txt" is never touched.
  const FileSystem here;
  if (!here.FileExists(o.design)) return fail("找不到標籤檔: " + o.design);
  const auto bytes = here.ReadBytes(o.design);
  if (!bytes) return fail("無法讀取標籤檔: " + o.design);
  if (const LabelFileCheck check = CheckLabelFile(*bytes); !check.ok())
    return fail("不是標籤檔: " + o.design + " (" + check.problem + ")");

  MainWindowModel window;
  ScriptedMessageBox messages;
  if (here.FileExists(std::string(kSettingsFileName))) {
    // A damaged settings file leaves the opening settings, as in the window; say so.
    if (!LoadSettings(window, here, messages))
      for (const auto& shown : messages.shown)
        err << "vellomir preview: 警告: " << shown.text << "\n";
    messages.shown.clear();
  }

  PrivateFolder folder;
  if (folder.path().empty()) return fail("無法建立暫存的工作資料夾");
  FileSystem work(folder.path());
  std::error_code ec;
  const std::string design = fs::absolute(o.design, ec).string();
  if (ec || !OpenLabelFile(window, work, messages, design))
    return fail(messages.shown.empty() ? "無法開啟標籤檔: " + o.design : messages.shown[0].text);
  if (o.copies) window.l_amount.text = *o.copies;
  SizePicture1(window);

  const std::string error =
      ExportDrawing(o.output, window.Picture1.width, window.Picture1.height, kExportDpi,
                    [&](QtSurface& surface) { DrawLabelPreview(window, surface, work, &here); });
  if (!error.empty()) return fail(error);
  return 0;
}

}  // namespace vellomir
