#include "output/label_printer.h"

#include <QFileInfo>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "output/cups_printer.h"

namespace vellomir {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kTwipsPerMm = 1440.0 / kMmPerInch;
// Lighter than this is paper: text edges drawn smooth fall either way at half grey. The eight-dot
// path below tests the same thing as the grey byte's top bit.
constexpr int kInkThreshold = 128;
static_assert(std::endian::native == std::endian::little,
              "the eight-dot gathering reads bytes in order");

int DotsOf(double mm, int dpi) {
  return static_cast<int>(std::lround(std::clamp(mm, 0.0, 10000.0) / kMmPerInch * dpi));
}

// A driver's printer with the bar width reduction of its calibration (the offsets go into its
// page origin).
class CalibratedPrinter : public Printer {
 public:
  CalibratedPrinter(std::unique_ptr<Printer> printer, int reduction)
      : printer_(std::move(printer)), reduction_(reduction) {}
  DrawingSurface& Surface() override { return printer_->Surface(); }
  bool NewPage() override { return printer_->NewPage(); }
  bool EndDoc() override { return printer_->EndDoc(); }
  void AbortDoc() override { printer_->AbortDoc(); }
  std::string Error() const override { return printer_->Error(); }
  std::string Destination() const override { return printer_->Destination(); }
  std::vector<std::string> Deliveries() const override { return printer_->Deliveries(); }
  std::string Notice() const override { return printer_->Notice(); }
  std::optional<PrintableArea> Printable() const override { return printer_->Printable(); }
  bool KeepsEndedDocuments() const override { return printer_->KeepsEndedDocuments(); }
  bool Commit() override { return printer_->Commit(); }
  double DotsPerInch() const override { return printer_->DotsPerInch(); }
  std::int64_t PagesTaken() const override { return printer_->PagesTaken(); }
  int BarWidthReduction() const override { return reduction_; }

 private:
  std::unique_ptr<Printer> printer_;
  int reduction_;
};

}  // namespace

LabelLanguagePrinter::LabelLanguagePrinter(const LabelPrinterSetup& setup,
                                           std::unique_ptr<LabelStream> stream)
    : setup_(setup), stream_(std::move(stream)) {
  format_.width_dots = std::max(1, DotsOf(setup.label_width_mm, setup.dpi));
  format_.height_dots = std::max(1, DotsOf(setup.label_height_mm, setup.dpi));
  format_.dpi = setup.dpi;
  format_.settings = setup.settings;
  image_ =
      WhiteImageAt(format_.width_dots, format_.height_dots, setup.dpi, QImage::Format_Grayscale8);
  painter_ = std::make_unique<QPainter>(&image_);
  // The calibration moves the whole label on the dots; symbols stay on whole dots counted from
  // the label's corner.
  const QPointF origin(setup.settings.x_offset_mm * kTwipsPerMm,
                       setup.settings.y_offset_mm * kTwipsPerMm);
  surface_ = std::make_unique<QtSurface>(*painter_, origin, setup.dpi);
}

LabelLanguagePrinter::~LabelLanguagePrinter() {
  surface_.reset();
  if (painter_) painter_->end();
}

DotBitmap LabelLanguagePrinter::CurrentLabel() const {
  const int width = image_.width(), height = image_.height();
  DotBitmap bitmap = BlankBitmap(width, height);
  for (int y = 0; y < height; ++y) {
    const uchar* grey = image_.constScanLine(y);
    std::uint8_t* row = bitmap.bits.data() + static_cast<std::size_t>(y) * bitmap.bytes_per_row;
    int x = 0;
    // Eight dots at once: the top bit of each grey byte is clear for ink; the multiplication
    // gathers the eight bits into one byte, the first dot in its top bit.
    for (; x + 8 <= width; x += 8) {
      std::uint64_t v;
      std::memcpy(&v, grey + x, sizeof v);
      const std::uint64_t ink = (~v >> 7) & 0x0101010101010101ULL;
      row[x >> 3] = static_cast<std::uint8_t>((ink * 0x8040201008040201ULL) >> 56);
    }
    for (; x < width; ++x)
      row[x >> 3] |= static_cast<std::uint8_t>((grey[x] < kInkThreshold) << (7 - (x & 7)));
  }
  return bitmap;
}

bool LabelLanguagePrinter::SendLabel() {
  if (!error_.empty()) return false;
  const DotBitmap label = CurrentLabel();
  const std::string commands =
      setup_.language == LabelLanguage::kEpl ? EplLabel(label, format_) : ZplLabel(label, format_);
  image_.fill(255);
  surface_->SetCurrentX(0);
  surface_->SetCurrentY(0);
  return stream_->Label(commands);
}

bool LabelLanguagePrinter::NewPage() { return SendLabel(); }

bool LabelLanguagePrinter::EndDoc() { return SendLabel() && stream_->End(); }

void LabelLanguagePrinter::AbortDoc() {
  image_.fill(255);
  stream_->Abort();
}

LabelLanguage LanguageOfFile(const std::string& path) {
  const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
  if (suffix == "zpl") return LabelLanguage::kZpl;
  if (suffix == "epl") return LabelLanguage::kEpl;
  return LabelLanguage::kNone;
}

ChosenPrinter OpenNamedPrinter(const std::string& name, double label_width_mm,
                               double label_height_mm, const std::string& job_name,
                               std::string& problem, std::vector<std::string>* warnings,
                               double paper_width_mm, double paper_height_mm) {
  ChosenPrinter chosen;
  chosen.settings = PrinterSettingsFor(name, warnings);
  const PrinterSettings& s = chosen.settings;
  LabelPrinterSetup setup;
  setup.language = s.language;
  setup.label_width_mm = label_width_mm;
  setup.label_height_mm = label_height_mm;
  setup.settings = s;
  setup.destination = name;
  const std::string where = "printers.ini ([" + name + "])";
  auto language_check = [&]() -> bool {
    if (s.language == LabelLanguage::kEpl && s.darkness && *s.darkness > 15) {
      problem = "EPL 的 darkness 只能是 0 到 15: " + where + ",沒有列印";
      return false;
    }
    return true;
  };

  std::unique_ptr<LabelStream> stream;
  if (ParsePrinterAddress(name) || name.rfind("socket:", 0) == 0) {
    if (s.language == LabelLanguage::kNone) {
      problem = "不知道印表機 " + name + " 用哪種語言: 請在 " + PrinterSettingsPath() + " 的 [" +
                name + "] 寫 language = zpl 或 epl,沒有列印";
      return {};
    }
    setup.dpi = s.resolution > 0 ? s.resolution : 203;
    if (!language_check()) return {};
    stream = OpenSocketStream(name, s.timeout_seconds, problem);
  } else {
    const std::optional<QueueDriver> driver = QueryQueueDriver(name, problem);
    if (!driver) return {};
    if (s.language == LabelLanguage::kNone) {
      if (driver->raw) {
        problem = "印表機「" + name + "」是 raw 佇列,不能列印 PDF: 請在 " + PrinterSettingsPath() +
                  " 的 [" + name + "] 寫 language = zpl 或 epl,或改用有驅動程式的佇列,沒有列印";
        return {};
      }
      CupsRequest request;
      request.queue = name;
      request.job_name = job_name;
      request.paper_width_mm = paper_width_mm;
      request.paper_height_mm = paper_height_mm;
      request.offset_x_mm = s.x_offset_mm;
      request.offset_y_mm = s.y_offset_mm;
      std::unique_ptr<Printer> driver = CupsPrinter::Open(request, problem);
      if (!driver) return {};
      chosen.printer = s.bar_width_reduction > 0 ? std::make_unique<CalibratedPrinter>(
                                                       std::move(driver), s.bar_width_reduction)
                                                 : std::move(driver);
      return chosen;
    }
    // The driver knows the head; printers.ini speaks for a queue without one.
    setup.dpi = driver->dpi > 0 ? driver->dpi : s.resolution > 0 ? s.resolution : 203;
    if (!language_check()) return {};
    stream = OpenRawQueueStream(name, job_name, problem);
  }
  if (!stream) return {};
  chosen.printer = std::make_unique<LabelLanguagePrinter>(setup, std::move(stream));
  return chosen;
}

std::unique_ptr<Printer> OpenChosenLabelPrinter(const CommonDialog& chosen,
                                                const std::string& job_name, double label_width_mm,
                                                double label_height_mm, std::string& problem) {
  if (chosen.print_file.empty())
    return OpenNamedPrinter(chosen.printer_name, label_width_mm, label_height_mm, job_name, problem,
                            nullptr, chosen.paper_width_mm, chosen.paper_height_mm)
        .printer;
  const LabelLanguage language = LanguageOfFile(chosen.print_file);
  if (language == LabelLanguage::kNone) return OpenChosenPrinter(chosen, job_name, problem);
  auto stream = OpenFileStream(chosen.print_file, problem);
  if (!stream) return nullptr;
  return std::make_unique<LabelLanguagePrinter>(
      LabelPrinterSetup{language, 203, label_width_mm, label_height_mm, {}, chosen.print_file},
      std::move(stream));
}

}  // namespace vellomir
