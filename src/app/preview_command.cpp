#include "app/preview_command.h"

#include <cmath>
#include <optional>
#include <ostream>

#include "app/design_session.h"
#include "gui/export.h"
#include "gui/qt_surface.h"
#include "platform/file_system.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"
#include "ui/main_window_model.h"
#include "ui/window_events.h"

namespace vellomir {

namespace {

constexpr double kExportDpi = 600;

struct Options {
  std::string design;
  std::string output;
  std::optional<std::string> copies;
};

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
        if (IsCopyCount(text))
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


}  // namespace

int RunPreviewCommand(const std::vector<std::string>& args, std::ostream& /*out*/,
                      std::ostream& err) {
  auto fail = [&err](const std::string& message) {
    err << "vellomir preview: " << message << "\n";
    return 2;
  };
  Options o;
  if (auto e = ParseOptions(args, o); !e.empty()) return fail(e);

  DesignSession session;
  const std::string problem = session.Open(o.design);
  for (const auto& warning : session.warnings) err << "vellomir preview: " << warning << "\n";
  if (!problem.empty()) return fail(problem);
  MainWindowModel& window = session.window;
  if (o.copies) window.l_amount.text = *o.copies;
  SetPreviewSize(window);

  const std::string error = ExportDrawing(
      o.output, window.Picture1.width, window.Picture1.height, kExportDpi, [&](QtSurface& surface) {
        DrawLabelPreview(window, surface, session.Work(), &session.Here());
      });
  if (!error.empty()) return fail(error);
  return 0;
}

}  // namespace vellomir
