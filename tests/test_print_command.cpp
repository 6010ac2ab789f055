#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

// A picture path from Windows prints the picture found by its name in the picture folder, and a
// 100-megapixel picture prints; one missing or cut short is named in our words (nothing raw from
// libpng) and stops the run unless allowed.
TEST_F(PrintCommand, PicturesThatDoNotLoadStopTheRunUnlessAllowed) {
  const std::string png = test::ReadBytes(dir.File("img/red.png"));
  test::WriteBytes(dir.File("img/cut.png"), png.substr(0, png.size() / 2));
  // And one of 10,000 x 10,000 (100 megapixels, more than Qt reads whole; one bit a pixel from a
  // palette, a few kilobytes of file), which prints at the pixels its 20 mm take at 300 dpi.
  QImage big(10000, 10000, QImage::Format_Mono);
  big.setColorTable({qRgb(255, 0, 0), qRgb(255, 0, 0)});
  big.fill(0);
  ASSERT_TRUE(big.save(QString::fromStdString(dir.File("img/big.png"))));
  std::vector<std::string> design = kDesign;
  design[3] = "3,,;C:\\labels\\img\\RED.png,,;15,,;80,,;20,,;";
  design.push_back("3,,;img\\gone.png,,;15,,;90,,;20,,;");
  design.push_back("3,,;img\\cut.png,,;15,,;100,,;20,,;");
  design.push_back("3,,;img\\big.png,,;50,,;80,,;20,,;");
  test::WriteBytes(dir.File("design.vlm"), test::Cp950Lines(design));
  const auto refused = Run({"design.vlm", "-o", "out.pdf", "--copies", "1"});
  EXPECT_EQ(refused.status, 2);
  const auto lines = test::OutputLines(refused.err);  // ours only, nothing raw from libpng
  ASSERT_EQ(lines.size(), 3u) << refused.err;
  EXPECT_EQ(lines[0], "vellomir print: 第 4 條規則的圖檔「img\\gone.png」找不到");
  EXPECT_EQ(lines[1],
            "vellomir print: 第 5 條規則的圖檔「img\\cut.png」無法讀取:檔案不完整或已損壞");
  EXPECT_NE(lines[2].find("--allow-missing-pictures"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.path() / "out.pdf"));

  const auto allowed =
      Run({"design.vlm", "-o", "out.pdf", "--copies", "1", "--allow-missing-pictures"});
  ASSERT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_EQ(test::OutputLines(allowed.err).size(), 2u) << allowed.err;  // none for the big one
  EXPECT_NE(test::ReadBytes(dir.File("out.pdf")).find("/Width 236 /Height 236"), std::string::npos);
  const auto pages = test::RenderPdfPages(dir.File("out.pdf"), 100);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(HasColour(pages[0], kRed));
}

// No label shows 200000 characters: the run is refused before any of them is drawn.
TEST_F(PrintCommand, AFieldLongerThanAnyLabelShowsIsRefused) {
  std::vector<std::string> design = kDesign;
  design[2] = "2,,;" + std::string(200000, 'x') + ",,;15,,;60,,;3,,;1,,;14,,;細明體,,;0,,;0,,;";
  test::WriteBytes(dir.File("design.vlm"), test::Cp950Lines(design));
  const auto r = Run({"design.vlm", "-o", "out.pdf"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("第 2 條規則的內容有 200000 個字,寬 105.0 mm 的標籤最多印得出 5932 個字"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir.path() / "out.pdf"));
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

TEST_F(PrintCommand, PricesPrintEveryRowAndBatchNumbersNeverRepeat) {
  // A print log of its own: tests running beside it append to the shared one.
  setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
  const fs::path examples = fs::path(VELLOMIR_SOURCE_DIR) / "examples";
  for (const char* name : {"prices.vlm", "prices.csv"})
    fs::copy_file(examples / name, dir.path() / name);
  const auto r = Run({"prices.vlm", "--data", "prices.csv", "-o", "out.pdf"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Every label carries its row's EAN. Labels of 90 x 50 mm, 5 mm apart, two by five a page.
  std::vector<std::string> read, expected;
  const auto px = [](double mm) { return static_cast<int>(mm / 25.4 * 300); };
  for (const auto& page : test::RenderPdfPages(dir.File("out.pdf"), 300))
    for (int row = 0; row < 5; ++row)
      for (int col = 0; col < 2; ++col) {
        const auto found =
            test::DecodeAllWithZbar(page.copy(px(col * 95), px(row * 55), px(90), px(50)));
        if (!found.empty()) read.push_back(found.size() == 1 ? found[0] : "several");
      }
  // Row by row, as many as each row's quantity (3, 2, 2, 4, 1).
  for (const char* ends : {"10", "10", "10", "27", "27", "34", "34", "41", "41", "41", "41", "58"})
    expected.push_back(std::string("EAN-13:47100010000") + ends);
  EXPECT_EQ(read, expected);
  const std::string text = test::ExtractPdfText(dir.File("out.pdf")).value_or("");
  for (const char* words : {"高山烏龍茶 150g", "NT$ 350", "愛文芒果乾", "NT$ 180", "鳳梨酥, 12入",
                            "NT$ 240", "花生牛軋糖", "NT$ 200", "太陽餅", "NT$ 150", "LOT-0012"})
    EXPECT_NE(text.find(words), std::string::npos) << words;
  // The same batch numbers again are refused, naming them and the day they went out.
  char today[16];
  const std::time_t now = std::time(nullptr);
  std::strftime(today, sizeof today, "%Y/%m/%d", std::localtime(&now));
  const auto again = Run({"prices.vlm", "--data", "prices.csv", "-o", "again.pdf"});
  EXPECT_EQ(again.status, 2);
  EXPECT_NE(again.err.find(std::string("批號 LOT-0001 到 LOT-0012 已於 ") + today + " 印過"),
            std::string::npos)
      << again.err;
  EXPECT_FALSE(fs::exists(dir.path() / "again.pdf"));
  ASSERT_EQ(Run({"prices.vlm", "--data", "prices.csv", "--continue", "-o", "next.pdf"}).status, 0);
  const auto log = test::RunVellomir({"log", "5"});
  EXPECT_NE(log.out.find("批號=LOT-0001 到 LOT-0012"), std::string::npos) << log.out;
  EXPECT_NE(log.out.find("批號=LOT-0013 到 LOT-0024"), std::string::npos) << log.out;
  // One row of the file on its own: the preview shows it, verify reads it.
  const auto row = test::RunVellomir(
      {"preview", "prices.vlm", "--data", "prices.csv", "--row", "3", "-o", "row3.png"},
      dir.path().string());
  ASSERT_EQ(row.status, 0) << row.err;
  EXPECT_EQ(test::DecodeAllWithZbar(QImage(QString::fromStdString(dir.File("row3.png")))),
            (std::vector<std::string>{"EAN-13:4710001000034"}));
  const auto verify =
      test::RunVellomir({"verify", "prices.vlm", "--data", "prices.csv"}, dir.path().string());
  EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
}

// --- Refusals ------------------------------------------------------------------------------

TEST_F(PrintCommand, RefusalsWriteNothingAndSayWhyOnOneLine) {
  test::WriteBytes(dir.File("notes.vlm"), "hello\r\n");
  test::WriteBytes(dir.File("norules.vlm"), test::Cp950Lines({kDesign[0]}));
  fs::create_directory(dir.path() / "taken.pdf");
  // A data file that is no product list (the reader's own tests hold every kind of mistake).
  test::WriteBytes(dir.File("quote.csv"), "a,b\n1,\"2\n");
  test::WriteBytes(dir.File("big5.csv"), "a\n\xA4\n");
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
      {"design.vlm", "-o", "out.pdf", "--data", "quote.csv"},
      {"design.vlm", "-o", "out.pdf", "--data", "big5.csv", "--encoding", "cp950"},
      {"design.vlm", "-o", "out.pdf", "--data", "missing.csv"},
      {"design.vlm", "-o", "out.pdf", "--data", "quote.csv", "--row", "1"},
  };
  const auto before = Entries();
  for (const auto& args : refused) {
    const auto r = Run(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.status, 2) << joined;
    const auto ours = test::MessageLines(r.err);
    ASSERT_EQ(ours.size(), 1u) << joined << r.err;
    EXPECT_EQ(ours[0].rfind("vellomir print: ", 0), 0u) << joined << r.err;
    EXPECT_TRUE(test::OutputLines(r.out).empty()) << joined << r.out;
    EXPECT_EQ(Entries(), before) << joined;
  }
}

}  // namespace
}  // namespace vellomir
