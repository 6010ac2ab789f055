#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "platform/recording_surface.h"
#include "render/rule_list.h"
#include "settings/settings_file.h"
#include "support/files.h"
#include "ui/window_events.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

const std::string kSettings = "setting,,;,,;105,,;148.5,,;2,,;2,,;0,,;0,,;";

// Deletes fail, as they do for a file another program holds open.
class UndeletableFiles : public FileSystem {
 public:
  using FileSystem::FileSystem;
  bool DeleteFile(const std::string&) override { return false; }
};

class WindowEventsTest : public ::testing::Test {
 protected:
  WindowEventsTest() : files(dir.path().string()), picture1(metrics), picture2(metrics) {}

  bool Exists(const std::string& name) { return std::filesystem::exists(dir.File(name)); }
  void Start() { StartUp(w, ctx); }
  void Tick() { TimerTick(w, picture2, shell); }
  // A design of two rules with known preview boxes.
  void TwoRules() {
    ASSERT_TRUE(
        files
            .WriteLines("temp1.txt", {kSettings, "2,,;FIRST,,;1,,;1,,;,,;,,;14,,;Arial,,;0,,;0,,;",
                                      "2,,;SECOND,,;2,,;2,,;,,;,,;14,,;Arial,,;0,,;0,,;"})
            .ok());
    RefreshLabelView(w, picture1, files);
    ASSERT_EQ(w.rule_list.ListCount(), 2);
    w.RuleHitBoxes[0] = {0, 0, 50, 50};
    w.RuleHitBoxes[1] = {100, 200, 300, 400};
    w.RuleHitBoxes[2] = {0, 0, 5000, 5000};  // no such rule: never hit
  }

  test::TempDir dir;
  FileSystem files;
  FixedPitchMetrics metrics{100};
  RecordingSurface picture1;
  RecordingSurface picture2;
  RecordingMessageBox box;
  RecordingDialogs dialogs;
  RecordingShell shell;
  MainWindowModel w;
  RuleListView view{picture1, files};
  EditorContext ctx{files, box, view};
};

// --- Start-up -----------------------------------------------------------------------------

TEST_F(WindowEventsTest, StartUpWithoutSettingsFile) {
  test::WriteBytes(dir.File("temp1.txt"), kSettings + "\r\n");
  test::WriteBytes(dir.File("temp2.txt"), kSettings + "\r\n");
  w.AppTitle = "";
  w.CurrentFileName = "left over";
  w.UnitsPerMm = 0;
  Start();

  EXPECT_TRUE(box.shown.empty());
  EXPECT_FALSE(Exists("temp1.txt"));
  EXPECT_FALSE(Exists("temp2.txt"));
  EXPECT_EQ(w.AppTitle, "Vellomir 0.1版");
  EXPECT_EQ(w.CurrentFileName, "");
  EXPECT_EQ(w.UnitsPerMm, 56.5f);
  EXPECT_EQ(w.PrinterType, "1");
  EXPECT_EQ(w.s_left.text, "6.8");  // the Settings tab keeps its opening texts
  EXPECT_EQ(w.open_d_dial.init_dir, "data");
  EXPECT_EQ(w.save_d_dial.init_dir, "data");
  EXPECT_EQ(w.save_a_d_dial.init_dir, "data");
  EXPECT_EQ(w.open_p_dial.init_dir, "img");

  EXPECT_EQ(w.rule_kind.list_index, 0);
  EXPECT_EQ(w.codebar_kind.list_index, 0);
  EXPECT_EQ(w.codebar_kind.text, "Code-39");
  EXPECT_EQ(w.Check2.value, 0);  // ticked when the window was built, cleared by Code-39
  EXPECT_EQ(w.l_width.text, w.d_l_width.text);
  EXPECT_EQ(w.l_height.text, w.d_l_height.text);
  EXPECT_FALSE(w.l_fontname.enabled);
  EXPECT_TRUE(w.rule_list.entries.empty());
}

TEST_F(WindowEventsTest, StartUpLoadsTheSettingsFileAndPointsTheDialogsAtItsFolders) {
  ASSERT_TRUE(files
                  .WriteLines(std::string(kSettingsFileName),
                              {"1,,;2,,;3,,;4,,;標楷體,,;12,,;9,,;30,,;mydata,,;mypics,,;0,,;"})
                  .ok());
  Start();
  EXPECT_TRUE(box.shown.empty());
  EXPECT_EQ(w.s_top.text, "1");
  EXPECT_EQ(w.d_fontname.text, "標楷體");
  EXPECT_EQ(w.PrinterType, "0");
  EXPECT_EQ(w.l_width.text, "9");
  EXPECT_EQ(w.l_height.text, "30");
  EXPECT_EQ(w.open_d_dial.init_dir, "mydata");
  EXPECT_EQ(w.open_p_dial.init_dir, "mypics");

  // The folders are taken once.
  w.d_path_data.text = "elsewhere";
  PictureBrowse(w, dialogs);
  EXPECT_EQ(dialogs.shown.back().dialog.init_dir, "mypics");
}

TEST_F(WindowEventsTest, StartUpShowsTheRulesOfAWorkingFileThatCannotBeDeleted) {
  UndeletableFiles stuck(dir.path().string());
  RuleListView stuck_view{picture1, stuck};
  EditorContext stuck_ctx{stuck, box, stuck_view};
  test::WriteBytes(dir.File("temp1.txt"),
                   kSettings + "\r\n3,,;a.png,,;1,,;1,,;10,,;\r\n3,,;b.png,,;1,,;1,,;10,,;\r\n");
  StartUp(w, stuck_ctx);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("temp1.txt"), std::string::npos);
  // The list matches the file, so a later delete or modify addresses the right record.
  EXPECT_EQ(w.rule_list.ListCount(), 2);
  EXPECT_EQ(w.rule_kind.list_index, 0);
}

// --- Timer: preview size ------------------------------------------------------------------

TEST_F(WindowEventsTest, PreviewWithoutGapsStillShowsTheWholeLabel) {
  w.Picture1 = {1, 1};
  Tick();
  EXPECT_EQ(w.Picture1.width, 5932);   // 105 x 56.5 = 5932.5, to the even neighbour
  EXPECT_EQ(w.Picture1.height, 8390);  // 148.5 x 56.5 = 8390.25
}

TEST_F(WindowEventsTest, AfterAPrintRunThePreviewShowsThatPrintersDots) {
  for (double printer : {406.0, 406.0, 0.0})  // added once; a plain PDF (0) leaves it
    ShowPrinterDotsInPreview(w, printer);
  EXPECT_EQ(std::tuple(w.preview_dpi.text, w.preview_dpi.entries.size(), w.PreviewDotsPerInch),
            std::tuple("406 dpi", 5u, 406.0));
}

TEST_F(WindowEventsTest, ATextRuleIsHitWhereItsTextIs) {
  ASSERT_TRUE(
      files.WriteLines("temp1.txt", {kSettings, "2,,;ABCDE,,;1,,;2,,;,,;,,;14,,;A,,;0,,;0,,;"})
          .ok());
  RefreshLabelView(w, picture1, files);
  // 5 characters of 100 units, one 14-point line of 280 units, from (56.5, 113).
  const RuleHitBox& box = w.RuleHitBoxes[0];
  EXPECT_EQ(std::tie(box.left, box.top, box.right, box.bottom), std::tuple(56, 113, 556, 393));
}

TEST_F(WindowEventsTest, PreviewWithAGapShowsTheWholeLabelRoundedToEven) {
  w.d_col.text = "2";
  Tick();
  EXPECT_EQ(w.Picture1.width, 5932);   // 5932.5 to the even neighbour
  EXPECT_EQ(w.Picture1.height, 8390);  // 8390.25

  w.d_col.text = "0";
  w.d_row.text = "1";
  w.l_paper_width.text = "107";  // 6045.5
  Tick();
  EXPECT_EQ(w.Picture1.width, 6046);
}

TEST_F(WindowEventsTest, PreviewSizesOfTenUnitsOrLessAreNotApplied) {
  w.d_col.text = "1";
  w.Picture1 = {1234, 5678};
  w.l_paper_width.text = "0.177";  // 10.0005: rounds to 10
  w.l_paper_height.text = "abc";   // 0
  Tick();
  EXPECT_EQ(w.Picture1.width, 1234);
  EXPECT_EQ(w.Picture1.height, 5678);

  w.l_paper_width.text = "0.195";   // 11.0175
  w.l_paper_height.text = "1e300";  // beyond any picture box: left as it is
  Tick();
  EXPECT_EQ(w.Picture1.width, 11);
  EXPECT_EQ(w.Picture1.height, 5678);
}

TEST_F(WindowEventsTest, PreviewSizesBeyondADoubleAreNotApplied) {
  w.Picture1 = {1234, 5678};
  w.l_paper_width.text = "1e400";
  w.l_paper_height.text = "-1e400";
  Tick();
  EXPECT_EQ(w.Picture1.width, 1234);
  EXPECT_EQ(w.Picture1.height, 5678);

  // The margins play no part: a margin beyond a double changes nothing.
  w.l_paper_width.text = "105";
  w.l_paper_height.text = "148.5";
  w.s_left.text = "1e400";
  w.s_top.text = "-1e400";
  Tick();
  EXPECT_EQ(w.Picture1.width, 5932);
  EXPECT_EQ(w.Picture1.height, 8390);
}

TEST_F(WindowEventsTest, GapBeyondADoubleIsAGapNotEdgeToEdge) {
  w.d_col.text = "1e400";
  Tick();
  EXPECT_EQ(w.Picture1.width, 5932);  // the whole label, margins not taken off
  EXPECT_EQ(w.Picture1.height, 8390);
}

// --- Timer: caption, enabling, clock ------------------------------------------------------

TEST_F(WindowEventsTest, TimerShowsTheCurrentFileName) {
  Tick();
  EXPECT_EQ(w.current_filename_show.caption, "目前的檔名 : ");
  w.CurrentFileName = "data/標籤.vlm";
  Tick();
  EXPECT_EQ(w.current_filename_show.caption, "目前的檔名 : data/標籤.vlm");
}

TEST_F(WindowEventsTest, BarcodeControlsFollowTheKindsWithinOneTick) {
  Start();
  for (int kind : {1, 2}) {
    SelectRuleKindEntry(w, kind);
    Tick();
    EXPECT_FALSE(w.codebar_kind.enabled);
    EXPECT_FALSE(w.Check2.enabled);
    EXPECT_FALSE(w.check2_l.enabled);
  }
  SelectRuleKindEntry(w, 0);
  const bool with_check[15] = {true, false, false, false, false, false, false, false, true};
  ASSERT_EQ(w.codebar_kind.entries.size(), 15u);
  for (int k = 0; k < 15; ++k) {
    SelectBarcodeKindEntry(w, k);
    Tick();
    EXPECT_TRUE(w.codebar_kind.enabled);
    EXPECT_EQ(w.Check2.enabled, with_check[k]) << w.codebar_kind.text;
    EXPECT_EQ(w.check2_l.enabled, with_check[k]) << w.codebar_kind.text;
    // The 2-D kinds (9-11, 13, 14) have no bar height and no line of text; GS1-128 has both.
    const bool bars = k < 9 || k == 12;
    EXPECT_EQ(w.l_height.enabled + w.l_height_l.enabled + w.Check1.enabled, bars ? 3 : 0) << k;
  }
  // A typed kind selects no entry: the barcode kind is not offered.
  w.rule_kind.text = "1.條碼 ";
  w.rule_kind.list_index = -1;
  Tick();
  EXPECT_FALSE(w.codebar_kind.enabled);
  EXPECT_FALSE(w.Check2.enabled);
}

TEST_F(WindowEventsTest, ClockShowsDateTwoBlanksAndTimeAfterClearing) {
  Tick();
  shell.time = "上午 09:30:01";
  Tick();
  ASSERT_EQ(picture2.Texts().size(), 1u);  // the first tick's clock was cleared away
  const TextOp clock = picture2.Texts()[0];
  EXPECT_EQ(clock.text, "2026/12/7  上午 09:30:01");
  EXPECT_EQ(clock.x, 0);
  EXPECT_EQ(clock.y, 0);
  EXPECT_EQ(clock.font.size, 12);
  EXPECT_EQ(picture2.CurrentX(), 0);  // followed by a line break
  EXPECT_EQ(picture2.CurrentY(), metrics.Height(clock.font));
}

// --- Preview click ------------------------------------------------------------------------

TEST_F(WindowEventsTest, ClickInsideARuleBoxSelectsIt) {
  TwoRules();
  w.l_x.text = "unchanged";
  PreviewClick(w, ctx, 101, 399);
  EXPECT_EQ(w.rule_list.list_index, 1);
  EXPECT_EQ(w.rule_content.text, "SECOND");  // the list's click loaded the rule
  EXPECT_EQ(w.l_x.text, "2");
  EXPECT_EQ(w.rule_kind.text, "2.文字");
}

TEST_F(WindowEventsTest, ClickOnAnEdgeOrOutsideSetsThePosition) {
  TwoRules();
  for (auto [x, y] : {std::pair{100.0, 300.0}, {300.0, 300.0}, {200.0, 200.0}, {200.0, 400.0}}) {
    w.l_x.text = "";
    PreviewClick(w, ctx, x, y);
    EXPECT_EQ(w.rule_list.list_index, -1) << x << "," << y;
    EXPECT_NE(w.l_x.text, "") << x << "," << y;
  }
  // Box 2 covers the click, but the list has no third rule.
  PreviewClick(w, ctx, 1000, 2000);
  EXPECT_EQ(w.rule_list.list_index, -1);
  EXPECT_EQ(w.l_x.text, " 17.69912");
  EXPECT_EQ(w.l_y.text, " 35.39823");
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(WindowEventsTest, ClickedPositionIsWrittenAsASingle) {
  const std::pair<double, const char*> cases[] = {
      {1000, " 17.69912"}, {0, " 0"},          {28.25, " .5"},         {56.5, " 1"},
      {-28.25, "-.5"},     {5650, " 100"},     {1e9, " 1.769912E+07"}, {0.001, " 1.769912E-05"},
      {5.65, " .1"},       {565000, " 10000"},
  };
  for (const auto& [x, want] : cases) {
    PreviewClick(w, ctx, x, x);
    EXPECT_EQ(w.l_x.text, want) << x;
    EXPECT_EQ(w.l_y.text, want) << x;
  }
}

// --- Font chooser, picture browser, help --------------------------------------------------

TEST_F(WindowEventsTest, FontChooserCopiesTheChosenFont) {
  dialogs.fonts = {{"標楷體", 10.5, true, false}, {"Arial", 12, false, true}};
  FindFont(w, dialogs);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "font");
  EXPECT_EQ(dialogs.shown[0].dialog.flags, 3);
  EXPECT_EQ(w.l_fontname.text, "標楷體");
  EXPECT_EQ(w.l_fontsize.text, "10.5");
  EXPECT_EQ(w.l_fontbold.value, 1);
  EXPECT_EQ(w.l_fontli.value, 0);

  FindFont(w, dialogs);
  EXPECT_EQ(w.l_fontname.text, "Arial");
  EXPECT_EQ(w.l_fontsize.text, "12");
  EXPECT_EQ(w.l_fontbold.value, 0);
  EXPECT_EQ(w.l_fontli.value, 1);
}

TEST_F(WindowEventsTest, TheFontChooserOpensOnTheRulesFontAndACancelChangesNothing) {
  w.l_fontname.text = "細明體";
  w.l_fontsize.text = "12.0";
  w.l_fontli.value = 1;
  FindFont(w, dialogs);  // no answer: cancelled
  const CommonDialog& opened = dialogs.shown.at(0).dialog;
  EXPECT_EQ(std::tie(opened.font_name, opened.font_size, opened.font_italic),
            std::tuple("細明體", 12.0, true));
  EXPECT_EQ(std::tie(w.l_fontname.text, w.l_fontsize.text), std::tuple("細明體", "12.0"));
}

TEST_F(WindowEventsTest, FontChooserCancelledOnItsFirstUseChangesNothing) {
  w.l_fontname.text = "細明體";
  w.l_fontsize.text = "14";
  w.l_fontbold.value = 1;
  FindFont(w, dialogs);
  EXPECT_EQ(w.l_fontname.text, "細明體");
  EXPECT_EQ(w.l_fontsize.text, "14");
  EXPECT_EQ(w.l_fontbold.value, 1);
}

TEST_F(WindowEventsTest, PictureBrowserPutsTheTrimmedPathAndACancelKeepsTheField) {
  Start();
  dialogs.paths = {"  /home/u/img/logo.png  "};
  PictureBrowse(w, dialogs);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "open");
  EXPECT_EQ(dialogs.shown[0].dialog.title, "開啟圖片");
  EXPECT_EQ(dialogs.shown[0].dialog.init_dir, "img");
  EXPECT_EQ(w.rule_content.text, "/home/u/img/logo.png");

  PictureBrowse(w, dialogs);  // cancelled
  EXPECT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(w.rule_content.text, "/home/u/img/logo.png");
  dialogs.paths = {"   "};  // nothing but blanks is no path either
  PictureBrowse(w, dialogs);
  EXPECT_EQ(w.rule_content.text, "/home/u/img/logo.png");
}

TEST_F(WindowEventsTest, HelpOpensTheReadme) {
  ShowHelp(shell);
  EXPECT_EQ(shell.opened, std::vector<std::string>{"readme.txt"});
}

}  // namespace
}  // namespace vellomir
