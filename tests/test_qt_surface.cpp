#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "barcode/barcode_kinds.h"
#include "output/qt_surface.h"
#include "render/symbol_check.h"
#include "support/decode.h"
#include "support/files.h"

namespace vellomir {
namespace {

QImage Blank(int width, int height, double dpi) { return WhiteImageAt(width, height, dpi); }

// Black and white runs along one row, from the first black pixel to the last.
std::vector<std::pair<bool, int>> Runs(const QImage& image, int row) {
  std::vector<std::pair<bool, int>> runs;
  int first = -1, last = -1;
  for (int x = 0; x < image.width(); ++x)
    if (qGray(image.pixel(x, row)) < 128) {
      if (first < 0) first = x;
      last = x;
    }
  for (int x = first; x >= 0 && x <= last; ++x) {
    const bool black = qGray(image.pixel(x, row)) < 128;
    if (runs.empty() || runs.back().first != black)
      runs.push_back({black, 1});
    else
      ++runs.back().second;
  }
  return runs;
}

// The runs the pattern asks for, in modules (module strings) or as 1 narrow / 2 wide.
std::vector<std::pair<bool, int>> PatternRuns(const SymbolPattern& p) {
  std::vector<std::pair<bool, int>> runs;
  bool black = true;
  for (char bit : p.Bits()) {
    bool colour;
    int size;
    if (p.kind == PatternKind::kModules) {
      colour = bit == '1';
      size = 1;
    } else {
      colour = black;
      black = !black;
      size = bit == '1' ? 2 : 1;
    }
    if (!runs.empty() && runs.back().first == colour && p.kind == PatternKind::kModules)
      runs.back().second += size;
    else
      runs.push_back({colour, size});
  }
  // What lies outside the first and last bar is not part of the measured row.
  while (!runs.empty() && !runs.front().first) runs.erase(runs.begin());
  while (!runs.empty() && !runs.back().first) runs.pop_back();
  return runs;
}

struct KindData {
  int kind;
  const char* data;
  const char* zxing;
  // Dots of a module or narrow element and of a wide element at 203 dpi, default module.
  int narrow = 0, wide = 0;
};

const KindData kKinds[] = {
    // Read with its check character; ISO/IEC 16388 ratios: narrow spaces as narrow bars, 5:2 wide
    // (a 2-dot bar has no inside for a missing dot to split).
    {0, "LOT-0042", "Code39", 2, 5},
    {1, "400638133393", "EAN13", 3},  // 3-dot modules at least
    {2, "9638507", "EAN8", 3},
    {3, "003600029145", "UPCA", 3},
    {4, "0425261", "UPCE", 3},
    {5, "004210000526", "UPCE", 3},
    {6, "1234567890", "ITF", 2, 5},   // the fewest for 2.2:1
    {7, "A40156B", "Codabar", 3, 7},  // 2:5 loses ZXing after half a dot of spread, 2:4 a camera
    {8, "Lot 42-a", "Code128", 2},
    // Every character with a wide space four modules wide in its units.
    {0, "10%OFF", "Code39", 2, 5},
    {0, "12/34", "Code39", 2, 5},
    {0, "AB$CD+", "Code39", 2, 5},
};

// The kind's symbol on a 203-dpi image, default module, bars 20 mm high 300 units down.
QImage SymbolAt203(const KindData& k, int height) {
  QImage image = Blank(1600, height, 203);
  QPainter painter(&image);
  QtSurface surface(painter, {0, 0}, 203);
  int32_t x = 1500;
  EXPECT_TRUE(PaintBarcode(k.kind, k.data, surface, 1, 0, 10, x, 300, 15, 1130)) << k.kind;
  painter.end();
  return image;
}

// On a 203-dpi device with the default module, every narrow element and every module is the
// same number of dots, every wide element the same larger number, and the symbol still reads.
TEST(QtSurfaceDots, EveryNarrowElementTheSameDotsAt203) {
  for (const KindData& k : kKinds) {
    const QImage image = SymbolAt203(k, 400);
    const SymbolPattern pattern = *EncodeBarcode(k.kind, k.data, 1);
    const auto want = PatternRuns(pattern);
    const auto got = Runs(image, 150);
    ASSERT_EQ(got.size(), want.size()) << k.kind;
    const bool elements = pattern.kind == PatternKind::kElements;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].first, want[i].first) << k.kind << " run " << i;
      const bool wide = elements
                            ? want[i].second == 2
                            : pattern.wide_modules > 0 && want[i].second >= pattern.wide_modules;
      const int dots = wide                                   ? k.wide
                       : elements || pattern.wide_modules > 0 ? k.narrow
                                                              : k.narrow * want[i].second;
      EXPECT_EQ(got[i].second, dots) << k.kind << " run " << i;
    }
    const QImage symbol = image.copy(0, 0, image.width(), 300);
    const auto decoded = test::DecodeWithZXing(symbol, k.zxing);
    ASSERT_TRUE(decoded.has_value()) << k.kind;
    EXPECT_EQ(decoded->text, *ExpectedScan(k.kind, k.data, true));
  }
}

// Thermal heads print bars about a dot wider than asked. At 203 dpi with the default module
// every kind must still read with zbar: EAN and UPC on 3-dot modules (on 2 dots a spread 7 or
// 8 of the right half reads as 1 or 2), wide elements of 5 dots (on 4 a spread narrow bar
// reads as wide).
TEST(QtSurfaceDots, EveryKindReadsWithADotOfInkSpreadAt203) {
  std::vector<KindData> kinds(std::begin(kKinds), std::end(kKinds));
  // 7s and 8s on both halves, in every digit set.
  kinds.push_back({1, "871787878788", "EAN13"});
  kinds.push_back({3, "087878787878", "UPCA"});
  kinds.push_back({2, "7878787", "EAN8"});
  for (const KindData& k : kinds) {
    const QImage image = SymbolAt203(k, 300);
    const std::string want = *ExpectedScan(k.kind, k.data, true);
    const auto found = test::DecodeAllWithZbar(test::SpreadInkByOneDot(image));
    ASSERT_EQ(found.size(), 1u) << k.kind << " " << k.data;
    const std::string text = found[0].substr(found[0].find(':') + 1);
    // zbar gives an EAN-13 that begins with 0 as the UPC-A it is.
    EXPECT_TRUE(text == want || (want.size() == 13 && want[0] == '0' && text == want.substr(1)))
        << k.kind << " read " << text << ", want " << want;
  }
}

// The human-readable line is centred under the bars as they print, also where the printer's
// dots make the symbol wider than its units (an EAN-13 on 3-dot modules at 203 dpi: 36 mm for
// 25 mm of units).
TEST(QtSurfaceDots, TextCentredUnderThePrintedBars) {
  QImage image = Blank(800, 400, 203);
  {
    QPainter painter(&image);
    QtSurface surface(painter, {0, 0}, 203);
    int32_t x = 300;
    ASSERT_TRUE(PaintBarcode(1, "400638133393", surface, 1, 1, 10, x, 300, 15, 1130));
  }
  // Ink columns of the bars (a row through them) and of the text (the rows under them).
  auto ink_span = [&image](int from_row, int to_row) {
    int left = image.width(), right = -1;
    for (int y = from_row; y < to_row; ++y)
      for (int x = 0; x < image.width(); ++x)
        if (qGray(image.pixel(x, y)) < 128) left = std::min(left, x), right = std::max(right, x);
    return std::pair{left, right};
  };
  const int bars_row = (300 + 500) * 203 / 1440;
  const auto bars = ink_span(bars_row, bars_row + 1);
  EXPECT_EQ(bars.second - bars.first + 1, 95 * 3);
  const int text_top = (300 + 1130 + 100) * 203 / 1440 + 3;  // below the guard bars
  const auto text = ink_span(text_top, image.height());
  ASSERT_GE(text.second, text.first);
  EXPECT_NEAR((text.first + text.second) / 2.0, (bars.first + bars.second) / 2.0, 4);
}

// Without a resolution to lay symbols on, boxes land where their units put them, as in the
// preview: at 203 dpi some narrow bars of a Codabar symbol come out 2 dots, others 3.
TEST(QtSurfaceDots, ExactUnitsWithoutAResolution) {
  QImage image = Blank(1600, 400, 203);
  {
    QPainter painter(&image);
    QtSurface surface(painter);
    int32_t x = 1500;
    PaintBarcode(7, "A40156B", surface, 0, 0, 10, x, 300, 15, 1130);
  }
  std::map<int, int> narrow_widths;
  const auto want = PatternRuns(*EncodeBarcode(7, "A40156B", 0));
  const auto got = Runs(image, 150);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i)
    if (want[i].second == 1) ++narrow_widths[got[i].second];
  EXPECT_GT(narrow_widths.size(), 1u);
}

// The symbol's left edge is the dot nearest to where the rule puts it, with the surface's
// origin, and the bars' top and bottom the nearest dots.
TEST(QtSurfaceDots, LeftEdgeOnTheNearestDot) {
  QImage image = Blank(800, 300, 300);
  {
    QPainter painter(&image);
    QtSurface surface(painter, {100, 50}, 300);
    int32_t x = 1000;  // 1100 twips from the image's edge: 229.17 dots
    PaintBarcode(8, "A", surface, 1, 0, 10, x, 200, 15, 565);
  }
  int first = -1;
  for (int x = 0; x < image.width() && first < 0; ++x)
    if (qGray(image.pixel(x, 100)) < 128) first = x;
  EXPECT_EQ(first, 229);
  int top = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    if (qGray(image.pixel(first, y)) < 128) {
      if (top < 0) top = y;
      bottom = y;
    }
  EXPECT_EQ(top, 52);          // 250 twips: 52.08 dots
  EXPECT_EQ(bottom + 1, 170);  // 816 twips: 170 dots
}

// --- Pictures ---------------------------------------------------------------------------------

// Every picture that does not load is told why in our words (what Qt's readers and libpng say
// stays off standard error: the print command's tests see to that).
TEST(PictureFiles, ThoseThatDoNotLoadAreToldWhy) {
  test::TempDir dir;
  QImage image(40, 20, QImage::Format_RGB32);
  for (const char* name : {"good.png", "good.jpg"}) {
    ASSERT_TRUE(image.save(QString::fromStdString(dir.File(name))));
    const std::string bytes = test::ReadBytes(dir.File(name));
    test::WriteBytes(dir.File(std::string("cut-") + name), bytes.substr(0, bytes.size() * 2 / 3));
  }
  // A header that says 60000 x 60000 (its checksum right), over a 40 x 20 picture.
  std::string png = test::ReadBytes(dir.File("good.png"));
  for (int at : {16, 20}) png.replace(at, 4, std::string("\x00\x00\xEA\x60", 4));
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  test::WriteBytes(dir.File("huge.png"), png);
  test::WriteBytes(dir.File("text.png"), "hello, not a picture\n");
  ASSERT_EQ(::mkfifo(dir.File("fifo.png").c_str(), 0600), 0);
  // A cut JPEG: libjpeg would fill the rest grey. A FIFO: never opened for blocking reading.
  // clang-format off
  const char* const rows[][2] = {
      {"good.png", ""}, {"good.jpg", ""},
      {"cut-good.png", "檔案不完整或已損壞"}, {"cut-good.jpg", "檔案不完整或已損壞"},
      {"huge.png", "圖太大 (60000 x 60000 像素,最多 1000000000 像素)"},
      {"text.png", "不是看得懂的圖檔"}, {"fifo.png", "不是一般檔案"}};
  // clang-format on
  for (const auto& [name, problem] : rows) {
    EXPECT_EQ(QtPictureProbe().Problem(dir.File(name)), problem) << name;
    EXPECT_EQ(LoadPictureFile(dir.File(name)).image.isNull(), *problem != '\0') << name;
  }
}

// A picture is loaded at the pixels wanted, never more than the file holds nor than the
// loaded-picture limits allow, each pixel the average of the file's pixels it stands for.
TEST(PictureFiles, AreReadScaledToThePixelsWanted) {
  test::TempDir dir;
  // Left half black, right half white; the alpha one transparent left, opaque blue right.
  QImage halves(400, 200, QImage::Format_RGB32), alpha(400, 200, QImage::Format_ARGB32);
  halves.fill(Qt::white);
  alpha.fill(Qt::transparent);
  QPainter(&halves).fillRect(0, 0, 200, 200, Qt::black);
  QPainter(&alpha).fillRect(200, 0, 200, 200, Qt::blue);
  ASSERT_TRUE(halves.save(QString::fromStdString(dir.File("halves.png"))));
  ASSERT_TRUE(halves.save(QString::fromStdString(dir.File("halves.jpg")), nullptr, 100));
  ASSERT_TRUE(alpha.save(QString::fromStdString(dir.File("alpha.png"))));
  struct Row {
    const char* file;
    QSize most, loaded;
    QRgb left, right;  // the first and last pixel of the top row
    const char* why;
  } const rows[] = {
      // smallest first: each is read anew, not scaled from one kept larger;
      // what is transparent lends the average no colour
      {"halves.png", {1, 1}, {1, 1}, qRgb(128, 128, 128), qRgb(128, 128, 128), "both halves"},
      {"halves.png", {2, 1}, {2, 1}, qRgb(0, 0, 0), qRgb(255, 255, 255), "each half averaged"},
      {"halves.png", {1000, 50}, {400, 50}, qRgb(0, 0, 0), qRgb(255, 255, 255), "no wider"},
      {"halves.jpg", {2, 1}, {2, 1}, qRgb(0, 0, 0), qRgb(255, 255, 255), "a JPEG read scaled"},
      {"alpha.png", {1, 1}, {1, 1}, qRgba(0, 0, 255, 128), qRgba(0, 0, 255, 128), "no colour"},
      {"halves.png", {}, {400, 200}, qRgb(0, 0, 0), qRgb(255, 255, 255), "all the file holds"},
  };
  auto near = [](QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))}) <= 3;
  };
  for (const Row& row : rows) {
    const LoadedPicture got = LoadPictureFile(dir.File(row.file), row.most);
    ASSERT_EQ(got.image.size(), row.loaded) << row.why;
    EXPECT_EQ(got.natural, QSize(400, 200)) << row.why;
    const QImage pixels = got.image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(near(pixels.pixel(0, 0), row.left)) << row.why << std::hex << pixels.pixel(0, 0);
    EXPECT_TRUE(near(pixels.pixel(pixels.width() - 1, 0), row.right)) << row.why;
  }
  // Above the loaded-picture limits the size shrinks to them: 64 MiB of 4-byte pixels.
  EXPECT_EQ(PictureLoadSize({10000, 10000}, {}), QSize(4096, 4096));
}

// A picture kept from an earlier load is read again once its file changes.
TEST(PictureFiles, AreReadAgainWhenTheFileChanges) {
  test::TempDir dir;
  const std::string file = dir.File("changing.png");
  ASSERT_TRUE(test::WriteSolidPicture(file, 40, 20, 0xff0000));
  EXPECT_EQ(LoadPictureFile(file).natural, QSize(40, 20));
  ASSERT_TRUE(test::WriteSolidPicture(file, 80, 30, 0x0000ff));
  const timespec later[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 10, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), later, 0), 0);  // even within the same tick
  const LoadedPicture again = LoadPictureFile(file, {8, 3});
  EXPECT_EQ(again.natural, QSize(80, 30));
  EXPECT_EQ(again.image.pixel(0, 0), qRgb(0, 0, 255));
}

}  // namespace
}  // namespace vellomir

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
