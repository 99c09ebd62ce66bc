// The windowed program: the Qt window services under the command units.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

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

  // Worker threads may still be running; end without the destructors that
  // they depend on.
  std::fflush(nullptr);
  std::_Exit(status);
}
