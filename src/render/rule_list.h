#pragma once

#include <array>
#include <string>

#include "document/label_view.h"
#include "form/main_window_model.h"
#include "platform/drawing_surface.h"
#include "platform/file_system.h"
#include "render/label_renderer.h"

// The rule list and the preview follow the working file after every change of it.
namespace vellomir {

// The list line of rule index i: "001,條碼; ABC , 從1開始算批號". Fields are shown as stored.
std::string RuleSummaryLine(const RuleFields& fields, int index);

// Rebuilds rule_list from the working file, one line per rule line (at most 101, as the
// renderer reads), then redraws the preview on picture1. Without a working file the list is
// emptied and the preview is left as it was.
void RefreshLabelView(MainWindowModel& window, DrawingSurface& picture1, const FileSystem& files,
                      const FileSystem* pictures = nullptr);

// The window's rule list and preview: RefreshLabelView on Picture1's surface.
class RuleListView final : public LabelView {
 public:
  RuleListView(DrawingSurface& picture1, const FileSystem& files,
               const FileSystem* pictures = nullptr)
      : picture1_(picture1), files_(files), pictures_(pictures) {}
  void Refresh(MainWindowModel& window) override {
    RefreshLabelView(window, picture1_, files_, pictures_);
  }
  void Blank(MainWindowModel& window) override {
    window.rule_list.Clear();
    picture1_.Clear();
    window.RuleHitBoxes = {};
  }

 private:
  DrawingSurface& picture1_;
  const FileSystem& files_;
  const FileSystem* pictures_;
};

}  // namespace vellomir
