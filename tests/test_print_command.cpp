#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "platform/file_system.h"
#include "support/decode.h"
#include "support/files.h"
#include "support/pdf.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

// Six labels of the default size (a quarter of A4 each) on a 2 x 2 grid: a Code 128 barcode
// "B" with a three-digit batch number from 1, a batch text in 細明體, and a red picture.
const std::vector<std::string> kDesign = {
    "setting,,;6,,;105,,;148.5,,;2,,;2,,;0,,;0,,;",
    "1,,;B,,;15,,;20,,;20,,;20,,;3,,;1,,;1,,;12,,;8,,;1,,;",
    "2,,;批號 B,,;15,,;60,,;3,,;1,,;14,,;細明體,,;0,,;0,,;",
    "3,,;img\\red.png,,;15,,;80,,;20,,;",
};

// The settings file with the built-in defaults and the given printer type.
std::string SettingsFile(const std::string& printer_type) {
  return test::Cp950Lines(
      {"5,,;7,,;6.8,,;6,,;細明體,,;14,,;15,,;25,,;data,,;img,,;" + printer_type + ",,;"});
}

// What zbar reads in each quarter of a page, in label order: row by row, left to right.
std::vector<std::vector<std::string>> QuarterSymbols(const QImage& page) {
  std::vector<std::vector<std::string>> quarters;
  const int w = page.width() / 2, h = page.height() / 2;
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 2; ++col)
      quarters.push_back(test::DecodeAllWithZbar(page.copy(col * w, row * h, w, h)));
  return quarters;
}

// Whether a pixel near the colour is anywhere in the image.
bool HasColour(const QImage& image, QColor want) {
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40 &&
          std::abs(c.blue() - want.blue()) < 40)
        return true;
    }
  return false;
}

const QColor kRed(255, 0, 0);

using Symbols = std::vector<std::vector<std::string>>;

class PrintCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteBytes(dir.File("design.vlm"), test::Cp950Lines(kDesign));
    ASSERT_TRUE(test::WriteSolidPicture(dir.File("img/red.png"), 40, 20));
  }

  test::RunResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"print"};
    all.insert(all.end(), args.begin(), args.end());
    return test::RunVellomir(all, dir.path().string());
  }

  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
      names.insert(fs::relative(e.path(), dir.path()).string());
    return names;
  }

  test::TempDir dir;
};

// --- Pages and files by printer type -------------------------------------------------------

TEST_F(PrintCommand, TractorFeedWritesAPdfForEveryFullPage) {
  test::WriteBytes(dir.File("vellomir_setting.ini"), SettingsFile("0"));
  const auto r = Run({"design.vlm", "-o", "out.pdf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::OutputLines(r.out), (std::vector<std::string>{"out.pdf", "out-2.pdf"}));
  EXPECT_FALSE(fs::exists(dir.path() / "out-3.pdf"));

  const auto first = test::RenderPdfPages(dir.File("out.pdf"), 300);
  const auto second = test::RenderPdfPages(dir.File("out-2.pdf"), 300);
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(QuarterSymbols(first[0]),
            (Symbols{{"CODE-128:B001"}, {"CODE-128:B002"}, {"CODE-128:B003"}, {"CODE-128:B004"}}));
  EXPECT_EQ(QuarterSymbols(second[0]), (Symbols{{"CODE-128:B005"}, {"CODE-128:B006"}, {}, {}}));
}

TEST_F(PrintCommand, NormalSheetsWriteOnePdfOfPages) {
  test::WriteBytes(dir.File("vellomir_setting.ini"), SettingsFile("1"));
  const auto r = Run({"design.vlm", "-o", "out.pdf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::OutputLines(r.out), (std::vector<std::string>{"out.pdf"}));
  EXPECT_FALSE(fs::exists(dir.path() / "out-2.pdf"));

  const auto info = test::ReadPdfInfo(dir.File("out.pdf"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->pages, 2);
  EXPECT_NEAR(info->width_pt, 595, 1);  // A4
  EXPECT_NEAR(info->height_pt, 842, 1);

  const auto pages = test::RenderPdfPages(dir.File("out.pdf"), 300);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(QuarterSymbols(pages[0]),
            (Symbols{{"CODE-128:B001"}, {"CODE-128:B002"}, {"CODE-128:B003"}, {"CODE-128:B004"}}));
  EXPECT_EQ(QuarterSymbols(pages[1]), (Symbols{{"CODE-128:B005"}, {"CODE-128:B006"}, {}, {}}));
  // The picture, named relative to the current folder, is on every label.
  EXPECT_TRUE(HasColour(pages[1].copy(0, 0, pages[1].width() / 2, pages[1].height() / 2), kRed));
  EXPECT_FALSE(HasColour(
      pages[1].copy(0, pages[1].height() / 2, pages[1].width() / 2, pages[1].height() / 2), kRed));
}

TEST_F(PrintCommand, CopiesReplaceTheDesignsCount) {
  // No settings file: the normal printer type.
  const auto r = Run({"design.vlm", "--copies", "3", "-o", "few.pdf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::OutputLines(r.out), (std::vector<std::string>{"few.pdf"}));
  const auto pages = test::RenderPdfPages(dir.File("few.pdf"), 300);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(QuarterSymbols(pages[0]),
            (Symbols{{"CODE-128:B001"}, {"CODE-128:B002"}, {"CODE-128:B003"}, {}}));
}

TEST_F(PrintCommand, TheCurrentFoldersWorkingFileIsLeftAlone) {
  test::WriteBytes(dir.File("temp1.txt"), "the user's own file\r\n");
  const auto r = Run({"design.vlm", "--copies", "1", "-o", "one.pdf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadBytes(dir.File("temp1.txt")), "the user's own file\r\n");
  EXPECT_FALSE(fs::exists(dir.path() / "temp2.txt"));
}

TEST_F(PrintCommand, TheBundledSamplePrintsWithRunningBatchNumbers) {
  const fs::path examples = fs::path(VELLOMIR_SOURCE_DIR) / "examples";
  for (const char* name : {"sample.vlm", "logo.png"})
    fs::copy_file(examples / name, dir.path() / name);
  const auto r = Run({"sample.vlm", "-o", "sample.pdf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::OutputLines(r.out), (std::vector<std::string>{"sample.pdf"}));
  const auto pages = test::RenderPdfPages(dir.File("sample.pdf"), 300);
  ASSERT_EQ(pages.size(), 2u);  // twelve labels, eight to a page
  auto sorted = [](std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  std::vector<std::string> first, second;
  for (int i = 1; i <= 8; ++i) first.push_back("CODE-128:LOT-000" + std::to_string(i));
  second = {"CODE-128:LOT-0009", "CODE-128:LOT-0010", "CODE-128:LOT-0011", "CODE-128:LOT-0012"};
  EXPECT_EQ(sorted(test::DecodeAllWithZbar(pages[0])), first);
  EXPECT_EQ(sorted(test::DecodeAllWithZbar(pages[1])), second);
  EXPECT_TRUE(HasColour(pages[1], QColor(20, 110, 100)));  // the logo, from the current folder
}

// A QR Code with a batch number for a 203-dpi printer: every label of a run of 100 reads with
// zbar, Chinese and number intact, read one by one (zbar misses some of twenty on a page).
TEST_F(PrintCommand, AQrCodeWithABatchNumberReadsOnEveryLabelOfAHundred) {
  test::WriteBytes(dir.File("qr.vlm"),
                   test::Cp950Lines({"setting,,;100,,;40,,;30,,;4,,;5,,;0,,;0,,;",
                                     "1,,;批號 ,,;5,,;5,,;15,,;10,,;4,,;1,,;0,,;9,,;9,,;0,,;"}));
  const auto r = Run({"qr.vlm", "-o", "qr.pdf", "--dpi", "203"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::multiset<std::string> read;
  const int label_w = 319, label_h = 239;  // 40 x 30 mm at 203 dpi
  for (const QImage& page : test::RenderPdfPages(dir.File("qr.pdf"), 203))
    for (int row = 0; row < 5; ++row)
      for (int col = 0; col < 4; ++col)
        for (const std::string& symbol :
             test::DecodeAllWithZbar(page.copy(col * label_w, row * label_h, label_w, label_h)))
          read.insert(symbol);
  std::multiset<std::string> want;
  char batch[32];
  for (int label = 1; label <= 100; ++label)
    want.insert((std::snprintf(batch, sizeof batch, "QR-Code:批號 %04d", label), batch));
  EXPECT_EQ(read, want);
}

// --- Refusals ------------------------------------------------------------------------------

TEST_F(PrintCommand, RefusalsWriteNothingAndSayWhyOnOneLine) {
  test::WriteBytes(dir.File("notes.vlm"), "hello\r\n");
  test::WriteBytes(dir.File("norules.vlm"), test::Cp950Lines({kDesign[0]}));
  fs::create_directory(dir.path() / "taken.pdf");
  const std::vector<std::vector<std::string>> refused = {
      {"missing.vlm", "-o", "out.pdf"},
      {"notes.vlm", "-o", "out.pdf"},
      {"norules.vlm", "-o", "out.pdf"},
      {"design.vlm", "-o", "no/such/folder/out.pdf"},
      {"design.vlm", "-o", "taken.pdf"},
      {"design.vlm", "-o", "out.png"},
      {"design.vlm", "-o", "out.pdf", "--duplex"},
      {"design.vlm", "-o", "out.pdf", "--printer", "x"},
      {"design.vlm", "--printer", "no-such-printer-here"},
      {"design.vlm", "-o", "out.pdf", "--copies", "many"},
      {"design.vlm", "-o", "out.pdf", "--copies", "1e300"},
      {"design.vlm", "-o", "out.pdf", "--copies"},
      {"design.vlm"},
      {"-o", "out.pdf"},
  };
  const auto before = Entries();
  for (const auto& args : refused) {
    const auto r = Run(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.status, 2) << joined;
    const auto ours = test::OutputLines(r.err);
    ASSERT_EQ(ours.size(), 1u) << joined << r.err;
    EXPECT_EQ(ours[0].rfind("vellomir print: ", 0), 0u) << joined << r.err;
    EXPECT_TRUE(test::OutputLines(r.out).empty()) << joined << r.out;
    EXPECT_EQ(Entries(), before) << joined;
  }
}

}  // namespace
}  // namespace vellomir
