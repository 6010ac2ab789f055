#include "gui/qt_printer.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinterInfo>
#include <QSaveFile>
#include <filesystem>

namespace vellomir {

namespace {

// Where drawing goes while the device could not be opened: nowhere. The run sees the
// printer's error after the page and stops.
class DiscardingSurface : public DrawingSurface {
 public:
  std::optional<PictureSize> LoadPicture(const std::string&) override { return std::nullopt; }
  void DrawPicture(const std::string&, double, double, double, double) override {}

 protected:
  void FillBox(double, double, double, double, int) override {}
  void DrawText(double, double, const std::string&, const FontState&) override {}
  double TextWidth(const std::string&, const FontState&) override { return 0; }
  void Erase() override {}
};

DrawingSurface& Discard() {
  static DiscardingSurface surface;
  return surface;
}

}  // namespace

// --- QtPrinter -----------------------------------------------------------------------------

QtPrinter::QtPrinter(QPrinter& printer) : printer_(printer) {}

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
  surface_ = std::make_unique<QtSurface>(*painter_);
  return true;
}

DrawingSurface& QtPrinter::Surface() {
  if (!error_.empty() || !Begin()) return Discard();
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

std::unique_ptr<QPrinter> SystemPrinter(const std::string& name) {
  const QString wanted = QString::fromStdString(name);
  const QPrinterInfo info = QPrinterInfo::printerInfo(wanted);
  if (info.isNull() || info.printerName() != wanted) return nullptr;
  return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

// --- PdfPrinter ----------------------------------------------------------------------------

bool DeviceSink::Write(const char* data, std::size_t size) {
  if (failed_) return false;
  if (device_.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size)) {
    failed_ = true;
    return false;
  }
  written_ += size;
  return true;
}

PdfPrinter::PdfPrinter(std::string path) : path_(std::move(path)) {}

PdfPrinter::~PdfPrinter() { Drop(); }

std::string PdfPrinter::DocumentPath(const std::string& path, int number) {
  if (number <= 1) return path;
  const std::filesystem::path p(path);
  std::filesystem::path name = p.stem();
  name += "-";
  name += std::to_string(number);
  name += p.extension();
  return (p.parent_path() / name).string();
}

void PdfPrinter::Drop() {
  surface_.reset();
  sink_.reset();
  if (file_) file_->cancelWriting();
  file_.reset();
}

bool PdfPrinter::Begin() {
  if (surface_) return true;
  current_path_ = DocumentPath(path_, ++documents_);
  file_ = std::make_unique<QSaveFile>(QString::fromStdString(current_path_));
  if (!file_->open(QIODevice::WriteOnly)) {
    error_ = "無法寫入檔案「" + current_path_ + "」";
    Drop();
    return false;
  }
  // The print run sets no paper; A4 is what the printer would hold, and the default layout of
  // 2 x 2 labels of 105 x 148.5 mm fills it exactly.
  const QSizeF a4 = QPageSize(QPageSize::A4).sizePoints();
  sink_ = std::make_unique<DeviceSink>(*file_);
  surface_ = std::make_unique<PdfSurface>(*sink_, a4.width(), a4.height());
  return true;
}

DrawingSurface& PdfPrinter::Surface() {
  if (!error_.empty() || !Begin()) return Discard();
  return *surface_;
}

bool PdfPrinter::NewPage() {
  if (!error_.empty() || !Begin()) return false;
  if (!surface_->NewPage()) {
    error_ = "無法在「" + current_path_ + "」加上新的一頁";
    Drop();
    return false;
  }
  return true;
}

bool PdfPrinter::EndDoc() {
  if (!error_.empty() || !Begin()) return false;
  const bool painted = surface_->Finish();
  const std::string surface_error = surface_->Error();
  surface_.reset();
  sink_.reset();
  if (!painted || !file_->commit()) {
    error_ = "無法寫入檔案「" + current_path_ + "」";
    // Say why when the writer knows more than that a write failed.
    if (!painted && !surface_error.empty()) error_ += "(" + surface_error + ")";
    Drop();
    return false;
  }
  file_.reset();
  written_.push_back(current_path_);
  return true;
}

}  // namespace vellomir
