#pragma once

#include "form/main_window_model.h"

// What follows the working file after every change of it: the rule list and the preview. The
// document commands say when to refresh; the renderer knows how (RuleListView).
namespace vellomir {

class LabelView {
 public:
  virtual ~LabelView() = default;
  virtual void Refresh(MainWindowModel& window) = 0;
  // An empty design: no rules listed, a blank preview, no rule to hit there.
  virtual void Blank(MainWindowModel& window) = 0;
};

}  // namespace vellomir
