#include "support/window_fixture.h"

#include <QApplication>

#include "output/qt_surface.h"

namespace vellomir::test {

void EnsureWidgetApplication() {
  if (qApp != nullptr) return;
  static int argc = 1;
  static char name[] = "vellomir-test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
  InstallFontSubstitutions();
}

}  // namespace vellomir::test
