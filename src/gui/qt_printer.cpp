#include "gui/qt_printer.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinterInfo>
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

// Twips map one to one onto the PDF's device units.
constexpr int kPdfResolution = 1440;

}  // namespace

// --- QtPrinter -----------------------------------------------------------------------------

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

PdfPrinter::PdfPrinter(std::string path, double dots_per_inch)
    : path_(std::move(path)), dots_per_inch_(dots_per_inch) {}

PdfPrinter::~PdfPrinter() { Drop(); }

std::string PdfPrinter::DocumentPath(const std::string& path, int number) {
  if (number <= 1) return path;
  const std::filesystem::path p(path);
  std::filesystem::path name = p.stem();
  name += "-" + std::to_string(number);
  name += p.extension();
  return (p.parent_path() / name).string();
}

void PdfPrinter::Drop() {
  surface_.reset();
  if (painter_ && painter_->isActive()) painter_->end();
  painter_.reset();
  writer_.reset();
  if (file_) file_->cancelWriting();
  file_.reset();
}

bool PdfPrinter::Begin() {
  if (painter_) return true;
  current_path_ = DocumentPath(path_, ++documents_);
  file_ = std::make_unique<QSaveFile>(QString::fromStdString(current_path_));
  if (!file_->open(QIODevice::WriteOnly)) {
    error_ = "無法寫入檔案「" + current_path_ + "」";
    Drop();
    return false;
  }
  writer_ = std::make_unique<QPdfWriter>(file_.get());
  writer_->setCreator("Vellomir");
  writer_->setResolution(kPdfResolution);
  // The print run sets no paper; A4 is what the printer would hold, and the default layout of
  // 2 x 2 labels of 105 x 148.5 mm fills it exactly.
  writer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(writer_.get())) {
    error_ = "無法寫入檔案「" + current_path_ + "」";
    Drop();
    return false;
  }
  surface_ = std::make_unique<QtSurface>(*painter_, QPointF(0, 0), dots_per_inch_);
  return true;
}

DrawingSurface& PdfPrinter::Surface() {
  if (!error_.empty() || !Begin()) return Discard();
  return *surface_;
}

bool PdfPrinter::NewPage() {
  if (!error_.empty() || !Begin()) return false;
  if (!writer_->newPage()) {
    error_ = "無法在「" + current_path_ + "」加上新的一頁";
    Drop();
    return false;
  }
  return true;
}

bool PdfPrinter::EndDoc() {
  if (!error_.empty() || !Begin()) return false;
  surface_.reset();
  const bool painted = painter_->end();
  painter_.reset();
  writer_.reset();
  if (!painted || !file_->commit()) {
    error_ = "無法寫入檔案「" + current_path_ + "」";
    Drop();
    return false;
  }
  file_.reset();
  written_.push_back(current_path_);
  return true;
}

}  // namespace vellomir
