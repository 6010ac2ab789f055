#include "gui/qt_dialogs.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStringList>
#include <QUrl>

#include "output/qt_surface.h"

namespace vellomir {

MessageAnswer QtMessageBox::Show(const std::string& text, const std::string& caption,
                                 MessageButtons buttons) {
  QMessageBox box(parent_);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromStdString(text));
  box.setIcon(buttons == MessageButtons::kOk ? QMessageBox::Information : QMessageBox::Warning);
  QPushButton* go_on = nullptr;
  if (buttons == MessageButtons::kContinueOkCancel) {
    go_on = box.addButton(QString::fromUtf8("接續"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Ok);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(go_on);
  } else if (buttons == MessageButtons::kOkCancel) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    // Enter on a question must not do what it warns against.
    box.setDefaultButton(QMessageBox::Cancel);
  } else if (buttons == MessageButtons::kYesNoCancel) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  box.exec();
  if (go_on != nullptr && box.clickedButton() == go_on) return MessageAnswer::kContinue;
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
      return MessageAnswer::kOk;
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    default:
      return MessageAnswer::kCancel;
  }
}

QString ToQtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    // Qt shows the patterns in brackets; a display text that already names them keeps its own.
    const QString text = parts[i];
    const QString pattern = parts[i + 1];
    if (text.contains('(')) {
      out << text.left(text.indexOf('(')) + "(" + pattern + ")";
    } else {
      out << text + " (" + pattern + ")";
    }
  }
  return out.join(";;");
}

namespace {

QString StartFolder(const CommonDialog& dialog) {
  const QString dir = QString::fromStdString(dialog.init_dir);
  return (!dir.isEmpty() && QDir(dir).exists()) ? dir : QDir::currentPath();
}

std::string WithDefaultExtension(const QString& path, const std::string& ext) {
  if (path.isEmpty() || ext.empty()) return path.toStdString();
  if (!QFileInfo(path).suffix().isEmpty()) return path.toStdString();
  return (path + "." + QString::fromStdString(ext)).toStdString();
}

// The dialog's own copies field would print every label that many times over, beside the
// window's copies field that counts labels: it is hidden with its caption.
void HideCopiesField(QPrintDialog& box) {
  auto* copies = box.findChild<QSpinBox*>("copies");
  if (copies == nullptr) return;
  copies->setValue(1);
  copies->hide();
  for (QLabel* label : box.findChildren<QLabel*>())
    if (label->buddy() == copies) label->hide();
}

}  // namespace

void QtDialogs::ShowOpen(CommonDialog& dialog) {
  QFileDialog box(parent_, QString::fromStdString(dialog.title), StartFolder(dialog),
                  ToQtNameFilters(dialog.filter));
  box.setAcceptMode(QFileDialog::AcceptOpen);
  box.setFileMode(QFileDialog::AnyFile);  // the same dialog also takes names not yet on disk
  box.setDefaultSuffix(QString::fromStdString(dialog.default_ext));
  dialog.file_name = box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty()
                         ? WithDefaultExtension(box.selectedFiles().first(), dialog.default_ext)
                         : std::string();
}

void QtDialogs::ShowSave(CommonDialog& dialog) {
  QFileDialog box(parent_, QString::fromStdString(dialog.title), StartFolder(dialog),
                  ToQtNameFilters(dialog.filter));
  box.setAcceptMode(QFileDialog::AcceptSave);
  // The program asks its own overwrite question.
  box.setOption(QFileDialog::DontConfirmOverwrite, true);
  box.setDefaultSuffix(QString::fromStdString(dialog.default_ext));
  dialog.file_name = box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty()
                         ? WithDefaultExtension(box.selectedFiles().first(), dialog.default_ext)
                         : std::string();
}

bool QtDialogs::ShowPrinter(CommonDialog& dialog) {
  // A fresh printer each time: nothing a failed run left behind reaches the next one.
  QPrinter printer(QPrinter::HighResolution);
  if (!dialog.printer_name.empty())
    printer.setPrinterName(QString::fromStdString(dialog.printer_name));
  // The last run went to a file: the dialog offers that file again, not the home folder.
  if (!dialog.print_file.empty())
    printer.setOutputFileName(QString::fromStdString(dialog.print_file));
  QPrintDialog box(&printer, parent_);
  // The run prints every label once; page ranges and copies belong to the copies field.
  box.setOption(QAbstractPrintDialog::PrintPageRange, false);
  box.setOption(QAbstractPrintDialog::PrintCollateCopies, false);
  HideCopiesField(box);
  if (box.exec() != QDialog::Accepted) return false;
  if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
    dialog.print_file = printer.outputFileName().toStdString();
    dialog.paper_width_mm = dialog.paper_height_mm = 0;
    return true;
  }
  dialog.print_file.clear();
  dialog.printer_name = printer.printerName().toStdString();
  // Only a paper the user changed is passed on; otherwise the queue's own default stands.
  const QPageSize chosen = printer.pageLayout().pageSize();
  const QPageSize usual = QPrinterInfo(printer).defaultPageSize();
  if (chosen.isValid() && !(usual.isValid() && chosen.isEquivalentTo(usual))) {
    const QSizeF mm = chosen.size(QPageSize::Millimeter);
    dialog.paper_width_mm = mm.width();
    dialog.paper_height_mm = mm.height();
  } else {
    dialog.paper_width_mm = dialog.paper_height_mm = 0;
  }
  return true;
}

void QtDialogs::ShowFont(CommonDialog& dialog) {
  FontState current{dialog.font_name, dialog.font_size > 0 ? dialog.font_size : 10,
                    dialog.font_bold, dialog.font_italic};
  bool ok = false;
  const QFont start = ToQFont(current);
  const QFont chosen = QFontDialog::getFont(&ok, start, parent_);
  if (!ok) return;  // cancelled: the previous values stay
  // A Windows face the design names ("細明體") is shown as the face standing in for it; left
  // on that face, the design keeps its own name.
  const QString resolved = QFontInfo(start).family();
  if (current.name.empty() || chosen.family() != resolved)
    dialog.font_name = chosen.family().toStdString();
  dialog.font_size = chosen.pointSizeF();
  dialog.font_bold = chosen.bold();
  dialog.font_italic = chosen.italic();
}

void QtShell::OpenTextFile(const std::string& path) {
  QDesktopServices::openUrl(
      QUrl::fromLocalFile(QFileInfo(QString::fromStdString(path)).absoluteFilePath()));
}

std::string QtShell::CurrentDate() {
  return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}

std::string QtShell::CurrentTime() {
  // The system's long time format, hours to seconds, without the time zone it may add.
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove(QRegularExpression("\\s*\\[?t+\\]?"));
  return QLocale::system().toString(QTime::currentTime(), format.trimmed()).toStdString();
}

}  // namespace vellomir
