#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/barcode_command.h"
#include "barcode/barcode_kinds.h"
#include "render/symbol_check.h"
#include "support/decode.h"
#include "support/files.h"
#include "support/pdf.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

test::RunResult Barcode(std::vector<std::string> args) {
  args.insert(args.begin(), "barcode");
  return test::RunVellomir(args);
}

bool IsEmptyDir(const fs::path& dir) {
  return fs::directory_iterator(dir) == fs::directory_iterator();
}

TEST(BarcodeDump, PrintsThePatternOnOneLine) {
  struct Case {
    std::vector<std::string> args;
    int kind;
    std::string data;
    int16_t with_check;
  };
  const Case cases[] = {
      {{"--kind", "Code-39", "--data", "CODE39", "--check"}, 0, "CODE39", 1},
      {{"--kind", "1", "--data", "400638133393"}, 1, "400638133393", 0},
      {{"--kind", "CODABAR", "--data", "A40156B"}, 7, "A40156B", 0},
      {{"--kind", "8", "--data", "ABC123456", "--check"}, 8, "ABC123456", 1},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--dump");
    const auto r = Barcode(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto pattern = EncodeBarcode(c.kind, c.data, c.with_check);
    ASSERT_TRUE(pattern.has_value());
    EXPECT_EQ(r.out, pattern->Bits() + "\n") << c.data;
    EXPECT_EQ(r.out.find_first_not_of("01\n"), std::string::npos);
  }
  // The check option reaches the Code 39 encoder: without it the pattern is one symbol shorter.
  const auto plain = Barcode({"--kind", "0", "--data", "CODE39", "--dump"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, EncodeBarcode(0, "CODE39", 0)->Bits() + "\n");
}

// Every mistake is reported in one line on stderr, with status 2, and no file appears.
TEST(BarcodeOptions, MistakesExitTwoWithOneLineAndNoFile) {
  const std::vector<std::vector<std::string>> cases = {
      {"--kind", "0", "--data", "A", "--colour", "red", "-o", "x.png"},  // unknown option
      {"--kind", "0", "-o", "x.png", "--data"},                          // missing value
      {"--kind", "0", "--data", "A", "-o"},                              // missing file name
      {"--kind", "Aztec", "--data", "A", "-o", "x.png"},                 // unknown kind
      {"--kind", "15", "--data", "A", "-o", "x.png"},                    // kind out of the list
      {"--data", "A", "-o", "x.png"},                                    // no kind
      {"--kind", "0", "-o", "x.png"},                                    // no data
      {"--kind", "0", "--data", "A", "-o", "x.png", "--dump"},           // both outputs
      {"--kind", "0", "--data", "A"},                                    // neither output
      {"--kind", "0", "--data", "A", "-o", "x.bmp"},                     // unknown format
      {"--kind", "0", "--data", "A", "-o", "x"},                         // no extension
      {"--kind", "0", "--data", "A", "--dpi", "10", "-o", "x.png"},      // below the range
      {"--kind", "0", "--data", "A", "--height-mm", "1e400", "-o", "x.png"},
      {"--kind", "0", "--data", "A", "--module-width", "15mm", "-o", "x.png"},
      {"--kind", "0", "--data", std::string(501, 'A'), "-o", "x.png"},  // refused by the painter
      {"--kind", "7", "--data", std::string(501, '1'), "-o", "x.png"},
      // Data the symbology refuses: a wrong GTIN check digit, bad AI syntax, over capacity.
      {"--kind", "GS1-QR", "--data", "(01)09521234543214", "-o", "x.png"},
      {"--kind", "GS1-128", "--data", "(10)ABC(99", "-o", "x.png"},
      {"--kind", "QR", "--data", std::string(7090, '1'), "-o", "x.png"},
  };
  for (const auto& args : cases) {
    test::TempDir dir;
    std::vector<std::string> all = {"barcode"};
    all.insert(all.end(), args.begin(), args.end());
    const auto r = test::RunVellomir(all, dir.path().string());
    std::string shown;
    for (const auto& a : args) shown += (a.size() > 20 ? a.substr(0, 20) + "..." : a) + " ";
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_EQ(test::MessageLines(r.err).size(), 1u) << shown << "\n" << r.err;
    EXPECT_EQ(r.err.rfind("vellomir barcode: ", 0), 0u) << shown << "\n" << r.err;
    EXPECT_EQ(r.out, "") << shown;
    EXPECT_TRUE(IsEmptyDir(dir.path())) << shown;
  }
}

TEST(BarcodeOutput, SvgIsWrittenAndReadsBack) {
  test::TempDir dir;
  const std::string out = dir.File("c39.SVG");  // the extension is matched in any case
  const auto r = Barcode({"--kind", "0", "--data", "SVG-1", "--text", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string bytes = test::ReadBytes(out);
  ASSERT_FALSE(bytes.empty());
  EXPECT_TRUE(bytes.rfind("<?xml", 0) == 0 || bytes.rfind("<svg", 0) == 0) << bytes.substr(0, 40);
  EXPECT_NE(bytes.find("<svg"), std::string::npos);

  test::EnsureGuiApplication();
  QSvgRenderer svg(QString::fromStdString(out));
  ASSERT_TRUE(svg.isValid());
  QImage image(svg.defaultSize() * 2, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    svg.render(&painter);
  }
  const auto decoded = test::DecodeWithZXing(image, "Code39");
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->text, "SVG-1");
}

TEST(BarcodeOutput, PdfIsWrittenAndReadsBack) {
  test::TempDir dir;
  const std::string out = dir.File("ean.pdf");
  const auto r = Barcode({"--kind", "EAN-13", "--data", "400638133393", "--text", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadBytes(out).rfind("%PDF", 0), 0u);
  const auto pages = test::RenderPdfPages(out, 600);
  ASSERT_EQ(pages.size(), 1u);
  const auto found = test::DecodeAllWithZbar(pages[0]);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], "EAN-13:4006381333931");
}

// Columns of the first and last dark pixel on the image's middle row.
std::pair<int, int> DarkSpan(const QImage& image) {
  int first = -1, last = -1;
  for (int x = 0; x < image.width(); ++x)
    if (qGray(image.pixel(x, image.height() / 2)) < 128) {
      if (first < 0) first = x;
      last = x;
    }
  return {first, last};
}

// Without text the image is the symbol, its symbology's quiet zone in modules as printed on
// each side (11 for EAN and UPC, 4 for QR Code, 10 for the others; on a PNG's pixels a module may
// be wider than its units), the bars in the middle; as high as the bars (barHeight + 1: a box
// covers its far edge, barHeight being the height in mm at 56.5 units per mm) with as much white
// above and below. The symbol reads.
TEST(BarcodeOutput, ModuleWidthHeightAndDpiSizeThePng) {
  struct Case {
    int kind;
    std::string data, format;
    double bar_height, dpi;  // units; dpi
    int module_px, quiet;    // a module or narrow element as printed; modules
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {0, "SIZE", "Code39", 1130, 600, 7, 10, {}},
      {0, "SIZE", "Code39", 1130, 600, 13, 10, {"--module-width", "30"}},
      {0, "SIZE", "Code39", 565, 600, 7, 10, {"--height-mm", "10"}},
      {0, "SIZE", "Code39", 1130, 300, 3, 10, {"--dpi", "300"}},
      // clang-format off
      {0, "SIZE", "Code39", 1881, 1200, 7, 10,
       {"--module-width", "7", "--height-mm", "33.3", "--dpi", "1200"}},
      // clang-format on
      {1, "400638133393", "EAN13", 1130, 203, 3, 11, {"--dpi", "203"}},
      {0, "AB$CD", "Code39", 1130, 203, 2, 10, {"--dpi", "203"}},
      {8, "Code 128", "Code128", 1130, 203, 2, 10, {"--dpi", "203"}},
      {7, "A40156B", "Codabar", 1130, 203, 3, 10, {"--dpi", "203"}},
      // 2-D symbols carry their own quiet zone (QR Code 4 modules): nothing is added to it.
      {9, "SIZE", "QRCode", 1130, 203, 3, 4, {"--dpi", "203"}},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    const std::string out = dir.File("size.png");
    std::vector<std::string> args = {"--kind", std::to_string(c.kind), "--data", c.data, "-o", out};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto r = Barcode(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage image(QString::fromStdString(out));
    ASSERT_FALSE(image.isNull());
    const auto [first, last] = DarkSpan(image);
    const int left = first, right = image.width() - 1 - last, quiet = c.quiet * c.module_px;
    EXPECT_GE(std::min(left, right), quiet) << c.data << " at " << c.dpi;
    EXPECT_LE(std::abs(left - right), 1) << c.data << " at " << c.dpi;
    EXPECT_LE(left, quiet + 2) << c.data << " at " << c.dpi;
    if (c.kind == 0 || c.kind == 8) {  // bars of one height: no guards, no longer elements
      EXPECT_NEAR(image.height(), (c.bar_height + 1) * c.dpi / 1440 + 2 * quiet + 2, 1.5);
    }
    EXPECT_NEAR(image.dotsPerMeterX(), c.dpi / 0.0254, 1);
    const auto decoded = test::DecodeWithZXing(image, c.format);
    ASSERT_TRUE(decoded.has_value()) << c.data << " " << c.dpi;
    EXPECT_EQ(decoded->text, *ExpectedScan(c.kind, c.data, false));
  }
}

// Units from the symbol's left edge to the end of its last box.
double SymbolWidth(const SymbolPattern& p, int module_width) {
  double w = 0;
  for (char bit : p.Bits())
    w += (p.kind == PatternKind::kElements && bit == '1' ? 2 * module_width : module_width) + 1;
  return w;
}

// Text far wider than the bars once put the symbol's own x beyond what the painters that hold
// it in 16 bits accept, and the image came out blank.
TEST(BarcodeOutput, TextMuchWiderThanTheSymbolStillDrawsIt) {
  struct Case {
    int kind;
    std::string data, format, expected;
  };
  const Case cases[] = {
      {1, "400638133393", "EAN13", "4006381333931"},
      {0, "CODE-39 WIDE 1", "Code39", "CODE-39 WIDE 1"},
      {6, "12345678901234", "ITF", "12345678901234"},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    const std::string out = dir.File("wide.png");
    const auto r =
        Barcode({"--kind", std::to_string(c.kind), "--data", c.data, "--text", "--font-size", "500",
                 "--module-width", "30", "--dpi", "150", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage image(QString::fromStdString(out));
    ASSERT_FALSE(image.isNull());
    // The text overhangs the symbol on the left by more than a 16-bit x could reach.
    const double overhang =
        (image.width() * 1440.0 / 150 - SymbolWidth(*EncodeBarcode(c.kind, c.data, 0), 30)) / 2;
    EXPECT_GT(overhang, 32767.0) << c.data;
    const auto decoded = test::DecodeWithZXing(image, c.format);
    ASSERT_TRUE(decoded.has_value()) << c.data;
    EXPECT_EQ(decoded->text, c.expected);
  }
}

}  // namespace
}  // namespace vellomir
