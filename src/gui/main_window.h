#pragma once

#include <QMainWindow>
#include <QPrinter>
#include <functional>
#include <memory>
#include <vector>

#include "document/rule_editor.h"
#include "gui/preview_widget.h"
#include "gui/qt_services.h"
#include "platform/file_system.h"
#include "ui/main_window_model.h"

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

// The main window as a thin view over MainWindowModel: every widget's objectName is its
// control name; before a handler runs the widgets are read into the model, afterwards the
// model is written back with signals blocked. The program's rules live in the handlers.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `files` is the current folder, where the working files and the settings file live.
  // Start-up runs here, with the services given.
  MainWindow(MainWindowModel& model, FileSystem& files, WindowServices overrides = {},
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // Runs one event handler: widgets into the model, the handler, the model back to widgets.
  void Run(const std::function<void()>& handler);
  void ReadWidgets();
  void WriteWidgets();

  MainWindowModel& model() { return model_; }
  PreviewWidget* picture1() { return picture1_; }
  // One timer tick, as Timer1 gives every 500 ms.
  void Tick();
  // Opens a label file as the open command does, without its dialog (from the command line).
  void OpenDesign(const std::string& path);

 private:
  void BuildWidgets();
  void ConnectEvents();
  void ShowAbout();
  bool SymbolsReadOrUserAgrees();
  void PrintRun();
  EditorContext Context();

  template <typename W, typename M>
  void Bind(W* widget, M& control);

  MainWindowModel& model_;
  FileSystem& files_;
  QPrinter printer_;
  QtMessageBox qt_messages_;
  QtDialogs qt_dialogs_;
  QtShell qt_shell_;
  MessageBox* messages_;
  DialogService* dialogs_;
  Shell* shell_;

  struct Binding {
    std::function<void()> read;
    std::function<void()> write;
  };
  std::vector<Binding> bindings_;
  QTabWidget* tabs_ = nullptr;
  PreviewWidget* picture1_ = nullptr;
  PreviewWidget* picture2_ = nullptr;
  QTimer* timer_ = nullptr;
  AboutWindow* about_ = nullptr;
  bool busy_ = false;
  bool skip_next_click_ = false;
};

}  // namespace vellomir
