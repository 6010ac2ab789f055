#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <filesystem>

#include "output/export.h"
#include "support/files.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

double Pixels(double twips, double dpi) { return std::ceil(twips * dpi / 1440.0); }

// The 800 x 800 mm label that took 1.4 GB as a 600 dpi PNG: drawn at a lower resolution,
// as close to the cap as the rounding allows.
TEST(ExportPictureCap, AHugePictureIsDrawnAtALowerResolution) {
  const double side = 800 * 56.5;
  const double dpi = CappedDpi(side, side, 600);
  EXPECT_LT(dpi, 600);
  const double pixels = Pixels(side, dpi) * Pixels(side, dpi);
  EXPECT_LE(pixels, kMaxExportPixels);
  EXPECT_GT(pixels, 0.97 * kMaxExportPixels);
  // A label of ordinary size keeps its resolution, also a long, narrow one just under the cap.
  EXPECT_EQ(CappedDpi(100 * 56.5, 60 * 56.5, 600), 600);
  EXPECT_EQ(CappedDpi(1440 * 10000.0, 1440 * 10.0, 1), 1);
  EXPECT_LT(CappedDpi(1440 * 10000.0, 1440 * 10001.0, 1), 2);
}

class Export : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::EnsureGuiApplication();
  }
  test::TempDir dir;
};

TEST_F(Export, APictureIsWrittenWholeAndAFifoIsNeverDrawnInto) {
  int drawn = 0;
  auto draw = [&](DrawingSurface& surface) {
    ++drawn;
    surface.SetCurrentX(0);
    surface.SetCurrentY(0);
    surface.Line(720, 720, kBlack);
  };
  std::string note;
  ASSERT_EQ(ExportDrawing(dir.File("a.png"), 1440, 1440, 100, draw, {0, 0}, &note), "");
  EXPECT_TRUE(note.empty());
  const QImage image(QString::fromStdString(dir.File("a.png")));
  ASSERT_EQ(image.width(), 100);
  EXPECT_LT(image.pixelColor(10, 10).lightness(), 50);
  EXPECT_GT(image.pixelColor(90, 90).lightness(), 200);

  ASSERT_EQ(::mkfifo(dir.File("b.svg").c_str(), 0644), 0);
  const std::string error = ExportDrawing(dir.File("b.svg"), 1440, 1440, 100, draw);
  EXPECT_NE(error.find("FIFO"), std::string::npos) << error;
  EXPECT_EQ(drawn, 1);
  EXPECT_TRUE(fs::is_fifo(dir.File("b.svg")));
}

}  // namespace
}  // namespace vellomir
