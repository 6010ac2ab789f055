#include "gui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <vector>

#include "document/label_file.h"
#include "document/rule_editor.h"
#include "gui/about_window.h"
#include "output/cups_printer.h"
#include "output/label_printer.h"
#include "gui/printer_calibration_dialog.h"
#include "output/qt_surface.h"
#include "output/zxing_symbol_reader.h"
#include "platform/text_util.h"
#include "platform/work_folder.h"
#include "render/print_log.h"
#include "settings/data_file_memory.h"
#include "settings/settings_file.h"
#include "ui/merge_handler.h"
#include "ui/print_handler.h"
#include "ui/window_events.h"

namespace vellomir {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

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

// Buttons forgive: Enter presses the focused one, as Space does, and the second click of a
// double-click is not a second press (one double-click on 移除 removes one rule). The toolkit
// delivers that second click as a press and a double-click event; both are dropped.
class ButtonHook : public QObject {
 public:
  explicit ButtonHook(QPushButton* button) : QObject(button), button_(button) {}
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonDblClick:
        return true;
      case QEvent::MouseButtonPress: {
        const quint64 at = static_cast<QInputEvent*>(event)->timestamp();
        const quint64 interval = static_cast<quint64>(QApplication::doubleClickInterval());
        const bool second = pressed_ && at >= last_press_ && at - last_press_ < interval;
        pressed_ = true;
        last_press_ = at;
        return second;
      }
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && button_->isEnabled()) {
          button_->click();
          return true;
        }
        return false;
      }
      default:
        return false;
    }
  }

 private:
  QPushButton* button_;
  bool pressed_ = false;
  quint64 last_press_ = 0;
};

}  // namespace

MainWindow::MainWindow(MainWindowModel& model, FileSystem& here, FileSystem& work,
                       WindowServices overrides, QWidget* parent)
    : QMainWindow(parent),
      model_(model),
      here_(here),
      files_(work),
      qt_messages_(this),
      qt_dialogs_(this),
      messages_(overrides.messages ? overrides.messages : &qt_messages_),
      dialogs_(overrides.dialogs ? overrides.dialogs : &qt_dialogs_),
      shell_(overrides.shell ? overrides.shell : &qt_shell_) {
  setObjectName("Form1");
  setWindowTitle(Q(model_.window_title));
  MakeControls();
  parts_ = LayOutMainWindow(*this, widgets_, model_);
  AddCalibrationButton(parts_.tabs->widget(1), this, [this] {
    return std::pair{NumericValue(model_.l_paper_width.text),
                     NumericValue(model_.l_paper_height.text)};
  });
  view_ = std::make_unique<RuleListView>(parts_.picture1->Surface(), files_, &here_);
  // A bound control the layout left out still belongs to the window, hidden.
  for (const ControlWiring& row : WindowControls()) {
    QWidget* w = widgets_.Of(row.member);
    if (w->parent() == nullptr) {
      w->setParent(this);
      w->hide();
    }
  }
  // As large as the window wants, but never past the screen it opens on.
  if (const QScreen* screen = this->screen())
    resize(sizeHint().boundedTo(screen->availableGeometry().size()));
  timer_ = new QTimer(this);
  timer_->setObjectName("Timer1");
  WriteWidgets();
  ConnectEvents();
}

MainWindow::MainWindow(MainWindowModel& model, FileSystem& files, WindowServices overrides,
                       QWidget* parent)
    : MainWindow(model, files, files, overrides, parent) {}

MainWindow::~MainWindow() = default;

void MainWindow::ReadWidgets() {
  bindings_.ReadAll();
  model_.SSTab1.current_tab = parts_.tabs->currentIndex();
}

void MainWindow::WriteWidgets() {
  std::vector<std::unique_ptr<QSignalBlocker>> blockers;
  for (QWidget* w : findChildren<QWidget*>())
    blockers.push_back(std::make_unique<QSignalBlocker>(w));
  bindings_.WriteAll();
  setWindowTitle(Q(model_.window_title));
  if (!model_.focus_request.empty()) {
    if (auto* w = findChild<QWidget*>(Q(model_.focus_request))) w->setFocus();
    model_.focus_request.clear();
  }
  parts_.picture1->SetSizeTwips(model_.Picture1.width, model_.Picture1.height);
  parts_.picture2->SetSizeTwips(model_.Picture2.width, model_.Picture2.height);
  // Each turn (a timer tick among them) draws again only what changed.
  parts_.picture1->Refresh();
  parts_.picture2->Refresh();
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

void MainWindow::MakeControls() {
  for (const ControlWiring& row : WindowControls()) {
    std::visit(
        [this, &row](auto member) {
          using Control = std::remove_reference_t<decltype(model_.*member)>;
          // No parent yet: the layout parents each widget where it places it, and that order
          // is the tab order.
          auto* widget = new typename WidgetFor<Control>::type;
          widget->setObjectName(Q(row.name));
          bindings_.Bind(widget, model_.*member);
          widgets_.Add(row.member, widget);
        },
        row.member);
  }
}

EditorContext MainWindow::Context() { return EditorContext{files_, *messages_, *view_, &here_}; }

void MainWindow::Perform(WindowAction action) {
  auto& m = model_;
  EditorContext ctx = Context();
  switch (action) {
    case WindowAction::kNone:
      break;
    case WindowAction::kSwitchRuleKind:
      SwitchRuleKind(m);
      break;
    case WindowAction::kChooseBarcodeKind:
      ChooseBarcodeKind(m);
      break;
    case WindowAction::kSelectRule:
      SelectRule(m, ctx);
      break;
    case WindowAction::kAddRule:
      AddRule(m, ctx);
      break;
    case WindowAction::kModifyRule:
      ModifyRule(m, ctx);
      break;
    case WindowAction::kDeleteRule:
      DeleteRule(m, ctx);
      break;
    case WindowAction::kBrowsePicture:
      PictureBrowse(m, *dialogs_);
      break;
    case WindowAction::kChooseFont:
      FindFont(m, *dialogs_);
      break;
    case WindowAction::kPrint:
      PrintRun();
      break;
    case WindowAction::kBrowseMergeData:
      BrowseMergeData(m, *dialogs_, ctx, DefaultDataFileMemoryPath());
      break;
    case WindowAction::kPickMergeRow:
      PickMergeRow(m, ctx);
      break;
    case WindowAction::kSaveSettings:
      SaveSettings(m, here_, *messages_);
      break;
    case WindowAction::kLoadSettings:
      LoadSettings(m, here_, *messages_);
      break;
    case WindowAction::kFileNew:
      if (MayDropDesign(m, files_, *dialogs_, *messages_)) FileNew(m, files_, *messages_, *view_);
      break;
    case WindowAction::kFileOpen:
      if (MayDropDesign(m, files_, *dialogs_, *messages_)) {
        FileOpen(m, files_, *dialogs_, *messages_, *view_);
        RecallMergeData(m, ctx, DefaultDataFileMemoryPath());
      }
      break;
    case WindowAction::kFileSave:
      FileSave(m, files_, *dialogs_, *messages_);
      break;
    case WindowAction::kFileSaveAs:
      FileSaveAs(m, files_, *dialogs_, *messages_);
      break;
    case WindowAction::kShowAbout:
      ShowAbout();
      break;
    case WindowAction::kShowHelp:
      ShowHelp(*shell_);
      break;
    case WindowAction::kChoosePreviewView:
      ChoosePreviewView(m);
      ShowPreviewView();
      break;
  }
}

void MainWindow::RunAction(const ControlWiring& row, WindowAction action) {
  if (busy_) return;
  Run([this, action] { Perform(action); });
  emit ActionPerformed(Q(row.name));
}

void MainWindow::ConnectControl(const ControlWiring& row, QWidget* widget) {
  const WindowAction action = row.action;
  if (row.on_focus != WindowAction::kNone) {
    const WindowAction on_focus = row.on_focus;
    widget->installEventFilter(
        new FocusHook(widget, [this, &row, on_focus] { RunAction(row, on_focus); }));
  }
  if (action == WindowAction::kNone) return;
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->installEventFilter(new ButtonHook(button));
    connect(button, &QPushButton::clicked, this, [this, &row, action] { RunAction(row, action); });
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    connect(combo, &QComboBox::activated, this,
            [this, &row, action](int) { RunAction(row, action); });
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    // A press starts afresh: a selection it makes is followed by its own click, which must not
    // run the handler twice; a selection made by keyboard has no click after it.
    list->viewport()->installEventFilter(new PressHook(list, [this] { skip_next_click_ = false; }));
    connect(list, &QListWidget::itemSelectionChanged, this, [this, &row, action] {
      skip_next_click_ = QApplication::mouseButtons() != Qt::NoButton;
      RunAction(row, action);
    });
    // A click on the entry already selected still loads it, as the list's click event did.
    connect(list, &QListWidget::itemClicked, this, [this, &row, action](QListWidgetItem*) {
      if (skip_next_click_) {
        skip_next_click_ = false;  // the selection change of this click already ran it
        return;
      }
      RunAction(row, action);
    });
  }
}

void MainWindow::ConnectEvents() {
  for (const ControlWiring& row : WindowControls()) ConnectControl(row, widgets_.Of(row.member));

  auto& m = model_;
  connect(parts_.picture1, &PictureBoxWidget::Pressed, this, [this, &m](double x, double y) {
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

void MainWindow::ShowPreviewView() {
  parts_.picture1->SetZoom(model_.PreviewZoom);
  if (parts_.picture1->Surface().DotsPerInch() != model_.PreviewDotsPerInch) {
    parts_.picture1->SetDotsPerInch(model_.PreviewDotsPerInch);
    view_->Refresh(model_);  // symbol ends and hit boxes follow the dots
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  bool may_close = true;
  if (busy_) {
    may_close = false;  // a handler is still running (a dialog of it is open)
  } else {
    Run([this, &may_close] { may_close = MayDropDesign(model_, files_, *dialogs_, *messages_); });
  }
  if (may_close) {
    event->accept();
  } else {
    event->ignore();
  }
}

void MainWindow::OfferLeftoverDesigns(const std::string& root,
                                      const std::function<bool(pid_t)>& runs) {
  for (const std::string& folder : FindLeftovers(root, runs)) {
    const FileSystem leftover(folder);
    bool reopened = false;
    Run([&] { reopened = OfferLeftoverDesign(model_, files_, leftover, *messages_, *view_); });
    if (reopened) {
      // Its design lives on in this window.
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
      return;
    }
  }
}

void MainWindow::Tick() {
  Run([this] { TimerTick(model_, parts_.picture2->Surface(), *shell_); });
}

void MainWindow::OpenDesign(const std::string& path) {
  Run([this, &path] {
    FileOpenPath(model_, files_, *messages_, *view_, path);
    EditorContext ctx = Context();
    RecallMergeData(model_, ctx, DefaultDataFileMemoryPath());
  });
}

void MainWindow::ShowAbout() {
  if (about_ == nullptr) about_ = new AboutWindow(this);
  about_->show();
  about_->raise();
  about_->activateWindow();
}

void MainWindow::PrintRun() {
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
  // Every symbol of the first and last label is read back at the printer's resolution first.
  ZXingSymbolReader reader;
  const QtTextMetrics metrics(kTextMetricsDpi);
  const QtPictureProbe picture_sizes;
  // Jobs carry the design's file name, so the queue shows what is printing.
  const std::string job_name = QFileInfo(Q(model_.CurrentFileName)).fileName().toStdString();
  PrintHandlerServices services{*messages_,
                                *dialogs_,
                                [this, &job_name](const CommonDialog& chosen,
                                                  std::string& problem) {
                                  // A label printer in its own language takes the label's size.
                                  return OpenChosenLabelPrinter(
                                      chosen, job_name, NumericValue(model_.l_paper_width.text),
                                      NumericValue(model_.l_paper_height.text), problem);
                                },
                                on_page,
                                &here_,  // pictures of the rules are the user's
                                DefaultPrintLogPath(),
                                &reader,
                                &metrics,
                                &picture_sizes};
  PrintLabels(model_, files_, services);
  ShowPreviewView();
}

}  // namespace vellomir
