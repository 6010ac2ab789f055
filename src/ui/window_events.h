#pragma once

#include <string>

#include "document/rule_editor.h"
#include "form/main_window_model.h"
#include "platform/dialogs.h"
#include "platform/drawing_surface.h"
#include "platform/shell.h"

// The main window's own events: start-up, the timer, clicks in the preview, the font chooser,
// the picture browser and the help button.
namespace vellomir {

// Opened by the help button, from the current folder.
inline constexpr std::string_view kReadmeFileName = "readme.txt";

// Window load: shared values, an empty design (both working files gone), the settings file
// when there is one, the dialogs' start folders, and the first rule and barcode kinds chosen.
// The settings file is read from context.pictures (the current folder) when given, else from
// context.files.
void StartUp(MainWindowModel& window, EditorContext& context);

// The size the timer gives Picture1: the whole label, whatever its gaps. A side of 10 units or
// less, or one that does not fit 32 bits, is left as it was.
void SetPreviewSize(MainWindowModel& window);

// preview_dpi or preview_zoom chosen: PreviewDotsPerInch (0 for 螢幕) and PreviewZoom.
void ChoosePreviewView(MainWindowModel& window);

// After a run on a printer that lays symbols on its dots, the preview shows that printer's
// dots: its entry of preview_dpi is chosen (added when the list lacks it).
void ShowPrinterDotsInPreview(MainWindowModel& window, double dots_per_inch);

// Timer1, every 500 ms: the preview's size from the label layout, the file name caption, the
// enabled states of the barcode kind and check character controls, and the clock on picture2.
void TimerTick(MainWindowModel& window, DrawingSurface& picture2, Shell& shell);

// A mouse button pressed in Picture1 at (x, y), in twips: selects the rule drawn there (strictly
// inside its box), or else puts the position in millimetres into l_x and l_y.
void PreviewClick(MainWindowModel& window, EditorContext& context, double x, double y);

// 1 for true, 0 for false: a flag as a check box value.
int BoolToCheck(bool value);

// find_font: the font dialog of choose_font, opened on the font of the fields; what it chose
// is copied into them. A cancelled dialog changes nothing.
void FindFont(MainWindowModel& window, DialogService& dialogs);

// pic_brower: the picture dialog of open_p_dial; the chosen path goes into rule_content. A
// cancelled dialog leaves rule_content as it was.
void PictureBrowse(MainWindowModel& window, DialogService& dialogs);

// Command2: readme.txt in the desktop's text viewer.
void ShowHelp(Shell& shell);

}  // namespace vellomir
