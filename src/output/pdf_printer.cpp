#include "output/pdf_printer.h"

#include <QPageSize>
#include <QSizeF>
#include <filesystem>

namespace vellomir {

namespace {

// A failed run of files to a path keeps none of them, and the files it would replace stay.
constexpr const char* kNothingKept = ",這次列印的檔案都沒有留下,原來的檔案沒有變更";

}  // namespace

PdfPrinter::PdfPrinter(std::string path, double dots_per_inch)
    : path_(std::move(path)), dots_per_inch_(dots_per_inch) {}

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
  if (file_) file_->Abandon();
  file_.reset();
  // The run's files stand or fall together.
  for (auto& pending : pending_) pending->Abandon();
  pending_.clear();
}

std::string PdfPrinter::OutputFailure() const {
  const std::string name = file_->Path() == "-" ? "標準輸出" : "「" + file_->Path() + "」";
  std::string text;
  if (file_->Problem() == OutputProblem::kTooLarge) {
    text = "PDF 檔" + name + "寫到第 " + std::to_string(pages_) + " 頁會超過 " +
           std::to_string(size_limit_) +
           " 位元組,PDF 的位置欄位寫不下這麼大的檔案,請減少列印份數分次列印";
  } else {
    text = file_->Error() + ",寫到第 " + std::to_string(pages_) + " 頁時失敗";
  }
  if (path_ != "-") text += kNothingKept;
  return text;
}

std::string PdfPrinter::Error() const {
  if (error_.empty() && file_ && file_->Failed()) return OutputFailure();
  return error_;
}

bool PdfPrinter::CheckOutput() {
  // The sink itself keeps the first failure, whatever writer fed it.
  if (!file_ || !file_->Failed()) return true;
  error_ = OutputFailure();
  Drop();
  return false;
}

bool PdfPrinter::Begin() {
  if (surface_) return true;
  if (path_ == "-" && documents_ > 0) {
    error_ =
        "標準輸出只能寫一份 PDF 文件,這次列印有好幾份 (牽動式印表機每頁一份),請改用 -o FILE.pdf";
    Drop();
    return false;
  }
  const std::string path = DocumentPath(path_, ++documents_);
  pages_ = 1;
  file_ = std::make_unique<OutputFile>(path);
  file_->SetSizeLimit(size_limit_);
  if (!file_->Open()) {
    error_ = file_->Error();
    Drop();
    return false;
  }
  // The print run sets no paper; A4 is what the printer would hold, and the default layout of
  // 2 x 2 labels of 105 x 148.5 mm fills it exactly.
  const QSizeF a4 = QPageSize(QPageSize::A4).sizePoints();
  surface_ = std::make_unique<PdfSurface>(*file_, a4.width(), a4.height());
  surface_->SetDotsPerInch(dots_per_inch_);
  return CheckOutput();
}

DrawingSurface& PdfPrinter::Surface() {
  if (!error_.empty() || !Begin()) return NowhereSurface();
  return *surface_;
}

bool PdfPrinter::NewPage() {
  if (!error_.empty() || !Begin()) return false;
  const bool added = surface_->NewPage();
  // The page just ended is written out by now: a full disk stops the run here, not at the end,
  // and is said in the file's own words.
  if (!CheckOutput()) return false;
  if (!added) {
    error_ = "無法在「" + file_->Path() + "」加上新的一頁";
    Drop();
    return false;
  }
  ++pages_;
  return true;
}

bool PdfPrinter::EndDoc() {
  if (!error_.empty() || !Begin()) return false;
  const bool painted = surface_->Finish();
  const std::string surface_error = surface_->Error();
  surface_.reset();
  if (!CheckOutput()) return false;
  if (!painted) {
    error_ = "無法寫入檔案「" + file_->Path() + "」";
    // Say why when the writer knows more than that a write failed.
    if (!surface_error.empty()) error_ += "(" + surface_error + ")";
    Drop();
    return false;
  }
  if (!file_->Finish()) {
    error_ = file_->Error();
    if (path_ != "-") error_ += kNothingKept;
    Drop();
    return false;
  }
  pending_.push_back(std::move(file_));
  return true;
}

bool PdfPrinter::Commit() {
  if (!error_.empty()) return false;
  std::vector<OutputFile*> files;
  for (auto& pending : pending_) files.push_back(pending.get());
  bool restored = true;
  const std::string error = CommitTogether(files, &restored);
  if (error.empty())
    for (OutputFile* f : files) written_.push_back(f->Path());
  pending_.clear();
  if (error.empty()) return true;
  error_ = error + (restored ? kNothingKept : "");
  return false;
}

}  // namespace vellomir
