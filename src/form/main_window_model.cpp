#include "form/main_window_model.h"

namespace vellomir {

namespace {

constexpr std::string_view kLabelFilter = "Vellomir資料檔(*.vlm)|*.vlm";
constexpr std::string_view kDataFileFilter =
    "資料檔(*.csv)|*.csv|*.tsv|*.tsv|*.txt|*.txt|所有檔案(*.*)|*.*";
constexpr std::string_view kPictureFilter =
    "所有圖片格式(*.*)|*.*|*.jpg|*.jpg|*.gif|*.gif|*.bmp|*.bmp|*.png|*.png";

TextBox Text(std::string_view text) { return TextBox{std::string(text), true}; }
Label Caption(std::string_view caption, bool enabled = true) {
  return Label{std::string(caption), enabled};
}
CommandButton Button(std::string_view caption, bool enabled = true) {
  return CommandButton{std::string(caption), enabled};
}
CheckBox Check(int value, bool enabled = true) { return CheckBox{value, "", enabled}; }

CommonDialog FileDialog(std::string_view title, std::string_view filter,
                        std::string_view default_ext) {
  CommonDialog d;
  d.title = title;
  d.filter = filter;
  d.default_ext = default_ext;
  return d;
}

}  // namespace

MainWindowModel::MainWindowModel() {
  window_title = kWindowTitle;
  AppTitle = kAppTitle;
  CurrentFileName = "";
  UnitsPerMm = kUnitsPerMm;
  PrinterType = "1";

  // What the first timer tick gives for the opening layout and margins:
  // (105 - 6 - 6.8) x 56.5 by (148.5 - 5 - 7) x 56.5, rounded.
  Picture1 = PictureBox{5209, 7712};
  Picture2 = PictureBox{3600, 480};
  current_filename_show = Caption("目前的檔名:");
  Timer1 = Timer{500, true};
  SSTab1.tab_captions = {"編輯", "設定", "檔案"};
  preview_dpi.entries = {"螢幕", "203 dpi", "300 dpi", "600 dpi"};
  preview_dpi.editable = false;
  preview_dpi.Select(0);
  preview_zoom.entries = {"100%", "150%", "200%", "300%"};
  preview_zoom.editable = false;
  preview_zoom.Select(0);

  // The editor opens showing the barcode kind, so its enabled states are those of a barcode
  // rule; start-up runs the rule kind switch and sets them again anyway.
  rule_kind.text = kRuleKindBarcode;
  rule_kind.entries = {std::string(kRuleKindBarcode), std::string(kRuleKindText),
                       std::string(kRuleKindPicture)};
  for (std::string_view name : kBarcodeKindNames) codebar_kind.entries.emplace_back(name);

  merge_browse = Button("瀏覽");
  merge_row.text = "1";
  merge_row.entries = {"1"};
  merge_row.editable = false;
  open_m_dial = FileDialog("選擇資料檔", kDataFileFilter, "csv");

  rule_content_l = Caption("資料內容");
  pic_brower = Button("瀏覽", false);
  l_width_l = Caption("寬");
  Label9 = Caption("點/條");
  l_height_l = Caption("高");
  Label12 = Caption("位數");
  check1_l = Caption("條碼是否附下標字?");
  Check1 = Check(1);
  check2_l = Caption("是否含檢查碼?(39碼通常否;128是)");
  Check2 = Check(1);
  Label17 = Caption("字型名稱", false);
  l_fontname.enabled = false;
  find_font = Button("選擇字型", false);
  l_fontbold_l = Caption("粗體", false);
  l_fontbold = Check(0, false);
  l_fontli_l = Caption("斜體", false);
  l_fontli = Check(0, false);
  l_add = Button("新增");
  l_modify = Button("修改");
  l_del = Button("移除");

  l_paper_width = Text("105");
  l_paper_height = Text("148.5");
  l_col = Text("2");
  l_row = Text("2");
  d_col = Text("0");
  d_row = Text("0");
  print_rule = Button("印吧");
  open_p_dial = FileDialog("開啟圖片", kPictureFilter, "");
  choose_font = CommonDialog{};

  for (const SettingsTextBox& t : kSettingsTextBoxes) this->*t.box = Text(t.opening);
  prt_mode_1 = OptionButton{true, "一般", true};
  prt_mode_0 = OptionButton{false, "牽動式", true};
  save_setting = Button("儲存設定");
  get_default_set = Button("讀取預設值");

  file_open = Button("開啟舊檔");
  file_save = Button("存檔");
  file_save_a = Button("另存新檔");
  file_new = Button("開新檔案");
  Command1 = Button("關於版權");
  Command2 = Button("說明");
  open_d_dial = FileDialog("開啟標籤檔", kLabelFilter, "vlm");
  save_d_dial = FileDialog("儲存檔案", kLabelFilter, "vlm");
  save_a_d_dial = FileDialog("另存檔案", kLabelFilter, "vlm");
}

void SelectPrinterMode(MainWindowModel& window, bool normal) {
  window.prt_mode_1.value = normal;
  window.prt_mode_0.value = !normal;
}

void Tell(const MainWindowModel& window, MessageBox& messages, std::string_view text) {
  messages.Show(std::string(text), window.AppTitle, MessageButtons::kOk);
}

}  // namespace vellomir
