#pragma once

#include <QPrinter>
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

// The file dialogs translate the "text|pattern|..." filters; the print dialog sets up the
// printer that the next print run draws on.
class QtDialogs : public DialogService {
 public:
  QtDialogs(QWidget* parent, QPrinter& printer) : parent_(parent), printer_(printer) {}
  void ShowOpen(CommonDialog& dialog) override;
  void ShowSave(CommonDialog& dialog) override;
  void ShowPrinter(CommonDialog& dialog) override;
  void ShowFont(CommonDialog& dialog) override;

  // Whether the last print dialog was confirmed (a cancelled one still lets the run go on).
  bool printer_accepted() const { return printer_accepted_; }

 private:
  QWidget* parent_;
  QPrinter& printer_;
  bool printer_accepted_ = false;
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
