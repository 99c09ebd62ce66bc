// Takes the screenshots of the README: the real program in a real window
// (run it under xvfb-run), after opening an example and after a calculation,
// and with a fourth file the goodness-of-fit window.
//   tallyfold_screenshots EXAMPLE DATA_PNG RESULTS_PNG [FIT_PNG]
#include <QApplication>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

#include "ProgramDriver.h"
#include "QtTestSupport.h"
#include "state/GlobalVar.h"
#include "views/GoodnessOfFitView.h"

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s EXAMPLE DATA_PNG RESULTS_PNG [FIT_PNG]\n", argv[0]);
    return 1;
  }
  QApplication app(argc, argv);
  tallyfold::QtWindowServices services;
  tallyfold::startProgram(services);
  tallyfold::processEventsUntil([] { return false; }, 500);

  tallyfold::openDataFile(services, QString::fromLocal8Bit(argv[1]));
  if (!tallyfold::processEventsUntil([] { return tallyfold::globalVar().dataAvailable == 1; })) return 2;
  tallyfold::processEventsUntil([] { return false; }, 500);
  if (!services.frame()->grab().save(QString::fromLocal8Bit(argv[2]))) return 3;

  if (!tallyfold::calculate(services, QStringLiteral("NPMLE"))) return 4;
  if (QMdiSubWindow* results = services.subWindow(25)) results->showMaximized();
  tallyfold::processEventsUntil([] { return false; }, 500);
  if (!services.frame()->grab().save(QString::fromLocal8Bit(argv[3]))) return 5;
  if (argc == 5) {
    tallyfold::showGoodnessOfFit();
    if (QMdiSubWindow* fit = services.subWindow(tallyfold::globalVar().goodnessOfFitUnit)) fit->showMaximized();
    tallyfold::processEventsUntil([] { return false; }, 500);
    if (!services.frame()->grab().save(QString::fromLocal8Bit(argv[4]))) return 6;
  }
  std::fflush(nullptr);
  std::_Exit(0);
}
