#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "document/label_file.h"
#include "document/rule_editor.h"
#include "document/working_file.h"
#include "platform/recording_surface.h"
#include "render/rule_list.h"
#include "support/failing_file_system.h"
#include "support/files.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

// CP950 of 細明體.
const std::string kMingBig5 = "\xB2\xD3\xA9\xFA\xC5\xE9";
const std::string kSample =
    "setting,,;10,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n"
    "1,,;ABC,,;10,,;20,,;15,,;20,,;4,,;1,,;1,,;14,,;8,,;1,,;\r\n"
    "2,,;LOT,,;10,,;45,,;,,;,,;14,,;" +
    kMingBig5 +
    ",,;1,,;0,,;\r\n"
    "3,,;img\\a.bmp,,;60,,;10,,;30,,;\r\n";

using test::FailingFileSystem;

class LabelFileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) { return dir.File(name); }
  std::string Bytes(const std::string& name) { return test::ReadBytes(dir.File(name)); }
  bool Exists(const std::string& name) { return fs::exists(dir.File(name)); }
  void Put(const std::string& name, const std::string& bytes) {
    test::WriteBytes(dir.File(name), bytes);
  }
  std::vector<std::string> FolderContents() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  void AddBarcode(const std::string& data) {
    w.rule_kind.Select(0);
    w.rule_content.text = data;
    w.l_x.text = "10";
    w.l_y.text = "20";
    w.l_width.text = "15";
    w.l_height.text = "20";
    w.codebar_kind.Select(8);
    ASSERT_TRUE(RewriteWorkingFile(w, files, box, RewriteOperation::kAdd));
  }
  void Layout(const std::string& amount, const std::string& width) {
    w.l_amount.text = amount;
    w.l_paper_width.text = width;
  }

  void New() { FileNew(w, files, box, view); }
  void Open(const std::string& answer) {
    dialogs.paths.push_back(answer);
    FileOpen(w, files, dialogs, box, view);
  }
  bool Save(const std::string& answer = "") {
    if (!answer.empty()) dialogs.paths.push_back(answer);
    return FileSave(w, files, dialogs, box);
  }
  bool SaveAs(const std::string& answer) {
    dialogs.paths.push_back(answer);
    return FileSaveAs(w, files, dialogs, box);
  }

  test::TempDir dir;
  FailingFileSystem files{dir.path().string()};
  RecordingDialogs dialogs;
  RecordingMessageBox box;
  FixedPitchMetrics metrics{100};
  RecordingSurface picture1{metrics};
  RuleListView view{picture1, files};
  MainWindowModel w;
};

// --- Save and open give back the design byte for byte -----------------------------------

TEST_F(LabelFileTest, SaveThenOpenBringsBackTheRulesAndTheLayoutOfTheLastRuleEdit) {
  Layout("10", "105");
  AddBarcode("ABC");
  AddBarcode("DEF");
  const std::string design = Bytes("temp1.txt");
  // Changed after the last rule edit: not in the working file, so not in the label file.
  Layout("99", "80");

  ASSERT_TRUE(Save(Path("a.vlm")));
  EXPECT_EQ(Bytes("a.vlm"), design);
  EXPECT_EQ(Bytes("temp1.txt"), design);  // saving leaves the working file alone
  EXPECT_EQ(w.CurrentFileName, Path("a.vlm"));

  New();
  Layout("5", "50");
  w.d_row.text = "3";
  Open(Path("a.vlm"));
  EXPECT_EQ(Bytes("temp1.txt"), design);
  EXPECT_EQ(w.l_amount.text, "10");
  EXPECT_EQ(w.l_paper_width.text, "105");
  EXPECT_EQ(w.d_row.text, "0");
  ASSERT_EQ(w.rule_list.ListCount(), 2);
  EXPECT_EQ(w.rule_list.entries[1], "002,條碼; DEF , 從開始算批號");
  EXPECT_EQ(w.rule_list.list_index, -1);
  EXPECT_EQ(w.CurrentFileName, Path("a.vlm"));
  EXPECT_EQ(w.focus_request, "rule_list");
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(LabelFileTest, AnOpenedFileIsCopiedAndSavedAgainWithoutChangingOneByte) {
  // Big5 text, LF-only ends and no final line end: nothing is decoded and written back.
  const std::string odd = "setting,,; 7 ,,;60,,;40,,;3,,;4,,;1.5,,;2.5,,;\n2,,;" + kMingBig5 +
                          ",,;1,,;2,,;,,;,,;12,,;" + kMingBig5 + ",,;0,,;1,,;";
  for (const std::string& bytes : {kSample, odd}) {
    Put("in.vlm", bytes);
    Open(Path("in.vlm"));
    EXPECT_EQ(Bytes("temp1.txt"), bytes);
    ASSERT_TRUE(Save());  // to the current name
    EXPECT_EQ(Bytes("in.vlm"), bytes);
    const std::string copy = bytes == odd ? "odd.vlm" : "sample.vlm";
    ASSERT_TRUE(SaveAs(Path(copy)));
    EXPECT_EQ(Bytes(copy), bytes);
  }
  // The settings record sets the seven layout controls trimmed, d_row before d_col.
  EXPECT_EQ(w.l_amount.text, "7");
  EXPECT_EQ(w.l_paper_width.text, "60");
  EXPECT_EQ(w.l_paper_height.text, "40");
  EXPECT_EQ(w.l_col.text, "3");
  EXPECT_EQ(w.l_row.text, "4");
  EXPECT_EQ(w.d_row.text, "1.5");
  EXPECT_EQ(w.d_col.text, "2.5");
  EXPECT_TRUE(box.shown.empty());
  // Only the files named: every write went through a temporary file that was renamed.
  EXPECT_EQ(FolderContents(),
            (std::vector<std::string>{"in.vlm", "odd.vlm", "sample.vlm", "temp1.txt"}));
}

TEST_F(LabelFileTest, TheChoosersCarryTheirTitlesFilterExtensionAndStartFolder) {
  for (CommonDialog* d : {&w.open_d_dial, &w.save_d_dial, &w.save_a_d_dial}) d->init_dir = "data";
  AddBarcode("A");
  Open("");
  Save("");
  Save(Path("a.vlm"));
  SaveAs("");
  ASSERT_EQ(dialogs.shown.size(), 4u);
  const std::pair<const char*, const char*> expected[] = {
      {"open", "開啟標籤檔"}, {"save", "儲存檔案"}, {"save", "儲存檔案"}, {"save", "另存檔案"}};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dialogs.shown[i].kind, expected[i].first);
    EXPECT_EQ(dialogs.shown[i].dialog.title, expected[i].second);
    EXPECT_EQ(dialogs.shown[i].dialog.filter, "Vellomir資料檔(*.vlm)|*.vlm");
    EXPECT_EQ(dialogs.shown[i].dialog.default_ext, "vlm");
    EXPECT_EQ(dialogs.shown[i].dialog.init_dir, "data");
  }
}

// --- New ------------------------------------------------------------------------------

TEST_F(LabelFileTest, NewEmptiesTheDesignButKeepsLayoutEditorFieldsAndThePreviousFile) {
  Layout("10", "80");
  AddBarcode("A");
  AddBarcode("B");
  const std::string previous = Bytes("temp2.txt");
  ASSERT_TRUE(Save(Path("a.vlm")));
  w.rule_list.Select(1);
  w.rule_content.text = "typed";

  New();
  EXPECT_FALSE(Exists("temp1.txt"));
  EXPECT_EQ(Bytes("temp2.txt"), previous);
  EXPECT_EQ(w.rule_list.ListCount(), 0);
  EXPECT_EQ(w.rule_list.list_index, -1);
  EXPECT_EQ(w.CurrentFileName, "");
  EXPECT_EQ(w.l_amount.text, "10");
  EXPECT_EQ(w.l_paper_width.text, "80");
  EXPECT_EQ(w.rule_content.text, "typed");
  EXPECT_EQ(Bytes("a.vlm").empty(), false);  // the saved file is not the design's to delete
  EXPECT_EQ(w.focus_request, "rule_list");
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(LabelFileTest, NewAppliesTheRuleKindSwitchForTheKindShown) {
  w.rule_kind.Select(2);  // shown without its click: the captions are still the barcode's
  ASSERT_EQ(w.rule_content_l.caption, "資料內容");
  New();
  EXPECT_EQ(w.rule_content_l.caption, "圖檔名稱");
  EXPECT_TRUE(w.pic_brower.enabled);
}

// --- Cancel anywhere changes nothing (except the untitling of a cancelled open) --------

TEST_F(LabelFileTest, CancelledOpenKeepsTheDesignButUntitlesIt) {
  AddBarcode("A");
  ASSERT_TRUE(Save(Path("a.vlm")));
  const std::string design = Bytes("temp1.txt");
  Open("");
  EXPECT_EQ(Bytes("temp1.txt"), design);
  EXPECT_EQ(w.rule_list.ListCount(), 0);  // not refreshed: the list is as the window had it
  EXPECT_EQ(w.CurrentFileName, "");
  // Untitled now, so the next save asks for a name with save_d_dial.
  dialogs.shown.clear();
  EXPECT_FALSE(Save(""));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].dialog.title, "儲存檔案");
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(LabelFileTest, CancelledSaveChoosersWriteNothingAndKeepTheName) {
  AddBarcode("A");
  EXPECT_FALSE(Save(""));
  EXPECT_EQ(w.CurrentFileName, "");
  EXPECT_FALSE(SaveAs(""));  // untitled: goes through save_d_dial
  ASSERT_TRUE(Save(Path("a.vlm")));
  AddBarcode("B");
  EXPECT_FALSE(SaveAs(""));
  EXPECT_EQ(w.CurrentFileName, Path("a.vlm"));
  EXPECT_EQ(FolderContents(), (std::vector<std::string>{"a.vlm", "temp1.txt", "temp2.txt"}));
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(LabelFileTest, SaveAsUntitledShowsTheSaveChooserNotTheSaveAsChooser) {
  AddBarcode("A");
  ASSERT_TRUE(SaveAs(Path("a.vlm")));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].dialog.title, "儲存檔案");
  // Titled: save as asks with its own chooser and moves the name; the old file stays.
  const std::string first = Bytes("a.vlm");
  AddBarcode("B");
  ASSERT_TRUE(SaveAs(Path("b.vlm")));
  EXPECT_EQ(dialogs.shown[1].dialog.title, "另存檔案");
  EXPECT_EQ(w.CurrentFileName, Path("b.vlm"));
  EXPECT_EQ(Bytes("a.vlm"), first);
  EXPECT_EQ(Bytes("b.vlm"), Bytes("temp1.txt"));
}

// --- The overwrite question ------------------------------------------------------------

TEST_F(LabelFileTest, ChoosingAnExistingFileAsksAndCancelLeavesItUntouched) {
  Put("old.vlm", "precious\r\n");
  AddBarcode("A");
  box.answers = {MessageAnswer::kCancel};
  EXPECT_FALSE(Save(Path("old.vlm")));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "您要存的檔已存在, 要覆蓋嗎?");
  EXPECT_EQ(box.shown[0].caption, "Vellomir 0.1版...警告");
  EXPECT_EQ(box.shown[0].buttons, MessageButtons::kOkCancel);
  EXPECT_EQ(Bytes("old.vlm"), "precious\r\n");
  EXPECT_EQ(w.CurrentFileName, "");

  // Titled, through save as: Cancel keeps the current name too.
  ASSERT_TRUE(Save(Path("mine.vlm")));
  box.answers.push_back(MessageAnswer::kCancel);
  EXPECT_FALSE(SaveAs(Path("old.vlm")));
  EXPECT_EQ(Bytes("old.vlm"), "precious\r\n");
  EXPECT_EQ(w.CurrentFileName, Path("mine.vlm"));
}

TEST_F(LabelFileTest, OkReplacesTheExistingFileWithTheWorkingFile) {
  Put("old.vlm", "precious\r\n");
  AddBarcode("A");
  box.answers = {MessageAnswer::kOk};
  ASSERT_TRUE(Save(Path("old.vlm")));
  EXPECT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(Bytes("old.vlm"), Bytes("temp1.txt"));
  EXPECT_EQ(w.CurrentFileName, Path("old.vlm"));
}

TEST_F(LabelFileTest, SaveWithACurrentNameNeverAsksAndRewritesARemovedFile) {
  AddBarcode("A");
  ASSERT_TRUE(Save(Path("a.vlm")));
  AddBarcode("B");
  ASSERT_TRUE(Save());
  EXPECT_EQ(Bytes("a.vlm"), Bytes("temp1.txt"));
  fs::remove(Path("a.vlm"));
  AddBarcode("C");
  ASSERT_TRUE(Save());
  EXPECT_EQ(Bytes("a.vlm"), Bytes("temp1.txt"));
  EXPECT_EQ(dialogs.shown.size(), 1u);  // only the first save chose a name
  EXPECT_TRUE(box.shown.empty());
}

// --- A failed write never loses the previous file --------------------------------------

TEST_F(LabelFileTest, AFailedSaveKeepsTheOldFileAndTheNameAndSaysSo) {
  AddBarcode("A");
  ASSERT_TRUE(Save(Path("a.vlm")));
  const std::string saved = Bytes("a.vlm");
  AddBarcode("B");
  files.fail_write = true;

  EXPECT_FALSE(Save());
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("無法寫入「" + Path("a.vlm") + "」"), std::string::npos);
  EXPECT_NE(box.shown[0].text.find("原來的檔案沒有變更"), std::string::npos);
  EXPECT_EQ(box.shown[0].caption, "Vellomir 0.1版");
  EXPECT_EQ(Bytes("a.vlm"), saved);

  // Over an existing file after OK, and to a new name: both fail without a trace.
  box.answers = {MessageAnswer::kOk, MessageAnswer::kOk};
  EXPECT_FALSE(SaveAs(Path("a.vlm")));
  EXPECT_FALSE(SaveAs(Path("b.vlm")));
  EXPECT_EQ(Bytes("a.vlm"), saved);
  EXPECT_FALSE(Exists("b.vlm"));
  EXPECT_EQ(w.CurrentFileName, Path("a.vlm"));
}

TEST_F(LabelFileTest, SavingIntoAMissingFolderFailsWithAMessage) {
  AddBarcode("A");
  const std::string target = Path("no-such-folder/a.vlm");
  EXPECT_FALSE(Save(target));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "無法寫入「" + target + "」,沒有存檔!!");
  EXPECT_EQ(w.CurrentFileName, "");
}

TEST_F(LabelFileTest, AFailedOpenOrNewLeavesTheDesignAsItWas) {
  Layout("10", "105");
  AddBarcode("A");
  ASSERT_TRUE(Save(Path("a.vlm")));
  const std::string design = Bytes("temp1.txt");
  Put("other.vlm", kSample);
  Layout("3", "70");

  files.fail_write = true;  // the working file cannot be replaced
  Open(Path("other.vlm"));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("無法寫入工作檔 temp1.txt"), std::string::npos);
  EXPECT_EQ(Bytes("temp1.txt"), design);
  EXPECT_EQ(w.l_amount.text, "3");
  EXPECT_EQ(w.CurrentFileName, Path("a.vlm"));

  files.fail_write = false;
  files.fail_delete = true;  // the working file cannot be deleted
  New();
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_NE(box.shown[1].text.find("無法刪除工作檔 temp1.txt"), std::string::npos);
  EXPECT_EQ(Bytes("temp1.txt"), design);
  EXPECT_EQ(w.CurrentFileName, Path("a.vlm"));
}

// --- Files that are not label files are refused -----------------------------------------

TEST_F(LabelFileTest, ForeignFilesAreRefusedAndTheDesignStaysUntouched) {
  std::string too_many = "setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n";
  for (int i = 0; i <= kMaxRules; ++i) too_many += "3,,;a.bmp,,;1,,;1,,;1,,;\r\n";
  const struct {
    const char* name;
    std::string bytes;
    std::string reason;
  } cases[] = {
      {"empty", "", "檔案是空的"},
      {"plain text", "hello world\r\nsecond line\r\n", "第一行沒有標籤的設定資料"},
      {"settings not first", "1,,;A,,;\r\nsetting,,;1,,;2,,;3,,;4,,;5,,;6,,;7,,;\r\n",
       "第一行沒有標籤的設定資料"},
      {"seven parts", "setting,,;1,,;105,,;148.5,,;2,,;2,,;0\r\n", "不到8個欄位"},
      {"bad bytes", kSample + "2,,;\xFF\xFF,,;\r\n", "第5行含有無法辨識的字元"},
      {"utf-8 text", "setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n2,,;細明體,,;\r\n",
       "第2行含有無法辨識的字元"},
      {"102 rules", too_many, "規則超過101個"},
  };
  Layout("10", "105");
  AddBarcode("A");
  ASSERT_TRUE(Save(Path("a.vlm")));
  New();
  Open(Path("a.vlm"));
  const std::string design = Bytes("temp1.txt");
  const std::vector<std::string> list = w.rule_list.entries;
  const std::size_t preview_ops = picture1.Ops().size();
  ASSERT_GT(preview_ops, 0u);
  w.l_amount.text = "typed";

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put("foreign.vlm", c.bytes);
    box.shown.clear();
    Open(Path("foreign.vlm"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text.rfind("無法開啟「" + Path("foreign.vlm") + "」:", 0), 0u)
        << box.shown[0].text;
    EXPECT_NE(box.shown[0].text.find(c.reason), std::string::npos) << box.shown[0].text;
    EXPECT_EQ(box.shown[0].caption, "Vellomir 0.1版");
    EXPECT_EQ(Bytes("temp1.txt"), design);
    EXPECT_EQ(w.rule_list.entries, list);
    EXPECT_EQ(picture1.Ops().size(), preview_ops);
    EXPECT_EQ(w.l_amount.text, "typed");
    // Still the file that was open, so a save cannot overwrite the foreign file.
    EXPECT_EQ(w.CurrentFileName, Path("a.vlm"));
  }
}

TEST_F(LabelFileTest, AMissingChosenFileIsReportedAndNothingChanges) {
  AddBarcode("A");
  const std::string design = Bytes("temp1.txt");
  Open(Path("gone.vlm"));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "找不到檔案「" + Path("gone.vlm") + "」,目前的設計沒有變更!!");
  EXPECT_EQ(Bytes("temp1.txt"), design);
  EXPECT_EQ(w.CurrentFileName, "");
}

TEST(CheckLabelFile, AcceptsTheLimitsOfALabelFile) {
  // The smallest settings record: eight parts, the last separator missing.
  const LabelFileCheck eight = CheckLabelFile("setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0");
  ASSERT_TRUE(eight.ok()) << eight.problem;
  EXPECT_EQ(eight.settings.size(), 8u);
  EXPECT_EQ(eight.settings[7], "0");
  // A settings record alone: a design whose last rule was deleted.
  EXPECT_TRUE(CheckLabelFile("setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n").ok());
  std::string full = "setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n";
  for (int i = 0; i < kMaxRules; ++i) full += "\r\n";  // empty records still count as rules
  EXPECT_TRUE(CheckLabelFile(full).ok());
  EXPECT_FALSE(CheckLabelFile(full + "\r\n").ok());
  const LabelFileCheck sample = CheckLabelFile(kSample);
  ASSERT_TRUE(sample.ok());
  EXPECT_EQ(sample.settings[1], "10");
}

// --- The working files are not label files ----------------------------------------------

TEST_F(LabelFileTest, TheWorkingFilesCannotBeChosenInAnyChooser) {
  AddBarcode("A");
  AddBarcode("B");
  const std::string design = Bytes("temp1.txt");
  const std::string previous = Bytes("temp2.txt");
  const std::string picks[] = {Path("temp1.txt"), Path("temp2.txt"),
                               (dir.path() / "." / "temp1.txt").string()};
  for (const std::string& pick : picks) {
    SCOPED_TRACE(pick);
    box.shown.clear();
    Open(pick);
    EXPECT_FALSE(Save(pick));
    ASSERT_EQ(box.shown.size(), 2u);  // one refusal each, no overwrite question
    for (const auto& shown : box.shown) {
      EXPECT_NE(shown.text.find("是程式的工作檔"), std::string::npos);
      EXPECT_EQ(shown.buttons, MessageButtons::kOk);
    }
    EXPECT_EQ(Bytes("temp1.txt"), design);
    EXPECT_EQ(Bytes("temp2.txt"), previous);
    EXPECT_EQ(w.CurrentFileName, "");
  }
  EXPECT_FALSE(IsWorkingFilePath(files, Path("temp3.txt")));
  EXPECT_TRUE(IsWorkingFilePath(files, "temp1.txt"));  // relative to the working folder
}

// --- Saving a design that has no working file ------------------------------------------

TEST_F(LabelFileTest, SavingWithoutAWorkingFileIsRefusedBeforeAnyChooser) {
  Put("a.vlm", kSample);
  EXPECT_FALSE(Save(Path("a.vlm")));
  EXPECT_TRUE(dialogs.shown.empty());
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "目前的設計還沒有任何規則,沒有內容可以存檔,請先新增規則!!");

  // After New, the name the design had must not be overwritten with nothing either.
  Open(Path("a.vlm"));
  New();
  w.CurrentFileName = Path("a.vlm");
  box.shown.clear();
  EXPECT_FALSE(Save());
  EXPECT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(Bytes("a.vlm"), kSample);
}

// --- User-defined characters and the head of a file ------------------------------------

TEST_F(LabelFileTest, AFileWithUserDefinedCharactersOpensAndSavesByteForByte) {
  // A text rule and a barcode rule whose texts hold 造字 from all three user-defined blocks.
  const std::string bytes =
      "setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n"
      "2,,;\xAB\x7E\xFA\x40\x8E\xA1\x81\x40,,;10,,;45,,;,,;,,;14,,;" +
      kMingBig5 +
      ",,;0,,;0,,;\r\n"
      "1,,;A\xFE\xFE,,;10,,;20,,;15,,;20,,;,,;,,;1,,;9,,;0,,;0,,;\r\n";
  Put("eudc.vlm", bytes);
  Open(Path("eudc.vlm"));
  ASSERT_TRUE(box.shown.empty()) << box.shown[0].text;
  ASSERT_EQ(w.rule_list.ListCount(), 2);
  // The list shows them as private use characters, which fonts draw as placeholders.
  EXPECT_EQ(w.rule_list.entries[0], "001,文字; 品\uE000\uE350\uEEB8 , 從開始算批號");
  ASSERT_TRUE(Save());
  EXPECT_EQ(Bytes("eudc.vlm"), bytes);
  ASSERT_TRUE(SaveAs(Path("copy.vlm")));
  EXPECT_EQ(Bytes("copy.vlm"), bytes);

  // An edit keeps them too: the rule is read into the editor and written back.
  EditorContext ctx{files, box, view};
  SelectRuleListEntry(w, ctx, 0);
  EXPECT_EQ(w.rule_content.text, "品\uE000\uE350\uEEB8");
  ASSERT_TRUE(RewriteWorkingFile(w, files, box, RewriteOperation::kModify, 0));
  EXPECT_EQ(Bytes("temp1.txt"), bytes);
}

TEST_F(LabelFileTest, TheHeadDecidesBeforeTheWholeFileIsRead) {
  const std::string settings = "setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n";
  EXPECT_TRUE(CheckLabelFileHead(settings, settings.size()).ok());
  EXPECT_TRUE(CheckLabelFileHead(settings, kMaxLabelFileBytes).ok());
  EXPECT_NE(CheckLabelFileHead(settings, kMaxLabelFileBytes + 1).problem.find("超出101個規則"),
            std::string::npos);
  EXPECT_NE(CheckLabelFileHead("hello\r\n" + settings, 1u << 30).problem.find("第一行沒有標籤"),
            std::string::npos);
  EXPECT_NE(CheckLabelFileHead("setting,,;1,,;2\r\n", 100).problem.find("不到8個欄位"),
            std::string::npos);
  EXPECT_NE(CheckLabelFileHead("\xFF\xFF\r\n", 100).problem.find("無法辨識"), std::string::npos);
  EXPECT_FALSE(CheckLabelFileHead("", 0).ok());
  // A first line longer than any record: no label file, whatever follows.
  const std::string long_line(kLongestRecordBytes + 1, 'x');
  EXPECT_NE(CheckLabelFileHead(long_line, long_line.size() + 10).problem.find("第一行沒有標籤"),
            std::string::npos);
  EXPECT_NE(CheckLabelFileHead("setting,,;" + long_line, 1u << 30).problem.find("第一行太長"),
            std::string::npos);
}

// Counts whole-file reads, to see that a refused head stops the open before one.
class CountingFileSystem : public FileSystem {
 public:
  using FileSystem::FileSystem;
  std::optional<std::string> ReadBytes(const std::string& path) const override {
    ++whole_reads;
    return FileSystem::ReadBytes(path);
  }
  mutable int whole_reads = 0;
};

TEST_F(LabelFileTest, AHugeFileIsRefusedFromItsHeadAndNeverReadWhole) {
  CountingFileSystem counting(dir.path().string());
  const struct {
    const char* name;
    std::string first_line;
    const char* reason;
  } cases[] = {
      {"text.vlm", "just some text\r\n", "第一行沒有標籤的設定資料,不是標籤檔"},
      {"big.vlm", "setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n", "超出101個規則"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put(c.name, c.first_line);
    // Sparse: larger than any label file, without taking the disk space.
    fs::resize_file(Path(c.name), kMaxLabelFileBytes + 4096);
    box.shown.clear();
    ASSERT_FALSE(OpenLabelFile(w, counting, box, Path(c.name)));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(c.reason), std::string::npos) << box.shown[0].text;
    EXPECT_EQ(counting.whole_reads, 0);
    EXPECT_FALSE(counting.FileExists("temp1.txt"));
  }
}

// --- Unsaved work is asked about -----------------------------------------------------------

TEST_F(LabelFileTest, ADesignIsUnsavedWhenItsWorkingFileDiffersFromItsFile) {
  EXPECT_FALSE(IsDesignUnsaved(w, files)) << "no working file: no rule to lose";
  AddBarcode("ABC");
  EXPECT_TRUE(IsDesignUnsaved(w, files)) << "untitled with a rule";
  ASSERT_TRUE(Save(dir.File("a.vlm")));
  EXPECT_FALSE(IsDesignUnsaved(w, files)) << "just saved";
  AddBarcode("DEF");
  EXPECT_TRUE(IsDesignUnsaved(w, files)) << "edited since";
}

TEST_F(LabelFileTest, TheUnsavedQuestionSavesDropsOrGoesBack) {
  AddBarcode("ABC");
  // 取消 goes back; 否 drops; 是 with its chooser cancelled goes back; 是 saves.
  box.answers = {MessageAnswer::kCancel, MessageAnswer::kNo, MessageAnswer::kYes,
                 MessageAnswer::kYes};
  dialogs.paths = {"", dir.File("b.vlm")};
  for (bool may_drop : {false, true, false, true})
    EXPECT_EQ(MayDropDesign(w, files, dialogs, box), may_drop) << box.next_answer;
  EXPECT_TRUE(MayDropDesign(w, files, dialogs, box));  // saved: not asked again
  ASSERT_EQ(box.shown.size(), 4u);
  EXPECT_EQ(box.shown[0].text, "目前的設計尚未存檔,要先存檔嗎?");
  EXPECT_EQ(test::ReadBytes(dir.File("b.vlm")), test::ReadBytes(dir.File("temp1.txt")));
}

}  // namespace
}  // namespace vellomir
