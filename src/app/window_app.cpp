#include "app/window_app.h"

#include <QApplication>
#include <QFileInfo>

#include "gui/main_window.h"
#include "gui/qt_surface.h"
#include "platform/file_system.h"
#include "form/main_window_model.h"

namespace vellomir {

int RunWindow(int& argc, char** argv, const std::string& design) {
  QApplication app(argc, argv);
  InstallFontSubstitutions();
  // The interface is Chinese throughout; a Ming face shows every caption.
  QFont ui_font = QApplication::font();
  ui_font.setFamilies({ui_font.family(), "AR PL UMing TW", "AR PL UMing CN"});
  QApplication::setFont(ui_font);

  MainWindowModel model;
  FileSystem here(".");
  MainWindow window(model, here);
  window.show();
  if (!design.empty()) {
    window.OpenDesign(QFileInfo(QString::fromStdString(design)).absoluteFilePath().toStdString());
  }
  return app.exec();
}

}  // namespace vellomir
