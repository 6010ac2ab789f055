#pragma once

#include <string>
#include <vector>

// Modal message boxes: the only way the program reports a problem to its user.
namespace vellomir {

// An OK/Cancel question defaults to Cancel; Yes/No/Cancel to Yes. kContinueOkCancel: 接續 (go
// on from where the last run stopped), OK and Cancel.
enum class MessageButtons { kOk, kOkCancel, kYesNoCancel, kContinueOkCancel };
enum class MessageAnswer { kOk, kCancel, kYes, kNo, kContinue };

class MessageBox {
 public:
  virtual ~MessageBox() = default;
  virtual MessageAnswer Show(const std::string& text, const std::string& caption,
                             MessageButtons buttons = MessageButtons::kOk) = 0;
};

}  // namespace vellomir
