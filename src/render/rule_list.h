#pragma once

#include <array>
#include <string>

#include "platform/drawing_surface.h"
#include "platform/file_system.h"
#include "render/label_renderer.h"
#include "ui/main_window_model.h"

// The rule list and the preview follow the working file after every change of it.
namespace vellomir {

// The list line of rule index i: "001,條碼; ABC , 從1開始算批號". Fields are shown as stored.
std::string RuleSummaryLine(const std::array<std::string, kRuleTableFields>& fields, int index);

// Rebuilds rule_list from the working file, one line per rule line (at most 101, as the
// renderer reads), then redraws the preview on picture1. Without a working file the list is
// emptied and the preview is left as it was.
void RefreshLabelView(MainWindowModel& window, DrawingSurface& picture1, const FileSystem& files,
                      const FileSystem* pictures = nullptr);

}  // namespace vellomir
