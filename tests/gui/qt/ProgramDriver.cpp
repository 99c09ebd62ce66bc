#include "ProgramDriver.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <memory>

#include "QtTestSupport.h"
#include "qt/TextCanvas.h"
#include "state/GlobalVar.h"
#include "startup/main.h"

namespace tallyfold {

QAction* menuItem(const QtWindowServices& services, int menu, const QString& caption) {
  for (QAction* action : services.menu(menu)->actions()) {
    if (action->text() == caption) return action;
  }
  return nullptr;
}

namespace {

QAbstractButton* button(QWidget* dialog, const QString& caption) {
  for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
    if (b->text() == caption) return b;
  }
  return nullptr;
}

}  // namespace

void startProgram(QtWindowServices& services) {
  globalVar().resetAll();
  setWindowServices(&services);
  buildMenus();
  services.frame()->show();
  tallyfold::main();
}

void openDataFile(QtWindowServices& services, const QString& path) {
  whenModalShown([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; },
                 [path](QWidget* w) {
                   auto* dialog = qobject_cast<QFileDialog*>(w);
                   dialog->selectFile(path);
                   static_cast<QDialog*>(dialog)->accept();  // QFileDialog makes accept() protected
                 });
  if (QAction* open = menuItem(services, 1, QStringLiteral("&Open Data"))) open->trigger();
}

namespace {

// Chooses the menu item, lets `answer` fill the dialog it shows and presses
// OK, then waits until the computation has ended and its window
// `resultUnit` is open.
bool runComputation(QtWindowServices& services, int menu, const QString& caption,
                    std::function<void(QWidget*)> answer, int resultUnit, int timeoutMs) {
  auto pressed = std::make_shared<bool>(false);
  whenModalShown([](QWidget* w) { return qobject_cast<QDialog*>(w) != nullptr; },
                 [answer = std::move(answer), pressed](QWidget* w) {
                   answer(w);
                   // OK claims the busy guard before the click returns.
                   if (QAbstractButton* ok = button(w, QStringLiteral("OK"))) ok->click();
                   *pressed = true;
                 });
  QAction* item = menuItem(services, menu, caption);
  if (!item) return false;
  item->trigger();
  const bool ended = processEventsUntil(
      [&services, pressed, resultUnit] {
        return *pressed && globalVar().calcThread.load() == -1 && services.canvas(resultUnit) != nullptr;
      },
      timeoutMs);
  // The worker's drawing reaches the interface thread as queued calls, all
  // posted before it released the guard: carry them out.
  QCoreApplication::sendPostedEvents();
  QApplication::processEvents();
  return ended;
}

}  // namespace

bool calculate(QtWindowServices& services, const QString& criterion, int timeoutMs) {
  return runComputation(
      services, 2, QStringLiteral("&Calculating Population Size"),
      [criterion](QWidget* w) {
        if (QAbstractButton* radio = button(w, criterion)) radio->setChecked(true);
      },
      globalVar().resultsUnit, timeoutMs);
}

bool bootstrap(QtWindowServices& services, int timeoutMs) {
  return runComputation(
      services, 3, QStringLiteral("&Start Bootstrap"), [](QWidget*) {}, globalVar().simResultsUnit, timeoutMs);
}

bool simulate(QtWindowServices& services, int timeoutMs) {
  return runComputation(
      services, 3, QStringLiteral("&Start Simulation"), [](QWidget*) {}, globalVar().simResultsUnit, timeoutMs);
}

QStringList drawnTexts(const QtWindowServices& services, int number) {
  QStringList texts;
  if (const TextCanvas* canvas = services.canvas(number)) {
    for (const CanvasText& t : canvas->texts()) texts << t.text;
  }
  return texts;
}

}  // namespace tallyfold
