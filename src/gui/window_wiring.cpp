#include "gui/window_wiring.h"

namespace vellomir {

namespace {

using M = MainWindowModel;
using A = WindowAction;

constexpr ControlWiring kControls[] = {
    // Tab 0 "編輯": the rule editor.
    {"l_amount", &M::l_amount},
    {"rule_list", &M::rule_list, A::kSelectRule},
    {"rule_kind", &M::rule_kind, A::kSwitchRuleKind, A::kSwitchRuleKind},
    {"codebar_kind", &M::codebar_kind, A::kChooseBarcodeKind},
    {"rule_content_l", &M::rule_content_l},
    {"rule_content", &M::rule_content},
    {"pic_brower", &M::pic_brower, A::kBrowsePicture},
    {"l_x", &M::l_x},
    {"l_y", &M::l_y},
    {"l_width_l", &M::l_width_l},
    {"l_width", &M::l_width},
    {"Label9", &M::Label9},
    {"l_height_l", &M::l_height_l},
    {"l_height", &M::l_height},
    {"Label12", &M::Label12},
    {"l_patch_order", &M::l_patch_order},
    {"l_patch_start", &M::l_patch_start},
    {"check1_l", &M::check1_l},
    {"Check1", &M::Check1},
    {"check2_l", &M::check2_l},
    {"Check2", &M::Check2},
    {"l_fontsize", &M::l_fontsize},
    {"Label17", &M::Label17},
    {"l_fontname", &M::l_fontname},
    {"find_font", &M::find_font, A::kChooseFont},
    {"l_fontbold", &M::l_fontbold},
    {"l_fontbold_l", &M::l_fontbold_l},
    {"l_fontli", &M::l_fontli},
    {"l_fontli_l", &M::l_fontli_l},
    {"l_add", &M::l_add, A::kAddRule},
    {"l_modify", &M::l_modify, A::kModifyRule},
    {"l_del", &M::l_del, A::kDeleteRule},
    // Tab 0: the label layout.
    {"l_paper_width", &M::l_paper_width},
    {"l_paper_height", &M::l_paper_height},
    {"l_col", &M::l_col},
    {"l_row", &M::l_row},
    {"d_col", &M::d_col},
    {"d_row", &M::d_row},
    {"merge_file", &M::merge_file},
    {"merge_browse", &M::merge_browse, A::kBrowseMergeData},
    {"merge_row", &M::merge_row, A::kPickMergeRow},
    {"print_rule", &M::print_rule, A::kPrint},
    // Tab 1 "設定".
    {"s_top", &M::s_top},
    {"s_down", &M::s_down},
    {"s_left", &M::s_left},
    {"s_right", &M::s_right},
    {"d_fontname", &M::d_fontname},
    {"d_fontsize", &M::d_fontsize},
    {"d_l_width", &M::d_l_width},
    {"d_l_height", &M::d_l_height},
    {"d_path_data", &M::d_path_data},
    {"d_path_pic", &M::d_path_pic},
    {"prt_mode_1", &M::prt_mode_1},
    {"prt_mode_0", &M::prt_mode_0},
    {"save_setting", &M::save_setting, A::kSaveSettings},
    {"get_default_set", &M::get_default_set, A::kLoadSettings},
    // Tab 2 "檔案".
    {"file_open", &M::file_open, A::kFileOpen},
    {"file_save", &M::file_save, A::kFileSave},
    {"file_save_a", &M::file_save_a, A::kFileSaveAs},
    {"file_new", &M::file_new, A::kFileNew},
    {"Command1", &M::Command1, A::kShowAbout},
    {"Command2", &M::Command2, A::kShowHelp},
    // Outside the tabs.
    {"current_filename_show", &M::current_filename_show},
    {"preview_dpi", &M::preview_dpi, A::kChoosePreviewView},
    {"preview_zoom", &M::preview_zoom, A::kChoosePreviewView},
};

}  // namespace

std::span<const ControlWiring> WindowControls() { return kControls; }

const ControlWiring* FindControl(std::string_view name) {
  for (const ControlWiring& row : kControls)
    if (row.name == name) return &row;
  return nullptr;
}

}  // namespace vellomir
