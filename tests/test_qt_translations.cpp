#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "form/main_window_model.h"
#include "gui/qt_dialogs.h"
#include "output/qt_surface.h"
#include "gui/qt_translations.h"

namespace vellomir {
namespace {

class QtTranslationsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (qApp == nullptr) {
      static int argc = 1;
      static char name[] = "test_qt_translations";
      static char* argv[] = {name, nullptr};
      new QApplication(argc, argv);
    }
    loaded_ = InstallQtTranslations(*qApp);
  }
  static inline bool loaded_ = false;
};

TEST_F(QtTranslationsTest, MessageBoxButtonsReadInChinese) {
  ASSERT_TRUE(loaded_) << "Qt's zh_TW translations are missing (qt6-translations-l10n)";
  QMessageBox box(QMessageBox::Warning, "Vellomir 0.1版...警告", "您要存的檔已存在, 要覆蓋嗎?",
                  QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Ok)->text().remove('&'), QString::fromUtf8("確定"));
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&'), QString::fromUtf8("取消"));
}

TEST_F(QtTranslationsTest, FileDialogSpeaksChinese) {
  ASSERT_TRUE(loaded_);
  QFileDialog dialog(nullptr, QString::fromUtf8("開啟標籤檔"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* buttons = dialog.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().remove('&'),
            QString::fromUtf8("取消"));
  auto* look_in = dialog.findChild<QLabel*>("lookInLabel");
  ASSERT_NE(look_in, nullptr);
  EXPECT_FALSE(look_in->text().contains("Look in"));
  EXPECT_FALSE(look_in->text().isEmpty());
}

// Not a check: pictures of Qt's dialogs as the program shows them, for people to look at.
// Run it under a real X display:
//   VELLOMIR_SCREENSHOTS=docs xvfb-run -a env QT_QPA_PLATFORM=xcb
//   build/tests/test_qt_translations --gtest_filter='*Screenshots*'
TEST_F(QtTranslationsTest, Screenshots) {
  const char* out = std::getenv("VELLOMIR_SCREENSHOTS");
  if (out == nullptr) GTEST_SKIP() << "set VELLOMIR_SCREENSHOTS to a folder to write them";
  InstallFontSubstitutions();
  QFont font = QApplication::font();
  font.setFamilies({font.family(), "AR PL UMing TW", "AR PL UMing CN"});
  QApplication::setFont(font);
  std::filesystem::create_directories(out);
  bool saved = false;
  auto grab_then_close = [&saved, out](const char* name) {
    saved = false;
    QTimer::singleShot(800, [&saved, out, name] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (dialog == nullptr) return;
      saved =
          dialog->grab().save(QString::fromStdString((std::filesystem::path(out) / name).string()));
      dialog->close();
    });
  };
  const MainWindowModel model;
  QtMessageBox messages(nullptr);
  grab_then_close("message-box-zh.png");
  messages.Show("您要存的檔已存在, 要覆蓋嗎?", model.AppTitle + "...警告",
                MessageButtons::kOkCancel);
  EXPECT_TRUE(saved);

  QtDialogs dialogs(nullptr);
  CommonDialog open = model.open_d_dial;
  open.init_dir = (std::filesystem::path(VELLOMIR_SOURCE_DIR) / "examples").string();
  grab_then_close("file-dialog-zh.png");
  dialogs.ShowOpen(open);
  EXPECT_TRUE(saved);
}

}  // namespace
}  // namespace vellomir
