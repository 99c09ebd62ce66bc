// Takes the screenshots of the README: the real program in a real window
// (run it under xvfb-run), after opening an example and after a calculation,
// and with further files the goodness-of-fit window, the cut-off analysis
// and the confidence intervals of a bootstrap.
//   tallyfold_screenshots EXAMPLE DATA_PNG RESULTS_PNG [FIT_PNG [CUTOFF_PNG [INTERVALS_PNG]]]
// or the four plot windows, as DIR/plot-gradient.png, plot-fit.png,
// plot-bootstrap.png and plot-simulation.png:
//   tallyfold_screenshots --plots EXAMPLE DIR
// or the bootstrap and simulation dialogs as DIR/dialog-bootstrap.png and
// DIR/dialog-simulation.png:
//   tallyfold_screenshots --dialogs EXAMPLE DIR
#include <QApplication>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>
#include <QAction>
#include <QDialog>
#include <QMenu>
#include <memory>
#include <cstdio>
#include <string_view>

#include "ProgramDriver.h"
#include "QtTestSupport.h"
#include "state/GlobalVar.h"
#include "commands/Cutoff.h"
#include "views/GoodnessOfFitView.h"

namespace {

// The frame with plot window `unit` maximised, after its menu entry.
bool shootPlot(tallyfold::QtWindowServices& services, const QString& caption, int unit, const QString& path) {
  if (QAction* item = tallyfold::menuItem(services, 4, caption)) item->trigger();
  tallyfold::processEventsUntil([&] { return services.plotSubWindow(unit) != nullptr; });
  QMdiSubWindow* window = services.plotSubWindow(unit);
  if (!window) return false;
  window->showMaximized();
  tallyfold::processEventsUntil([] { return false; }, 700);
  return services.frame()->grab().save(path);
}

int plots(int argc, char** argv) {
  QApplication app(argc, argv);
  tallyfold::QtWindowServices services;
  tallyfold::startProgram(services);
  tallyfold::openDataFile(services, QString::fromLocal8Bit(argv[2]));
  if (!tallyfold::processEventsUntil([] { return tallyfold::globalVar().dataAvailable == 1; })) return 2;
  if (!tallyfold::calculate(services, QStringLiteral("NPMLE"))) return 4;
  const QString dir = QString::fromLocal8Bit(argv[3]);
  tallyfold::GlobalVar& g = tallyfold::globalVar();
  if (!shootPlot(services, QStringLiteral("&Gradient Function"), g.gradientPlotUnit, dir + "/plot-gradient.png")) return 5;
  if (!shootPlot(services, QStringLiteral("&Observed and Fitted"), g.fitPlotUnit, dir + "/plot-fit.png")) return 6;
  g.numReplications = 200;
  if (!tallyfold::bootstrap(services, 600000)) return 7;
  if (!shootPlot(services, QStringLiteral("&Bootstrap Distribution"), g.bootstrapPlotUnit, dir + "/plot-bootstrap.png")) return 8;
  g.numReplications = 30;
  g.evaluatePerBootstrap = 0;
  if (!tallyfold::simulate(services, 600000)) return 9;
  if (!shootPlot(services, QStringLiteral("&Simulation Estimates"), g.studyPlotUnit, dir + "/plot-simulation.png")) return 10;
  std::fflush(nullptr);
  std::_Exit(0);
}

// The dialog a menu entry opens, saved as `path`, then cancelled.
bool shootDialog(tallyfold::QtWindowServices& services, int menu, const QString& caption, const QString& path) {
  auto saved = std::make_shared<bool>(false);
  tallyfold::whenModalShown([](QWidget* w) { return qobject_cast<QDialog*>(w) != nullptr; },
                            [path, saved](QWidget* w) {
                              *saved = w->grab().save(path);
                              static_cast<QDialog*>(w)->reject();
                            });
  if (QAction* item = tallyfold::menuItem(services, menu, caption)) item->trigger();
  return *saved;
}

int dialogs(int argc, char** argv) {
  QApplication app(argc, argv);
  tallyfold::QtWindowServices services;
  tallyfold::startProgram(services);
  tallyfold::openDataFile(services, QString::fromLocal8Bit(argv[2]));
  if (!tallyfold::processEventsUntil([] { return tallyfold::globalVar().dataAvailable == 1; })) return 2;
  const QString dir = QString::fromLocal8Bit(argv[3]);
  if (!shootDialog(services, 3, QStringLiteral("&Start Bootstrap"), dir + "/dialog-bootstrap.png")) return 3;
  if (!shootDialog(services, 3, QStringLiteral("&Start Simulation"), dir + "/dialog-simulation.png")) return 4;
  std::fflush(nullptr);
  std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "--plots") return plots(argc, argv);
  if (argc == 4 && std::string_view(argv[1]) == "--dialogs") return dialogs(argc, argv);
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
