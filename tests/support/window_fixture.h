#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <memory>

#include "form/main_window_model.h"
#include "gui/main_window.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "support/files.h"
#include "support/recording_doubles.h"

// The main window for tests: shown over a temporary folder, with services that record what the
// window showed and answer from a script.
namespace vellomir::test {

// The widget application of the test process, made on first use with the program's font
// substitutions.
void EnsureWidgetApplication();

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureWidgetApplication(); }

  void ShowWindow() {
    window_ = std::make_unique<MainWindow>(model_, files_,
                                           WindowServices{&messages_, &dialogs_, &shell_});
    window_->show();
  }

  template <typename W>
  W* Find(const char* name) {
    W* w = window_->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  void Press(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }

  TempDir dir_;
  FileSystem files_{dir_.path().string()};
  MainWindowModel model_;
  RecordingMessageBox messages_;
  RecordingDialogs dialogs_;
  RecordingShell shell_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace vellomir::test
