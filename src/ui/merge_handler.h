#pragma once

#include <string>

#include "document/rule_editor.h"
#include "form/main_window_model.h"
#include "platform/dialogs.h"

// The data file of the 編輯 tab: chosen with 瀏覽, remembered per design in the user's config
// folder (never in the label file), its rows offered for the preview.
namespace vellomir {

// merge_browse: the data file dialog of open_m_dial. The chosen file goes into merge_file, its
// rows into merge_row (the preview shows row 1) and it is remembered for the design. A file
// that cannot be read is told at once, naming the row. A cancelled dialog changes nothing.
void BrowseMergeData(MainWindowModel& window, DialogService& dialogs, EditorContext& context,
                     const std::string& memory_path);

// merge_row chosen: the preview shows that row.
void PickMergeRow(MainWindowModel& window, EditorContext& context);

// After a design is opened: the data file last used with it, or none.
void RecallMergeData(MainWindowModel& window, EditorContext& context,
                     const std::string& memory_path);

}  // namespace vellomir
