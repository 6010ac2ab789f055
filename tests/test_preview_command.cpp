#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/preview_command.h"
#include "platform/file_system.h"
#include "support/decode.h"
#include "support/files.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

// One rule of each kind: a Code 128 barcode with a four-digit batch number from 1, a bold
// text in 細明體, and a picture 30 mm wide.
const std::vector<std::string> kDesign = {
    "setting,,;10,,;105,,;148.5,,;2,,;2,,;0,,;0,,;",
    "1,,;ABC,,;10,,;20,,;15,,;20,,;4,,;1,,;1,,;14,,;8,,;1,,;",
    "2,,;批號LOT,,;10,,;50,,;,,;,,;14,,;細明體,,;1,,;0,,;",
    "3,,;img\\a.png,,;60,,;10,,;30,,;",
};

// Pixels per twip at the export's 600 dpi.
constexpr double kPxPerTwip = 600.0 / 1440.0;
int Px(double mm) { return static_cast<int>(mm * 56.5 * kPxPerTwip); }

class PreviewCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteBytes(dir.File("design.vlm"), test::Cp950Lines(kDesign));
    ASSERT_TRUE(test::WriteSolidPicture(dir.File("img/a.png"), 40, 20));
  }

  test::RunResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"preview"};
    all.insert(all.end(), args.begin(), args.end());
    return test::RunVellomir(all, dir.path().string());
  }

  test::TempDir dir;
};

TEST_F(PreviewCommand, DrawsEveryRuleWithTheBatchNumberOfTheCopies) {
  const auto r = Run({"design.vlm", "-o", "out.png", "--copies", "5"});
  ASSERT_EQ(r.status, 0) << r.err;
  const QImage image(QString::fromStdString(dir.File("out.png")));
  ASSERT_FALSE(image.isNull());
  // The whole label, though the labels touch: 5932 x 8390 units.
  EXPECT_EQ(image.width(), static_cast<int>(std::ceil(5932 * kPxPerTwip)));
  EXPECT_EQ(image.height(), static_cast<int>(std::ceil(8390 * kPxPerTwip)));

  // Label number 5, batch start 1, four digits.
  const std::vector<std::string> all = test::DecodeAllWithZbar(image);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0], "CODE-128:ABC0005");
  // The bars alone, left of the picture.
  const QImage bars = image.copy(0, Px(20) + 20, Px(58), Px(20) - 40);
  const auto decoded = test::DecodeWithZXing(bars, "Code128");
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->text, "ABC0005");

  // The picture fills 30 mm x 15 mm from (60 mm, 10 mm).
  EXPECT_EQ(image.pixelColor(Px(75), Px(17.5)), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(Px(60) + 3, Px(10) + 3), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(Px(90) - 3, Px(25) - 3), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(Px(90) + 3, Px(17.5)), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(Px(75), Px(25) + 3), QColor(Qt::white));

  // The text line at (10 mm, 50 mm), about 5 mm high in 14 points.
  int dark = 0;
  for (int y = Px(50); y < Px(55); ++y)
    for (int x = Px(10); x < Px(40); ++x)
      if (qGray(image.pixel(x, y)) < 128) ++dark;
  EXPECT_GT(dark, 500);
  for (int y = Px(56); y < Px(60); ++y)  // and nothing below it
    for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255));
}

TEST_F(PreviewCommand, WithoutCopiesTheLabelNumberIsTheDesignsCopyCount) {
  ASSERT_EQ(Run({"design.vlm", "-o", "out.png"}).status, 0);
  const QImage image(QString::fromStdString(dir.File("out.png")));
  EXPECT_EQ(test::DecodeAllWithZbar(image), std::vector<std::string>{"CODE-128:ABC0010"});
}

TEST_F(PreviewCommand, TheWorkingFilesStayOutOfTheCurrentFolder) {
  test::WriteBytes(dir.File("temp1.txt"), "the user's own file");
  test::TempDir tmp;  // where the command may keep its private folder
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  setenv("TMPDIR", tmp.path().c_str(), 1);
  const auto r = Run({"design.vlm", "-o", "out.pdf", "--copies", "5"});
  if (old)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadBytes(dir.File("temp1.txt")), "the user's own file");
  EXPECT_FALSE(fs::exists(dir.path() / "temp2.txt"));
  for (const auto& entry : fs::directory_iterator(tmp.path()))  // removed afterwards
    EXPECT_EQ(entry.path().filename().string().rfind("vellomir", 0), std::string::npos);
  EXPECT_EQ(test::ReadBytes(dir.File("out.pdf")).substr(0, 5), "%PDF-");
}

TEST_F(PreviewCommand, SettingsFileOfTheCurrentFolderSizesThePreview) {
  // No margins: the preview box is the whole label, 105 x 148.5 mm = 5932 x 8390 units.
  test::WriteBytes(dir.File("vellomir_setting.ini"),
                   test::Cp950Lines({"0,,;0,,;0,,;0,,;細明體,,;14,,;15,,;25,,;data,,;img,,;1,,;"}));
  ASSERT_EQ(Run({"design.vlm", "-o", "out.png"}).status, 0);
  QImage image(QString::fromStdString(dir.File("out.png")));
  EXPECT_EQ(image.width(), static_cast<int>(std::ceil(5932 * kPxPerTwip)));
  EXPECT_EQ(image.height(), static_cast<int>(std::ceil(8390 * kPxPerTwip)));

  // Labels with a gap between them also show the whole label, whatever the margins.
  std::vector<std::string> gapped = kDesign;
  gapped[0] = "setting,,;1,,;50,,;30,,;2,,;2,,;0,,;3,,;";
  test::WriteBytes(dir.File("gapped.vlm"), test::Cp950Lines(gapped));
  fs::remove(dir.path() / "vellomir_setting.ini");
  ASSERT_EQ(Run({"gapped.vlm", "-o", "out.png"}).status, 0);
  image.load(QString::fromStdString(dir.File("out.png")));
  EXPECT_EQ(image.width(), static_cast<int>(std::ceil(2825 * kPxPerTwip)));
  EXPECT_EQ(image.height(), static_cast<int>(std::ceil(1695 * kPxPerTwip)));
}

TEST_F(PreviewCommand, DamagedSettingsFileWarnsAndKeepsTheOpeningSettings) {
  test::WriteBytes(dir.File("vellomir_setting.ini"), "5,,;7,,;\r\n");
  const auto r = Run({"design.vlm", "-o", "out.png"});
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("警告"), std::string::npos);
  const QImage image(QString::fromStdString(dir.File("out.png")));
  EXPECT_EQ(image.width(), static_cast<int>(std::ceil(5932 * kPxPerTwip)));
}

TEST_F(PreviewCommand, RefusalsWriteNothingAndSayWhyOnOneLine) {
  test::WriteBytes(dir.File("notes.vlm"), "hello\r\n");
  test::WriteBytes(dir.File("bytes.vlm"),
                   "setting,,;1,,;2,,;3,,;4,,;5,,;6,,;7,,;\r\n1,,;\x81\x30,,;\r\n");
  test::WriteBytes(dir.File("empty.vlm"), "");
  const std::vector<std::vector<std::string>> refused = {
      {"missing.vlm", "-o", "out.png"},
      {"notes.vlm", "-o", "out.png"},
      {"bytes.vlm", "-o", "out.png"},
      {"empty.vlm", "-o", "out.png"},
      {"design.vlm", "-o", "out.png", "--zoom", "2"},
      {"design.vlm", "-o", "out.gif"},
      {"design.vlm", "-o", "no/such/folder/out.png"},
      {"design.vlm", "-o", "out.png", "--copies", "many"},
      {"design.vlm", "-o", "out.png", "--copies"},
      {"design.vlm", "other.vlm", "-o", "out.png"},
      {"design.vlm"},
      {"-o", "out.png"},
  };
  for (const auto& args : refused) {
    const auto r = Run(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.status, 2) << joined;
    const auto ours = test::MessageLines(r.err);
    ASSERT_EQ(ours.size(), 1u) << joined << r.err;
    EXPECT_EQ(ours[0].rfind("vellomir preview: ", 0), 0u) << joined << r.err;
    EXPECT_FALSE(fs::exists(dir.path() / "out.png")) << joined;
    EXPECT_FALSE(fs::exists(dir.path() / "out.gif")) << joined;
    EXPECT_FALSE(fs::exists(dir.path() / "temp1.txt")) << joined;
  }
}

TEST_F(PreviewCommand, AHugeFileIsRefusedFromItsHead) {
  const struct {
    const char* name;
    std::string first_line;
    const char* reason;
  } cases[] = {
      {"huge-text.vlm", "just some text\r\n", "第一行沒有標籤的設定資料"},
      {"huge-design.vlm", kDesign[0] + "\r\n", "超出101個規則"},
  };
  for (const auto& c : cases) {
    test::WriteBytes(dir.File(c.name), c.first_line);
    fs::resize_file(dir.File(c.name), std::uintmax_t{200} << 20);  // sparse, 200 MB
    const auto r = Run({c.name, "-o", "out.png"});
    EXPECT_EQ(r.status, 2) << c.name;
    const auto ours = test::OutputLines(r.err);
    ASSERT_EQ(ours.size(), 1u) << r.err;
    EXPECT_NE(ours[0].find(c.reason), std::string::npos) << ours[0];
    EXPECT_FALSE(fs::exists(dir.path() / "out.png"));
  }
}

}  // namespace
}  // namespace vellomir
