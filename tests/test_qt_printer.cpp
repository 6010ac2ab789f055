#include <gtest/gtest.h>

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPrinter>
#include <algorithm>
#include <filesystem>

#include "gui/qt_printer.h"
#include "output/pdf_printer.h"
#include "support/files.h"
#include "support/pdf.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

// A filled box of 1 x 0.5 inch whose top-left corner is 1 inch from the left and 0.5 inch
// from the top of the surface.
void DrawMark(DrawingSurface& surface) {
  surface.SetCurrentX(1440);
  surface.SetCurrentY(720);
  surface.Line(1439, 719, kBlack);  // the box covers its far edge
}

bool Dark(const QImage& image, int x, int y) { return image.pixelColor(x, y).lightness() < 100; }

std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class QtPrinters : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::EnsureGuiApplication();
  }

  test::TempDir dir;
};

TEST(PdfDocumentPath, NumbersEveryDocumentAfterTheFirst) {
  EXPECT_EQ(PdfPrinter::DocumentPath("out/a.pdf", 1), "out/a.pdf");
  EXPECT_EQ(PdfPrinter::DocumentPath("out/a.pdf", 2), "out/a-2.pdf");
  EXPECT_EQ(PdfPrinter::DocumentPath("a.PDF", 12), "a-12.PDF");
  EXPECT_EQ(PdfPrinter::DocumentPath("v1.2.pdf", 3), "v1.2-3.pdf");
}

TEST_F(QtPrinters, PdfPrinterWritesEveryEndedDocumentAsItsOwnFile) {
  const std::string path = dir.File("labels.pdf");
  PdfPrinter printer(path);
  DrawMark(printer.Surface());
  ASSERT_TRUE(printer.NewPage());
  DrawMark(printer.Surface());
  ASSERT_TRUE(printer.EndDoc());
  DrawMark(printer.Surface());
  ASSERT_TRUE(printer.EndDoc());
  EXPECT_TRUE(printer.Error().empty());
  // A run's files go in place together, at its end: none of them before.
  EXPECT_TRUE(printer.Written().empty());
  EXPECT_EQ(printer.PendingDocuments(), 2);
  EXPECT_FALSE(fs::exists(path));
  ASSERT_TRUE(printer.Commit());
  EXPECT_EQ(printer.Written(), (std::vector<std::string>{path, dir.File("labels-2.pdf")}));
  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"labels-2.pdf", "labels.pdf"}));

  const auto first = test::ReadPdfInfo(path);
  const auto second = test::ReadPdfInfo(dir.File("labels-2.pdf"));
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->pages, 2);
  EXPECT_EQ(second->pages, 1);
  EXPECT_NEAR(first->width_pt, 595, 1);  // A4
  EXPECT_NEAR(first->height_pt, 842, 1);
}

TEST_F(QtPrinters, PdfPagesAreDrawnInTwipsFromTheTopLeftCorner) {
  const std::string path = dir.File("mark.pdf");
  PdfPrinter printer(path);
  DrawMark(printer.Surface());
  ASSERT_TRUE(printer.EndDoc());
  ASSERT_TRUE(printer.Commit());
  const auto pages = test::RenderPdfPages(path, 72);  // one pixel per 20 twips
  ASSERT_EQ(pages.size(), 1u);
  const QImage& page = pages[0];
  EXPECT_TRUE(Dark(page, 73, 37));
  EXPECT_TRUE(Dark(page, 142, 70));
  EXPECT_FALSE(Dark(page, 70, 50));
  EXPECT_FALSE(Dark(page, 146, 50));
  EXPECT_FALSE(Dark(page, 100, 34));
  EXPECT_FALSE(Dark(page, 100, 74));
}

TEST_F(QtPrinters, UnfinishedDocumentLeavesNoFile) {
  {
    PdfPrinter printer(dir.File("half.pdf"));
    DrawMark(printer.Surface());
    ASSERT_TRUE(printer.NewPage());
    DrawMark(printer.Surface());
  }
  EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

TEST_F(QtPrinters, UnwritablePdfIsAnErrorAndWritesNothing) {
  PdfPrinter printer(dir.File("no/such/folder/x.pdf"));
  DrawMark(printer.Surface());  // goes nowhere
  EXPECT_FALSE(printer.Error().empty());
  EXPECT_NE(printer.Error().find("x.pdf"), std::string::npos);
  EXPECT_FALSE(printer.NewPage());
  EXPECT_FALSE(printer.EndDoc());
  EXPECT_TRUE(printer.Written().empty());
  EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

TEST_F(QtPrinters, QtPrinterDrawsOnTheQPrinterItIsGiven) {
  // A QPrinter set to PDF output stands in for a system printer here.
  QPrinter device(QPrinter::HighResolution);
  device.setOutputFormat(QPrinter::PdfFormat);
  device.setOutputFileName(QString::fromStdString(dir.File("printer.pdf")));
  QtPrinter printer(device);
  DrawMark(printer.Surface());
  ASSERT_TRUE(printer.NewPage());
  DrawMark(printer.Surface());
  ASSERT_TRUE(printer.EndDoc());
  EXPECT_TRUE(printer.Error().empty());
  const auto info = test::ReadPdfInfo(dir.File("printer.pdf"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->pages, 2);
}

TEST_F(QtPrinters, AbortedDocumentsOfAPdfPrinterLeaveNoFile) {
  PdfPrinter printer(dir.File("labels.pdf"));
  DrawMark(printer.Surface());
  ASSERT_TRUE(printer.EndDoc());
  DrawMark(printer.Surface());
  printer.AbortDoc();
  // A run's files stand or fall together: aborting drops the ended document's file as well.
  printer.Commit();
  EXPECT_TRUE(printer.Deliveries().empty());
  EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

}  // namespace
}  // namespace vellomir
