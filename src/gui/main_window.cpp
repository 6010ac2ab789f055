#include "gui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "document/label_file.h"
#include "document/rule_editor.h"
#include "gui/about_window.h"
#include "gui/qt_printer.h"
#include "gui/zxing_symbol_reader.h"
#include "platform/text_util.h"
#include "render/print_job.h"
#include "render/symbol_check.h"
#include "settings/settings_file.h"
#include "ui/window_events.h"

namespace vellomir {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }
std::string S(const QString& s) { return s.toStdString(); }

QLabel* Caption(std::string_view text, QWidget* parent) { return new QLabel(Q(text), parent); }

// A row of widgets, left-aligned.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout;
  row->setSpacing(6);
  for (QWidget* w : widgets) row->addWidget(w);
  row->addStretch(1);
  return row;
}

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QLineEdit* Edit(const char* name, QWidget* parent, int width = 70) {
  auto* e = Named(new QLineEdit(parent), name);
  e->setFixedWidth(width);
  return e;
}

}  // namespace

template <>
void MainWindow::Bind(QLineEdit* w, TextBox& m) {
  bindings_.push_back({[w, &m] { m.text = S(w->text()); },
                       [w, &m] {
                         if (w->text() != Q(m.text)) w->setText(Q(m.text));
                         w->setEnabled(m.enabled);
                       }});
}

template <>
void MainWindow::Bind(QLabel* w, Label& m) {
  bindings_.push_back({[] {},
                       [w, &m] {
                         w->setText(Q(m.caption));
                         w->setEnabled(m.enabled);
                       }});
}

template <>
void MainWindow::Bind(QCheckBox* w, CheckBox& m) {
  bindings_.push_back({[w, &m] { m.value = w->isChecked() ? 1 : 0; },
                       [w, &m] {
                         w->setChecked(m.value == 1);
                         w->setEnabled(m.enabled);
                       }});
}

template <>
void MainWindow::Bind(QRadioButton* w, OptionButton& m) {
  bindings_.push_back({[w, &m] { m.value = w->isChecked(); },
                       [w, &m] {
                         w->setText(Q(m.caption));
                         w->setChecked(m.value);
                         w->setEnabled(m.enabled);
                       }});
}

template <>
void MainWindow::Bind(QPushButton* w, CommandButton& m) {
  bindings_.push_back({[] {},
                       [w, &m] {
                         w->setText(Q(m.caption));
                         w->setEnabled(m.enabled);
                       }});
}

template <>
void MainWindow::Bind(QComboBox* w, ComboBox& m) {
  bindings_.push_back({[w, &m] {
                         m.list_index = w->currentIndex();
                         m.text = S(w->currentText());
                       },
                       [w, &m] {
                         QStringList items;
                         for (const auto& e : m.entries) items << Q(e);
                         QStringList shown;
                         for (int i = 0; i < w->count(); ++i) shown << w->itemText(i);
                         if (shown != items) {
                           w->clear();
                           w->addItems(items);
                         }
                         w->setCurrentIndex(m.list_index);
                         w->setEnabled(m.enabled);
                       }});
}

template <>
void MainWindow::Bind(QListWidget* w, ListBox& m) {
  bindings_.push_back({[w, &m] { m.list_index = w->currentRow(); },
                       [w, &m] {
                         QStringList items;
                         for (const auto& e : m.entries) items << Q(e);
                         QStringList shown;
                         for (int i = 0; i < w->count(); ++i) shown << w->item(i)->text();
                         if (shown != items) {
                           w->clear();
                           w->addItems(items);
                         }
                         w->setCurrentRow(m.list_index);
                         w->setEnabled(m.enabled);
                       }});
}

MainWindow::MainWindow(MainWindowModel& model, FileSystem& files, WindowServices overrides,
                       QWidget* parent)
    : QMainWindow(parent),
      model_(model),
      files_(files),
      qt_messages_(this),
      qt_dialogs_(this, printer_),
      messages_(overrides.messages ? overrides.messages : &qt_messages_),
      dialogs_(overrides.dialogs ? overrides.dialogs : &qt_dialogs_),
      shell_(overrides.shell ? overrides.shell : &qt_shell_) {
  setObjectName("Form1");
  setWindowTitle(Q(model_.window_title));
  BuildWidgets();
  WriteWidgets();
  ConnectEvents();
}

MainWindow::~MainWindow() = default;

void MainWindow::ReadWidgets() {
  for (auto& b : bindings_) b.read();
  model_.SSTab1.current_tab = tabs_->currentIndex();
}

void MainWindow::WriteWidgets() {
  std::vector<std::unique_ptr<QSignalBlocker>> blockers;
  for (QWidget* w : findChildren<QWidget*>())
    blockers.push_back(std::make_unique<QSignalBlocker>(w));
  for (auto& b : bindings_) b.write();
  setWindowTitle(Q(model_.window_title));
  if (!model_.focus_request.empty()) {
    if (auto* w = findChild<QWidget*>(Q(model_.focus_request))) w->setFocus();
    model_.focus_request.clear();
  }
  picture1_->SetSizeTwips(model_.Picture1.width, model_.Picture1.height);
  picture2_->SetSizeTwips(model_.Picture2.width, model_.Picture2.height);
  picture1_->update();
  picture2_->update();
}

void MainWindow::Run(const std::function<void()>& handler) {
  // A modal dialog inside a handler lets timer ticks through; they wait for the next turn.
  if (busy_) return;
  busy_ = true;
  ReadWidgets();
  handler();
  WriteWidgets();
  busy_ = false;
}

void MainWindow::BuildWidgets() {
  auto* central = new QWidget(this);
  auto* outer = new QHBoxLayout(central);
  auto* left = new QVBoxLayout;
  outer->addLayout(left, 0);

  tabs_ = Named(new QTabWidget(central), "SSTab1");
  left->addWidget(tabs_);

  // Tab 0: the rule editor and the label layout.
  auto* edit = new QWidget;
  auto* ev = new QVBoxLayout(edit);
  auto& m = model_;

  auto* l_amount = Edit("l_amount", edit);
  Bind(l_amount, m.l_amount);
  ev->addLayout(Row({Caption(captions::kAmount, edit), l_amount}));

  ev->addWidget(Caption(captions::kRuleList, edit));
  auto* rule_list = Named(new QListWidget(edit), "rule_list");
  rule_list->setMinimumHeight(110);
  Bind(rule_list, m.rule_list);
  ev->addWidget(rule_list);

  auto* rule_kind = Named(new QComboBox(edit), "rule_kind");
  auto* codebar_kind = Named(new QComboBox(edit), "codebar_kind");
  Bind(rule_kind, m.rule_kind);
  Bind(codebar_kind, m.codebar_kind);
  ev->addLayout(Row({Caption(captions::kRuleKind, edit), rule_kind, codebar_kind}));

  auto* rule_content_l = Named(new QLabel(edit), "rule_content_l");
  auto* rule_content = Edit("rule_content", edit, 200);
  auto* pic_brower = Named(new QPushButton(edit), "pic_brower");
  Bind(rule_content_l, m.rule_content_l);
  Bind(rule_content, m.rule_content);
  Bind(pic_brower, m.pic_brower);
  ev->addLayout(Row({rule_content_l, rule_content, pic_brower}));

  auto* l_x = Edit("l_x", edit);
  auto* l_y = Edit("l_y", edit);
  Bind(l_x, m.l_x);
  Bind(l_y, m.l_y);
  ev->addLayout(Row({Caption(captions::kPosition, edit), Caption(captions::kFromLeft, edit), l_x,
                     Caption(captions::kMm, edit), Caption(captions::kFromTop, edit), l_y,
                     Caption(captions::kMm, edit)}));

  auto* l_width_l = Named(new QLabel(edit), "l_width_l");
  auto* l_width = Edit("l_width", edit);
  auto* Label9 = Named(new QLabel(edit), "Label9");
  auto* l_height_l = Named(new QLabel(edit), "l_height_l");
  auto* l_height = Edit("l_height", edit);
  Bind(l_width_l, m.l_width_l);
  Bind(l_width, m.l_width);
  Bind(Label9, m.Label9);
  Bind(l_height_l, m.l_height_l);
  Bind(l_height, m.l_height);
  ev->addLayout(Row({Caption(captions::kSize, edit), l_width_l, l_width, Label9, l_height_l,
                     l_height, Caption(captions::kMm, edit)}));

  auto* Label12 = Named(new QLabel(edit), "Label12");
  auto* l_patch_order = Edit("l_patch_order", edit, 50);
  auto* l_patch_start = Edit("l_patch_start", edit);
  Bind(Label12, m.Label12);
  Bind(l_patch_order, m.l_patch_order);
  Bind(l_patch_start, m.l_patch_start);
  ev->addLayout(Row({Caption(captions::kBatch, edit), Label12, l_patch_order,
                     Caption(captions::kBatchFrom, edit), l_patch_start,
                     Caption(captions::kBatchStart, edit)}));

  auto* check1_l = Named(new QLabel(edit), "check1_l");
  auto* Check1 = Named(new QCheckBox(edit), "Check1");
  Bind(check1_l, m.check1_l);
  Bind(Check1, m.Check1);
  ev->addLayout(Row({check1_l, Check1}));
  auto* check2_l = Named(new QLabel(edit), "check2_l");
  auto* Check2 = Named(new QCheckBox(edit), "Check2");
  Bind(check2_l, m.check2_l);
  Bind(Check2, m.Check2);
  ev->addLayout(Row({check2_l, Check2}));

  auto* l_fontsize = Edit("l_fontsize", edit, 50);
  auto* Label17 = Named(new QLabel(edit), "Label17");
  auto* l_fontname = Edit("l_fontname", edit, 110);
  auto* find_font = Named(new QPushButton(edit), "find_font");
  Bind(l_fontsize, m.l_fontsize);
  Bind(Label17, m.Label17);
  Bind(l_fontname, m.l_fontname);
  Bind(find_font, m.find_font);
  ev->addLayout(
      Row({Caption(captions::kFontSize, edit), l_fontsize, Label17, l_fontname, find_font}));
  auto* l_fontbold = Named(new QCheckBox(edit), "l_fontbold");
  auto* l_fontbold_l = Named(new QLabel(edit), "l_fontbold_l");
  auto* l_fontli = Named(new QCheckBox(edit), "l_fontli");
  auto* l_fontli_l = Named(new QLabel(edit), "l_fontli_l");
  Bind(l_fontbold, m.l_fontbold);
  Bind(l_fontbold_l, m.l_fontbold_l);
  Bind(l_fontli, m.l_fontli);
  Bind(l_fontli_l, m.l_fontli_l);
  ev->addLayout(Row({l_fontbold, l_fontbold_l, l_fontli, l_fontli_l}));

  auto* l_add = Named(new QPushButton(edit), "l_add");
  auto* l_modify = Named(new QPushButton(edit), "l_modify");
  auto* l_del = Named(new QPushButton(edit), "l_del");
  Bind(l_add, m.l_add);
  Bind(l_modify, m.l_modify);
  Bind(l_del, m.l_del);
  ev->addLayout(Row({l_add, l_modify, l_del}));

  auto* line = Named(new QFrame(edit), "Line1");
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  ev->addWidget(line);

  auto* l_paper_width = Edit("l_paper_width", edit);
  auto* l_paper_height = Edit("l_paper_height", edit);
  Bind(l_paper_width, m.l_paper_width);
  Bind(l_paper_height, m.l_paper_height);
  ev->addLayout(Row({Caption(captions::kLabelSize, edit), Caption(captions::kLabelWidth, edit),
                     l_paper_width, Caption(captions::kLabelHeightAfterWidth, edit), l_paper_height,
                     Caption(captions::kMm, edit)}));
  auto* l_col = Edit("l_col", edit, 50);
  auto* l_row = Edit("l_row", edit, 50);
  Bind(l_col, m.l_col);
  Bind(l_row, m.l_row);
  ev->addLayout(Row({Caption(captions::kArrangement, edit), Caption(captions::kColumn, edit), l_col,
                     Caption(captions::kRow, edit), l_row}));
  auto* d_col = Edit("d_col", edit, 50);
  auto* d_row = Edit("d_row", edit, 50);
  Bind(d_col, m.d_col);
  Bind(d_row, m.d_row);
  ev->addLayout(Row({Caption(captions::kLabelSpacing, edit), Caption(captions::kHorizontal, edit),
                     d_col, Caption(captions::kMm, edit), Caption(captions::kVertical, edit), d_row,
                     Caption(captions::kMm, edit)}));
  auto* print_rule = Named(new QPushButton(edit), "print_rule");
  Bind(print_rule, m.print_rule);
  ev->addLayout(Row({print_rule}));
  ev->addStretch(1);
  tabs_->addTab(edit, Q(m.SSTab1.tab_captions.at(0)));

  // Tab 1: settings.
  auto* set = new QWidget;
  auto* sv = new QVBoxLayout(set);
  auto* area = new QGroupBox(Q(captions::kPrintArea), set);
  auto* av = new QVBoxLayout(area);
  auto* s_top = Edit("s_top", area, 60);
  auto* s_down = Edit("s_down", area, 60);
  auto* s_left = Edit("s_left", area, 60);
  auto* s_right = Edit("s_right", area, 60);
  Bind(s_top, m.s_top);
  Bind(s_down, m.s_down);
  Bind(s_left, m.s_left);
  Bind(s_right, m.s_right);
  av->addLayout(
      Row({Caption(captions::kTopMargin, area), s_top, Caption(captions::kMm, area),
           Caption(captions::kBottomMargin, area), s_down, Caption(captions::kMm, area)}));
  av->addLayout(
      Row({Caption(captions::kLeftMargin, area), s_left, Caption(captions::kMm, area),
           Caption(captions::kRightMargin, area), s_right, Caption(captions::kMm, area)}));
  sv->addWidget(area);
  auto* d_fontname = Edit("d_fontname", set, 120);
  auto* d_fontsize = Edit("d_fontsize", set, 60);
  auto* d_l_width = Edit("d_l_width", set, 60);
  auto* d_l_height = Edit("d_l_height", set, 60);
  auto* d_path_data = Edit("d_path_data", set, 220);
  auto* d_path_pic = Edit("d_path_pic", set, 220);
  Bind(d_fontname, m.d_fontname);
  Bind(d_fontsize, m.d_fontsize);
  Bind(d_l_width, m.d_l_width);
  Bind(d_l_height, m.d_l_height);
  Bind(d_path_data, m.d_path_data);
  Bind(d_path_pic, m.d_path_pic);
  sv->addLayout(Row({Caption(captions::kDefaultFontName, set), d_fontname}));
  sv->addLayout(Row({Caption(captions::kDefaultFontSize, set), d_fontsize}));
  sv->addLayout(Row(
      {Caption(captions::kDefaultBarWidth, set), d_l_width, Caption(captions::kDotsPerBar, set)}));
  sv->addLayout(
      Row({Caption(captions::kDefaultBarHeight, set), d_l_height, Caption(captions::kMm, set)}));
  sv->addLayout(Row({Caption(captions::kDataFolder, set), d_path_data}));
  sv->addLayout(Row({Caption(captions::kPictureFolder, set), d_path_pic}));
  auto* printer_type = new QGroupBox(Q(captions::kPrinterType), set);
  auto* prt_mode_1 = Named(new QRadioButton(printer_type), "prt_mode_1");
  auto* prt_mode_0 = Named(new QRadioButton(printer_type), "prt_mode_0");
  Bind(prt_mode_1, m.prt_mode_1);
  Bind(prt_mode_0, m.prt_mode_0);
  auto* pv = new QHBoxLayout(printer_type);
  pv->addWidget(prt_mode_1);
  pv->addWidget(prt_mode_0);
  pv->addStretch(1);
  sv->addWidget(printer_type);
  auto* save_setting = Named(new QPushButton(set), "save_setting");
  auto* get_default_set = Named(new QPushButton(set), "get_default_set");
  Bind(save_setting, m.save_setting);
  Bind(get_default_set, m.get_default_set);
  sv->addLayout(Row({save_setting, get_default_set}));
  sv->addStretch(1);
  tabs_->addTab(set, Q(m.SSTab1.tab_captions.at(1)));

  // Tab 2: files, about and help.
  auto* file = new QWidget;
  auto* fv = new QVBoxLayout(file);
  auto* file_open = Named(new QPushButton(file), "file_open");
  auto* file_save = Named(new QPushButton(file), "file_save");
  auto* file_save_a = Named(new QPushButton(file), "file_save_a");
  auto* file_new = Named(new QPushButton(file), "file_new");
  auto* Command1 = Named(new QPushButton(file), "Command1");
  auto* Command2 = Named(new QPushButton(file), "Command2");
  for (auto [w, c] : {std::pair{file_open, &m.file_open},
                      {file_save, &m.file_save},
                      {file_save_a, &m.file_save_a},
                      {file_new, &m.file_new},
                      {Command1, &m.Command1},
                      {Command2, &m.Command2}}) {
    w->setMinimumWidth(140);
    Bind(w, *c);
    fv->addLayout(Row({w}));
  }
  fv->addStretch(1);
  tabs_->addTab(file, Q(m.SSTab1.tab_captions.at(2)));

  // Outside the tabs: the clock and the current file name under them, the preview beside.
  picture2_ = Named(new PreviewWidget(central), "Picture2");
  left->addWidget(picture2_);
  auto* current_filename_show = Named(new QLabel(central), "current_filename_show");
  Bind(current_filename_show, m.current_filename_show);
  left->addWidget(current_filename_show);

  picture1_ = Named(new PreviewWidget, "Picture1");
  auto* scroll = new QScrollArea(central);
  scroll->setWidget(picture1_);
  scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scroll->setBackgroundRole(QPalette::Dark);
  scroll->setMinimumWidth(360);
  outer->addWidget(scroll, 1);

  setCentralWidget(central);
  timer_ = new QTimer(this);
  timer_->setObjectName("Timer1");
}

namespace {

// Raises a handler when a widget gets the focus (rule_kind runs its switch on focus too).
class FocusHook : public QObject {
 public:
  FocusHook(QObject* parent, std::function<void()> on_focus)
      : QObject(parent), on_focus_(std::move(on_focus)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) on_focus_();
    return false;
  }

 private:
  std::function<void()> on_focus_;
};

// Runs a function when a mouse button goes down on a widget, before the widget handles it.
class PressHook : public QObject {
 public:
  PressHook(QObject* parent, std::function<void()> on_press)
      : QObject(parent), on_press_(std::move(on_press)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) on_press_();
    return false;
  }

 private:
  std::function<void()> on_press_;
};

}  // namespace

EditorContext MainWindow::Context() {
  return EditorContext{files_, *messages_, picture1_->Surface(), nullptr};
}

void MainWindow::ConnectEvents() {
  auto on_click = [this](const char* name, std::function<void()> handler) {
    auto* button = findChild<QPushButton*>(name);
    connect(button, &QPushButton::clicked, this, [this, handler] { Run(handler); });
  };
  auto& m = model_;

  auto* rule_kind = findChild<QComboBox*>("rule_kind");
  connect(rule_kind, &QComboBox::activated, this,
          [this, &m](int) { Run([&m] { SwitchRuleKind(m); }); });
  rule_kind->installEventFilter(
      new FocusHook(rule_kind, [this, &m] { Run([&m] { SwitchRuleKind(m); }); }));
  auto* codebar_kind = findChild<QComboBox*>("codebar_kind");
  connect(codebar_kind, &QComboBox::activated, this,
          [this, &m](int) { Run([&m] { ChooseBarcodeKind(m); }); });
  auto* rule_list = findChild<QListWidget*>("rule_list");
  // A press starts afresh: a row change it makes is followed by its own click, which must not
  // run the selection twice; a row change by keyboard has no click after it.
  rule_list->viewport()->installEventFilter(
      new PressHook(rule_list, [this] { skip_next_click_ = false; }));
  connect(rule_list, &QListWidget::currentRowChanged, this, [this, &m](int) {
    skip_next_click_ = QApplication::mouseButtons() != Qt::NoButton;
    Run([this, &m] {
      EditorContext ctx = Context();
      SelectRule(m, ctx);
    });
  });
  // A click on the entry already selected still loads it, as the list's click event did.
  connect(rule_list, &QListWidget::itemClicked, this, [this, &m](QListWidgetItem*) {
    if (skip_next_click_) {
      skip_next_click_ = false;  // the row change of this click already ran it
      return;
    }
    Run([this, &m] {
      EditorContext ctx = Context();
      SelectRule(m, ctx);
    });
  });

  on_click("l_add", [this, &m] {
    EditorContext ctx = Context();
    AddRule(m, ctx);
  });
  on_click("l_modify", [this, &m] {
    EditorContext ctx = Context();
    ModifyRule(m, ctx);
  });
  on_click("l_del", [this, &m] {
    EditorContext ctx = Context();
    DeleteRule(m, ctx);
  });
  on_click("find_font", [this, &m] { FindFont(m, *dialogs_); });
  on_click("pic_brower", [this, &m] { PictureBrowse(m, *dialogs_); });
  on_click("print_rule", [this] { PrintRun(); });
  on_click("save_setting", [this, &m] { SaveSettings(m, files_, *messages_); });
  on_click("get_default_set", [this, &m] { LoadSettings(m, files_, *messages_); });
  on_click("file_new", [this, &m] { FileNew(m, files_, *messages_, picture1_->Surface()); });
  on_click("file_open",
           [this, &m] { FileOpen(m, files_, *dialogs_, *messages_, picture1_->Surface()); });
  on_click("file_save", [this, &m] { FileSave(m, files_, *dialogs_, *messages_); });
  on_click("file_save_a", [this, &m] { FileSaveAs(m, files_, *dialogs_, *messages_); });
  on_click("Command2", [this] { ShowHelp(*shell_); });
  connect(findChild<QPushButton*>("Command1"), &QPushButton::clicked, this,
          [this] { ShowAbout(); });

  connect(picture1_, &PreviewWidget::Pressed, this, [this, &m](double x, double y) {
    Run([this, &m, x, y] {
      EditorContext ctx = Context();
      PreviewClick(m, ctx, x, y);
    });
  });

  connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
  Run([this, &m] {
    EditorContext ctx = Context();
    StartUp(m, ctx);
  });
  timer_->setInterval(model_.Timer1.interval_ms);
  if (model_.Timer1.enabled) timer_->start();
}

void MainWindow::Tick() {
  Run([this] { TimerTick(model_, picture2_->Surface(), *shell_); });
}

void MainWindow::OpenDesign(const std::string& path) {
  Run([this, &path] {
    FileOpenPath(model_, files_, *messages_, picture1_->Surface(), nullptr, path);
  });
}

void MainWindow::ShowAbout() {
  if (about_ == nullptr) about_ = new AboutWindow(this);
  about_->show();
  about_->raise();
  about_->activateWindow();
}

// Reads every barcode of the first and last label back at the printer's resolution; asks when
// one does not read as its data. Returns whether to go on printing.
bool MainWindow::SymbolsReadOrUserAgrees() {
  if (!files_.FileExists(std::string(kWorkingFileName))) return true;  // the run says why
  const auto rules = std::make_unique<RuleTable>(ReadRuleTable(files_));
  LabelDrawing how;
  how.unitsPerMm = model_.UnitsPerMm;
  how.pictures = &files_;
  ZXingSymbolReader reader;
  // A printer set up at screen resolution does not tell its dots: check at the coarsest.
  const double dpi = printer_.outputFormat() == QPrinter::NativeFormat &&
                             printer_.resolution() >= kCoarsestPrinterDpi
                         ? printer_.resolution()
                         : kCoarsestPrinterDpi;
  const auto warnings =
      SymbolWarnings(*rules, NumericValue(model_.l_amount.text), how, dpi, true, reader);
  return ConfirmSymbolWarnings(warnings, *messages_, model_.AppTitle);
}

void MainWindow::PrintRun() {
  if (!SymbolsReadOrUserAgrees()) return;
  QtPrinter printer(printer_);
  QProgressDialog progress(this);
  progress.setWindowTitle(Q(model_.AppTitle));
  progress.setLabelText(QString::fromUtf8("列印中..."));
  progress.setCancelButtonText(QString::fromUtf8("取消"));
  progress.setMinimumDuration(0);
  // The design and the layout must not change while the run draws them.
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.reset();
  progress.hide();
  auto on_page = [&progress](const PrintProgress& p) {
    // Only runs of more than a page show their progress.
    if (p.labels < p.total) {
      progress.setMaximum(static_cast<int>(std::min<int64_t>(p.total, INT32_MAX)));
      progress.setValue(static_cast<int>(std::min<int64_t>(p.labels, INT32_MAX)));
      progress.show();
      QApplication::processEvents();
    }
    return !progress.wasCanceled();
  };
  PrintLabels(model_, files_, *messages_, *dialogs_, printer, on_page);
}

}  // namespace vellomir
