#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "settings/data_file_memory.h"
#include "settings/printer_settings.h"
#include "settings/settings_file.h"
#include "support/files.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

class NoWriteFileSystem : public FileSystem {
 public:
  using FileSystem::FileSystem;
  bool WriteBytes(const std::string&, const std::string&) override { return false; }
};

class SettingsFileTest : public ::testing::Test {
 protected:
  std::string Bytes() { return test::ReadBytes(dir.File("vellomir_setting.ini")); }
  void Put(const std::string& bytes) { test::WriteBytes(dir.File("vellomir_setting.ini"), bytes); }
  std::vector<std::string> Texts() const {
    return {w.s_top.text,       w.s_down.text,     w.s_left.text,    w.s_right.text,
            w.d_fontname.text,  w.d_fontsize.text, w.d_l_width.text, w.d_l_height.text,
            w.d_path_data.text, w.d_path_pic.text};
  }

  test::TempDir dir;
  FileSystem files{dir.path().string()};
  RecordingMessageBox box;
  MainWindowModel w;
};

TEST_F(SettingsFileTest, SaveWritesOneBig5LineAndCelebrates) {
  w.d_l_height.text = "25";
  ASSERT_TRUE(SaveSettings(w, files, box));
  EXPECT_EQ(Bytes(),
            "5,,;7,,;6.8,,;6,,;\xB2\xD3\xA9\xFA\xC5\xE9,,;14,,;15,,;25,,;data,,;img,,;1,,;\r\n");
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "設定儲存成功!!慶祝一下吧!");
  EXPECT_EQ(box.shown[0].caption, "Vellomir 0.1版");
  EXPECT_EQ(box.shown[0].buttons, MessageButtons::kOk);
}

TEST_F(SettingsFileTest, SavedSettingsLoadBackTrimmedWithThePrinterType) {
  w.s_top.text = " 3 ";
  w.s_down.text = "4";
  w.s_left.text = "\t5.5";
  w.s_right.text = "6 ";
  w.d_fontname.text = " 標楷 體 ";
  w.d_fontsize.text = "12";
  w.d_l_width.text = "20";
  w.d_l_height.text = "30";
  w.d_path_data.text = "D:\\labels";
  w.d_path_pic.text = " pics ";
  SelectPrinterMode(w, false);
  ASSERT_TRUE(SaveSettings(w, files, box));
  EXPECT_EQ(w.PrinterType, "1");  // saving does not change the printer type in use

  MainWindowModel loaded;
  ASSERT_TRUE(LoadSettings(loaded, files, box));
  w = loaded;
  EXPECT_EQ(Texts(), (std::vector<std::string>{"3", "4", "5.5", "6", "標楷 體", "12", "20", "30",
                                               "D:\\labels", "pics"}));
  EXPECT_TRUE(w.prt_mode_0.value);
  EXPECT_FALSE(w.prt_mode_1.value);
  EXPECT_EQ(w.PrinterType, "0");
}

TEST_F(SettingsFileTest, OnlyAnExplicitZeroSelectsTractorFeed) {
  const std::string ten = "5,,;7,,;6.8,,;6,,;x,,;14,,;15,,;25,,;data,,;img";
  const struct {
    std::string line;
    bool tractor;
  } cases[] = {
      {ten, false},               // ten fields, no printer type: an older file
      {ten + ",,;", false},       // ten fields and the separator: field 10 empty
      {ten + ",,; 0 ,,;", true},  // blanks around the zero
      {ten + ",,;0", true},
      {ten + ",,;1,,;", false},
      {ten + ",,;x,,;", false},
      {ten + ",,;00,,;", false},
  };
  for (const auto& c : cases) {
    Put(c.line + "\r\n");
    w.PrinterType = "0";  // a load starts from the normal type
    SelectPrinterMode(w, false);
    ASSERT_TRUE(LoadSettings(w, files, box)) << c.line;
    EXPECT_EQ(w.PrinterType, c.tractor ? "0" : "1") << c.line;
    EXPECT_EQ(w.prt_mode_0.value, c.tractor) << c.line;
    EXPECT_EQ(w.prt_mode_1.value, !c.tractor) << c.line;
    EXPECT_EQ(w.d_path_pic.text, "img") << c.line;
  }
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(SettingsFileTest, WithoutAFileTheBuiltInDefaultsApply) {
  EXPECT_EQ(w.d_l_height.text, "20");
  w.s_top.text = "99";
  SelectPrinterMode(w, false);
  w.PrinterType = "0";
  ASSERT_TRUE(LoadSettings(w, files, box));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"5", "7", "6.8", "6", "細明體", "14", "15", "25",
                                               "data", "img"}));
  EXPECT_EQ(w.PrinterType, "1");
  EXPECT_TRUE(w.prt_mode_1.value);
  EXPECT_TRUE(box.shown.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("vellomir_setting.ini")));
}

TEST_F(SettingsFileTest, OnlyTheFirstLineIsRead) {
  Put("1,,;2,,;3,,;4,,;f,,;5,,;6,,;7,,;a,,;b,,;0,,;\r\n\x80\xFF garbage\r\n");
  ASSERT_TRUE(LoadSettings(w, files, box));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"1", "2", "3", "4", "f", "5", "6", "7", "a", "b"}));
  EXPECT_EQ(w.PrinterType, "0");
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(SettingsFileTest, DamagedFilesAreReportedAndChangeNothing) {
  const struct {
    std::string bytes;
    std::string message;
    std::uintmax_t sparse = 0;  // made a sparse file of this size instead
  } cases[] = {
      {"", "設定檔 vellomir_setting.ini 是空的,設定沒有變更!!"},
      // Read whole, it would take the memory of the machine: refused by its size.
      {"", "設定檔 vellomir_setting.ini 有 1073741824 位元組,太大了,不是設定檔,設定沒有變更!!",
       1u << 30},
      {"\r\n5,,;7,,;6.8,,;6,,;x,,;14,,;15,,;25,,;data,,;img,,;1,,;\r\n",
       "設定檔 vellomir_setting.ini 是空的,設定沒有變更!!"},
      {"5,,;7,,;6.8,,;6,,;x,,;14,,;15,,;25,,;data\r\n",
       "設定檔 vellomir_setting.ini 只有9個欄位,內容不完整,設定沒有變更!!"},
      {"[settings]\r\nmargin=5\r\n",
       "設定檔 vellomir_setting.ini 只有1個欄位,內容不完整,設定沒有變更!!"},
      {"5,,;7,,;6.8,,;6,,;\x80\xFF,,;14,,;15,,;25,,;data,,;img,,;1,,;\r\n",
       "設定檔 vellomir_setting.ini 含有無法辨識的字元,設定沒有變更!!"},
  };
  for (const auto& c : cases) {
    MainWindowModel before;
    before.s_top.text = "8";
    before.PrinterType = "0";
    SelectPrinterMode(before, false);
    w = before;
    box.shown.clear();
    Put(c.bytes);
    if (c.sparse != 0) std::filesystem::resize_file(dir.File("vellomir_setting.ini"), c.sparse);
    EXPECT_FALSE(LoadSettings(w, files, box));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, c.message);
    EXPECT_EQ(box.shown[0].caption, "Vellomir 0.1版");
    const std::vector<std::string> kept = Texts();
    w = before;
    EXPECT_EQ(kept, Texts());
    EXPECT_EQ(w.PrinterType, "0");
  }
}

TEST_F(SettingsFileTest, UnstorableValuesAreRefusedAndTheOldFileStays) {
  ASSERT_TRUE(SaveSettings(w, files, box));
  const std::string saved = Bytes();
  const struct {
    TextBox MainWindowModel::*box;
    std::string text;
    std::string field;
  } cases[] = {
      {&MainWindowModel::d_path_pic, "img,,;logo", "「預設圖檔路徑」"},
      {&MainWindowModel::d_fontname, "Noto Color Emoji 😀", "「預設文字字型」"},
      {&MainWindowModel::s_top, "5\r\n", "「上邊界」"},
  };
  for (const auto& c : cases) {
    MainWindowModel edited;
    (edited.*c.box).text = c.text;
    box.shown.clear();
    EXPECT_FALSE(SaveSettings(edited, files, box));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(c.field), std::string::npos) << box.shown[0].text;
    EXPECT_EQ(Bytes(), saved);
  }
}

TEST_F(SettingsFileTest, AFailedWriteSaysSoInsteadOfCelebrating) {
  ASSERT_TRUE(SaveSettings(w, files, box));
  const std::string saved = Bytes();
  NoWriteFileSystem locked(dir.path().string());
  box.shown.clear();
  w.s_top.text = "9";
  EXPECT_FALSE(SaveSettings(w, locked, box));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "無法寫入設定檔 vellomir_setting.ini,設定沒有儲存!!");
  EXPECT_EQ(Bytes(), saved);
}

// --- printers.ini ----------------------------------------------------------------------------

TEST(PrinterSettingsFile, EachLineSetsItsKeyAndABadLineIsNamedAndSkipped) {
  // clang-format off
  const PrinterSettings zebra{.language = LabelLanguage::kZpl, .resolution = 300, .darkness = 25,
      .x_offset_mm = 1.0, .y_offset_mm = -0.5, .bar_width_reduction = 1, .media = MediaType::kMark};
  // clang-format on
  const struct {
    std::string text;
    std::map<std::string, PrinterSettings> sections;
    std::vector<std::string> problems;
    const char* why;
  } rows[] = {
      // clang-format off
      {"[zebra]\nLanguage = ZPL\nresolution=300\ndarkness = 25\nx_offset_mm = 1.0\n"
       "y_offset_mm = -0.5\nbar_width_reduction = 1\nmedia = mark\n",
       {{"zebra", zebra}}, {}, "every key, case and spaces as users type them"},
      {"# mine\n[socket://10.0.0.5:9100]\nlanguage = epl\nspeed = 4\n",
       {{"socket://10.0.0.5:9100", PrinterSettings{.language = LabelLanguage::kEpl, .speed = 4}}},
       {}, "an address as section"},
      {"language = zpl\n[t]\ndarkness = 31\nresolution = 203.5\nheight = 3\nmedia\n",
       {{"t", {}}},
       {"printers.ini 第 1 行: 設定前面要先有 [印表機名稱]",
        "printers.ini 第 3 行: darkness 要是 0 到 30 的整數",
        "printers.ini 第 4 行: resolution 要是 100 到 1200 的整數 (dpi)",
        "printers.ini 第 5 行: 不認得的設定 height", "printers.ini 第 6 行: 要寫成 key = value"},
       "out of range, not whole, unknown and shapeless lines change nothing"},
      // clang-format on
  };
  for (const auto& row : rows) {
    const PrinterSettingsFile file = ParsePrinterSettings(row.text);
    EXPECT_EQ(file.sections, row.sections) << row.why;
    EXPECT_EQ(file.problems, row.problems) << row.why;
    // What is written reads back the same.
    EXPECT_EQ(ParsePrinterSettings(FormatPrinterSettings(file.sections)).sections, row.sections)
        << row.why;
  }
}

TEST(PrinterSettingsFile, SavingOnePrinterKeepsTheOthersAndRefusesAFileWithMistakes) {
  test::TempDir dir;
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  const PrinterSettings moved{.x_offset_mm = 0.8};
  ASSERT_EQ(SavePrinterSettings("a", PrinterSettings{.language = LabelLanguage::kZpl}), "");
  ASSERT_EQ(SavePrinterSettings("b", moved), "");
  EXPECT_EQ(PrinterSettingsFor("a").language, LabelLanguage::kZpl);
  EXPECT_EQ(PrinterSettingsFor("b"), moved);
  test::WriteBytes(dir.File("vellomir/printers.ini"), "[a]\nspeed = fast\n");
  EXPECT_NE(SavePrinterSettings("b", moved), "");
  EXPECT_EQ(test::ReadBytes(dir.File("vellomir/printers.ini")), "[a]\nspeed = fast\n");
}

// --- The data file remembered per design ---------------------------------------------------

TEST(DataFileMemory, RemembersPerDesignAndForgets) {
  test::TempDir dir;
  const std::string memory = dir.File("config/vellomir/data-files");
  EXPECT_EQ(RecallDataFile(memory, "/d/a.vlm"), "") << "nothing remembered yet";
  ASSERT_EQ(RememberDataFile(memory, "/d/a.vlm", "/d/品項.csv"), "");
  ASSERT_EQ(RememberDataFile(memory, "/d/a.vlm.bak", "/d/other.csv"), "");
  ASSERT_EQ(RememberDataFile(memory, "/d/a.vlm", "/d/new.csv"), "");
  EXPECT_EQ(RecallDataFile(memory, "/d/a.vlm"), "/d/new.csv") << "the last choice";
  EXPECT_EQ(RecallDataFile(memory, "/d/a.vlm.bak"), "/d/other.csv") << "its own line";
  EXPECT_EQ(RecallDataFile(memory, "/d/a"), "") << "a prefix names no design";
  ASSERT_EQ(RememberDataFile(memory, "/d/a.vlm", ""), "");
  EXPECT_EQ(RecallDataFile(memory, "/d/a.vlm"), "") << "forgotten";
  EXPECT_EQ(test::ReadBytes(memory), "/d/a.vlm.bak\t/d/other.csv\n");
  setenv("XDG_CONFIG_HOME", "/srv/config", 1);
  EXPECT_EQ(DefaultDataFileMemoryPath(), "/srv/config/vellomir/data-files");
}

}  // namespace
}  // namespace vellomir
