#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QRegularExpression>

#include "gui/qt_dialogs.h"

namespace vellomir {
namespace {

TEST(QtFileDialogFilters, LabelAndPictureFiltersBecomeQtNameFilters) {
  EXPECT_EQ(ToQtNameFilters("Vellomir資料檔(*.vlm)|*.vlm"), QString("Vellomir資料檔(*.vlm)"));
  EXPECT_EQ(
      ToQtNameFilters("所有圖片格式(*.*)|*.*|*.jpg|*.jpg|*.gif|*.gif|*.bmp|*.bmp|*.png|*.png"),
      QString("所有圖片格式(*.*);;*.jpg (*.jpg);;*.gif (*.gif);;*.bmp (*.bmp);;*.png (*.png)"));
  // A display text whose brackets name other patterns shows the real ones.
  EXPECT_EQ(ToQtNameFilters("Pictures (*.x)|*.png"), QString("Pictures (*.png)"));
  // A text without its pattern is dropped rather than offered as a filter matching nothing.
  EXPECT_EQ(ToQtNameFilters("Labels|*.vlm|Orphan"), QString("Labels (*.vlm)"));
}

TEST(QtClock, TimeIsHoursToSecondsWithoutAZone) {
  static int argc = 1;
  static char name[] = "test_qt_dialogs";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  const QString time = QString::fromStdString(QtShell().CurrentTime());
  EXPECT_TRUE(QRegularExpression("\\d{1,2}:\\d{2}:\\d{2}").match(time).hasMatch())
      << time.toStdString();
  EXPECT_FALSE(time.contains("UTC")) << time.toStdString();
  EXPECT_FALSE(QString::fromStdString(QtShell().CurrentDate()).isEmpty());
}

}  // namespace
}  // namespace vellomir
