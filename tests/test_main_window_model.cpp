#include <gtest/gtest.h>

#include "form/main_window_model.h"

namespace vellomir {
namespace {

TEST(MainWindowOpening, LayoutTextsAreTheDefaultLabel) {
  const MainWindowModel w;
  EXPECT_EQ(w.l_amount.text, "");
  EXPECT_EQ(w.l_paper_width.text, "105");
  EXPECT_EQ(w.l_paper_height.text, "148.5");
  EXPECT_EQ(w.l_col.text, "2");
  EXPECT_EQ(w.l_row.text, "2");
  EXPECT_EQ(w.d_col.text, "0");
  EXPECT_EQ(w.d_row.text, "0");
}

TEST(MainWindowOpening, RuleEditorFieldsAreEmptyAndBoxesAsBuilt) {
  const MainWindowModel w;
  for (const TextBox* box : {&w.rule_content, &w.l_x, &w.l_y, &w.l_width, &w.l_height,
                             &w.l_patch_order, &w.l_patch_start, &w.l_fontsize, &w.l_fontname})
    EXPECT_EQ(box->text, "");
  EXPECT_EQ(w.Check1.value, 1);
  EXPECT_EQ(w.Check2.value, 1);
  EXPECT_EQ(w.l_fontbold.value, 0);
  EXPECT_EQ(w.l_fontli.value, 0);
  EXPECT_TRUE(w.rule_list.entries.empty());
  EXPECT_EQ(w.rule_list.list_index, -1);
  EXPECT_EQ(w.rule_content_l.caption, "資料內容");
  EXPECT_EQ(w.Label9.caption, "點/條");
  EXPECT_EQ(w.check2_l.caption, "是否含檢查碼?(39碼通常否;128是)");
}

TEST(MainWindowOpening, KindListsHoldTheirEntriesInIndexOrder) {
  const MainWindowModel w;
  EXPECT_EQ(w.rule_kind.entries, (std::vector<std::string>{"1.條碼", "2.文字", "3.圖片"}));
  EXPECT_EQ(w.rule_kind.text, "1.條碼");
  EXPECT_EQ(w.codebar_kind.entries,
            (std::vector<std::string>{"Code-39", "EAN-13", "EAN-8", "UPC-A", "UPC-E", "UPC-A2E",
                                      "INT-25", "CODABAR", "Code-128", "QR", "DataMatrix", "PDF417",
                                      "GS1-128", "GS1-DataMatrix", "GS1-QR"}));
}

TEST(MainWindowOpening, SettingsTabShowsItsInitialTexts) {
  const MainWindowModel w;
  EXPECT_EQ(w.s_top.text, "5");
  EXPECT_EQ(w.s_down.text, "7");
  EXPECT_EQ(w.s_left.text, "6.8");
  EXPECT_EQ(w.s_right.text, "6");
  EXPECT_EQ(w.d_fontname.text, "細明體");
  EXPECT_EQ(w.d_fontsize.text, "14");
  EXPECT_EQ(w.d_l_width.text, "15");
  EXPECT_EQ(w.d_l_height.text, "20");  // the built-in default is 25; the window opens with 20
  EXPECT_EQ(w.d_path_data.text, "data");
  EXPECT_EQ(w.d_path_pic.text, "img");
  EXPECT_TRUE(w.prt_mode_1.value);
  EXPECT_FALSE(w.prt_mode_0.value);
  EXPECT_EQ(w.prt_mode_1.caption, "一般");
  EXPECT_EQ(w.prt_mode_0.caption, "牽動式");
}

TEST(MainWindowOpening, SharedValues) {
  const MainWindowModel w;
  EXPECT_EQ(w.AppTitle, "Vellomir 0.1版");
  EXPECT_NE(w.window_title, w.AppTitle);
  EXPECT_EQ(w.window_title.rfind("Vellomir 0.1.2 版", 0), 0u);
  EXPECT_EQ(w.CurrentFileName, "");
  EXPECT_EQ(w.UnitsPerMm, 56.5f);
  EXPECT_EQ(w.PrinterType, "1");
  ASSERT_EQ(w.RuleHitBoxes.size(), 101u);
  for (const RuleHitBox& b : w.RuleHitBoxes) {
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.top, 0);
    EXPECT_EQ(b.right, 0);
    EXPECT_EQ(b.bottom, 0);
  }
  EXPECT_EQ(w.Timer1.interval_ms, 500);
  EXPECT_TRUE(w.Timer1.enabled);
  EXPECT_EQ(w.SSTab1.tab_captions, (std::vector<std::string>{"編輯", "設定", "檔案"}));
  EXPECT_EQ(w.current_filename_show.caption, "目前的檔名:");
}

TEST(MainWindowOpening, DialogsCarryTheirFilters) {
  const MainWindowModel w;
  EXPECT_EQ(w.save_d_dial.title, "儲存檔案");
  EXPECT_EQ(w.save_a_d_dial.title, "另存檔案");
  EXPECT_EQ(w.open_p_dial.title, "開啟圖片");
  for (const CommonDialog* d : {&w.open_d_dial, &w.save_d_dial, &w.save_a_d_dial}) {
    EXPECT_EQ(d->filter, "Vellomir資料檔(*.vlm)|*.vlm");
    EXPECT_EQ(d->default_ext, "vlm");
  }
  EXPECT_EQ(w.open_p_dial.filter,
            "所有圖片格式(*.*)|*.*|*.jpg|*.jpg|*.gif|*.gif|*.bmp|*.bmp|*.png|*.png");
}

TEST(ControlSelection, OutOfRangeSelectsNothing) {
  MainWindowModel w;
  w.codebar_kind.Select(8);
  EXPECT_EQ(w.codebar_kind.list_index, 8);
  EXPECT_EQ(w.codebar_kind.text, "Code-128");
  w.codebar_kind.Select(15);
  EXPECT_EQ(w.codebar_kind.list_index, -1);
  w.rule_list.AddItem("001,條碼; ABC , 從1開始算批號");
  w.rule_list.Select(0);
  EXPECT_EQ(w.rule_list.list_index, 0);
  w.rule_list.Select(1);
  EXPECT_EQ(w.rule_list.list_index, -1);
  w.rule_list.Select(0);
  w.rule_list.Clear();
  EXPECT_EQ(w.rule_list.ListCount(), 0);
  EXPECT_EQ(w.rule_list.list_index, -1);
}

TEST(ControlSelection, PrinterModeButtonsFormOneGroupAndLeavePrinterType) {
  MainWindowModel w;
  SelectPrinterMode(w, false);
  EXPECT_TRUE(w.prt_mode_0.value);
  EXPECT_FALSE(w.prt_mode_1.value);
  EXPECT_EQ(w.PrinterType, "1");
}

}  // namespace
}  // namespace vellomir
