#include "app/application.h"

#include <QApplication>
#include <QWidget>

#include "app/skin_hooks.h"

namespace qf {

int RunApplication(int argc, char** argv) {
  QApplication application(argc, argv);
  CreateSkinModule();
  LoadSkinEngine();
  QWidget window;
  window.show();
  QApplication::exec();
  DestroySkinModule();
  return 0;
}

}  // namespace qf
