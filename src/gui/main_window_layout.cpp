#include "gui/main_window_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vellomir {

namespace {

using M = MainWindowModel;

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

class Builder {
 public:
  explicit Builder(const ControlWidgets& widgets) : widgets_(widgets) {}

  QLabel* Caption(std::string_view text) const { return new QLabel(Q(text)); }

  template <typename Control>
  auto* W(Control M::*member) const {
    auto* w = widgets_.Get(member);
    Q_ASSERT(w != nullptr);
    return w;
  }

  QLineEdit* Edit(TextBox M::*member, int width = 70) const {
    QLineEdit* e = W(member);
    e->setFixedWidth(width);
    return e;
  }

 private:
  const ControlWidgets& widgets_;
};

// A row of widgets, left-aligned.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout;
  row->setSpacing(6);
  for (QWidget* w : widgets) row->addWidget(w);
  row->addStretch(1);
  return row;
}

QWidget* EditTab(const Builder& b) {
  auto* edit = new QWidget;
  auto* ev = new QVBoxLayout(edit);
  // A row added to an installed layout parents its widgets at once: the tab order follows.
  auto add = [ev](QLayout* row) { ev->addLayout(row); };
  add(Row({b.Caption(captions::kAmount), b.Edit(&M::l_amount)}));
  ev->addWidget(b.Caption(captions::kRuleList));
  QListWidget* rule_list = b.W(&M::rule_list);
  rule_list->setMinimumHeight(110);
  ev->addWidget(rule_list);
  add(Row({b.Caption(captions::kRuleKind), b.W(&M::rule_kind), b.W(&M::codebar_kind)}));
  add(Row({b.W(&M::rule_content_l), b.Edit(&M::rule_content, 200), b.W(&M::pic_brower)}));
  add(Row({b.Caption(captions::kPosition), b.Caption(captions::kFromLeft), b.Edit(&M::l_x),
           b.Caption(captions::kMm), b.Caption(captions::kFromTop), b.Edit(&M::l_y),
           b.Caption(captions::kMm)}));
  add(Row({b.Caption(captions::kSize), b.W(&M::l_width_l), b.Edit(&M::l_width), b.W(&M::Label9),
           b.W(&M::l_height_l), b.Edit(&M::l_height), b.Caption(captions::kMm)}));
  add(Row({b.Caption(captions::kBatch), b.W(&M::Label12), b.Edit(&M::l_patch_order, 50),
           b.Caption(captions::kBatchFrom), b.Edit(&M::l_patch_start),
           b.Caption(captions::kBatchStart)}));
  add(Row({b.W(&M::check1_l), b.W(&M::Check1)}));
  add(Row({b.W(&M::check2_l), b.W(&M::Check2)}));
  add(Row({b.Caption(captions::kFontSize), b.Edit(&M::l_fontsize, 50), b.W(&M::Label17),
           b.Edit(&M::l_fontname, 110), b.W(&M::find_font)}));
  add(Row({b.W(&M::l_fontbold), b.W(&M::l_fontbold_l), b.W(&M::l_fontli), b.W(&M::l_fontli_l)}));
  add(Row({b.W(&M::l_add), b.W(&M::l_modify), b.W(&M::l_del)}));

  auto* line = new QFrame(edit);
  line->setObjectName("Line1");
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  ev->addWidget(line);

  add(Row({b.Caption(captions::kLabelSize), b.Caption(captions::kLabelWidth),
           b.Edit(&M::l_paper_width), b.Caption(captions::kLabelHeightAfterWidth),
           b.Edit(&M::l_paper_height), b.Caption(captions::kMm)}));
  add(Row({b.Caption(captions::kArrangement), b.Caption(captions::kColumn), b.Edit(&M::l_col, 50),
           b.Caption(captions::kRow), b.Edit(&M::l_row, 50)}));
  add(Row({b.Caption(captions::kLabelSpacing), b.Caption(captions::kHorizontal),
           b.Edit(&M::d_col, 50), b.Caption(captions::kMm), b.Caption(captions::kVertical),
           b.Edit(&M::d_row, 50), b.Caption(captions::kMm)}));
  add(Row({b.Caption(captions::kDataFile), b.Edit(&M::merge_file, 200), b.W(&M::merge_browse),
           b.Caption(captions::kPreviewRow), b.W(&M::merge_row), b.Caption(captions::kRowUnit)}));
  add(Row({b.W(&M::print_rule)}));
  ev->addStretch(1);
  return edit;
}

QWidget* SettingsTab(const Builder& b) {
  auto* set = new QWidget;
  auto* sv = new QVBoxLayout(set);
  auto* area = new QGroupBox(Q(captions::kPrintArea), set);
  auto* av = new QVBoxLayout(area);
  av->addLayout(
      Row({b.Caption(captions::kTopMargin), b.Edit(&M::s_top, 60), b.Caption(captions::kMm),
           b.Caption(captions::kBottomMargin), b.Edit(&M::s_down, 60), b.Caption(captions::kMm)}));
  av->addLayout(
      Row({b.Caption(captions::kLeftMargin), b.Edit(&M::s_left, 60), b.Caption(captions::kMm),
           b.Caption(captions::kRightMargin), b.Edit(&M::s_right, 60), b.Caption(captions::kMm)}));
  sv->addWidget(area);
  sv->addLayout(Row({b.Caption(captions::kDefaultFontName), b.Edit(&M::d_fontname, 120)}));
  sv->addLayout(Row({b.Caption(captions::kDefaultFontSize), b.Edit(&M::d_fontsize, 60)}));
  sv->addLayout(Row({b.Caption(captions::kDefaultBarWidth), b.Edit(&M::d_l_width, 60),
                     b.Caption(captions::kDotsPerBar)}));
  sv->addLayout(Row({b.Caption(captions::kDefaultBarHeight), b.Edit(&M::d_l_height, 60),
                     b.Caption(captions::kMm)}));
  sv->addLayout(Row({b.Caption(captions::kDataFolder), b.Edit(&M::d_path_data, 220)}));
  sv->addLayout(Row({b.Caption(captions::kPictureFolder), b.Edit(&M::d_path_pic, 220)}));
  auto* printer_type = new QGroupBox(Q(captions::kPrinterType), set);
  auto* pv = new QHBoxLayout(printer_type);
  pv->addWidget(b.W(&M::prt_mode_1));
  pv->addWidget(b.W(&M::prt_mode_0));
  pv->addStretch(1);
  sv->addWidget(printer_type);
  sv->addLayout(Row({b.W(&M::save_setting), b.W(&M::get_default_set)}));
  sv->addStretch(1);
  return set;
}

QWidget* FileTab(const Builder& b) {
  auto* file = new QWidget;
  auto* fv = new QVBoxLayout(file);
  for (QPushButton* w : {b.W(&M::file_open), b.W(&M::file_save), b.W(&M::file_save_a),
                         b.W(&M::file_new), b.W(&M::Command1), b.W(&M::Command2)}) {
    w->setMinimumWidth(140);
    fv->addLayout(Row({w}));
  }
  fv->addStretch(1);
  return file;
}

// A tab's page that scrolls up and down when the screen is too small for it (a large scale
// factor), so no button ends up out of reach; it asks for its page's whole size when there is
// room.
class PageArea : public QScrollArea {
 public:
  explicit PageArea(QWidget* page) {
    setWidget(page);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMinimumWidth(page->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width());
  }
  QSize sizeHint() const override {
    return widget()->sizeHint() + QSize(verticalScrollBar()->sizeHint().width(), 0);
  }
};

QScrollArea* Scrolled(QWidget* page) { return new PageArea(page); }

}  // namespace

MainWindowParts LayOutMainWindow(QMainWindow& window, const ControlWidgets& widgets,
                                 const MainWindowModel& model) {
  const Builder b(widgets);
  MainWindowParts parts;
  auto* central = new QWidget(&window);
  auto* outer = new QHBoxLayout(central);
  auto* left = new QVBoxLayout;
  outer->addLayout(left, 0);

  parts.tabs = new QTabWidget(central);
  parts.tabs->setObjectName("SSTab1");
  left->addWidget(parts.tabs);
  parts.tabs->addTab(Scrolled(EditTab(b)), Q(model.SSTab1.tab_captions.at(0)));
  parts.tabs->addTab(Scrolled(SettingsTab(b)), Q(model.SSTab1.tab_captions.at(1)));
  parts.tabs->addTab(Scrolled(FileTab(b)), Q(model.SSTab1.tab_captions.at(2)));

  // Outside the tabs: the clock and the current file name under them, the preview beside.
  parts.picture2 = new PictureBoxWidget(central);
  parts.picture2->setObjectName("Picture2");
  left->addWidget(parts.picture2);
  left->addWidget(b.W(&M::current_filename_show));

  // The preview, with the dots it is drawn on and its zoom above it.
  auto* right = new QVBoxLayout;
  outer->addLayout(right, 1);
  right->addLayout(Row({b.Caption(captions::kPreviewDots), b.W(&M::preview_dpi),
                        b.Caption(captions::kPreviewZoom), b.W(&M::preview_zoom)}));
  parts.picture1 = new PictureBoxWidget;
  parts.picture1->setObjectName("Picture1");
  parts.picture1->SetOutlined(true);
  auto* scroll = new QScrollArea(central);
  scroll->setWidget(parts.picture1);
  scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scroll->setBackgroundRole(QPalette::Dark);
  scroll->setMinimumWidth(300);
  scroll->setFocusPolicy(Qt::NoFocus);
  right->addWidget(scroll, 1);

  window.setCentralWidget(central);
  return parts;
}

}  // namespace vellomir
