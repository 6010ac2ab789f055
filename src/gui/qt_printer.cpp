#include "gui/qt_printer.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>

namespace vellomir {

QtPrinter::QtPrinter(QPrinter& printer, double dots_per_inch)
    : printer_(printer), dots_per_inch_(dots_per_inch) {}

QtPrinter::~QtPrinter() {
  if (painter_ && painter_->isActive()) {
    printer_.abort();
    painter_->end();
  }
}

std::string QtPrinter::Name() const {
  if (printer_.outputFormat() == QPrinter::PdfFormat)
    return printer_.outputFileName().toStdString();
  return printer_.printerName().toStdString();
}

bool QtPrinter::Begin() {
  if (painter_ && painter_->isActive()) return true;
  surface_.reset();
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(&printer_)) {
    error_ = "無法開始列印到「" + Name() + "」";
    return false;
  }
  double dots = dots_per_inch_;
  if (dots <= 0 && printer_.outputFormat() == QPrinter::NativeFormat) dots = printer_.resolution();
  surface_ = std::make_unique<QtSurface>(*painter_, QPointF(0, 0), dots);
  return true;
}

DrawingSurface& QtPrinter::Surface() {
  if (!error_.empty() || !Begin()) return NowhereSurface();
  return *surface_;
}

bool QtPrinter::NewPage() {
  if (!error_.empty() || !Begin()) return false;
  if (!printer_.newPage()) {
    error_ = "「" + Name() + "」無法換到下一頁";
    return false;
  }
  return true;
}

bool QtPrinter::EndDoc() {
  if (!error_.empty() || !Begin()) return false;
  surface_.reset();
  const bool sent = painter_->end();
  painter_.reset();
  if (!sent || printer_.printerState() == QPrinter::Error) {
    error_ = "「" + Name() + "」沒有完成列印工作";
    return false;
  }
  return true;
}

void QtPrinter::AbortDoc() {
  surface_.reset();
  if (painter_ && painter_->isActive()) {
    printer_.abort();
    painter_->end();
  }
  painter_.reset();
}

}  // namespace vellomir
