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

// Records every message and answers from a script (OK once the script runs out). For tests
// and for the headless commands, which print what was shown.
class RecordingMessageBox : public MessageBox {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    MessageButtons buttons;
  };

  MessageAnswer Show(const std::string& text, const std::string& caption,
                     MessageButtons buttons = MessageButtons::kOk) override {
    shown.push_back({text, caption, buttons});
    if (next_answer < answers.size()) return answers[next_answer++];
    return MessageAnswer::kOk;
  }

  std::vector<Shown> shown;
  std::vector<MessageAnswer> answers;
  std::size_t next_answer = 0;
};

}  // namespace vellomir
