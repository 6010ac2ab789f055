#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <map>
#include <set>

#include "gui/main_window.h"
#include "output/qt_surface.h"
#include "gui/window_wiring.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "support/files.h"
#include "support/window_fixture.h"

namespace vellomir {
namespace {

class WindowWiringTest : public test::WindowTest {
 protected:
  void SetUp() override {
    ShowWindow();
    QObject::connect(window_.get(), &MainWindow::ActionPerformed,
                     [this](const QString& name) { performed_.push_back(name.toStdString()); });
  }

  std::vector<std::string> performed_;
};

TEST_F(WindowWiringTest, EveryControlIsNamedOnceAndMadeAsTheWidgetOfItsKind) {
  std::set<std::string_view> names;
  for (const ControlWiring& row : WindowControls()) {
    EXPECT_TRUE(names.insert(row.name).second) << "named twice: " << row.name;
    const QString name = QString::fromUtf8(row.name.data(), static_cast<int>(row.name.size()));
    const QList<QWidget*> found = window_->findChildren<QWidget*>(name);
    ASSERT_EQ(found.size(), 1) << row.name;
    QWidget* w = found.front();
    const bool right_kind = std::visit(
        [w](auto member) {
          using Control =
              std::remove_reference_t<decltype(std::declval<MainWindowModel&>().*member)>;
          return qobject_cast<typename WidgetFor<Control>::type*>(w) != nullptr;
        },
        row.member);
    EXPECT_TRUE(right_kind) << row.name << " is a " << w->metaObject()->className();
    // Each member is bound to one control only.
    for (const ControlWiring& other : WindowControls())
      if (&other != &row) {
        EXPECT_FALSE(other.member == row.member) << row.name << " " << other.name;
      }
  }
  EXPECT_EQ(FindControl("print_rul"), nullptr);
  ASSERT_NE(FindControl("print_rule"), nullptr);
}

TEST_F(WindowWiringTest, EveryCommandButtonOfTheWindowHasAHandler) {
  // The window's buttons, each with what it must do.
  for (const char* name : {"pic_brower", "find_font", "l_add", "l_modify", "l_del", "print_rule",
                           "save_setting", "get_default_set", "file_open", "file_save",
                           "file_save_a", "file_new", "Command1", "Command2"}) {
    const ControlWiring* row = FindControl(name);
    ASSERT_NE(row, nullptr) << name;
    EXPECT_NE(row->action, WindowAction::kNone) << name;
  }
  for (const char* name : {"rule_list", "rule_kind", "codebar_kind"})
    EXPECT_NE(FindControl(name)->action, WindowAction::kNone) << name;
  EXPECT_EQ(FindControl("rule_kind")->on_focus, WindowAction::kSwitchRuleKind);
}

// Presses every button of the table as a user does and checks that its own handler ran: the
// window reports the control whose handler it ran, and the handler's effect is seen.
TEST_F(WindowWiringTest, PressingEveryButtonRunsItsHandler) {
  auto dialog_shown = [this](const char* kind, const char* title) {
    return [this, kind, title](std::size_t dialogs_before, std::size_t) {
      return dialogs_.shown.size() == dialogs_before + 1 && dialogs_.shown.back().kind == kind &&
             (title == nullptr || dialogs_.shown.back().dialog.title == title);
    };
  };
  auto message_shown = [this](const char* text) {
    return [this, text](std::size_t, std::size_t messages_before) {
      return messages_.shown.size() > messages_before &&
             (text == nullptr || messages_.shown.back().text == text);
    };
  };
  using Effect = std::function<bool(std::size_t, std::size_t)>;
  std::map<std::string, Effect> effects = {
      {"pic_brower", dialog_shown("open", "開啟圖片")},
      {"merge_browse", dialog_shown("open", "選擇資料檔")},
      {"find_font", dialog_shown("font", nullptr)},
      {"l_add", message_shown("請輸入完整的資料才可以新增!!")},
      {"l_modify", message_shown("請選定一個規則來做修改!!")},
      {"l_del", message_shown("請選定一個規則來做刪除!!")},
      {"print_rule", message_shown(nullptr)},
      {"save_setting", message_shown("設定儲存成功!!慶祝一下吧!")},
      {"get_default_set",
       [this](std::size_t, std::size_t) {
         return window_->findChild<QLineEdit*>("s_top")->text() == "5";
       }},
      {"file_open", dialog_shown("open", "開啟標籤檔")},
      {"file_save", message_shown(nullptr)},
      {"file_save_a", message_shown(nullptr)},
      {"file_new", [this](std::size_t, std::size_t) { return model_.CurrentFileName.empty(); }},
      {"Command1",
       [this](std::size_t, std::size_t) {
         auto* about = window_->findChild<QWidget*>("Form2");
         return about != nullptr && about->isVisible();
       }},
      {"Command2",
       [this](std::size_t, std::size_t) {
         return shell_.opened == std::vector<std::string>{"readme.txt"};
       }},
  };
  int pressed = 0;
  for (const ControlWiring& row : WindowControls()) {
    const QString name = QString::fromUtf8(row.name.data(), static_cast<int>(row.name.size()));
    auto* button = window_->findChild<QPushButton*>(name);
    if (button == nullptr) continue;
    SCOPED_TRACE(row.name);
    if (row.name == "get_default_set") window_->findChild<QLineEdit*>("s_top")->setText("99");
    if (row.name == "file_new") model_.CurrentFileName = "old.vlm";
    button->setEnabled(true);  // some wait for a rule kind that offers them
    const std::size_t dialogs_before = dialogs_.shown.size();
    const std::size_t messages_before = messages_.shown.size();
    performed_.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(performed_, std::vector<std::string>{std::string(row.name)});
    ASSERT_TRUE(effects.count(std::string(row.name))) << "no expected effect for this button";
    EXPECT_TRUE(effects[std::string(row.name)](dialogs_before, messages_before));
    ++pressed;
  }
  EXPECT_EQ(pressed, static_cast<int>(effects.size()));
}

TEST_F(WindowWiringTest, ChoicesInTheComboBoxesRunTheirHandlers) {
  auto* kind = window_->findChild<QComboBox*>("rule_kind");
  kind->setCurrentIndex(1);
  emit kind->activated(1);
  EXPECT_EQ(performed_, std::vector<std::string>{"rule_kind"});
  EXPECT_TRUE(window_->findChild<QLineEdit*>("l_fontname")->isEnabled());
  kind->setCurrentIndex(0);
  emit kind->activated(0);
  window_->Tick();
  performed_.clear();
  auto* barcode = window_->findChild<QComboBox*>("codebar_kind");
  barcode->setCurrentIndex(8);
  emit barcode->activated(8);
  EXPECT_EQ(performed_, std::vector<std::string>{"codebar_kind"});
  EXPECT_TRUE(window_->findChild<QCheckBox*>("Check2")->isChecked());
}

}  // namespace
}  // namespace vellomir
