#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "document/working_file.h"
#include "platform/text_util.h"
#include "support/failing_file_system.h"
#include "support/files.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

// CP950 of 細明體.
const std::string kMingBig5 = "\xB2\xD3\xA9\xFA\xC5\xE9";

using test::FailingFileSystem;

class WorkingFileTest : public ::testing::Test {
 protected:
  std::string Bytes(const std::string& name) { return test::ReadBytes(dir.File(name)); }
  bool Exists(const std::string& name) { return std::filesystem::exists(dir.File(name)); }
  void Put(const std::string& name, const std::string& bytes) {
    test::WriteBytes(dir.File(name), bytes);
  }

  void Barcode(const std::string& data, const std::string& x, int kind = 8) {
    w.rule_kind.Select(0);
    w.rule_content.text = data;
    w.l_x.text = x;
    w.l_y.text = "20";
    w.l_width.text = "15";
    w.l_height.text = "20";
    w.l_patch_order.text = "4";
    w.l_patch_start.text = "1";
    w.Check1.value = 1;
    w.l_fontsize.text = "14";
    w.codebar_kind.Select(kind);
    w.Check2.value = 1;
  }
  void Text(const std::string& data) {
    w.rule_kind.Select(1);
    w.rule_content.text = data;
    w.l_x.text = "10";
    w.l_y.text = "45";
    w.l_patch_order.text = "";
    w.l_patch_start.text = "";
    w.l_fontsize.text = "14";
    w.l_fontname.text = "細明體";
    w.l_fontbold.value = 1;
    w.l_fontli.value = 0;
  }
  void Picture(const std::string& path) {
    w.rule_kind.Select(2);
    w.rule_content.text = path;
    w.l_x.text = "60";
    w.l_y.text = "10";
    w.l_width.text = "30";
  }
  bool Edit(RewriteOperation op, int position = -1) {
    return RewriteWorkingFile(w, files, box, op, position);
  }
  bool Add() { return Edit(RewriteOperation::kAdd); }

  test::TempDir dir;
  FailingFileSystem files{dir.path().string()};
  RecordingMessageBox box;
  MainWindowModel w;
};

constexpr char kSettings10[] = "setting,,;10,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n";
constexpr char kBarcodeAbc[] = "1,,;ABC,,;10,,;20,,;15,,;20,,;4,,;1,,;1,,;14,,;8,,;1,,;\r\n";
constexpr char kPictureA[] = "3,,;img\\a.bmp,,;60,,;10,,;30,,;\r\n";

TEST_F(WorkingFileTest, ThreeKindsAreStoredAsTheirRecordLinesInBig5) {
  w.l_amount.text = "10";
  Barcode("ABC", "10");
  ASSERT_TRUE(Add());
  // The first rule of an empty design: settings record and the rule, nothing to keep.
  EXPECT_EQ(Bytes("temp1.txt"), std::string(kSettings10) + kBarcodeAbc);
  EXPECT_FALSE(Exists("temp2.txt"));
  Text("LOT");
  ASSERT_TRUE(Add());
  Picture("img\\a.bmp");
  ASSERT_TRUE(Add());
  const std::string text_line = "2,,;LOT,,;10,,;45,,;,,;,,;14,,;" + kMingBig5 + ",,;1,,;0,,;\r\n";
  EXPECT_EQ(Bytes("temp1.txt"), std::string(kSettings10) + kBarcodeAbc + text_line + kPictureA);
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(WorkingFileTest, PreviousFileHoldsTheVersionBeforeEachEdit) {
  Put("temp2.txt", "stale\r\n");
  Barcode("A", "1");
  ASSERT_TRUE(Add());
  EXPECT_FALSE(Exists("temp2.txt"));  // there was no version before the first rule
  std::string before = Bytes("temp1.txt");
  Barcode("B", "2");
  ASSERT_TRUE(Add());
  EXPECT_EQ(Bytes("temp2.txt"), before);
  before = Bytes("temp1.txt");
  ASSERT_TRUE(Edit(RewriteOperation::kDelete, 0));
  EXPECT_EQ(Bytes("temp2.txt"), before);
}

TEST_F(WorkingFileTest, ModifyReplacesOnlyTheSelectedRecordAndMayChangeItsKind) {
  w.l_amount.text = "10";
  Barcode("ABC", "10");
  ASSERT_TRUE(Add());
  Barcode("DEF", "11");
  ASSERT_TRUE(Add());
  Picture("img\\a.bmp");
  ASSERT_TRUE(Add());
  Text("LOT");
  ASSERT_TRUE(Edit(RewriteOperation::kModify, 1));
  const std::string text_line = "2,,;LOT,,;10,,;45,,;,,;,,;14,,;" + kMingBig5 + ",,;1,,;0,,;\r\n";
  EXPECT_EQ(Bytes("temp1.txt"), std::string(kSettings10) + kBarcodeAbc + text_line + kPictureA);
}

TEST_F(WorkingFileTest, DeleteKeepsTheOrderOfTheOthersAndTheLastDeleteLeavesTheSettings) {
  for (const char* x : {"1", "2", "3"}) {
    Barcode(x, x);
    ASSERT_TRUE(Add());
  }
  ASSERT_TRUE(Edit(RewriteOperation::kDelete, 1));
  auto second = ReadRuleRecord(w, files, box, 1);
  ASSERT_TRUE(second);
  EXPECT_EQ((*second)[1], "3");
  ASSERT_TRUE(Edit(RewriteOperation::kDelete, 1));
  ASSERT_TRUE(Edit(RewriteOperation::kDelete, 0));
  EXPECT_EQ(Bytes("temp1.txt"), "setting,,;,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n");
  // The design stays populated: a later add starts from that file.
  Picture("img\\a.bmp");
  ASSERT_TRUE(Add());
  EXPECT_EQ(Bytes("temp1.txt"),
            std::string("setting,,;,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n") + kPictureA);
}

TEST_F(WorkingFileTest, SettingsRecordFollowsTheLayoutAtEveryRuleEditOnly) {
  w.l_amount.text = "1";
  EXPECT_EQ(ComposeSettingsRecord(w), "setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;");
  w.d_row.text = "3";  // vertical gap is stored before the horizontal one
  w.d_col.text = "4";
  EXPECT_EQ(ComposeSettingsRecord(w), "setting,,;1,,;105,,;148.5,,;2,,;2,,;3,,;4,,;");

  Barcode("A", "1");
  ASSERT_TRUE(Add());
  const std::string after_add = Bytes("temp1.txt");
  w.l_amount.text = "99";  // a layout change alone does not touch the file
  EXPECT_EQ(Bytes("temp1.txt"), after_add);
  ASSERT_TRUE(Edit(RewriteOperation::kDelete, 0));
  EXPECT_EQ(Bytes("temp1.txt"), "setting,,;99,,;105,,;148.5,,;2,,;2,,;3,,;4,,;\r\n");
}

TEST_F(WorkingFileTest, ValuesAreTrimmedButKeptAsTyped) {
  Barcode("  A B  ", " 12.50 ");
  w.codebar_kind.Select(-1);
  w.Check1.value = 0;
  EXPECT_EQ(ComposeRuleRecord(w), "1,,;A B,,;12.50,,;20,,;15,,;20,,;4,,;1,,;0,,;14,,;-1,,;1,,;");
}

TEST_F(WorkingFileTest, EveryRecordSplitsIntoItsKindsPartCountWithAnEmptyLast) {
  Barcode("", "");
  w.l_patch_start.text = "";
  const auto check = [](const std::string& record, std::size_t parts) {
    const auto split = SplitFields(record);
    ASSERT_EQ(split.size(), parts) << record;
    EXPECT_EQ(split.back(), "");
  };
  check(ComposeRuleRecord(w), 13);
  Text("");
  check(ComposeRuleRecord(w), 11);
  Picture("");
  check(ComposeRuleRecord(w), 6);
  check(ComposeSettingsRecord(w), 9);
}

TEST_F(WorkingFileTest, UnknownKindTextWritesAnEmptyRecordThatKeepsItsPosition) {
  Barcode("A", "1");
  ASSERT_TRUE(Add());
  w.rule_kind.text = "4.其他";
  ASSERT_TRUE(Add());
  Barcode("B", "2");
  ASSERT_TRUE(Add());
  const auto lines = SplitLines(Bytes("temp1.txt"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "");
  auto third = ReadRuleRecord(w, files, box, 2);
  ASSERT_TRUE(third);
  EXPECT_EQ((*third)[1], "B");

  w.rule_kind.text = " 9 ";
  ASSERT_TRUE(Edit(RewriteOperation::kModify, 0));
  EXPECT_EQ(SplitLines(Bytes("temp1.txt"))[1], "");
  auto first = ReadRuleRecord(w, files, box, 0);
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->empty());
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(WorkingFileTest, UnstorableValuesAreRefusedNamingTheFieldAndNothingIsWritten) {
  Barcode("A", "1");
  ASSERT_TRUE(Add());
  Barcode("B", "2");
  ASSERT_TRUE(Add());
  const std::string temp1 = Bytes("temp1.txt"), temp2 = Bytes("temp2.txt");

  struct Case {
    std::function<void()> set;
    RewriteOperation op;
    std::string field;
  };
  const std::vector<Case> cases = {
      {[&] { Barcode("A,,;B", "1"); }, RewriteOperation::kAdd, "「資料內容」"},
      {[&] { Picture("img\\,,;a.bmp"); }, RewriteOperation::kModify, "「圖檔名稱」"},
      {[&] { w.l_paper_width.text = "1,,;05"; }, RewriteOperation::kDelete, "「標籤尺寸寬」"},
      {[&] {
         Text("x");
         w.l_fontname.text = "Noto 😀";
       },
       RewriteOperation::kAdd, "「字型名稱」"},
      {[&] { Barcode("Ωα€", "1"); }, RewriteOperation::kAdd, ""},  // all three exist in CP950
      {[&] { Barcode("\xC3\xA6\xE2\x84\xAB", "1"); }, RewriteOperation::kAdd, "「資料內容」"},
      {[&] { Barcode("A", "1\n2"); }, RewriteOperation::kAdd, "「離左邊界」"},
  };
  for (const Case& c : cases) {
    w = MainWindowModel();
    box.shown.clear();
    c.set();
    const bool written = Edit(c.op, 0);
    if (c.field.empty()) {
      EXPECT_TRUE(written);
      Put("temp1.txt", temp1);
      Put("temp2.txt", temp2);
      continue;
    }
    EXPECT_FALSE(written) << c.field;
    ASSERT_EQ(box.shown.size(), 1u) << c.field;
    EXPECT_NE(box.shown[0].text.find(c.field), std::string::npos) << box.shown[0].text;
    EXPECT_EQ(box.shown[0].caption, "Vellomir 0.1版");
    EXPECT_EQ(Bytes("temp1.txt"), temp1) << c.field;
    EXPECT_EQ(Bytes("temp2.txt"), temp2) << c.field;
  }
}

TEST_F(WorkingFileTest, FieldsOfOtherKindsAreNeitherStoredNorChecked) {
  Picture("img\\a.bmp");
  w.l_fontname.text = "😀,,;";
  w.l_height.text = "😀";
  ASSERT_TRUE(Add());
  EXPECT_EQ(SplitLines(Bytes("temp1.txt"))[1], "3,,;img\\a.bmp,,;60,,;10,,;30,,;");
}

TEST_F(WorkingFileTest, TheHundredAndSecondRuleIsRefused) {
  for (int i = 0; i < 101; ++i) {
    Barcode(std::to_string(i), "1");
    ASSERT_TRUE(Add()) << i;
  }
  const std::string full = Bytes("temp1.txt"), previous = Bytes("temp2.txt");
  Barcode("one too many", "1");
  EXPECT_FALSE(Add());
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "規則最多只能有101個,無法再新增!!");
  EXPECT_EQ(Bytes("temp1.txt"), full);
  EXPECT_EQ(Bytes("temp2.txt"), previous);
  // Editing the full design still works.
  EXPECT_TRUE(Edit(RewriteOperation::kModify, 100));
  EXPECT_TRUE(Edit(RewriteOperation::kDelete, 100));
  EXPECT_TRUE(Add());
}

TEST_F(WorkingFileTest, FailedFileOperationsLeaveTheWorkingFilesAsTheyWere) {
  Barcode("A", "1");
  ASSERT_TRUE(Add());
  Barcode("B", "2");
  ASSERT_TRUE(Add());
  const std::string temp1 = Bytes("temp1.txt");
  Barcode("C", "3");

  files.fail_write_to = "temp1.txt";
  EXPECT_FALSE(Add());
  files.fail_write_to.clear();
  EXPECT_EQ(Bytes("temp1.txt"), temp1);
  const std::string temp2 = Bytes("temp2.txt");  // the copy made for the failed edit
  EXPECT_EQ(temp2, temp1);
  files.fail_copy = true;
  EXPECT_FALSE(Edit(RewriteOperation::kDelete, 0));
  files.fail_copy = false;
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_EQ(box.shown[0].text, "無法寫入工作檔 temp1.txt,規則沒有變更!!");
  EXPECT_EQ(box.shown[1].text, "無法複製工作檔到 temp2.txt,規則沒有變更!!");
  EXPECT_EQ(Bytes("temp1.txt"), temp1);
  EXPECT_EQ(Bytes("temp2.txt"), temp2);
  // The design is still usable once the file system is.
  EXPECT_TRUE(Add());
  EXPECT_EQ(SplitLines(Bytes("temp1.txt")).size(), 4u);

  // The first rule of an empty design must not leave an older temp2.txt behind.
  std::filesystem::remove(dir.File("temp1.txt"));
  files.fail_delete = true;
  EXPECT_FALSE(Add());
  ASSERT_EQ(box.shown.size(), 3u);
  EXPECT_EQ(box.shown[2].text, "無法刪除暫存檔 temp2.txt,規則沒有變更!!");
  EXPECT_FALSE(Exists("temp1.txt"));
}

TEST_F(WorkingFileTest, ModifyOrDeleteOfAMissingRuleIsRefused) {
  Barcode("A", "1");
  EXPECT_FALSE(Edit(RewriteOperation::kModify, 0));  // empty design: no working file
  ASSERT_TRUE(Add());
  const std::string temp1 = Bytes("temp1.txt");
  EXPECT_FALSE(Edit(RewriteOperation::kDelete, 1));
  EXPECT_FALSE(Edit(RewriteOperation::kModify, -1));
  ASSERT_EQ(box.shown.size(), 3u);
  for (const auto& shown : box.shown) EXPECT_EQ(shown.text, "找不到選定的規則,工作檔沒有變更!!");
  EXPECT_EQ(Bytes("temp1.txt"), temp1);
}

TEST_F(WorkingFileTest, ForeignWorkingFilesAreEditedWithoutLosingTheirBytes) {
  // An undecodable record and a short one, as a damaged or foreign label file may hold.
  const std::string damaged = "1,,;\x80\xFF,,;10,,;\r\n";
  const std::string short_text = "2,,;LOT,,;10";
  Put("temp1.txt", "setting,,;\r\n" + damaged + short_text + "\nextra\r\n");
  Picture("img\\a.bmp");
  ASSERT_TRUE(Edit(RewriteOperation::kModify, 2));
  EXPECT_EQ(Bytes("temp1.txt"), "setting,,;,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n" + damaged +
                                    short_text + "\r\n" + kPictureA);
  EXPECT_TRUE(box.shown.empty());

  // Reading the damaged record for the editor says so and gives nothing.
  EXPECT_FALSE(ReadRuleRecord(w, files, box, 0));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "工作檔第2行含有無法辨識的字元,無法讀取這個規則!!");

  // A short record is filled up to its kind's parts so the editor can show it.
  auto text = ReadRuleRecord(w, files, box, 1);
  ASSERT_TRUE(text);
  ASSERT_EQ(text->size(), 11u);
  EXPECT_EQ((*text)[2], "10");
  EXPECT_EQ((*text)[3], "");
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_EQ(box.shown[1].text, "第2個規則的欄位不完整,缺少的欄位以空白顯示!!");
}

TEST_F(WorkingFileTest, AnEmptyWorkingFileTakesAFirstRule) {
  Put("temp1.txt", "");
  Picture("img\\a.bmp");
  EXPECT_FALSE(Edit(RewriteOperation::kDelete, 0));
  ASSERT_TRUE(Add());
  EXPECT_EQ(SplitLines(Bytes("temp1.txt")),
            (std::vector<std::string>{"setting,,;,,;105,,;148.5,,;2,,;2,,;0,,;0,,;",
                                      "3,,;img\\a.bmp,,;60,,;10,,;30,,;"}));
  EXPECT_EQ(Bytes("temp2.txt"), "");
}

TEST_F(WorkingFileTest, ReadingRecordsForTheEditor) {
  EXPECT_FALSE(ReadRuleRecord(w, files, box, 0));  // empty design: nothing, quietly
  EXPECT_TRUE(box.shown.empty());

  w.l_amount.text = "10";
  Barcode("ABC", "10");
  ASSERT_TRUE(Add());
  Text("LOT");
  ASSERT_TRUE(Add());
  auto text = ReadRuleRecord(w, files, box, 1);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, (std::vector<std::string>{"2", "LOT", "10", "45", "", "", "14", "細明體", "1",
                                             "0", ""}));
  auto settings = ReadRuleRecord(w, files, box, -1);  // no selection reads the settings record
  ASSERT_TRUE(settings);
  EXPECT_EQ((*settings)[0], "setting");
  EXPECT_EQ((*settings)[1], "10");
  EXPECT_TRUE(box.shown.empty());

  EXPECT_FALSE(ReadRuleRecord(w, files, box, 2));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "工作檔中找不到第3個規則!!");
}

TEST_F(WorkingFileTest, StartUpResetDeletesBothWorkingFiles) {
  Put("temp1.txt", kSettings10);
  Put("temp2.txt", kSettings10);
  Put("other.vlm", kSettings10);
  EXPECT_TRUE(ResetWorkingFiles(w, files, box));
  EXPECT_FALSE(Exists("temp1.txt"));
  EXPECT_FALSE(Exists("temp2.txt"));
  EXPECT_TRUE(Exists("other.vlm"));
  EXPECT_TRUE(ResetWorkingFiles(w, files, box));  // nothing there is fine too
  EXPECT_TRUE(box.shown.empty());

  Put("temp2.txt", kSettings10);
  files.fail_delete = true;
  EXPECT_FALSE(ResetWorkingFiles(w, files, box));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("temp2.txt"), std::string::npos);
}

}  // namespace
}  // namespace vellomir
