#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "document/design.h"
#include "platform/file_system.h"
#include "platform/work_folder.h"
#include "render/label_renderer.h"
#include "settings/settings_file.h"
#include "ui/print_handler.h"

// A label design opened for a headless command, as plain values: no window model, no message
// box. The user's "vellomir_setting.ini" and pictures come from the current folder, while the
// design's working file lives in a private folder of its own, so the user's own "temp1.txt" is
// never touched.
namespace vellomir {

// The options of a command that works on one design: DESIGN.vlm -o FILE [--printer NAME]
// [--copies N].
struct DesignCommandOptions {
  std::string design;
  std::string output;
  std::string printer;
  std::optional<std::string> copies;  // trimmed, when given
};

// Takes them from a parsed command line, which must name exactly one design. "" when it does;
// otherwise what is wrong, as one line. Whether an output or printer is required is the
// command's to check.
std::string DesignOptionsFrom(const ParsedCommandLine& parsed, DesignCommandOptions& options);

class DesignSession {
 public:
  DesignSession() = default;
  ~DesignSession();
  DesignSession(const DesignSession&) = delete;
  DesignSession& operator=(const DesignSession&) = delete;

  // Checks that `path` is a label file, loads the settings file of the current folder when
  // there is one, and opens the design into the private working folder. "" when it is open;
  // otherwise why not, as one line. Open only once.
  std::string Open(const std::string& path);

  // The design file, made absolute, and its layout; a command may replace the copies.
  std::string design_path;
  DesignSettings settings;
  // The settings file's picture folder and printer type.
  ProgramSettings program;
  // Problems that did not stop the opening (a damaged settings file), one line each.
  std::vector<std::string> warnings;

  // The current folder, where pictures are looked up.
  const FileSystem& Here() const { return here_; }
  // The private folder holding the working files.
  const FileSystem& Work() const { return work_; }
  // How its labels are drawn: in the design's units, pictures from the current folder.
  // Pictures a design names by a path of another system are looked for in the settings'
  // picture folder and beside the design; fields are cut at what the label can show.
  LabelDrawing Drawing() const {
    LabelDrawing how;
    SetDrawing(how, kUnitsPerMm, NumericValue(settings.label_width), program.picture_folder,
               design_path);
    how.pictures = &here_;
    return how;
  }
  // The print run's layout from the design's settings; "" when it can be printed.
  std::string ReadLayout(PrintLayout& layout) const {
    return ReadPrintLayout(settings, kUnitsPerMm, program.tractor_feed, layout);
  }

 private:
  FileSystem here_;
  FileSystem work_;
  std::string folder_;  // the private folder, removed with the session
  FolderLock lock_;     // held on folder_ while the session lives
  std::vector<int> cleanup_slots_;
};

}  // namespace vellomir
