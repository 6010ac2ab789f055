#include "app/preview_command.h"

#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>

#include "app/design_session.h"
#include "app/merge_options.h"
#include "form/main_window_model.h"
#include "output/export.h"
#include "output/qt_surface.h"
#include "platform/file_system.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"
#include "render/print_job.h"
#include "ui/window_events.h"

namespace vellomir {

namespace {

constexpr double kExportDpi = 600;

using Options = DesignCommandOptions;

std::string ParseOptions(const ParsedCommandLine& parsed, Options& o) {
  if (auto e = DesignOptionsFrom(parsed, o); !e.empty()) return e;
  if (o.output.empty()) return "請用 -o FILE 指定輸出檔";
  if (!ExportFormatOf(o.output)) return "輸出檔必須是 .png, .svg 或 .pdf: " + o.output;
  return {};
}

}  // namespace

int RunPreviewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  auto fail = [&err](const std::string& message) {
    err << "vellomir preview: " << message << "\n";
    return 2;
  };
  const ParsedCommandLine parsed = ParseCommandLine(PreviewCommandSyntax(), args);
  if (const auto answer = AnswerHelpOrError(PreviewCommandSyntax(), parsed, out, err))
    return *answer;
  const MergeOptions merge = MergeOptionsFrom(parsed);
  if (!merge.error.empty()) return fail(merge.error);
  Options o;
  if (auto e = ParseOptions(parsed, o); !e.empty()) return fail(e);

  DesignSession session;
  const std::string problem = session.Open(o.design);
  for (const auto& warning : session.warnings) err << "vellomir preview: " << warning << "\n";
  if (!problem.empty()) return fail(problem);
  if (o.copies) session.settings.copies = *o.copies;
  // The image is the window's preview, so the design is shown in a window model as the window
  // would show it.
  MainWindowModel window;
  ShowDesignSettings(window, session.settings);
  window.d_path_pic.text = session.program.picture_folder;
  window.CurrentFileName = session.design_path;
  SetPreviewSize(window);
  // The preview leaves out a picture it cannot load, as the window does; the command says which.
  {
    LabelDrawing how = session.Drawing();
    QtPictureProbe pictures;
    how.picture_sizes = &pictures;
    const auto rules = std::make_unique<RuleTable>(ReadRuleTable(session.Work()));
    for (const std::string& line : FindPictureProblems(*rules, how))
      err << "vellomir preview: 警告: " << line << "\n";
  }
  // The preview shows one row of the data file: the one asked for, else the first.
  std::optional<MergeData> data;
  if (auto e = LoadMergeData(merge, std::cin, data); !e.empty()) return fail(e);
  LabelFields fields;
  fields.keep_unknown = true;
  if (data) {
    fields.data = &*data;
    fields.fixed_row = merge.row.value_or(1) - 1;
  }

  std::string note;
  const std::string error = ExportDrawing(
      o.output, window.Picture1.width, window.Picture1.height, kExportDpi,
      [&](DrawingSurface& surface) {
        DrawLabelPreview(window, surface, session.Work(), &session.Here(), &fields);
      },
      {0, 0}, &note);
  if (!note.empty()) err << "vellomir preview: " << note << "\n";
  if (!error.empty()) return fail(error);
  return 0;
}

}  // namespace vellomir
