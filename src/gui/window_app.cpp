#include "gui/window_app.h"

#include <unistd.h>

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <chrono>
#include <filesystem>

#include "form/main_window_model.h"
#include "gui/main_window.h"
#include "output/qt_surface.h"
#include "gui/qt_translations.h"
#include "platform/file_system.h"
#include "platform/work_folder.h"

namespace vellomir {

std::optional<WindowFolder> MakeWindowFolder() {
  const std::string root = WindowFoldersRoot();
  if (!root.empty()) {
    RemoveOldLeftovers(root, std::chrono::system_clock::now());
    if (auto folder = WindowFolder::Create(root)) return folder;
  }
  // No usable runtime or data folder: the system's temporary folder, in a root of the user's.
  std::error_code ec;
  const auto temp = std::filesystem::temp_directory_path(ec);
  if (ec) return std::nullopt;
  const std::string fallback = (temp / ("vellomir-" + std::to_string(::getuid()))).string();
  RemoveOldLeftovers(fallback, std::chrono::system_clock::now());
  return WindowFolder::Create(fallback);
}

int RunWindow(int& argc, char** argv, const std::string& design) {
  QApplication app(argc, argv);
  InstallQtTranslations(app);
  InstallFontSubstitutions();
  // The interface is Chinese throughout; a Ming face shows every caption.
  QFont ui_font = QApplication::font();
  ui_font.setFamilies({ui_font.family(), "AR PL UMing TW", "AR PL UMing CN"});
  QApplication::setFont(ui_font);

  std::optional<WindowFolder> folder = MakeWindowFolder();
  if (!folder) {
    QMessageBox::critical(nullptr, QString::fromUtf8(kAppTitle.data(), int(kAppTitle.size())),
                          QString::fromUtf8("無法建立存放工作檔的資料夾,程式無法開啟!!"));
    return 1;
  }
  MainWindowModel model;
  FileSystem here(".");
  FileSystem work(folder->Path());
  MainWindow window(model, here, work);
  window.show();
  if (!design.empty()) {
    window.OpenDesign(QFileInfo(QString::fromStdString(design)).absoluteFilePath().toStdString());
  } else {
    // A window that crashed or was killed left its design behind: offered before anything else.
    window.OfferLeftoverDesigns(std::filesystem::path(folder->Path()).parent_path().string());
  }
  return app.exec();
}

}  // namespace vellomir
