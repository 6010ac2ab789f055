#pragma once

#include <QImage>
#include <optional>
#include <string>
#include <vector>

// Reading PDFs back with poppler's tools, as a viewer or printer would see them.
namespace vellomir::test {

struct PdfInfo {
  int pages = 0;
  double width_pt = 0;  // size of the first page
  double height_pt = 0;
};

// What pdfinfo says of the file; nothing when it is no PDF poppler can read.
std::optional<PdfInfo> ReadPdfInfo(const std::string& path);

// The text pdftotext extracts from the file (UTF-8, pages ended by form feeds); nothing when it
// cannot read the file.
std::optional<std::string> ExtractPdfText(const std::string& path);

// A word as pdftotext finds it, with its box in points from the page's top-left corner.
struct PdfWord {
  int page = 0;  // from 1
  std::string text;
  double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
};
std::vector<PdfWord> ExtractPdfWords(const std::string& path);

// Whether qpdf --check finds the file sound; its report goes to `report`.
bool QpdfChecks(const std::string& path, std::string* report = nullptr);

// Every page rendered with pdftoppm at the given resolution; empty when it cannot be read.
std::vector<QImage> RenderPdfPages(const std::string& path, int dpi);

}  // namespace vellomir::test
