#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/message_box.h"
#include "platform/printer.h"
#include "platform/recording_surface.h"
#include "render/print_job.h"
#include "render/undrawable_barcode.h"
#include "support/files.h"
#include "support/printers.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSettings = "setting,,;12,,;50,,;30,,;2,,;2,,;0,,;0,,;";
// Interleaved 2 of 5 holds at most 20 digit pairs: 36 digits and a batch number from 9998
// make 40 digits on labels 1 and 2, and 41 (padded to 42) from label 3 on, where 10000 comes.
constexpr const char* kInter25From9998 =
    "1,,;123456789012345678901234567890123456,,;5,,;5,,;2,,;15,,;4,,;9998,,;1,,;9,,;6,,;0,,;";
constexpr const char* kText = "2,,;LOT,,;5,,;25,,;4,,;1,,;10,,;Arial,,;0,,;0,,;";
constexpr const char* kCode39 = "1,,;ABC,,;5,,;5,,;2,,;15,,;3,,;1,,;0,,;9,,;0,,;0,,;";

std::unique_ptr<RuleTable> Table(const std::vector<std::string>& lines) {
  return std::make_unique<RuleTable>(RuleTableOf(lines));
}

TEST(UndrawableBarcode, TheBatchNumberThatOutgrowsInterleaved2Of5IsFoundAtLabel3) {
  const auto rules = Table({kText, kCode39, kInter25From9998});
  const auto found = FindUndrawableBarcode(*rules, 12);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->rule, 2);
  EXPECT_EQ(found->label, 3);
  EXPECT_EQ(found->data, "12345678901234567890123456789012345610000");
  const std::string text = DescribeUndrawableBarcode(*rules, *found);
  EXPECT_NE(text.find("第3個規則"), std::string::npos) << text;
  EXPECT_NE(text.find("INT-25"), std::string::npos) << text;
  EXPECT_NE(text.find("第3張標籤"), std::string::npos) << text;
  // Two labels fit: nothing is dropped.
  EXPECT_FALSE(FindUndrawableBarcode(*rules, 2));
}

TEST(UndrawableBarcode, TheFirstDroppedLabelOfALongRunIsFoundBetweenTheEnds) {
  // 36 digits and a plain batch number from 1: the digits pass 40 at label 10000.
  const auto rules = Table(
      {"1,,;123456789012345678901234567890123456,,;5,,;5,,;2,,;15,,;0,,;1,,;0,,;9,,;6,,;0,,;"});
  EXPECT_FALSE(FindUndrawableBarcode(*rules, 9999));
  const auto found = FindUndrawableBarcode(*rules, 1000000);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->label, 10000);
}

TEST(UndrawableBarcode, RulesThatNeverDrawOrHaveNoPainter) {
  // 41 digits without a batch number: gone from the first label on.
  const auto too_long =
      Table({"1,,;12345678901234567890123456789012345678901,,;5,,;5,,;2,,;15,,;0,,;0,,;0,,;9,,;6,,;"
             "0,,;"});
  const auto found = FindUndrawableBarcode(*too_long, 5);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->label, 1);
  EXPECT_EQ(DescribeUndrawableBarcode(*too_long, *found).find("起"), std::string::npos);
  // No barcode kind chosen (-1) draws nothing on purpose; text and picture rules are not
  // barcodes.
  const auto no_painter = Table(
      {"1,,;12345678901234567890123456789012345678901,,;5,,;5,,;2,,;15,,;0,,;0,,;0,,;9,,;-1,,;0,,;",
       kText, "3,,;img\\a.png,,;1,,;1,,;10,,;"});
  EXPECT_FALSE(FindUndrawableBarcode(*no_painter, 1000));
}

class UndrawableBarcodeRun : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteBytes(dir.File("temp1.txt"),
                     std::string(kSettings) + "\r\n" + kInter25From9998 + "\r\n");
    window.l_amount.text = "4";
    window.l_paper_width.text = "50";
    window.l_paper_height.text = "30";
    window.l_col.text = "2";
    window.l_row.text = "2";
  }
  test::TempDir dir;
  FileSystem files{dir.path().string()};
  MainWindowModel window;
  RecordingMessageBox box;
  RecordingDialogs dialogs;
  FixedPitchMetrics metrics{100};
};

TEST_F(UndrawableBarcodeRun, TheWindowAsksBeforeTheRun) {
  RecordingPrinter printer(metrics);
  box.answers = {MessageAnswer::kCancel};
  PrintHandlerServices services{box, dialogs, test::OpenerFor(printer)};
  EXPECT_EQ(PrintLabels(window, files, services), PrintOutcome::kCancelled);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].buttons, MessageButtons::kOkCancel);
  EXPECT_NE(box.shown[0].text.find("第1個規則"), std::string::npos);
  EXPECT_NE(box.shown[0].text.find("第3張標籤"), std::string::npos);
  EXPECT_TRUE(printer.documents.empty());

  // Told and answered OK: the run prints, and labels 3 and 4 indeed have no bars.
  RecordingPrinter anyway(metrics);
  box.answers = {MessageAnswer::kOk};
  box.next_answer = 0;
  PrintHandlerServices anyway_services{box, dialogs, test::OpenerFor(anyway)};
  EXPECT_EQ(PrintLabels(window, files, anyway_services), PrintOutcome::kPrinted);
  ASSERT_EQ(anyway.documents.size(), 1u);
  const auto& page = *anyway.documents[0][0];
  const double row2 = 30 * 56.5;
  int top_row_bars = 0;
  int bottom_row_bars = 0;
  for (const BoxOp& b : page.Boxes()) (b.y < row2 ? top_row_bars : bottom_row_bars)++;
  EXPECT_GT(top_row_bars, 0);
  EXPECT_EQ(bottom_row_bars, 0);
}

// Data its symbology refuses is told in zint's words, naming the rule and the first label it
// fails on (a lot of 18 and a batch number from 9: label 92's "100" makes 21 of AI (10)'s 20);
// the window does not offer to print without it.
TEST_F(UndrawableBarcodeRun, DataTheSymbologyRefusesIsToldAndNothingPrints) {
  const std::vector<std::vector<std::string>> cases = {
      // data, kind, batch, copies, label, words
      {"(01)09521234543214", "12", ",,;", "1", "第1張", "expected '3'"},
      {"(01)09521234543213(10)ABCDEFGHIJKLMNOPQR", "13", "0,,;9", "100", "第92張", "(10)"}};
  for (const auto& c : cases) {
    test::WriteBytes(dir.File("temp1.txt"), std::string(kSettings) + "\r\n1,,;" + c[0] +
                                                ",,;5,,;5,,;15,,;15,,;" + c[2] + ",,;0,,;9,,;" +
                                                c[1] + ",,;0,,;\r\n");
    window.l_amount.text = c[3];
    RecordingPrinter printer(metrics);
    box.shown.clear();
    PrintHandlerServices services{box, dialogs, test::OpenerFor(printer)};
    EXPECT_EQ(PrintLabels(window, files, services), PrintOutcome::kRefused);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].buttons, MessageButtons::kOk);
    for (const std::string& part : {std::string("第1個規則"), c[4], c[5], std::string("沒有列印")})
      EXPECT_NE(box.shown[0].text.find(part), std::string::npos) << box.shown[0].text;
    EXPECT_TRUE(printer.documents.empty());
  }
}

TEST(UndrawableBarcodeCommand, PrintIsRefusedNamingTheRuleAndLabel) {
  test::TempDir dir;
  test::WriteBytes(dir.File("design.vlm"),
                   std::string(kSettings) + "\r\n" + kInter25From9998 + "\r\n");
  const auto r = test::RunVellomir({"print", "design.vlm", "-o", "out.pdf"}, dir.path().string());
  EXPECT_EQ(r.status, 2);
  const auto lines = test::OutputLines(r.err);
  ASSERT_EQ(lines.size(), 1u) << r.err;
  EXPECT_NE(lines[0].find("第1個規則"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("第3張標籤"), std::string::npos) << lines[0];
  EXPECT_FALSE(fs::exists(dir.File("out.pdf")));
  // Two copies stay within reach, and print (its narrow bars are not read back here: that is
  // another check; nor is its 40-digit text, wider than the symbol and off the page's left edge).
  EXPECT_EQ(test::RunVellomir({"print", "design.vlm", "-o", "out.pdf", "--copies", "2",
                               "--no-verify", "--allow-clipping"},
                              dir.path().string())
                .status,
            0);
}

}  // namespace
}  // namespace vellomir
