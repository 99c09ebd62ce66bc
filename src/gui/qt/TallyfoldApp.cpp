// The windowed program: the Qt window services under the command units.
#include <QApplication>

#include "qt/QtWindowServices.h"
#include "startup/main.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tallyfold"));

  tallyfold::QtWindowServices services;
  tallyfold::setWindowServices(&services);
  tallyfold::buildMenus();
  services.frame()->show();
  tallyfold::main();
  const int status = QApplication::exec();

  // No worker outlives the windows it draws into.
  services.joinThreads();
  tallyfold::setWindowServices(nullptr);
  return status;
}
