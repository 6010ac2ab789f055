#include <gtest/gtest.h>

#include "platform/recording_surface.h"
#include "render/rule_list.h"
#include "support/files.h"
#include "form/main_window_model.h"

namespace vellomir {
namespace {

constexpr const char* kSettings = "setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;";

class RuleList : public ::testing::Test {
 protected:
  RuleList() : files(dir.path().string()), surface(metrics) {}

  void WriteDesign(const std::vector<std::string>& rules) {
    std::vector<std::string> lines = {kSettings};
    lines.insert(lines.end(), rules.begin(), rules.end());
    ASSERT_TRUE(files.WriteLines(std::string(kWorkingFileName), lines).ok());
  }
  void Refresh() { RefreshLabelView(window, surface, files); }
  const std::vector<std::string>& Lines() const { return window.rule_list.entries; }

  test::TempDir dir;
  FileSystem files;
  FixedPitchMetrics metrics{100};
  RecordingSurface surface;
  MainWindowModel window;
};

TEST_F(RuleList, SummaryLineOfEachKind) {
  WriteDesign({"1,,;ABC,,;10,,;5,,;2,,;15,,;3,,;1,,;1,,;9,,;0,,;0,,;",
               "2,,;LOT,,;10,,;45,,;,,;,,;14,,;細明體,,;1,,;0,,;",
               "3,,;C:\\img\\logo.bmp,,;60,,;10,,;30,,;",
               "2,,; lot ,,;10,,;45,,;4,,; 7 ,,;14,,;細明體,,;1,,;0,,;"});
  Refresh();
  ASSERT_EQ(Lines().size(), 4u);
  EXPECT_EQ(Lines()[0], "001,條碼; ABC , 從1開始算批號");
  EXPECT_EQ(Lines()[1], "002,文字; LOT , 從開始算批號");
  EXPECT_EQ(Lines()[2], "003,圖片; C:\\img\\logo.bmp , 從開始算批號");
  EXPECT_EQ(Lines()[3], "004,文字;  lot  , 從 7 開始算批號");  // shown as stored
}

TEST_F(RuleList, NumbersHaveAtLeastThreeDigits) {
  std::vector<std::string> rules;
  for (int i = 0; i < 101; ++i) rules.push_back("2,,;T,,;0,,;0,,;,,;,,;9,,;Arial,,;0,,;0,,;");
  WriteDesign(rules);
  Refresh();
  ASSERT_EQ(Lines().size(), 101u);
  EXPECT_EQ(Lines()[9].substr(0, 4), "010,");
  EXPECT_EQ(Lines()[99].substr(0, 4), "100,");
  EXPECT_EQ(Lines()[100].substr(0, 4), "101,");
}

TEST_F(RuleList, LinesBeyondTheTableAreNotListed) {
  std::vector<std::string> rules;
  for (int i = 0; i < 103; ++i) rules.push_back("2,,;T" + std::to_string(i) + ",,;");
  WriteDesign(rules);
  Refresh();
  // The list stops where the renderer stops, so line k stays rule index k.
  ASSERT_EQ(Lines().size(), 101u);
  EXPECT_EQ(Lines()[100], "101,文字; T100 , 從開始算批號");
}

TEST_F(RuleList, UnknownKindsAndEmptyLinesKeepTheirPlace) {
  WriteDesign({"", "9,,;X,,;", "1,,;B,,;0,,;0,,;1,,;10,,;,,;2,,;0,,;9,,;0,,;0,,;"});
  Refresh();
  ASSERT_EQ(Lines().size(), 3u);
  EXPECT_EQ(Lines()[0], " , 從開始算批號");
  EXPECT_EQ(Lines()[1], "X , 從開始算批號");
  EXPECT_EQ(Lines()[2], "003,條碼; B , 從2開始算批號");
}

TEST_F(RuleList, RefreshRedrawsThePreviewFromTheFile) {
  WriteDesign({"2,,;LOT,,;10,,;5,,;3,,;1,,;12,,;Arial,,;0,,;0,,;"});
  window.l_amount.text = "4";
  surface.Line(5, 5, kBlack);  // something from before
  Refresh();
  ASSERT_TRUE(std::holds_alternative<ClearOp>(surface.Ops().front()));
  EXPECT_TRUE(surface.Boxes().empty());
  ASSERT_EQ(surface.Texts().size(), 1u);
  EXPECT_EQ(surface.Texts()[0].text, "LOT004");
  EXPECT_EQ(window.RuleHitBoxes[0].left, 565);
}

TEST_F(RuleList, WithoutAWorkingFileTheListEmptiesAndThePreviewStays) {
  window.rule_list.AddItem("old");
  window.rule_list.Select(0);
  surface.Line(5, 5, kBlack);
  Refresh();
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(window.rule_list.list_index, -1);
  ASSERT_EQ(surface.Ops().size(), 1u);  // neither cleared nor drawn
  EXPECT_TRUE(std::holds_alternative<BoxOp>(surface.Ops()[0]));
}

TEST_F(RuleList, DeletingTheLastRuleLeavesAnEmptyListAndAClearedPreview) {
  WriteDesign({});
  surface.Line(5, 5, kBlack);
  Refresh();
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(surface.Ops().size(), 1u);
  EXPECT_TRUE(std::holds_alternative<ClearOp>(surface.Ops()[0]));
}

}  // namespace
}  // namespace vellomir
