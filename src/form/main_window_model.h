#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "barcode/barcode_kinds.h"  // kBarcodeKindNames: the entries of codebar_kind
#include "form/controls.h"
#include "platform/message_box.h"

// The main window as plain values: every control by its control name, and the values the
// whole program shares. One instance lives for the whole run; every event handler is a
// function over it and the platform services.
namespace vellomir {

// A design holds at most this many rules (positions 0..100); the readers have no room for more.
inline constexpr int kMaxRules = 101;

// Caption of every message box.
inline constexpr std::string_view kAppTitle = "Vellomir 0.1版";
// The window's own title bar (a different text from kAppTitle).
inline constexpr std::string_view kWindowTitle = "Vellomir 0.1.2 版 - 設計: Vellomir 開發小組";
// Surface units (twips) per millimetre; 56.5 rather than the exact 56.69 on purpose, so
// designs print as they always have.
inline constexpr float kUnitsPerMm = 56.5f;

// The three rule kinds as the kind combo box lists them.
inline constexpr std::string_view kRuleKindBarcode = "1.條碼";
inline constexpr std::string_view kRuleKindText = "2.文字";
inline constexpr std::string_view kRuleKindPicture = "3.圖片";

// Rectangle a rule covers in the preview, in surface units.
struct RuleHitBox {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Captions of labels that have no control name of their own: they never change, the window
// only shows them beside the controls they describe.
namespace captions {
// Edit tab.
inline constexpr std::string_view kAmount = "列印份數";
inline constexpr std::string_view kRuleList = "規則列表";
inline constexpr std::string_view kRuleKind = "資料模式";
inline constexpr std::string_view kPosition = "位置";
inline constexpr std::string_view kFromLeft = "離左邊界";
inline constexpr std::string_view kFromTop = "離上邊界";
inline constexpr std::string_view kMm = "mm";
inline constexpr std::string_view kSize = "呎寸";
inline constexpr std::string_view kBatch = "批號";
inline constexpr std::string_view kBatchFrom = "從";
inline constexpr std::string_view kBatchStart = "開始";
inline constexpr std::string_view kFontSize = "字型尺寸";
inline constexpr std::string_view kLabelSize = "標籤尺寸";
inline constexpr std::string_view kLabelWidth = "寬";
inline constexpr std::string_view kLabelHeightAfterWidth = "mm   高";
inline constexpr std::string_view kArrangement = "排列方式";
inline constexpr std::string_view kColumn = "column";
inline constexpr std::string_view kRow = "row";
inline constexpr std::string_view kLabelSpacing = "標籤間距";
inline constexpr std::string_view kHorizontal = "橫向";
inline constexpr std::string_view kVertical = "縱向";
inline constexpr std::string_view kDataFile = "資料檔";
inline constexpr std::string_view kPreviewRow = "預覽第";
inline constexpr std::string_view kRowUnit = "筆";
// Settings tab.
inline constexpr std::string_view kPrintArea = "列印範圍";
inline constexpr std::string_view kTopMargin = "上邊界";
inline constexpr std::string_view kBottomMargin = "下邊界";
inline constexpr std::string_view kLeftMargin = "左邊界";
inline constexpr std::string_view kRightMargin = "右邊界";
inline constexpr std::string_view kDefaultFontName = "預設文字字型";
inline constexpr std::string_view kDefaultFontSize = "預設文字尺寸";
inline constexpr std::string_view kDefaultBarWidth = "預設條碼寬";
inline constexpr std::string_view kDotsPerBar = "點/條";
inline constexpr std::string_view kDefaultBarHeight = "預設條碼長";
inline constexpr std::string_view kDataFolder = "資料檔路徑";
inline constexpr std::string_view kPictureFolder = "預設圖檔路徑";
inline constexpr std::string_view kPrinterType = "印表機型式";
// Beside the preview.
inline constexpr std::string_view kPreviewDots = "預覽解析度";
inline constexpr std::string_view kPreviewZoom = "縮放";
}  // namespace captions

struct MainWindowModel {
  // The window as it opens, before start-up runs.
  MainWindowModel();

  std::string window_title;
  // Name of the control that gets the keyboard focus once the running handler ends; "" leaves
  // it where it is. The window moves the focus and clears it.
  std::string focus_request;

  // Shared values.
  std::string AppTitle;
  std::string CurrentFileName;  // "" while the design is untitled
  float UnitsPerMm = 0;
  std::string PrinterType;  // "1" normal sheets, "0" tractor feed
  std::array<RuleHitBox, kMaxRules> RuleHitBoxes{};
  // The dots the preview lays symbols on (0: exact units, as on the screen) and its
  // magnification; both follow preview_dpi and preview_zoom.
  double PreviewDotsPerInch = 0;
  double PreviewZoom = 1;

  // Outside the tabs.
  PictureBox Picture1;  // the label preview
  PictureBox Picture2;  // the clock
  Label current_filename_show;
  ComboBox preview_dpi;   // 螢幕, 203 dpi, ... and the last printer's resolution
  ComboBox preview_zoom;  // 100% ...
  Timer Timer1;
  TabControl SSTab1;

  // Tab 0 "編輯": the rule editor.
  TextBox l_amount;
  ListBox rule_list;
  ComboBox rule_kind;
  ComboBox codebar_kind;
  Label rule_content_l;
  TextBox rule_content;
  CommandButton pic_brower;
  TextBox l_x;
  TextBox l_y;
  Label l_width_l;
  TextBox l_width;
  Label Label9;  // unit after l_width
  Label l_height_l;
  TextBox l_height;
  Label Label12;
  TextBox l_patch_order;
  TextBox l_patch_start;
  Label check1_l;
  CheckBox Check1;
  Label check2_l;
  CheckBox Check2;
  TextBox l_fontsize;
  Label Label17;
  TextBox l_fontname;
  CommandButton find_font;
  Label l_fontbold_l;
  CheckBox l_fontbold;
  Label l_fontli_l;
  CheckBox l_fontli;
  CommandButton l_add;
  CommandButton l_modify;
  CommandButton l_del;
  // Tab 0: the label layout.
  TextBox l_paper_width;
  TextBox l_paper_height;
  TextBox l_col;
  TextBox l_row;
  TextBox d_col;  // horizontal gap
  TextBox d_row;  // vertical gap
  CommandButton print_rule;
  CommonDialog open_p_dial;  // pictures, and the print setup
  CommonDialog choose_font;
  // Tab 0: the data file whose rows the labels take, and the row the preview shows (from 1).
  // Neither is part of the design: the data file is remembered per design elsewhere.
  TextBox merge_file;
  CommandButton merge_browse;
  ComboBox merge_row;
  CommonDialog open_m_dial;

  // Tab 1 "設定".
  TextBox s_top;
  TextBox s_down;
  TextBox s_left;
  TextBox s_right;
  TextBox d_fontname;
  TextBox d_fontsize;
  TextBox d_l_width;
  TextBox d_l_height;
  TextBox d_path_data;
  TextBox d_path_pic;
  OptionButton prt_mode_1;  // normal sheets
  OptionButton prt_mode_0;  // tractor feed
  CommandButton save_setting;
  CommandButton get_default_set;

  // Tab 2 "檔案".
  CommandButton file_open;
  CommandButton file_save;
  CommandButton file_save_a;
  CommandButton file_new;
  CommandButton Command1;  // about
  CommandButton Command2;  // help
  CommonDialog open_d_dial;
  CommonDialog save_d_dial;
  CommonDialog save_a_d_dial;
};

// The ten text boxes of the Settings tab in the order of the settings file, each with its
// caption, the text the window opens with and the built-in default that 讀取預設值 sets when
// there is no settings file.
struct SettingsTextBox {
  TextBox MainWindowModel::*box;
  std::string_view caption;
  std::string_view opening;
  std::string_view built_in;
};

inline constexpr std::array<SettingsTextBox, 10> kSettingsTextBoxes = {{
    {&MainWindowModel::s_top, captions::kTopMargin, "5", "5"},
    {&MainWindowModel::s_down, captions::kBottomMargin, "7", "7"},
    {&MainWindowModel::s_left, captions::kLeftMargin, "6.8", "6.8"},
    {&MainWindowModel::s_right, captions::kRightMargin, "6", "6"},
    {&MainWindowModel::d_fontname, captions::kDefaultFontName, "細明體", "細明體"},
    {&MainWindowModel::d_fontsize, captions::kDefaultFontSize, "14", "14"},
    {&MainWindowModel::d_l_width, captions::kDefaultBarWidth, "15", "15"},
    // The one box whose opening text is not its default: a first start has always shown 20 mm,
    // while loading the defaults has always given 25 mm. Both are kept as users know them.
    {&MainWindowModel::d_l_height, captions::kDefaultBarHeight, "20", "25"},
    {&MainWindowModel::d_path_data, captions::kDataFolder, "data", "data"},
    {&MainWindowModel::d_path_pic, captions::kPictureFolder, "img", "img"},
}};

// Selects one of the two printer type option buttons (they form one group). PrinterType is
// not touched: it follows the buttons only through the settings.
void SelectPrinterMode(MainWindowModel& window, bool normal);

// A message with only an OK button, titled with the window's title, as every handler tells
// the user why it did nothing.
void Tell(const MainWindowModel& window, MessageBox& messages, std::string_view text);

}  // namespace vellomir
