// Takes the screenshots of the README: the real program in a real window
// (run it under xvfb-run), after opening an example and after a calculation,
// and with further files the goodness-of-fit window, the cut-off analysis
// and the confidence intervals of a bootstrap.
//   tallyfold_screenshots EXAMPLE DATA_PNG RESULTS_PNG [FIT_PNG [CUTOFF_PNG [INTERVALS_PNG]]]
#include <QApplication>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

#include "ProgramDriver.h"
#include "QtTestSupport.h"
#include "state/GlobalVar.h"
#include "commands/Cutoff.h"
#include "views/GoodnessOfFitView.h"

int main(int argc, char** argv) {
  if (argc < 4 || argc > 7) {
    std::fprintf(stderr, "usage: %s EXAMPLE DATA_PNG RESULTS_PNG [FIT_PNG [CUTOFF_PNG [INTERVALS_PNG]]]\n", argv[0]);
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
  // Maximises child window `unit` and saves the frame as argv[index].
  const auto shoot = [&](int unit, int index) {
    if (QMdiSubWindow* window = services.subWindow(unit)) {
      window->showNormal();
      window->showMaximized();
      window->setFocus();
    }
    tallyfold::processEventsUntil([] { return false; }, 500);
    return services.frame()->grab().save(QString::fromLocal8Bit(argv[index]));
  };
  const tallyfold::GlobalVar& g = tallyfold::globalVar();
  if (argc > 4) {
    tallyfold::showGoodnessOfFit();
    if (!shoot(g.goodnessOfFitUnit, 4)) return 6;
  }
  if (argc > 5) {
    tallyfold::startCutoffAnalysis();
    if (!tallyfold::processEventsUntil([&] { return g.calcThread.load() == -1; }, 60000)) return 7;
    if (!shoot(g.cutoffUnit, 5)) return 8;
  }
  if (argc > 6) {
    if (!tallyfold::bootstrap(services)) return 9;
    if (!shoot(g.intervalsUnit, 6)) return 10;
  }
  std::fflush(nullptr);
  std::_Exit(0);
}
