#pragma once

#include <QMainWindow>
#include <functional>
#include <string>

#include "document/rule_editor.h"
#include "form/main_window_model.h"
#include "gui/main_window_layout.h"
#include "gui/picture_box_widget.h"
#include "gui/qt_dialogs.h"
#include "gui/widget_bindings.h"
#include "gui/window_wiring.h"
#include "platform/file_system.h"
#include "platform/work_folder.h"
#include "render/rule_list.h"

class QTabWidget;
class QTimer;

namespace vellomir {

class AboutWindow;

// Services that replace the desktop's own (tests give scripted ones); null keeps Qt's.
struct WindowServices {
  MessageBox* messages = nullptr;
  DialogService* dialogs = nullptr;
  Shell* shell = nullptr;
};

// The main window as a thin view over MainWindowModel, made, bound and connected from the
// wiring table (window_wiring.h). Before a handler runs the widgets are read into the model;
// afterwards the model is written back with signals blocked. What the user does to the widgets
// alone (focus, Tab, a click on a tab) changes nothing in the model.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `here` is the current folder (settings file, pictures); `work` holds the working files.
  // Start-up runs here, with the services given.
  MainWindow(MainWindowModel& model, FileSystem& here, FileSystem& work,
             WindowServices overrides = {}, QWidget* parent = nullptr);
  // Working files in the current folder too.
  MainWindow(MainWindowModel& model, FileSystem& files, WindowServices overrides = {},
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // Runs one event handler: widgets into the model, the handler, the model back to widgets.
  void Run(const std::function<void()>& handler);
  void ReadWidgets();
  void WriteWidgets();

  MainWindowModel& model() { return model_; }
  PictureBoxWidget* picture1() { return parts_.picture1; }
  // One timer tick, as Timer1 gives every 500 ms.
  void Tick();
  // Opens a label file as the open command does, without its dialog (from the command line).
  void OpenDesign(const std::string& path);
  // Offers the newest design that a window which ended without closing left under `root`;
  // one reopened here leaves its folder behind no more.
  void OfferLeftoverDesigns(const std::string& root,
                            const std::function<bool(pid_t)>& runs = ProcessRuns);

 signals:
  // A handler of the wiring table ran, for `control`.
  void ActionPerformed(const QString& control);

 private:
  void MakeControls();
  void ConnectControl(const ControlWiring& row, QWidget* widget);
  void ConnectEvents();
  void Perform(WindowAction action);
  void RunAction(const ControlWiring& row, WindowAction action);
  void ShowAbout();
  void ShowPreviewView();
  // Asks before unsaved work would go; 取消 keeps the window open.
  void closeEvent(QCloseEvent* event) override;
  void PrintRun();
  EditorContext Context();

  MainWindowModel& model_;
  FileSystem& here_;
  FileSystem& files_;  // the working files
  QtMessageBox qt_messages_;
  QtDialogs qt_dialogs_;
  QtShell qt_shell_;
  MessageBox* messages_;
  DialogService* dialogs_;
  Shell* shell_;

  WidgetBindings bindings_;
  ControlWidgets widgets_;
  MainWindowParts parts_;
  std::unique_ptr<RuleListView> view_;  // rule list and preview on parts_.picture1
  QTimer* timer_ = nullptr;
  AboutWindow* about_ = nullptr;
  bool busy_ = false;
  bool skip_next_click_ = false;
};

}  // namespace vellomir
