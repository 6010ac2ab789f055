#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "platform/printer.h"
#include "platform/recording_surface.h"
#include "platform/shell.h"

// Test doubles of the platform's message box, dialogs, printer and shell: they record what they were asked
// and answer as a test tells them.
namespace vellomir {

// Records every message and answers from a script (OK once the script runs out).
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

// Records what was opened and tells a fixed time. For tests.
class RecordingShell : public Shell {
 public:
  void OpenTextFile(const std::string& path) override { opened.push_back(path); }
  std::string CurrentDate() override { return date; }
  std::string CurrentTime() override { return time; }

  std::vector<std::string> opened;
  std::string date = "2026/12/7";
  std::string time = "上午 09:30:00";
};

// Keeps every document as a list of recorded pages. For tests.
class RecordingPrinter : public Printer {
 public:
  explicit RecordingPrinter(const TextMetrics& metrics, const PictureProbe* pictures = nullptr)
      : metrics_(metrics), pictures_(pictures) {
    StartPage();
  }

  DrawingSurface& Surface() override { return *current_; }
  bool NewPage() override {
    FinishPage();
    StartPage();
    return true;
  }
  bool EndDoc() override {
    FinishPage();
    documents.push_back(std::move(open_document_));
    open_document_.clear();
    StartPage();
    return true;
  }
  void AbortDoc() override {
    open_document_.clear();
    StartPage();
  }
  std::string Error() const override { return {}; }
  std::optional<PrintableArea> Printable() const override { return printable; }

  // The page a test gives it; nothing means no page to check against.
  std::optional<PrintableArea> printable;
  // Sent documents, each a list of pages.
  std::vector<std::vector<std::shared_ptr<RecordingSurface>>> documents;

 private:
  void StartPage() { current_ = std::make_shared<RecordingSurface>(metrics_, pictures_); }
  void FinishPage() { open_document_.push_back(current_); }

  const TextMetrics& metrics_;
  const PictureProbe* pictures_;
  std::shared_ptr<RecordingSurface> current_;
  std::vector<std::shared_ptr<RecordingSurface>> open_document_;
};

// Answers dialogs from a script and records what each one was shown. For tests. File and font
// dialogs run out of answers as a cancel; the print dialog then confirms what it was shown.
class RecordingDialogs : public DialogService {
 public:
  struct PrinterAnswer {
    bool confirmed = true;
    std::string printer_name;
    std::string print_file;
  };
  struct FontAnswer {
    std::string name;
    double size = 0;
    bool bold = false;
    bool italic = false;
  };
  struct Shown {
    std::string kind;     // "open", "save", "printer", "font"
    CommonDialog dialog;  // the properties as they were when shown
  };

  void ShowOpen(CommonDialog& dialog) override { AnswerFile("open", dialog); }
  void ShowSave(CommonDialog& dialog) override { AnswerFile("save", dialog); }
  bool ShowPrinter(CommonDialog& dialog) override {
    shown.push_back({"printer", dialog});
    if (printers.empty()) return true;
    const PrinterAnswer a = printers.front();
    printers.pop_front();
    if (!a.confirmed) return false;
    dialog.printer_name = a.printer_name;
    dialog.print_file = a.print_file;
    return true;
  }
  void ShowFont(CommonDialog& dialog) override {
    shown.push_back({"font", dialog});
    if (fonts.empty()) return;  // cancelled: previous values stay
    const FontAnswer f = fonts.front();
    fonts.pop_front();
    dialog.font_name = f.name;
    dialog.font_size = f.size;
    dialog.font_bold = f.bold;
    dialog.font_italic = f.italic;
  }

  std::deque<std::string> paths;  // "" answers a cancel
  std::deque<FontAnswer> fonts;   // empty: the font dialog is cancelled
  std::deque<PrinterAnswer> printers;
  std::vector<Shown> shown;

 private:
  void AnswerFile(const char* kind, CommonDialog& dialog) {
    shown.push_back({kind, dialog});
    if (paths.empty()) {
      dialog.file_name.clear();
      return;
    }
    dialog.file_name = paths.front();
    paths.pop_front();
  }
};

}  // namespace vellomir
