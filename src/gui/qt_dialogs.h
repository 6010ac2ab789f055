#pragma once

#include <QWidget>
#include <memory>

#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "platform/shell.h"

// The desktop behind the platform interfaces: Qt message boxes, file, font and print dialogs,
// the text viewer and the clock.
namespace vellomir {

class QtMessageBox : public MessageBox {
 public:
  explicit QtMessageBox(QWidget* parent) : parent_(parent) {}
  MessageAnswer Show(const std::string& text, const std::string& caption,
                     MessageButtons buttons = MessageButtons::kOk) override;

 private:
  QWidget* parent_;
};

// The file dialogs translate the "text|pattern|..." filters; the print dialog works on a
// printer object of its own each time and hands back the choice as plain values.
class QtDialogs : public DialogService {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  void ShowOpen(CommonDialog& dialog) override;
  void ShowSave(CommonDialog& dialog) override;
  bool ShowPrinter(CommonDialog& dialog) override;
  void ShowFont(CommonDialog& dialog) override;

 private:
  QWidget* parent_;
};

// Qt's own name filters from a "text|pattern|text|pattern" list.
QString ToQtNameFilters(const std::string& filter);

class QtShell : public Shell {
 public:
  void OpenTextFile(const std::string& path) override;
  std::string CurrentDate() override;
  std::string CurrentTime() override;
};

}  // namespace vellomir
