#include <gtest/gtest.h>
#include <zlib.h>

#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPrinter>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "barcode/barcode_kinds.h"
#include "output/pdf_fonts.h"
#include "output/pdf_surface.h"
#include "gui/qt_printer.h"
#include "output/qt_surface.h"
#include "support/decode.h"
#include "support/files.h"
#include "support/pdf.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

// Bytes into a file, for surfaces that write straight through.
class FileSink : public ByteSink {
 public:
  explicit FileSink(const std::string& path) : out_(path, std::ios::binary) {}
  bool Write(const char* data, std::size_t size) override {
    if (limit_ < written_ + size) return false;
    out_.write(data, static_cast<std::streamsize>(size));
    written_ += size;
    return static_cast<bool>(out_);
  }
  std::uint64_t Written() const override { return written_; }
  void FailAfter(std::uint64_t bytes) { limit_ = bytes; }

 private:
  std::ofstream out_;
  std::uint64_t written_ = 0;
  std::uint64_t limit_ = ~std::uint64_t{0};
};

constexpr double kA4Width = 595, kA4Height = 842;  // points, as Qt's A4

bool Dark(const QImage& image, int x, int y) { return image.pixelColor(x, y).lightness() < 100; }

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Blanks of any kind squeezed to one space, so layouts of extracted text compare.
std::string Squeezed(const std::string& text) {
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\n' || c == '\f' || c == '\t';
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : c;
  }
  return out;
}

void Place(DrawingSurface& s, double x, double y) {
  s.SetCurrentX(x);
  s.SetCurrentY(y);
}

// A label with what designs hold: two symbols with their text lines, Ming text plain, bold and
// italic (a face with neither of its own), Courier text and a picture.
void DrawTestLabel(DrawingSurface& s, const std::string& picture) {
  int32_t x = 1000;
  PaintBarcode(8, "ABC0042", s, 1, 1, 12, x, 1130, 15, 1978);
  x = 1000;
  PaintBarcode(1, "400638133393", s, 1, 1, 9, x, 4500, 15, 1130);
  s.SetFontName("細明體");
  s.SetFontSize(18);
  Place(s, 1000, 7000);
  s.Print("批號 ABC0042");
  s.SetFontBold(true);
  Place(s, 1000, 8000);
  s.Print("品名:烏龍茶葉 150g");
  s.SetFontBold(false);
  s.SetFontItalic(true);  // a face without an italic of its own: slanted
  Place(s, 5000, 7000);
  s.Print("斜體 Slanted");
  s.SetFontItalic(false);
  s.SetFontName("Courier New");
  s.SetFontSize(12);
  Place(s, 1000, 9500);
  s.Print("Courier 123");
  s.DrawPicture(picture, 7000, 1000, 2000, 1000);
}

class PdfSurfaces : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::EnsureGuiApplication();
  }

  test::TempDir dir;
};

TEST_F(PdfSurfaces, PagesLookAsQtDrawsThem) {
  // Qt's own PDF engine, through the printer path, draws the same label for comparison.
  const std::string picture = dir.File("red.png");
  ASSERT_TRUE(test::WriteSolidPicture(picture, 40, 20));
  QPrinter device(QPrinter::HighResolution);
  device.setOutputFormat(QPrinter::PdfFormat);
  device.setFullPage(true);
  device.setPageSize(QPageSize(QPageSize::A4));
  device.setOutputFileName(QString::fromStdString(dir.File("qt.pdf")));
  {
    QtPrinter printer(device);
    DrawTestLabel(printer.Surface(), picture);
    ASSERT_TRUE(printer.EndDoc());
  }
  {
    FileSink sink(dir.File("ours.pdf"));
    PdfSurface surface(sink, kA4Width, kA4Height);
    DrawTestLabel(surface, picture);
    ASSERT_TRUE(surface.Finish()) << surface.Error();
  }
  const auto theirs = test::RenderPdfPages(dir.File("qt.pdf"), 300);
  const auto ours = test::RenderPdfPages(dir.File("ours.pdf"), 300);
  ASSERT_EQ(theirs.size(), 1u);
  ASSERT_EQ(ours.size(), 1u);
  ASSERT_EQ(ours[0].size(), theirs[0].size());
  long dark_theirs = 0, dark_ours = 0, differ = 0;
  for (int y = 0; y < ours[0].height(); ++y)
    for (int x = 0; x < ours[0].width(); ++x) {
      const bool a = Dark(theirs[0], x, y), b = Dark(ours[0], x, y);
      dark_theirs += a;
      dark_ours += b;
      differ += a != b;
    }
  ASSERT_GT(dark_theirs, 20000);
  // Anti-aliased glyph edges may fall either way; anything more is a different drawing.
  EXPECT_LT(differ, dark_theirs / 100) << dark_theirs << " dark pixels, " << differ << " differ";
  EXPECT_NEAR(dark_ours, dark_theirs, dark_theirs / 200);
  // Both symbols read back, each from its own crop (300 dpi: 1 pixel = 4.8 twips).
  const auto code128 = test::DecodeWithZXing(ours[0].copy(150, 200, 1300, 500), "Code128");
  const auto ean = test::DecodeWithZXing(ours[0].copy(150, 900, 1300, 450), "EAN13");
  ASSERT_TRUE(code128 && ean);
  EXPECT_EQ(code128->text, "ABC0042");
  EXPECT_EQ(ean->text, "4006381333931");
}

TEST_F(PdfSurfaces, TextIsEmbeddedSearchableAndMeasuredAsQtMeasuresIt) {
  const std::string path = dir.File("text.pdf");
  auto sink = std::make_unique<FileSink>(path);
  PdfSurface surface(*sink, kA4Width, kA4Height);
  const QtTextMetrics qt(1440);
  const std::vector<std::pair<FontState, std::string>> texts = {
      {{"細明體", 18, false, false}, "批號 ABC0042"},
      {{"細明體", 11, true, false}, "品名:烏龍茶葉 150g"},
      {{"Courier New", 12, false, false}, "LOT-0001 Ww"},
      {{"Courier New", 9, true, true}, "Bold Italic"},
      {{"Courier New", 12, false, false}, "LOT 批號 7"},  // Chinese from Qt's fallback face
      {{"Arial", 14, false, false}, "AVAVA To."},         // kerned pairs in a proportional face
  };
  double y = 1000;
  for (const auto& [font, text] : texts) {
    surface.SetFontName(font.name);
    surface.SetFontSize(font.size);
    surface.SetFontBold(font.bold);
    surface.SetFontItalic(font.italic);
    const double width = surface.PrintedWidth(text);
    EXPECT_NEAR(width, qt.Width(text, font), qt.Width(text, font) * 0.01) << text;
    Place(surface, 1000, y);
    surface.Print(text);
    EXPECT_DOUBLE_EQ(surface.CurrentX(), 1000 + width) << text;
    y += 800;
  }
  ASSERT_TRUE(surface.Finish()) << surface.Error();
  sink.reset();  // closes the file

  std::string report;
  EXPECT_TRUE(test::QpdfChecks(path, &report)) << report;
  const auto extracted = test::ExtractPdfText(path);
  ASSERT_TRUE(extracted);
  for (const auto& [font, text] : texts)
    EXPECT_NE(Squeezed(*extracted).find(text), std::string::npos) << text << " in " << *extracted;
  // Every face goes in once, as an embedded subset with its own ToUnicode map.
  const std::string bytes = test::ReadBytes(path);
  EXPECT_EQ(Count(bytes, "/Subtype /Type0"), Count(bytes, "/ToUnicode"));
  EXPECT_EQ(Count(bytes, "/Subtype /Type0"), Count(bytes, "/FontFile2"));
  EXPECT_GE(Count(bytes, "/Subtype /Type0"), 3u);  // Ming, Mono and Mono Bold Italic at least
  EXPECT_LT(bytes.size(), 200000u) << "whole faces went in instead of subsets";
}

TEST_F(PdfSurfaces, LaterDrawingCoversEarlierDrawing) {
  const std::string path = dir.File("cover.pdf");
  {
    FileSink sink(path);
    PdfSurface s(sink, kA4Width, kA4Height);
    Place(s, 1400, 1400);
    s.Line(2000 - 1, 2000 - 1, kBlack);  // twips 1400..3400 square
    Place(s, 2000, 2000);
    s.Line(800 - 1, 800 - 1, kWhite);  // a white hole in it
    Place(s, 2400, 2400);
    s.Line(200 - 1, 200 - 1, kBlack);  // black again inside the hole
    Place(s, 6000, 1400);
    s.Line(1000 - 1, 1000 - 1, kWhite);  // white on blank paper
    s.SetFontName("Courier New");
    s.SetFontSize(36);
    Place(s, 1400, 5000);
    s.Print("MMMM");
    Place(s, 1400, 5000);
    s.Line(4000, 1200, kWhite);  // covers the text
    ASSERT_TRUE(s.Finish()) << s.Error();
  }
  const auto pages = test::RenderPdfPages(path, 72);  // one pixel per 20 twips
  ASSERT_EQ(pages.size(), 1u);
  const QImage& p = pages[0];
  EXPECT_TRUE(Dark(p, 75, 75));  // the black square
  EXPECT_TRUE(Dark(p, 160, 160));
  EXPECT_FALSE(Dark(p, 110, 110));  // the hole
  EXPECT_FALSE(Dark(p, 135, 112));
  EXPECT_TRUE(Dark(p, 125, 125));  // the black drawn inside the hole
  EXPECT_FALSE(Dark(p, 325, 95));  // nothing where white met blank paper
  for (int y = 250; y < 310; ++y)
    for (int x = 70; x < 270; ++x) ASSERT_FALSE(Dark(p, x, y)) << "text shows at " << x << "," << y;
}

TEST_F(PdfSurfaces, DrawingStartsAtTheGivenOriginAndClearingWhitensThePage) {
  const std::string path = dir.File("origin.pdf");
  {
    FileSink sink(path);
    PdfSurface s(sink, 300, 200, 1440, 720);  // (0, 0) one inch right, half an inch down
    Place(s, 0, 0);
    s.Line(1439, 719, kBlack);
    ASSERT_TRUE(s.NewPage());
    Place(s, -1440, -720);
    s.Line(5999, 3999, kBlack);  // the whole page black
    s.Clear();                   // and white again
    Place(s, 20, 20);
    s.Line(199, 199, kBlack);
    ASSERT_TRUE(s.Finish()) << s.Error();
  }
  const auto pages = test::RenderPdfPages(path, 72);  // one pixel per 20 twips
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].size(), QSize(300, 200));
  EXPECT_TRUE(Dark(pages[0], 73, 37));
  EXPECT_TRUE(Dark(pages[0], 142, 70));
  EXPECT_FALSE(Dark(pages[0], 70, 50));
  EXPECT_FALSE(Dark(pages[0], 100, 34));
  EXPECT_FALSE(Dark(pages[1], 5, 5));
  EXPECT_FALSE(Dark(pages[1], 290, 190));
  EXPECT_TRUE(Dark(pages[1], 77, 41));
  EXPECT_FALSE(Dark(pages[1], 90, 41));
}

TEST_F(PdfSurfaces, APictureIsEmbeddedOnceAndDrawnOnEveryPage) {
  const std::string red = dir.File("red.png"), blue = dir.File("blue.png");
  ASSERT_TRUE(test::WriteSolidPicture(red, 30, 10));
  ASSERT_TRUE(test::WriteSolidPicture(blue, 10, 10, 0x0000FF));
  const std::string path = dir.File("pictures.pdf");
  {
    FileSink sink(path);
    PdfSurface s(sink, kA4Width, kA4Height);
    for (int page = 0; page < 3; ++page) {
      if (page > 0) {
        ASSERT_TRUE(s.NewPage());
      }
      s.DrawPicture(red, 1440 + page * 1440, 1440, 1440, 480);
      s.DrawPicture(blue, 1440, 4320, 720, 720);
      s.DrawPicture(dir.File("missing.png"), 0, 0, 1440, 1440);  // no picture: nothing drawn
    }
    EXPECT_EQ(s.Pages(), 3);
    ASSERT_TRUE(s.Finish()) << s.Error();
  }
  EXPECT_EQ(Count(test::ReadBytes(path), "/Subtype /Image"), 2u);
  const auto pages = test::RenderPdfPages(path, 72);
  ASSERT_EQ(pages.size(), 3u);
  for (int page = 0; page < 3; ++page) {
    const QImage& p = pages[page];
    const QColor inside = p.pixelColor(72 + page * 72 + 36, 84);
    EXPECT_GT(inside.red(), 200) << page;
    EXPECT_LT(inside.blue(), 60) << page;
    EXPECT_GT(p.pixelColor(72 + 18, 216 + 18).blue(), 200) << page;
    EXPECT_GT(p.pixelColor(36, 36).lightness(), 240) << page;  // the missing one left nothing
    EXPECT_GT(p.pixelColor(72 + page * 72 + 36, 110).lightness(), 240) << page;  // scaled to fit
  }
}

TEST_F(PdfSurfaces, AFailingSinkStopsTheDocumentWithAnError) {
  FileSink sink(dir.File("full.pdf"));
  sink.FailAfter(3000);
  PdfSurface s(sink, kA4Width, kA4Height);
  bool stopped = false;
  for (int page = 0; page < 50 && !stopped; ++page) {
    s.SetFontName("Courier New");
    s.SetFontSize(10);
    Place(s, 1000, 1000);
    s.Print("page " + std::to_string(page) + " of a disk that fills up");
    stopped = !s.NewPage();
  }
  EXPECT_TRUE(stopped);
  EXPECT_FALSE(s.Finish());
  EXPECT_TRUE(s.Failed());
  EXPECT_FALSE(s.Error().empty());
}

TEST_F(PdfSurfaces, BrokenTextIsDrawnAsFarAsItGoes) {
  const std::string path = dir.File("broken.pdf");
  {
    FileSink sink(path);
    PdfSurface s(sink, kA4Width, kA4Height);
    s.SetFontName("Courier New");
    s.SetFontSize(12);
    // Stray and cut-off UTF-8 bytes among characters of two faces, control characters, nothing.
    for (const std::string& text :
         {std::string("A\xff\xfe批\x80"
                      "B"),
          std::string("號\xe6\x89"), std::string("\t\x01\x02"), std::string()}) {
      Place(s, 1000, 1000);
      s.Print(text);
      EXPECT_GE(s.CurrentX(), 1000) << text;
    }
    ASSERT_TRUE(s.Finish()) << s.Error();
  }
  std::string report;
  EXPECT_TRUE(test::QpdfChecks(path, &report)) << report;
  const auto text = test::ExtractPdfText(path);
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("批"), std::string::npos);
  EXPECT_NE(text->find("號"), std::string::npos);
}

// Once a text's stem comes back, a text ending in digits is put together from the stem's shape
// and the digits' own glyphs; it must come out as shaping it whole does, or be shaped whole.
TEST_F(PdfSurfaces, TextsEndingInDigitsShapeAsWholeTexts) {
  const FontState mono{"Courier New", 12, false, false};
  const struct {
    FontState font;
    std::string stem;
    const char* why;
  } rows[] = {
      {mono, "LOT-", "digits by their glyphs"},
      {{"Times New Roman", 12, false, false}, "No. ", "a face that kerns 11"},
      {mono, "批號 ", "a stem in Qt's fallback face, digits in the font's own"},
      {{"細明體", 18, true, false}, "批號 LOT-", "a face with Latin and Chinese, made bold"},
      {mono, "", "digits alone"},
      {mono, "  ", "blanks before the digits"},
      {mono, "A\xe6", "a cut-off character before the digits"},
  };
  for (const auto& row : rows) {
    PdfFonts fonts;
    for (const char* digits : {"0001", "0002", "0011", "1111", "9876", "5", "0001"}) {
      const std::string text = row.stem + digits;
      const PdfShapedText got = fonts.Shape(text, row.font);
      PdfFonts fresh;  // meets the text first, so shapes it whole
      const PdfShapedText& whole = fresh.Shape(text, row.font);
      EXPECT_TRUE(got.runs == whole.runs) << row.why << ": " << text;
      EXPECT_EQ(got.ems, whole.ems) << row.why << ": " << text;
    }
  }
  // Digits met only in put-together texts still copy as themselves.
  const std::string path = dir.File("digits.pdf");
  {
    FileSink sink(path);
    PdfSurface s(sink, kA4Width, kA4Height);
    s.SetFontName(mono.name);
    s.SetFontSize(mono.size);
    for (const char* text : {"LOT-0001", "LOT-0002", "LOT-3456", "LOT-7890"}) {
      Place(s, 1000, 1000 + 400 * (text[7] - '0'));
      s.Print(text);
    }
    ASSERT_TRUE(s.Finish()) << s.Error();
  }
  const auto text = test::ExtractPdfText(path);
  ASSERT_TRUE(text);
  for (const char* printed : {"LOT-0001", "LOT-0002", "LOT-3456", "LOT-7890"})
    EXPECT_NE(text->find(printed), std::string::npos) << printed << " in " << *text;
}

// The page's content stream: the first stream of a file without pictures.
std::string FirstStream(const std::string& path) {
  const std::string bytes = test::ReadBytes(path);
  const std::size_t start = bytes.find(">>\nstream\n") + 10, end = bytes.find("\nendstream", start);
  std::string out(1 << 20, '\0');
  uLongf size = out.size();
  if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                 reinterpret_cast<const Bytef*>(bytes.data() + start), end - start) != Z_OK)
    return "<not zlib>";
  out.resize(size);
  return out;
}

// On a printer's dots the spaces of a symbol meet its bars within a rounding error: they are
// painted white over an earlier rule's ink only, and the symbol reads either way.
TEST_F(PdfSurfaces, SpacesOnDotsArePaintedWhiteOverInkOnly) {
  for (const bool ink_under : {false, true}) {
    const std::string path = dir.File(ink_under ? "ink.pdf" : "blank.pdf");
    {
      FileSink sink(path);
      PdfSurface s(sink, kA4Width, kA4Height);
      s.SetDotsPerInch(203);
      if (ink_under) {
        Place(s, 1300, 1500);
        s.Line(600, 1000, kBlack);  // a box under the middle of the symbol
      }
      int32_t x = 1000;
      PaintBarcode(8, "ABC0042", s, 1, 0, 12, x, 1130, 15, 1978);
      ASSERT_TRUE(s.Finish()) << s.Error();
    }
    EXPECT_EQ(Count(FirstStream(path), "1 g") > 0, ink_under);
    const auto pages = test::RenderPdfPages(path, 300);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(test::DecodeAllWithZbar(pages[0].copy(150, 200, 1300, 500)),
              std::vector<std::string>{"CODE-128:ABC0042"});
  }
}

// The bundled sample through the print command: what the design says is on every label.
TEST_F(PdfSurfaces, TheSampleDesignPrintsWhatItDescribes) {
  const fs::path examples = fs::path(VELLOMIR_SOURCE_DIR) / "examples";
  for (const char* name : {"sample.vlm", "logo.png"})
    fs::copy_file(examples / name, dir.path() / name);
  const auto r = test::RunVellomir({"print", "sample.vlm", "-o", "sample.pdf"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string path = dir.File("sample.pdf");
  std::string report;
  EXPECT_TRUE(test::QpdfChecks(path, &report)) << report;

  // Labels of 100 x 60 mm, 2 x 4 to a page, gaps of 5 mm across and 2 mm down; 56.5 twips
  // a millimetre, 20 twips a point.
  const auto pages = test::RenderPdfPages(path, 300);
  ASSERT_EQ(pages.size(), 2u);
  const auto words = test::ExtractPdfWords(path);
  for (int label = 1; label <= 12; ++label) {
    const int page = (label - 1) / 8, slot = (label - 1) % 8;
    const double left_pt = (slot % 2) * 105 * 56.5 / 20, top_pt = (slot / 2) * 62 * 56.5 / 20;
    const std::string batch = "000" + std::to_string(label);
    const std::string number = batch.substr(batch.size() - 4);
    // The symbol, 8 mm from the left and 6 mm from the top, alone in a crop of its label.
    const double px = 300.0 / 72;
    const QImage crop = pages[page].copy(
        static_cast<int>(left_pt * px), static_cast<int>(top_pt * px),
        static_cast<int>(64 * 56.5 / 20 * px), static_cast<int>(30 * 56.5 / 20 * px));
    EXPECT_EQ(test::DecodeAllWithZbar(crop), std::vector<std::string>{"CODE-128:LOT-" + number})
        << "label " << label;
    // The batch text at 8 mm, 32 mm of the label, and the product line under it.
    auto at = [&](const std::string& text, double x_mm, double y_mm) {
      return std::any_of(words.begin(), words.end(), [&](const test::PdfWord& w) {
        return w.page == page + 1 && w.text == text &&
               std::abs(w.x_min - (left_pt + x_mm * 56.5 / 20)) < 3 &&
               w.y_min > top_pt + y_mm * 56.5 / 20 - 3 && w.y_max < top_pt + y_mm * 56.5 / 20 + 20;
      });
    };
    EXPECT_TRUE(at("批號", 8, 32)) << "label " << label;
    EXPECT_TRUE(at("品名:烏龍茶葉", 8, 42)) << "label " << label;
    EXPECT_TRUE(std::any_of(
        words.begin(), words.end(),
        [&](const test::PdfWord& w) { return w.page == page + 1 && w.text == "LOT-" + number; }))
        << "label " << label;
  }
}

}  // namespace
}  // namespace vellomir
