// The Qt window services: child windows and their placement, the status bar
// and menus, message boxes, the file-open dialog, calls from worker threads
// carried out on the interface thread in the order they were made, and the
// workers joined without deadlock, also while one waits for a message box.
#include "qt/QtWindowServices.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "QtTestSupport.h"
#include "qt/TextCanvas.h"

namespace tallyfold {
namespace {

class QtWindowServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services.frame()->show();
    setWindowServices(&services);
  }
  void TearDown() override { setWindowServices(nullptr); }

  QtWindowServices services;
};

TEST_F(QtWindowServicesTest, WindowsOpenCloseAndComeToTheFront) {
  services.openWindow(12, "Start window");
  services.openWindow(10, "Status window");
  ASSERT_NE(services.subWindow(12), nullptr);
  EXPECT_EQ(services.subWindow(12)->windowTitle(), "Start window");
  EXPECT_EQ(services.mdiArea()->activeSubWindow(), services.subWindow(10));

  EXPECT_EQ(services.focusWindow(12), 0);
  EXPECT_EQ(services.mdiArea()->activeSubWindow(), services.subWindow(12));
  EXPECT_EQ(services.focusWindow(25), -1);

  services.closeWindow(25, true);  // not open: nothing happens
  services.closeWindow(12, true);
  EXPECT_EQ(services.subWindow(12), nullptr);
  EXPECT_EQ(services.focusWindow(12), -1);
  EXPECT_FALSE(services.configureWindow(12, 90, 100));
  EXPECT_LT(services.placeWindow(12, 0, 0, 20, 110), 0);
  services.writeLine(12, " ignored");  // no crash, no window
  EXPECT_EQ(services.subWindow(12), nullptr);

  // Closed by the user, a window is hidden and still addressed.
  services.subWindow(10)->close();
  services.writeLine(10, " still written");
  EXPECT_EQ(services.canvas(10)->lines().back().text, " still written");
  EXPECT_EQ(services.focusWindow(10), 0);
  EXPECT_TRUE(services.subWindow(10)->isVisible());
}

TEST_F(QtWindowServicesTest, PlacementIsInCharacterCellsOfTheVisibleArea) {
  const QSize cell = services.cell();
  services.openWindow(12, "Start window");
  ASSERT_EQ(services.placeWindow(12, 0, 0, 20, 110), 0);
  services.openWindow(10, "Status window");
  ASSERT_EQ(services.placeWindow(10, 0, 22, 3, 110), 0);
  services.setTextArea(10, 1, 1, 3, 80);
  services.writeLine(10, " First, insert the data file!");
  QApplication::processEvents();

  QMdiSubWindow* start = services.subWindow(12);
  QMdiSubWindow* status = services.subWindow(10);
  EXPECT_EQ(start->widget()->size(), QSize(110 * cell.width(), 20 * cell.height()));
  EXPECT_EQ(status->widget()->size(), QSize(110 * cell.width(), 3 * cell.height()));
  EXPECT_EQ(status->pos(), QPoint(0, 22 * cell.height()));
  // The status window's three rows fit without scroll bars, and the start
  // window (with its title bar) ends above the status window.
  auto* scroll = qobject_cast<QAbstractScrollArea*>(status->widget());
  ASSERT_NE(scroll, nullptr);
  EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
  EXPECT_LE(start->geometry().bottom(), status->geometry().top());
}

TEST_F(QtWindowServicesTest, FrameMenusAndStatusBar) {
  services.placeFrame(0, 0, 800, 500);
  int opened = 0;
  services.appendMenuEntry(1, MenuEntryKind::title, "&File", {});
  services.appendMenuEntry(1, MenuEntryKind::item, "&Open Data", [&] { ++opened; });
  services.appendMenuEntry(1, MenuEntryKind::separator, "", {});
  services.appendMenuEntry(1, MenuEntryKind::item, "E&xit", [] {});
  services.appendMenuEntry(3, MenuEntryKind::title, "&Simulation", {});
  services.appendMenuEntry(2, MenuEntryKind::title, "&Calculation", {});
  QApplication::processEvents();

  // The client area below the menu bar is what was asked for.
  const int menuBottom = services.frame()->menuWidget()->geometry().bottom() + 1;
  EXPECT_EQ(services.frame()->width(), 800);
  EXPECT_EQ(services.frame()->height() - menuBottom, 500);

  QStringList titles;
  for (QAction* a : services.frame()->menuWidget()->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{"&File", "&Calculation", "&Simulation"}));
  const QList<QAction*> file = services.menu(1)->actions();
  ASSERT_EQ(file.size(), 3);
  EXPECT_EQ(file[0]->text(), "&Open Data");
  EXPECT_TRUE(file[1]->isSeparator());
  EXPECT_EQ(file[2]->text(), "E&xit");
  file[0]->trigger();
  EXPECT_EQ(opened, 1);

  services.setStatusBarText("Waiting");
  QApplication::processEvents();
  // A menu's status tip is a temporary message: "Waiting" stays.
  services.frame()->statusBar()->showMessage("tip of a menu item");
  services.frame()->statusBar()->clearMessage();
  EXPECT_EQ(services.statusBarText(), "Waiting");
  EXPECT_TRUE(services.frame()->statusBar()->findChild<QLabel*>()->isVisible());
}

TEST_F(QtWindowServicesTest, DefaultOutputShowsItsDock) {
  EXPECT_FALSE(services.outputDock()->isVisible());
  services.writeDefaultOutput("error: resource not found");
  EXPECT_TRUE(services.outputDock()->isVisible());
  EXPECT_EQ(services.defaultOutputLines(), QStringList{"error: resource not found"});
}

// A worker writes and draws while the interface thread runs its event loop:
// everything arrives, in the order it was issued.
TEST_F(QtWindowServicesTest, WorkerCallsArriveInOrder) {
  constexpr int count = 300;
  std::atomic<bool> done{false};
  std::atomic<int> focusResult{-2};
  std::atomic<bool> configured{false};
  std::thread worker([&] {
    services.openWindow(15, "LOG Simulation");
    configured = services.configureWindow(15, 90, count + 10);  // returns only once the window exists
    services.clearWindow(15);
    services.selectFont(15, "t'Arial'h16w9");
    for (int i = 0; i < count; ++i) {
      services.writeLine(15, " rep " + std::to_string(i));
      services.drawTextAt(15, 700, 16 * i, std::to_string(i));
    }
    focusResult = services.focusWindow(15);
    services.setStatusBarText("Waiting");
    done = true;
  });
  ASSERT_TRUE(processEventsUntil([&] { return done.load(); }));
  worker.join();
  QApplication::processEvents();

  EXPECT_TRUE(configured);
  EXPECT_EQ(focusResult, 0);
  TextCanvas* canvas = services.canvas(15);
  ASSERT_NE(canvas, nullptr);
  ASSERT_EQ(canvas->lines().size(), static_cast<std::size_t>(count));
  ASSERT_EQ(canvas->texts().size(), static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(canvas->lines()[static_cast<std::size_t>(i)].text, QString(" rep %1").arg(i));
    EXPECT_EQ(canvas->texts()[static_cast<std::size_t>(i)].text, QString::number(i));
    EXPECT_EQ(canvas->texts()[static_cast<std::size_t>(i)].topLeft, QPoint(700, 16 * i));
  }
  EXPECT_EQ(services.statusBarText(), "Waiting");
}

TEST_F(QtWindowServicesTest, MessageBoxFromAWorkerBlocksOnlyThatWorker) {
  std::atomic<bool> returned{false};
  QString shownText;
  QString shownTitle;
  whenModalShown([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    shownText = box->text();
    shownTitle = box->windowTitle();
    // The worker waits for the user, the interface does not.
    EXPECT_FALSE(returned.load());
    box->button(QMessageBox::Ok)->click();
  });
  std::thread worker([&] {
    services.messageBox("Calculation is active!", "STATUS");
    returned = true;
  });
  EXPECT_TRUE(processEventsUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_EQ(shownText, "Calculation is active!");
  EXPECT_EQ(shownTitle, "STATUS");
}

TEST_F(QtWindowServicesTest, ThreadsRunConcurrentlyWithIncreasingHandles) {
  std::atomic<int> ran{0};
  std::atomic<bool> otherThread{true};
  const auto self = std::this_thread::get_id();
  const std::int32_t first = services.startThread([&] {
    otherThread = otherThread && std::this_thread::get_id() != self;
    ++ran;
  });
  const std::int32_t second = services.startThread([&] { ++ran; });
  EXPECT_GT(first, 0);
  EXPECT_GT(second, first);
  ASSERT_TRUE(processEventsUntil([&] { return ran.load() == 2; }));
  EXPECT_TRUE(otherThread);
}

TEST_F(QtWindowServicesTest, FileDialogOffersTheFiltersAndReturnsTheFullPath) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // A long path: no buffer limit cuts it.
  const QString deep = dir.path() + "/" + QString(120, QLatin1Char('d'));
  ASSERT_TRUE(QDir().mkpath(deep));
  const QString file = deep + "/counts";  // no dot: "*.*" must still show it
  QFile(file).open(QIODevice::WriteOnly);

  QStringList filters;
  QString title;
  whenModalShown([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    filters = dialog->nameFilters();
    title = dialog->windowTitle();
    dialog->selectFile(file);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  const std::optional<std::string> chosen = services.chooseOpenFile(
      {{"Data files(*.txt)", "*.txt"}, {"All files(*.*)", "*.*"}}, 1, "Input Data File");
  EXPECT_EQ(filters, (QStringList{"Data files (*.txt)", "All files (*)"}));
  EXPECT_EQ(title, "Input Data File");
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, file.toStdString());

  whenModalShown([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  EXPECT_FALSE(services.chooseOpenFile({{"Data files(*.txt)", "*.txt"}}, 1, "Input Data File").has_value());
}

TEST_F(QtWindowServicesTest, PostedTasksRunOnTheInterfaceThreadInOrder) {
  const auto interface = std::this_thread::get_id();
  std::vector<int> ran;  // touched on the interface thread only
  services.postToInterface([&] { ran.push_back(-1); });
  EXPECT_TRUE(ran.empty());  // queued, also from the interface thread
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i)
      services.postToInterface([&, i] { ran.push_back(std::this_thread::get_id() == interface ? i : -2); });
  });
  worker.join();
  ASSERT_TRUE(processEventsUntil([&] { return ran.size() == 101; }));
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(ran[static_cast<std::size_t>(i)], i - 1);
}

TEST_F(QtWindowServicesTest, MenuItemsAreEnabledAndGivenKeysByCaption) {
  services.appendMenuEntry(1, MenuEntryKind::item, "&Open Data", [] {});
  services.appendMenuEntry(1, MenuEntryKind::item, "&Stop Computation", [] {});
  std::thread worker([&] {
    services.setMenuEntryShortcut("&Stop Computation", "Esc");
    services.setMenuEntryEnabled("&Stop Computation", false);
  });
  worker.join();
  QApplication::processEvents();
  const QList<QAction*> file = services.menu(1)->actions();
  EXPECT_TRUE(file[0]->isEnabled() && file[0]->shortcut().isEmpty());
  EXPECT_TRUE(!file[1]->isEnabled() && file[1]->isVisible());
  EXPECT_EQ(file[1]->shortcut(), QKeySequence("Esc"));
}

TEST_F(QtWindowServicesTest, AskYesNoAnswersWithThePressedButtonAndTheCloseButtonRunsTheCloseAction) {
  QString shown;
  whenModalShown([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    shown = box->windowTitle() + "|" + box->text();
    box->button(QMessageBox::No)->click();
  });
  int asked = 0;
  services.setCloseAction([&] { asked += services.askYesNo("Stop the computation?", "Exit") ? 10 : 1; });
  EXPECT_FALSE(services.frame()->close());
  EXPECT_TRUE(services.frame()->isVisible());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(shown, "Exit|Stop the computation?");

  whenModalShown([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click(); });
  std::atomic<int> answer{-1};
  std::thread worker([&] { answer = services.askYesNo("Stop?", "STATUS") ? 1 : 0; });
  EXPECT_TRUE(processEventsUntil([&] { return answer.load() != -1; }));
  worker.join();
  EXPECT_EQ(answer, 1);
}

// A worker blocked in a message box can only end once the interface thread
// has shown the box: joining on that thread must go on handling events.
TEST_F(QtWindowServicesTest, JoiningWaitsForAWorkerInAMessageBox) {
  std::atomic<int> ended{0};
  const auto workerWithBox = [&] {
    services.startThread([&] {
      services.messageBox("Calculation is active!", "STATUS");
      ++ended;
    });
    whenModalShown([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click(); });
  };
  workerWithBox();
  services.joinThreads();
  EXPECT_EQ(ended, 1);

  // exitProgram joins the same way, then the event loop ends.
  workerWithBox();
  QTimer::singleShot(0, &services, [&] { services.exitProgram(); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_EQ(ended, 2);
}

}  // namespace
}  // namespace tallyfold
