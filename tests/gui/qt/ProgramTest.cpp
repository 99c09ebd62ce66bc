// The whole windowed program, offscreen: start, open a data file,
// calculate, run a bootstrap, look at the windows.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QUrl>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <gtest/gtest.h>

#include "ProgramDriver.h"
#include "QtTestSupport.h"
#include "qt/TextCanvas.h"
#include "state/GlobalVar.h"
#include "simulation/OutputFolders.h"

namespace tallyfold {
namespace {

QString example(const char* name) { return QString::fromUtf8(TALLYFOLD_EXAMPLES_DIR) + "/" + name; }

TEST(Program, StartsOpensADataFileAndCalculates) {
  QtWindowServices services;
  startProgram(services);

  QStringList captions;
  for (int menu = 1; menu <= 5; ++menu) {
    captions << services.menu(menu)->title();
    for (QAction* a : services.menu(menu)->actions()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
  }
  EXPECT_EQ(captions, (QStringList{"&File", "&Open Data", "Recent Data Files", "Save Results As\u2026", "Save Plot As\u2026", "Stop Computation", "-", "E&xit", "&Calculation", "&Calculating Population Size",
                                   "&Goodness of Fit", "&Cut-off Analysis", "&Simulation", "&Start Simulation", "&Start Bootstrap",
                                   "&Start Simulation Poisson-Gamma", "Random Seed\u2026", "&Plots", "&Gradient Function",
                                   "&Observed and Fitted", "&Bootstrap Distribution", "&Simulation Estimates",
                                   "&Help", "Guide", "About"}));
  EXPECT_EQ(services.statusBarText(), QStringLiteral("Waiting"));
  EXPECT_TRUE(drawnTexts(services, 12).contains(QStringLiteral("Tallyfold")));

  openDataFile(services, example("cottontail.txt"));
  ASSERT_TRUE(processEventsUntil([] { return globalVar().dataAvailable == 1; }));
  const QStringList data = drawnTexts(services, 12);
  ASSERT_EQ(data.size(), 3 + 2 * 7 + 2);  // the table, then the form read and m, n
  EXPECT_TRUE(data[0].startsWith(QStringLiteral("Datafile:   ")));
  EXPECT_TRUE(data[0].endsWith(QStringLiteral("cottontail.txt")));
  EXPECT_EQ(data[4], QStringLiteral("43"));
  EXPECT_EQ(data[3 + 2 * 7 - 1], QStringLiteral("1"));
  EXPECT_EQ(data.last(), QStringLiteral("m = 7 count classes, n = 76 observed units"));

  ASSERT_TRUE(calculate(services, QStringLiteral("NPMLE")));
  EXPECT_EQ(globalVar().stopCriterion, StopCriterion::npmle);
  EXPECT_EQ(services.statusBarText(), QStringLiteral("Waiting"));
  EXPECT_EQ(services.canvas(19), nullptr) << "the LOG window is deleted at the end";
  const QStringList results = drawnTexts(services, 25);
  ASSERT_FALSE(results.isEmpty());
  EXPECT_TRUE(results[0].contains(QStringLiteral("Non-Parametric Maximum Likelihood Estimation")));
  EXPECT_TRUE(results.contains(QStringLiteral(" Chao   f0=f1*f1/(2*f2)")));
  // The Chao row of the cottontail data: 43 * 43 / (2 * 16) = 57.8 -> 58.
  EXPECT_TRUE(results.contains(QStringLiteral("  n0") + QString(15, QChar(0x20)) + QStringLiteral("58"))) << results.join('\n').toStdString();

  // Copy (Ctrl+C) puts what the window shows on the clipboard as plain text.
  QMdiSubWindow* resultsWindow = services.subWindow(25);
  ASSERT_NE(resultsWindow, nullptr);
  QAction* copy = nullptr;
  for (QAction* a : resultsWindow->actions()) {
    if (a->text() == QStringLiteral("Copy")) copy = a;
  }
  ASSERT_NE(copy, nullptr);
  copy->trigger();
  const QString copied = QGuiApplication::clipboard()->text();
  EXPECT_EQ(copied, services.canvas(25)->plainText());
  EXPECT_TRUE(copied.contains(QStringLiteral("Chao   f0=f1*f1/(2*f2)")));

  setWindowServices(nullptr);
}

// Window `number`, scrolled to its end, shows the bottom-right corner of
// everything drawn into it, and scrolls no further than a small margin
// beyond it.
void expectScrollsExactlyOverItsDrawing(const QtWindowServices& services, int number) {
  QRect drawn;
  for (const CanvasText& t : services.canvas(number)->texts()) drawn |= t.bounds;
  for (const CanvasLine& l : services.canvas(number)->drawnLines()) drawn |= QRect(l.from, l.to).normalized();
  auto* scroll = qobject_cast<QScrollArea*>(services.subWindow(number)->widget());
  for (QScrollBar* bar : {scroll->horizontalScrollBar(), scroll->verticalScrollBar()}) bar->setValue(bar->maximum());
  const QRect visible(QPoint(scroll->horizontalScrollBar()->value(), scroll->verticalScrollBar()->value()),
                      scroll->viewport()->size());
  EXPECT_TRUE(visible.contains(drawn.bottomRight())) << number;
  const int slack = TextCanvas::drawnMargin + 2;
  EXPECT_LE(visible.right(), std::max(visible.width() - 1, drawn.right() + slack)) << number;
  EXPECT_LE(visible.bottom(), std::max(visible.height() - 1, drawn.bottom() + slack)) << number;
}

// At the frame size the program starts with (800 x 500), the results and
// "Simulation Results" windows (whose last column, Chao, lies beyond the
// visible part) scroll over what they show and no further. Minimised, the
// status window, the data window and the summary come back at their
// placements, showing their new drawing from its start, when the program
// draws them again.
TEST(Program, WindowsShowWhatTheyHold) {
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  setOutputRoot(temp.path().toStdString());
  QtWindowServices services;
  startProgram(services);
  openDataFile(services, example("cottontail.txt"));
  ASSERT_TRUE(processEventsUntil([] { return globalVar().dataAvailable == 1; }));
  ASSERT_TRUE(calculate(services, QStringLiteral("MAX")));  // at most two components: short runs
  ASSERT_EQ(services.mdiArea()->width(), 800);
  expectScrollsExactlyOverItsDrawing(services, 25);
  globalVar().numReplications = 2;
  ASSERT_TRUE(bootstrap(services));
  expectScrollsExactlyOverItsDrawing(services, 30);

  std::map<int, QRect> placements;
  for (const int number : {10, 12, 30}) {
    placements[number] = services.subWindow(number)->geometry();
    services.subWindow(number)->showMinimized();
  }
  openDataFile(services, example("cottontail.txt"));
  ASSERT_TRUE(bootstrap(services));
  for (const auto& [number, placement] : placements) {
    QMdiSubWindow* sub = services.subWindow(number);
    EXPECT_FALSE(sub->isMinimized()) << number;
    EXPECT_EQ(sub->geometry(), placement) << number;
    EXPECT_TRUE(sub->widget()->isVisible()) << number;
    EXPECT_EQ(qobject_cast<QScrollArea*>(sub->widget())->horizontalScrollBar()->value(), 0) << number;
  }

  setWindowServices(nullptr);
  setOutputRoot(std::nullopt);
}

}  // namespace
}  // namespace tallyfold

namespace tallyfold {
namespace {

// A file dropped onto the frame opens and names it; the recent files are
// kept through QSettings into the next start.
TEST(Program, DroppedFilesOpenAndRecentFilesSurviveARestart) {
  QSettings().remove(QStringLiteral("recentDataFiles"));
  const QString path = QFileInfo(QString::fromUtf8(TALLYFOLD_EXAMPLES_DIR) + "/cottontail.txt").absoluteFilePath();
  {
    QtWindowServices services;
    startProgram(services);
    processEventsUntil([] { return false; }, 50);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Straight to the frame's event handler: offscreen, the application
    // delivers drops only during a drag of its own.
    static_cast<QObject*>(services.frame())->event(&drop);
    ASSERT_TRUE(processEventsUntil([] { return globalVar().dataAvailable == 1; }));
    processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(services.frame()->windowTitle(), QStringLiteral("Tallyfold - cottontail.txt"));
    setWindowServices(nullptr);
  }
  QtWindowServices again;
  startProgram(again);
  const std::vector<std::string> recent = again.recentFiles();
  ASSERT_FALSE(recent.empty());
  EXPECT_EQ(QString::fromStdString(recent.front()), path);
  setWindowServices(nullptr);
}

}  // namespace
}  // namespace tallyfold
