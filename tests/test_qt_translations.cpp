#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

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

}  // namespace
}  // namespace vellomir
