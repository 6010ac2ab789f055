#include <gtest/gtest.h>

#include <filesystem>

#include "document/rule_editor.h"
#include "document/working_file.h"
#include "platform/recording_surface.h"
#include "render/rule_list.h"
#include "support/files.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

const std::string kSettings = "setting,,;,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n";

// A fresh window after start-up, with its working folder, preview and message boxes.
class RuleEditorTest : public ::testing::Test {
 protected:
  RuleEditorTest() : files(dir.path().string()), picture1(metrics) {
    SelectRuleKindEntry(w, 0);
    SelectBarcodeKindEntry(w, 0);
    SwitchRuleKind(w);
  }

  std::string WorkingFile() { return test::ReadBytes(dir.File("temp1.txt")); }
  bool HasWorkingFile() { return std::filesystem::exists(dir.File("temp1.txt")); }
  void PutWorkingFile(const std::string& bytes) { test::WriteBytes(dir.File("temp1.txt"), bytes); }

  void FillBarcode(const std::string& data, const std::string& x) {
    SelectRuleKindEntry(w, 0);
    w.rule_content.text = data;
    w.l_x.text = x;
    w.l_y.text = "20";
    w.l_patch_order.text = "";
    w.l_patch_start.text = "";
    w.l_fontsize.text = "14";
  }
  void FillText(const std::string& data) {
    SelectRuleKindEntry(w, 1);
    w.rule_content.text = data;
    w.l_x.text = "10";
    w.l_y.text = "45";
  }
  void FillPicture(const std::string& path) {
    SelectRuleKindEntry(w, 2);
    w.rule_content.text = path;
    w.l_x.text = "60";
    w.l_y.text = "10";
    w.l_width.text = "30";
  }
  std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const auto& m : box.shown) out.push_back(m.text);
    return out;
  }
  // Adds `n` barcode rules A0, A1, ... and expects no message.
  void AddBarcodes(int n) {
    for (int i = 0; i < n; ++i) {
      FillBarcode("A" + std::to_string(i), "1");
      AddRule(w, ctx);
    }
    ASSERT_TRUE(box.shown.empty()) << box.shown.front().text;
  }

  test::TempDir dir;
  FileSystem files;
  FixedPitchMetrics metrics{100};
  RecordingSurface picture1;
  RecordingMessageBox box;
  MainWindowModel w;
  RuleListView view{picture1, files};
  EditorContext ctx{files, box, view};
};

// --- The rule kind switch -----------------------------------------------------------------

// Enabled states in the order of the switch's table, grouped by its rows: pic_brower;
// l_width, l_width_l; l_height, l_height_l; Label12, l_patch_order, l_patch_start; Check1;
// l_fontsize; l_fontname, Label17, find_font; l_fontbold, l_fontbold_l, l_fontli, l_fontli_l.
std::string EnabledStates(const MainWindowModel& w) {
  const std::vector<std::vector<bool>> rows = {
      {w.pic_brower.enabled},
      {w.l_width.enabled, w.l_width_l.enabled},
      {w.l_height.enabled, w.l_height_l.enabled},
      {w.Label12.enabled, w.l_patch_order.enabled, w.l_patch_start.enabled},
      {w.Check1.enabled},
      {w.l_fontsize.enabled},
      {w.l_fontname.enabled, w.Label17.enabled, w.find_font.enabled},
      {w.l_fontbold.enabled, w.l_fontbold_l.enabled, w.l_fontli.enabled, w.l_fontli_l.enabled},
  };
  std::string out;
  for (const auto& row : rows) {
    if (!out.empty()) out += ' ';
    for (bool on : row) out += on ? '1' : '0';
  }
  return out;
}

TEST_F(RuleEditorTest, KindSwitchSetsCaptionsAndEnabledStatesOfEachKind) {
  SelectRuleKindEntry(w, 1);
  EXPECT_EQ(w.rule_content_l.caption, "資料內容");
  EXPECT_EQ(w.Label9.caption, "");
  EXPECT_EQ(EnabledStates(w), "0 00 00 111 0 1 111 1111");

  SelectRuleKindEntry(w, 2);
  EXPECT_EQ(w.rule_content_l.caption, "圖檔名稱");
  EXPECT_EQ(w.Label9.caption, "mm");
  EXPECT_EQ(EnabledStates(w), "1 11 00 000 0 0 000 0000");

  SelectRuleKindEntry(w, 0);
  EXPECT_EQ(w.rule_content_l.caption, "資料內容");
  EXPECT_EQ(w.Label9.caption, "點/條");
  EXPECT_EQ(EnabledStates(w), "0 11 11 111 1 1 000 0000");
}

TEST_F(RuleEditorTest, KindSwitchTrimsTheKindAndIgnoresUnknownText) {
  w.rule_kind.text = "  3.圖片 ";
  SwitchRuleKind(w);
  EXPECT_EQ(w.rule_content_l.caption, "圖檔名稱");

  w.rule_kind.text = "4.其他";
  SwitchRuleKind(w);
  EXPECT_EQ(w.rule_content_l.caption, "圖檔名稱");
  EXPECT_EQ(EnabledStates(w), "1 11 00 000 0 0 000 0000");
}

TEST_F(RuleEditorTest, KindSwitchNeverClearsAndRunsAgainOnFocus) {
  w.l_width.text = "33";
  w.l_height.text = "44";
  SelectRuleKindEntry(w, 1);  // text: width and height greyed out, still holding their values
  EXPECT_FALSE(w.l_width.enabled);
  EXPECT_EQ(w.l_width.text, "33");
  EXPECT_EQ(w.l_height.text, "44");

  // Some enabling changed behind the editor's back; focusing rule_kind runs the switch again.
  w.l_fontname.enabled = false;
  SwitchRuleKind(w);
  EXPECT_TRUE(w.l_fontname.enabled);
}

TEST_F(RuleEditorTest, BarcodeKindFillsEmptyWidthAndHeightFromTheDefaults) {
  EXPECT_EQ(w.l_width.text, "15");  // start-up already switched to the barcode kind
  EXPECT_EQ(w.l_height.text, "20");

  w.l_width.text = "  ";  // blank counts as empty
  w.l_height.text = "9";
  w.d_l_width.text = " 12 ";  // copied as it stands
  SwitchRuleKind(w);
  EXPECT_EQ(w.l_width.text, " 12 ");
  EXPECT_EQ(w.l_height.text, "9");
}

TEST_F(RuleEditorTest, TextKindFillsOnlyExactlyEmptyFontFieldsPictureKindNothing) {
  w.d_fontname.text = " 標楷體 ";
  w.d_fontsize.text = " 16 ";
  SelectRuleKindEntry(w, 1);
  EXPECT_EQ(w.l_fontname.text, "標楷體");
  EXPECT_EQ(w.l_fontsize.text, "16");

  w.l_fontname.text = " ";
  w.l_fontsize.text = "";
  w.d_fontsize.text = "18";
  SwitchRuleKind(w);
  EXPECT_EQ(w.l_fontname.text, " ");
  EXPECT_EQ(w.l_fontsize.text, "18");

  w.l_width.text = "";  // the picture kind has no defaults
  SelectRuleKindEntry(w, 2);
  EXPECT_EQ(w.l_width.text, "");
}

TEST_F(RuleEditorTest, OnlyCode128TicksTheCheckCharacter) {
  for (int k = 0; k < 9; ++k) {
    w.Check2.value = k % 2;  // whatever it was before
    SelectBarcodeKindEntry(w, k);
    EXPECT_EQ(w.Check2.value, k == 8 ? 1 : 0) << w.codebar_kind.entries[k];
  }
  EXPECT_EQ(w.codebar_kind.text, "Code-128");
}

// --- Completeness check -------------------------------------------------------------------

TEST_F(RuleEditorTest, BarcodeNeedsDataOrBatchStartAndNumericFields) {
  FillBarcode("", "10");
  EXPECT_FALSE(IsRuleInputComplete(w));
  w.l_patch_start.text = "1";
  EXPECT_TRUE(IsRuleInputComplete(w));

  for (TextBox* field : {&w.l_x, &w.l_y, &w.l_width, &w.l_height, &w.l_fontsize}) {
    const std::string kept = field->text;
    for (const char* bad : {"", "  ", "12mm", "1e", ".", "+", "1..2", "1 2"}) {
      field->text = bad;
      EXPECT_FALSE(IsRuleInputComplete(w)) << "'" << bad << "'";
    }
    for (const char* good : {" 12 ", "-3", "+.5", "7.", "1e3", "2.5E-2"}) {
      field->text = good;
      EXPECT_TRUE(IsRuleInputComplete(w)) << "'" << good << "'";
    }
    field->text = kept;
  }

  // Font size is needed even without the human-readable line; the batch digits never are.
  w.Check1.value = 0;
  w.l_fontsize.text = "";
  EXPECT_FALSE(IsRuleInputComplete(w));
  w.l_fontsize.text = "14";
  w.l_patch_order.text = "abc";
  EXPECT_TRUE(IsRuleInputComplete(w));
}

TEST_F(RuleEditorTest, TextNeedsAFontNameButNoSize) {
  FillText("LOT");
  w.l_fontname.text = "  ";
  EXPECT_FALSE(IsRuleInputComplete(w));
  w.l_fontname.text = "細明體";
  EXPECT_TRUE(IsRuleInputComplete(w));
  w.l_width.text = "not a number";  // not a text rule's field
  EXPECT_TRUE(IsRuleInputComplete(w));
  w.rule_content.text = "";
  EXPECT_FALSE(IsRuleInputComplete(w));
}

TEST_F(RuleEditorTest, PictureNeedsPathPositionAndWidthOnly) {
  FillPicture("img/a.bmp");
  w.l_height.text = "";
  w.l_fontsize.text = "";
  w.l_patch_start.text = "5";
  EXPECT_TRUE(IsRuleInputComplete(w));
  w.rule_content.text = " ";  // a batch start does not stand in for a picture path
  EXPECT_FALSE(IsRuleInputComplete(w));
  w.rule_content.text = "img/a.bmp";
  w.l_width.text = "";
  EXPECT_FALSE(IsRuleInputComplete(w));
}

TEST_F(RuleEditorTest, PaddedKindNameIsCheckedAsThatKind) {
  FillBarcode("", "10");  // no data, no batch start
  w.rule_kind.text = " 1.條碼";
  EXPECT_FALSE(IsRuleInputComplete(w));
  AddRule(w, ctx);
  EXPECT_EQ(Messages(), std::vector<std::string>{std::string(kAddIncompleteMessage)});
  EXPECT_FALSE(HasWorkingFile());
}

// --- Add ----------------------------------------------------------------------------------

TEST_F(RuleEditorTest, ABatchStartMustBeWhole) {
  // "abc" is no number, so no batch number at all; 1.5 would print 002, 002, 004.
  for (auto [start, whole] : {std::pair{" 25 ", true}, {"abc", true}, {"1.5", false}}) {
    FillBarcode("ABC", "10");
    w.l_patch_start.text = start;
    EXPECT_EQ(IsBatchStartWhole(w), whole) << start;
    AddRule(w, ctx);
  }
  EXPECT_EQ(Messages(), std::vector<std::string>{std::string(kBatchStartNotWholeMessage)});
  EXPECT_EQ(w.rule_list.ListCount(), 2);  // the refused one wrote nothing
}

TEST_F(RuleEditorTest, FirstAddWritesTwoLinesSelectsTheRuleAndShowsItsStoredValues) {
  FillBarcode("  ABC  ", " 10 ");
  w.l_patch_start.text = " 1";
  SelectBarcodeKindEntry(w, 8);
  AddRule(w, ctx);

  EXPECT_TRUE(box.shown.empty());
  EXPECT_EQ(WorkingFile(),
            kSettings + "1,,;ABC,,;10,,;20,,;15,,;20,,;,,;1,,;1,,;14,,;8,,;1,,;\r\n");
  ASSERT_EQ(w.rule_list.entries, std::vector<std::string>{"001,條碼; ABC , 從1開始算批號"});
  EXPECT_EQ(w.rule_list.list_index, 0);
  EXPECT_EQ(w.rule_content.text, "ABC");
  EXPECT_EQ(w.l_x.text, "10");
  EXPECT_EQ(w.l_patch_start.text, "1");
  EXPECT_EQ(w.codebar_kind.list_index, 8);
  EXPECT_EQ(w.Check2.value, 1);
}

TEST_F(RuleEditorTest, BarcodeWithEmptyDataAndABatchStartIsAdded) {
  FillBarcode("", "10");
  AddRule(w, ctx);
  EXPECT_EQ(Messages(), std::vector<std::string>{std::string(kAddIncompleteMessage)});
  EXPECT_FALSE(HasWorkingFile());
  EXPECT_TRUE(w.rule_list.entries.empty());

  box.shown.clear();
  w.l_patch_start.text = "1";
  AddRule(w, ctx);
  EXPECT_TRUE(box.shown.empty());
  EXPECT_EQ(w.rule_list.entries, std::vector<std::string>{"001,條碼;  , 從1開始算批號"});
}

TEST_F(RuleEditorTest, TextRuleNeedsItsFontNameUnlessTheKindSwitchFilledIt) {
  w.l_fontname.text = "";
  w.rule_kind.Select(1);  // chosen without the switch running, so no default was filled
  w.rule_content.text = "LOT";
  w.l_x.text = "10";
  w.l_y.text = "45";
  AddRule(w, ctx);
  EXPECT_EQ(Messages(), std::vector<std::string>{std::string(kAddIncompleteMessage)});
  EXPECT_FALSE(HasWorkingFile());

  box.shown.clear();
  SwitchRuleKind(w);
  EXPECT_EQ(w.l_fontname.text, "細明體");
  AddRule(w, ctx);
  EXPECT_TRUE(box.shown.empty());
  // 細明體 is stored in CP950.
  EXPECT_EQ(WorkingFile(),
            kSettings + "2,,;LOT,,;10,,;45,,;,,;,,;14,,;\xB2\xD3\xA9\xFA\xC5\xE9,,;0,,;0,,;\r\n");
}

TEST_F(RuleEditorTest, PictureRuleNeedsNoHeight) {
  FillPicture(" img/a.bmp ");
  w.l_height.text = "";
  AddRule(w, ctx);
  EXPECT_TRUE(box.shown.empty());
  EXPECT_EQ(WorkingFile(), kSettings + "3,,;img/a.bmp,,;60,,;10,,;30,,;\r\n");
  EXPECT_EQ(w.rule_list.entries, std::vector<std::string>{"001,圖片; img/a.bmp , 從開始算批號"});
}

TEST_F(RuleEditorTest, AddAppendsAfterTheExistingRulesAndSelectsTheLast) {
  AddBarcodes(3);
  FillText("LOT");
  AddRule(w, ctx);
  ASSERT_EQ(w.rule_list.ListCount(), 4);
  EXPECT_EQ(w.rule_list.list_index, 3);
  EXPECT_EQ(w.rule_list.entries[0], "001,條碼; A0 , 從開始算批號");
  EXPECT_EQ(w.rule_list.entries[3], "004,文字; LOT , 從開始算批號");
  EXPECT_EQ(w.rule_kind.text, "2.文字");
  // The previous version is kept beside the working file.
  EXPECT_EQ(test::ReadBytes(dir.File("temp2.txt")).find("LOT"), std::string::npos);
}

TEST_F(RuleEditorTest, AddBeyond101RulesIsRefusedAndChangesNothing) {
  AddBarcodes(kMaxRules);
  ASSERT_EQ(w.rule_list.ListCount(), 101);
  EXPECT_EQ(w.rule_list.entries[100], "101,條碼; A100 , 從開始算批號");
  const std::string before = WorkingFile();

  FillBarcode("ONE MORE", "1");
  AddRule(w, ctx);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("101"), std::string::npos);
  EXPECT_EQ(box.shown[0].caption, "Vellomir 0.1版");
  EXPECT_EQ(WorkingFile(), before);
  EXPECT_EQ(w.rule_list.ListCount(), 101);
  EXPECT_EQ(w.rule_content.text, "ONE MORE");  // the user's input is still there
}

// --- Typed kinds --------------------------------------------------------------------------

TEST_F(RuleEditorTest, TypedRuleKindIsRefusedByAddAndModify) {
  AddBarcodes(1);
  const std::string before = WorkingFile();

  w.rule_kind.text = "4.其他";
  w.rule_kind.list_index = -1;
  AddRule(w, ctx);
  ModifyRule(w, ctx);
  EXPECT_EQ(Messages(), (std::vector<std::string>{std::string(kUnknownRuleKindMessage),
                                                  std::string(kUnknownRuleKindMessage)}));
  EXPECT_EQ(WorkingFile(), before);
  EXPECT_EQ(w.rule_list.ListCount(), 1);
}

TEST_F(RuleEditorTest, TypedBarcodeKindIsRefused) {
  FillBarcode("ABC", "10");
  w.codebar_kind.text = "QR";
  w.codebar_kind.list_index = -1;
  AddRule(w, ctx);
  EXPECT_EQ(Messages(), std::vector<std::string>{std::string(kUnknownBarcodeKindMessage)});
  EXPECT_FALSE(HasWorkingFile());

  // An index left from an earlier choice does not make a different typed name acceptable.
  w.codebar_kind.list_index = 0;
  w.codebar_kind.text = "EAN-13";
  AddRule(w, ctx);
  EXPECT_EQ(box.shown.size(), 2u);
  EXPECT_FALSE(HasWorkingFile());

  // A text rule does not look at the barcode kind at all.
  FillText("LOT");
  AddRule(w, ctx);
  EXPECT_EQ(box.shown.size(), 2u);
  EXPECT_TRUE(HasWorkingFile());
}

// --- Select -------------------------------------------------------------------------------

TEST_F(RuleEditorTest, SelectingATextRuleKeepsTheBarcodeSizeInTheDisabledFields) {
  FillBarcode("ABC", "10");
  w.l_width.text = "18";
  w.l_height.text = "22";
  AddRule(w, ctx);
  FillText("LOT");
  AddRule(w, ctx);

  SelectRuleListEntry(w, ctx, 0);
  EXPECT_EQ(w.l_width.text, "18");
  SelectRuleListEntry(w, ctx, 1);
  EXPECT_EQ(w.rule_kind.text, "2.文字");
  EXPECT_EQ(w.rule_kind.list_index, 1);
  EXPECT_EQ(w.rule_content.text, "LOT");
  EXPECT_EQ(w.l_width.text, "18");
  EXPECT_EQ(w.l_height.text, "22");
  EXPECT_FALSE(w.l_width.enabled);
  EXPECT_TRUE(w.l_fontname.enabled);
}

TEST_F(RuleEditorTest, StoredCheckCharacterWinsOverTheCode39Default) {
  PutWorkingFile(kSettings + "1,,;ABC,,;10,,;20,,;15,,;20,,;,,;,,;0,,;9,,;0,,;1,,;\r\n");
  RefreshLabelView(w, picture1, files);
  w.Check2.value = 0;
  w.Check1.value = 1;
  SelectRuleListEntry(w, ctx, 0);
  EXPECT_EQ(w.codebar_kind.text, "Code-39");
  EXPECT_EQ(w.Check2.value, 1);
  EXPECT_EQ(w.Check1.value, 0);
  EXPECT_EQ(w.l_fontsize.text, "9");

  SelectBarcodeKindEntry(w, 0);  // choosing Code-39 by hand clears it
  EXPECT_EQ(w.Check2.value, 0);
}

TEST_F(RuleEditorTest, SelectPutsStoredPartsUntrimmedAndRoundsTheBarcodeKind) {
  PutWorkingFile(kSettings + "1,,; AB ,,;1,,;2,,;3,,;4,,;5,,;6,,;1,,;7,,;2.5,,;0,,;\r\n" +
                 "1,,;X,,;1,,;2,,;3,,;4,,;5,,;6,,;1,,;7,,;3.5,,;0,,;\r\n");
  RefreshLabelView(w, picture1, files);
  SelectRuleListEntry(w, ctx, 0);
  EXPECT_EQ(w.rule_content.text, " AB ");
  EXPECT_EQ(w.codebar_kind.list_index, 2);  // 2.5 to the even neighbour
  SelectRuleListEntry(w, ctx, 1);
  EXPECT_EQ(w.codebar_kind.list_index, 4);
  EXPECT_TRUE(box.shown.empty());
}

// A number beyond a double is still a number other than 0 for a check box, and no entry of
// the kind list.
TEST_F(RuleEditorTest, SelectReadsPartsBeyondADoubleAsNoKindAndTicked) {
  PutWorkingFile(kSettings + "1,,;AB,,;1,,;2,,;3,,;4,,;,,;,,;1e400,,;7,,;1e400,,;-1e400,,;\r\n");
  RefreshLabelView(w, picture1, files);
  w.Check1.value = 0;
  w.Check2.value = 0;
  SelectRuleListEntry(w, ctx, 0);
  EXPECT_EQ(w.codebar_kind.list_index, -1);
  EXPECT_EQ(w.Check1.value, 1);
  EXPECT_EQ(w.Check2.value, 1);
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(RuleEditorTest, ForeignRecordsLoadWithoutGoingPastTheirParts) {
  PutWorkingFile(kSettings + "1,,;ABC,,;5,,;\r\n" +
                 "2,,;T,,;1,,;2,,;,,;,,;12,,;Arial,,;x,,;2,,;\r\n" + "9,,;odd,,;\r\n" + "\r\n");
  RefreshLabelView(w, picture1, files);
  ASSERT_EQ(w.rule_list.ListCount(), 4);

  w.l_width.text = "old width";
  SelectRuleListEntry(w, ctx, 0);  // too few parts: filled up with empty ones after a message
  EXPECT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(w.rule_content.text, "ABC");
  EXPECT_EQ(w.l_x.text, "5");
  EXPECT_EQ(w.l_width.text, "15");  // the empty stored width, then the kind switch's default
  EXPECT_EQ(w.l_fontsize.text, "");
  EXPECT_EQ(w.codebar_kind.list_index, 0);

  SelectRuleListEntry(w, ctx, 1);  // a check box part that is no number reads as clear
  EXPECT_EQ(w.l_fontbold.value, 0);
  EXPECT_EQ(w.l_fontli.value, 1);
  EXPECT_EQ(w.l_fontname.text, "Arial");

  const std::string content = w.rule_content.text;
  for (int k : {2, 3}) {  // unknown kind and empty line: nothing changes
    SelectRuleListEntry(w, ctx, k);
    EXPECT_EQ(w.rule_content.text, content);
    EXPECT_EQ(w.rule_kind.text, "2.文字");
  }
}

TEST_F(RuleEditorTest, SelectingNothingOnlyRunsTheKindSwitch) {
  AddBarcodes(1);
  w.rule_content.text = "typed";
  w.rule_kind.Select(2);
  SelectRuleListEntry(w, ctx, -1);
  EXPECT_EQ(w.rule_content.text, "typed");
  EXPECT_EQ(w.rule_content_l.caption, "圖檔名稱");
  EXPECT_TRUE(box.shown.empty());
}

// --- Modify -------------------------------------------------------------------------------

TEST_F(RuleEditorTest, ModifyAndDeleteNeedASelection) {
  AddBarcodes(2);
  w.rule_list.Select(-1);
  const std::string before = WorkingFile();
  ModifyRule(w, ctx);
  DeleteRule(w, ctx);
  EXPECT_EQ(Messages(), (std::vector<std::string>{std::string(kModifyNoSelectionMessage),
                                                  std::string(kDeleteNoSelectionMessage)}));
  EXPECT_EQ(WorkingFile(), before);
  EXPECT_EQ(w.rule_list.ListCount(), 2);
}

TEST_F(RuleEditorTest, ModifyWritesWhateverTheFieldsHoldAndKeepsTheSelection) {
  AddBarcodes(3);
  SelectRuleListEntry(w, ctx, 1);
  w.l_x.text = "";
  w.l_y.text = "";
  ModifyRule(w, ctx);
  EXPECT_TRUE(box.shown.empty());
  EXPECT_EQ(w.rule_list.list_index, 1);
  const auto lines = SplitLines(WorkingFile());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "1,,;A1,,;,,;,,;15,,;20,,;,,;,,;1,,;14,,;0,,;0,,;");
  EXPECT_EQ(lines[1], "1,,;A0,,;1,,;20,,;15,,;20,,;,,;,,;1,,;14,,;0,,;0,,;");
}

TEST_F(RuleEditorTest, ModifyMayChangeTheRuleKind) {
  AddBarcodes(2);
  SelectRuleListEntry(w, ctx, 0);
  FillText("NOW TEXT");
  ModifyRule(w, ctx);
  EXPECT_EQ(w.rule_list.entries[0], "001,文字; NOW TEXT , 從開始算批號");
  EXPECT_EQ(w.rule_list.entries[1], "002,條碼; A1 , 從開始算批號");
  EXPECT_EQ(w.rule_list.list_index, 0);
  EXPECT_EQ(w.rule_kind.text, "2.文字");
}

// --- Delete -------------------------------------------------------------------------------

TEST_F(RuleEditorTest, DeletingInTheMiddleSelectsTheRuleThatTookItsPlace) {
  AddBarcodes(3);
  SelectRuleListEntry(w, ctx, 1);
  DeleteRule(w, ctx);
  EXPECT_EQ(w.rule_list.entries, (std::vector<std::string>{"001,條碼; A0 , 從開始算批號",
                                                           "002,條碼; A2 , 從開始算批號"}));
  EXPECT_EQ(w.rule_list.list_index, 1);
  EXPECT_EQ(w.rule_content.text, "A2");
}

TEST_F(RuleEditorTest, DeletingTheLastSelectsTheNewLast) {
  AddBarcodes(3);
  SelectRuleListEntry(w, ctx, 2);
  DeleteRule(w, ctx);
  EXPECT_EQ(w.rule_list.ListCount(), 2);
  EXPECT_EQ(w.rule_list.list_index, 1);
  EXPECT_EQ(w.rule_content.text, "A1");
  EXPECT_EQ(SplitLines(WorkingFile()).size(), 3u);
}

TEST_F(RuleEditorTest, DeletingTheOnlyRuleClearsTheTextFieldsOnly) {
  FillText("LOT");
  w.l_patch_order.text = "3";
  w.l_fontbold.value = 1;
  AddRule(w, ctx);
  DeleteRule(w, ctx);

  EXPECT_EQ(WorkingFile(), kSettings);  // still there, holding the settings only
  EXPECT_TRUE(w.rule_list.entries.empty());
  EXPECT_EQ(w.rule_list.list_index, -1);
  for (const TextBox* f : {&w.rule_content, &w.l_x, &w.l_y, &w.l_width, &w.l_height,
                           &w.l_patch_order, &w.l_patch_start, &w.l_fontname, &w.l_fontsize})
    EXPECT_EQ(f->text, "");
  EXPECT_EQ(w.l_fontbold.value, 1);
  EXPECT_EQ(w.rule_kind.text, "2.文字");
  EXPECT_EQ(w.codebar_kind.text, "Code-39");

  // A later add starts from the one-line file.
  FillPicture("p.png");
  AddRule(w, ctx);
  EXPECT_EQ(WorkingFile(), kSettings + "3,,;p.png,,;60,,;10,,;30,,;\r\n");
}

}  // namespace
}  // namespace vellomir
