#pragma once

#include <functional>
#include <memory>
#include <string>

#include "form/main_window_model.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/printer.h"
#include "render/print_job.h"

// The print button: reads the layout controls, shows the print dialog, asks and tells through
// message boxes, and leaves the printing itself to the print run.
namespace vellomir {

// Reads l_amount, l_paper_width, l_paper_height, l_col, l_row, d_col, d_row and PrinterType.
// "" when the layout can be printed; otherwise why not, as the message to show.
std::string ReadPrintLayout(const MainWindowModel& window, PrintLayout& layout);
// The same from a design's settings, as a headless command has them.
std::string ReadPrintLayout(const DesignSettings& settings, float units_per_mm, bool tractor_feed,
                            PrintLayout& layout);

// Opens the printer the print dialog chose (its printer_name, or print_file for a file); nothing
// and why when it cannot be opened.
using PrinterOpener =
    std::function<std::unique_ptr<Printer>(const CommonDialog& chosen, std::string& problem)>;

struct PrintHandlerServices {
  MessageBox& messages;
  DialogService& dialogs;
  PrinterOpener open_printer;
  PrintProgressCallback progress = {};
  // Where picture paths are looked up; null takes the working files' folder.
  const FileSystem* pictures = nullptr;
  // The print log every run is added to; "" keeps none.
  std::string log_path = {};
  // Reads the first and the last label's symbols back before the run; null checks nothing.
  SymbolReader* reader = nullptr;
  // How texts and pictures measure, so labels fit the page by what they draw; null counts
  // each label's whole box.
  const TextMetrics* metrics = nullptr;
  const PictureProbe* picture_sizes = nullptr;
};

// print_rule: checks the working file and the layout, shows the print setup on open_p_dial
// (Cancel prints nothing), reads the rules once, with a data file (merge_file) gives every row
// its labels and checks every row, asks about batch numbers the log says went out before
// (接續 writes the continued start fields into the working file), opens the chosen printer,
// asks about every concern found before printing (Cancel prints nothing), runs the print and
// shows its message, then adds the run and its batch numbers to the print log.
PrintOutcome PrintLabels(MainWindowModel& window, FileSystem& files,
                         PrintHandlerServices& services);

}  // namespace vellomir
