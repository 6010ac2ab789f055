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

// Every page rendered with pdftoppm at the given resolution; empty when it cannot be read.
std::vector<QImage> RenderPdfPages(const std::string& path, int dpi);

}  // namespace vellomir::test
