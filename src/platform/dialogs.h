#pragma once

#include <deque>
#include <string>
#include <vector>

// The common dialogs of the main window. A dialog control keeps the properties the program
// sets (title, filter, default extension, start folder, flags) and the results it reads back
// (chosen path, font), as the window's dialog controls do.
namespace vellomir {

struct CommonDialog {
  std::string title;
  std::string filter;       // "text|pattern|text|pattern..."
  std::string default_ext;  // without the dot
  std::string init_dir;
  int flags = 0;
  // Result of a file dialog: the chosen full path, "" when cancelled.
  std::string file_name;
  // Print dialog: the printer chosen ("" for the system's default) or the file to print to
  // ("" for a printer), and the paper picked in millimetres (0 when the printer's own default
  // stands).
  std::string printer_name;
  std::string print_file;
  double paper_width_mm = 0;
  double paper_height_mm = 0;
  // Font dialog values: shown as the starting choice, replaced by the user's choice; a
  // cancelled dialog leaves them as they were.
  std::string font_name;
  double font_size = 0;
  bool font_bold = false;
  bool font_italic = false;
};

class DialogService {
 public:
  virtual ~DialogService() = default;
  // File dialogs: set dialog.file_name to the chosen path ("" on cancel). A name typed
  // without an extension gets dialog.default_ext.
  virtual void ShowOpen(CommonDialog& dialog) = 0;
  virtual void ShowSave(CommonDialog& dialog) = 0;
  // The print dialog: the user chooses the printer (or a file) and its paper. False when
  // cancelled.
  virtual bool ShowPrinter(CommonDialog& dialog) = 0;
  virtual void ShowFont(CommonDialog& dialog) = 0;
};

}  // namespace vellomir
