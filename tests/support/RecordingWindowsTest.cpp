// The recording window layer is what every command test trusts; these tests
// cover the parts of it that have behaviour of their own: scripted dialogs,
// the failures it reports, window lifetimes and worker threads.
#include "support/RecordingWindows.h"
#include "windows/DialogIds.h"

#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace tallyfold {
namespace {

using ::testing::ElementsAre;

TEST(RecordingDialogTest, ScriptReadsWhatTheProgramFilledAndOkRunsItsAction) {
  RecordingWindows w;
  std::unique_ptr<Dialog> dialog = w.loadDialog(dialogCalculation);
  ASSERT_NE(dialog, nullptr);
  dialog->setText(idCalcExactness, "0.00000010000");
  dialog->setChecked(idCalcMax, true);
  std::string readBack;
  dialog->setAction(idOk, [&](Dialog& d) {
    readBack = d.text(idCalcExactness);
    d.exit(idOk);
  });
  w.expectDialog(dialogCalculation, [](RecordingDialog& d) {
    EXPECT_EQ(d.text(idCalcExactness), "0.00000010000");
    EXPECT_TRUE(d.checked(idCalcMax));
    d.setChecked(idCalcBic, true);  // the user picks BIC
    d.setText(idCalcExactness, "1e-5");
    d.press(idOk);
  });
  EXPECT_EQ(dialog->run(), idOk);
  EXPECT_EQ(readBack, "1e-5");
  EXPECT_TRUE(dialog->checked(idCalcBic));
  EXPECT_FALSE(dialog->checked(idCalcMax));
  EXPECT_FALSE(dialog->checked(idCalcNpmle));
  ASSERT_EQ(w.dialogRuns().size(), 1u);
  EXPECT_EQ(w.dialogRuns()[0].result, idOk);
}

TEST(RecordingDialogTest, RadioGroupsAreExclusiveOnlyWithinThemselves) {
  RecordingWindows w;
  std::unique_ptr<Dialog> d = w.loadDialog(dialogSimulation);
  ASSERT_NE(d, nullptr);
  d->setChecked(idMax, true);
  d->setChecked(idFromDataset, true);
  d->setChecked(idParametric, true);
  EXPECT_TRUE(d->checked(idMax));   // other group, untouched
  EXPECT_FALSE(d->checked(idFromDataset));  // switched off by idParametric
  EXPECT_TRUE(d->checked(idParametric));
  d->setChecked(idPrintInterim, true);
  d->setChecked(idPrintSamples, true);  // check boxes are independent
  EXPECT_TRUE(d->checked(idPrintInterim));
}

TEST(RecordingDialogTest, ActionThatKeepsTheDialogOpenLetsTheScriptGoOn) {
  RecordingWindows w;
  std::unique_ptr<Dialog> d = w.loadDialog(dialogComponentCount);
  ASSERT_NE(d, nullptr);
  int attempts = 0;
  d->setAction(idOk, [&](Dialog& dialog) {
    ++attempts;
    if (dialog.text(idComponentCount) == "2") dialog.exit(idOk);  // otherwise: stays open
  });
  w.expectDialog(dialogComponentCount, [](RecordingDialog& dialog) {
    dialog.setText(idComponentCount, "x");
    dialog.press(idOk);
    EXPECT_TRUE(dialog.isOpen());
    dialog.setText(idComponentCount, "2");
    dialog.press(idOk);
    EXPECT_FALSE(dialog.isOpen());
  });
  EXPECT_EQ(d->run(), idOk);
  EXPECT_EQ(attempts, 2);
}

TEST(RecordingDialogTest, ButtonWithoutActionClosesWithItsIdAndScriptsAreUsedInOrder) {
  RecordingWindows w;
  w.expectDialog(dialogComponent, [](RecordingDialog& d) { d.press(idCancel); });
  w.expectDialog(dialogComponent, [](RecordingDialog& d) { d.press(idOk); });
  EXPECT_EQ(w.loadDialog(dialogComponent)->run(), idCancel);
  EXPECT_EQ(w.loadDialog(dialogComponent)->run(), idOk);
  EXPECT_EQ(w.unusedDialogScripts(), 0);
}

TEST(RecordingDialogTest, ListBoxEntriesGrowToTheIndexWritten) {
  RecordingWindows w;
  std::unique_ptr<Dialog> d = w.loadDialog(dialogSimulation);
  d->setListCount(idDistribution, 1);
  d->setListEntry(idDistribution, 1, "first");
  d->setListEntry(idDistribution, 3, "third");
  auto& recording = static_cast<RecordingDialog&>(*d);
  EXPECT_THAT(recording.listEntries(idDistribution), ElementsAre("first", "", "third"));
  d->setListCount(idDistribution, 1);
  EXPECT_THAT(recording.listEntries(idDistribution), ElementsAre("first"));
}

TEST(RecordingDialogTest, MistakesOfTheProgramOrTheTestFailTheTest) {
  RecordingWindows w;
  std::unique_ptr<Dialog> d = w.loadDialog(dialogCalculation);
  const std::string noSuchControl =
      "dialog " + std::to_string(dialogCalculation) + " has no control " + std::to_string(idComponentCount);
  EXPECT_NONFATAL_FAILURE(d->setText(idComponentCount, "x"), noSuchControl);
  EXPECT_NONFATAL_FAILURE(d->setChecked(idCalcMaxComponents, true), "is a edit field");
  EXPECT_NONFATAL_FAILURE(d->setAction(idCalcExactness, [](Dialog&) {}), "setAction");
  EXPECT_NONFATAL_FAILURE(d->exit(idOk), "while it is not shown");

  int result = 0;
  EXPECT_NONFATAL_FAILURE(result = d->run(), "set up no script");
  EXPECT_EQ(result, idCancel);

  w.expectDialog(dialogCalculation,
                 [](RecordingDialog& dialog) { dialog.setText(idCalcExactness, "typed, never confirmed"); });
  EXPECT_NONFATAL_FAILURE(result = d->run(), "left dialog 101 open");
  EXPECT_EQ(result, idCancel);

  w.expectDialog(dialogCalculation, [](RecordingDialog& dialog) {
    dialog.press(idCancel);
    dialog.press(idOk);
  });
  EXPECT_NONFATAL_FAILURE(result = d->run(), "is not open");
  EXPECT_EQ(result, idCancel);
}

TEST(RecordingDialogTest, MissingAndUnknownTemplatesLoadAsNothing) {
  RecordingWindows w;
  w.markDialogMissing(dialogBootstrap);
  EXPECT_EQ(w.loadDialog(dialogBootstrap), nullptr);
  EXPECT_EQ(w.loadDialog(106), nullptr);
  EXPECT_NE(w.loadDialog(dialogPoissonGamma), nullptr);
  EXPECT_THAT(w.loadedDialogs(), ElementsAre(dialogBootstrap, 106, dialogPoissonGamma));
}

TEST(RecordingWindowsTest, WindowClosedWithDeletionComesBackEmpty) {
  RecordingWindows w;
  w.openWindow(19, "LOG");
  w.configureWindow(19, 90, 40);
  w.writeLine(19, " first run");
  w.closeWindow(19, true);
  EXPECT_FALSE(w.window(19).open);
  EXPECT_THAT(w.lines(19), ElementsAre(" first run"));  // still readable after closing
  EXPECT_EQ(w.focusWindow(19), -1);

  w.openWindow(19, "LOG");
  w.writeLine(19, " second run");
  EXPECT_THAT(w.lines(19), ElementsAre(" second run"));
  EXPECT_FALSE(w.window(19).configuration.has_value());
  EXPECT_EQ(w.window(19).opens, 2);
  ASSERT_EQ(w.closedWindows(19).size(), 1u);
  EXPECT_THAT(w.closedWindows(19)[0].lines, ElementsAre(" first run"));
  EXPECT_TRUE(w.strayOperations().empty());
}

TEST(RecordingWindowsTest, OperationsOnWindowsNotOpenAreRecordedAsStray) {
  RecordingWindows w;
  w.writeLine(10, " lost");
  w.drawTextAt(12, 5, 10, "lost too");
  EXPECT_EQ(w.placeWindow(25, 0, 0, 19, 110), -1);
  EXPECT_FALSE(w.configureWindow(25, 90, 100));
  w.closeWindow(25, true);  // closing a window that is not open is allowed
  EXPECT_THAT(w.strayOperations(), ElementsAre("line 10", "moveto 12", "text 12", "place 25", "configure 25"));
}

TEST(RecordingWindowsTest, DrawingKeepsFontColourAndPositionAndClearCountsButEmpties) {
  RecordingWindows w;
  w.openWindow(25, "Results Window");
  w.selectFont(25, "t'Arial'h16w9");
  w.setTextColour(25, 0x112233);
  w.drawTextAt(25, 5, 10, "title");
  w.setDrawColour(25, 0x445566);
  w.drawLine(25, 0, 55, 700, 55);
  ASSERT_EQ(w.texts(25).size(), 1u);
  const RecordedText t = w.texts(25)[0];
  EXPECT_EQ(t.font, "t'Arial'h16w9");
  EXPECT_EQ(t.colour, 0x112233u);
  EXPECT_EQ(t.x, 5);
  EXPECT_EQ(t.y, 10);
  ASSERT_EQ(w.drawnLines(25).size(), 1u);
  EXPECT_EQ(w.drawnLines(25)[0].colour, 0x445566u);
  EXPECT_EQ(w.drawnLines(25)[0].x2, 700);
  w.drawText(25, "after the line");  // drawn where the line ended
  EXPECT_EQ(w.texts(25)[1].x, 700);

  w.clearWindow(25);
  w.clearWindow(25);
  EXPECT_TRUE(w.texts(25).empty());
  EXPECT_TRUE(w.drawnLines(25).empty());
  EXPECT_EQ(w.window(25).clears, 2);
}

TEST(RecordingWindowsTest, StatusWindowShowsTheLastRowsOfItsTextArea) {
  RecordingWindows w;
  w.openWindow(10, "Status window");
  w.setTextArea(10, 1, 1, 3, 80);
  for (const char* line : {" a", " b", " c", " d"}) w.writeLine(10, line);
  EXPECT_THAT(w.window(10).visibleLines(), ElementsAre(" b", " c", " d"));
  EXPECT_EQ(w.lines(10).size(), 4u);
}

TEST(RecordingWindowsTest, MenuClicksRunTheActionOfExactlyOneItem) {
  RecordingWindows w;
  int opened = 0;
  w.appendMenuEntry(1, MenuEntryKind::title, "&File", {});
  w.appendMenuEntry(1, MenuEntryKind::item, "&Open Data", [&] { ++opened; });
  w.appendMenuEntry(3, MenuEntryKind::item, "&Start", [] {});
  w.appendMenuEntry(3, MenuEntryKind::item, "&Start", [] {});
  w.clickMenu("&Open Data");
  EXPECT_EQ(opened, 1);
  EXPECT_NONFATAL_FAILURE(w.clickMenu("&File"), "0 menu items");  // a title is no item
  EXPECT_NONFATAL_FAILURE(w.clickMenu("&Start"), "2 menu items");
}

TEST(RecordingWindowsTest, FileDialogAnswersComeFromTheQueue) {
  RecordingWindows w;
  w.answerFileDialog("/data/counts.txt");
  w.answerFileDialog(std::nullopt);
  const std::vector<FileFilter> filters{{"Data files(*.txt)", "*.txt"}};
  EXPECT_EQ(w.chooseOpenFile(filters, 1, "Input Data File"), "/data/counts.txt");
  EXPECT_EQ(w.chooseOpenFile(filters, 1, "Input Data File"), std::nullopt);
  std::optional<std::string> third;
  EXPECT_NONFATAL_FAILURE(third = w.chooseOpenFile(filters, 1, "Input Data File"), "no answer");
  EXPECT_FALSE(third.has_value());
  ASSERT_EQ(w.fileDialogs().size(), 3u);
  EXPECT_EQ(w.fileDialogs()[0].title, "Input Data File");
  EXPECT_EQ(w.fileDialogs()[0].filters[0].pattern, "*.txt");
}

TEST(RecordingWindowsTest, ThreadModes) {
  RecordingWindows w;
  w.setThreadMode(ThreadMode::synchronous);
  bool ran = false;
  const std::int32_t first = w.startThread([&] { ran = true; });
  EXPECT_TRUE(ran);  // before startThread returned
  EXPECT_GT(first, 0);

  w.setThreadMode(ThreadMode::failing);
  bool ranToo = false;
  EXPECT_EQ(w.startThread([&] { ranToo = true; }), -1);
  EXPECT_FALSE(ranToo);

  w.setThreadMode(ThreadMode::real);
  std::atomic<int> finished{0};
  const std::int32_t second = w.startThread([&] {
    // A worker that starts another: waitForThreads must join both.
    windows().startThread([&] { ++finished; });
    ++finished;
  });
  EXPECT_GT(second, first);
  w.waitForThreads();
  EXPECT_EQ(finished.load(), 2);
  EXPECT_EQ(w.threadsStarted(), 3);
}

TEST(RecordingWindowsTest, WritesFromSeveralWorkersKeepEachWorkersOrder) {
  RecordingWindows w;
  w.openWindow(15, "LOG Simulation");
  constexpr int perWorker = 200;
  for (int worker = 0; worker < 3; ++worker) {
    w.startThread([&w, worker] {
      for (int i = 0; i < perWorker; ++i) w.writeLine(15, std::to_string(worker) + ":" + std::to_string(i));
    });
  }
  w.waitForThreads();
  const std::vector<std::string> lines = w.lines(15);
  ASSERT_EQ(lines.size(), 3u * perWorker);
  int next[3] = {0, 0, 0};
  for (const std::string& line : lines) {
    const int worker = line[0] - '0';
    EXPECT_EQ(line.substr(2), std::to_string(next[worker])) << "worker " << worker;
    ++next[worker];
  }
}

TEST(RecordingWindowsTest, ExceptionLeavingAWorkerFailsTheTest) {
  EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(
      {
        RecordingWindows w;
        w.startThread([] { throw std::runtime_error("boom"); });
        w.waitForThreads();
      },
      "boom");
}

}  // namespace
}  // namespace tallyfold

namespace tallyfold {
namespace {

TEST(RecordingWindowsTest, PostedTasksRunAtOnceWhenSynchronousAndInOrderAfterTheWorkersWhenReal) {
  RecordingWindows w;
  std::vector<int> order;
  w.setThreadMode(ThreadMode::synchronous);
  w.postToInterface([&] { order.push_back(1); });
  EXPECT_EQ(order, std::vector<int>{1});

  w.setThreadMode(ThreadMode::real);
  w.startThread([&w, &order] {
    w.postToInterface([&w, &order] {
      order.push_back(2);
      w.postToInterface([&order] { order.push_back(3); });  // from the interface thread: queued too
    });
  });
  w.joinThreads();
  EXPECT_EQ(order, std::vector<int>{1});  // joining runs nothing posted
  EXPECT_EQ(w.postedTasksWaiting(), 1);
  w.waitForThreads();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(RecordingWindowsTest, MenuStateQuestionsAndCloseButton) {
  RecordingWindows w;
  int clicks = 0;
  w.appendMenuEntry(1, MenuEntryKind::item, "Stop", [&] { ++clicks; });
  EXPECT_TRUE(w.menuEntryEnabled("Stop"));
  w.setMenuEntryEnabled("Stop", false);
  w.setMenuEntryShortcut("Stop", "Esc");
  w.clickMenu("Stop");  // disabled: nothing happens
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(w.menuEntryEnabled("Stop"));
  EXPECT_EQ(w.menuEntryShortcut("Stop"), "Esc");

  w.answerYesNo(true);
  w.answerYesNo(false);
  EXPECT_TRUE(w.askYesNo("Sure?", "Exit"));
  EXPECT_FALSE(w.askYesNo("Really?", "Exit"));
  EXPECT_EQ(w.questions(), (std::vector<RecordedMessageBox>{{"Sure?", "Exit"}, {"Really?", "Exit"}}));
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(w.askYesNo("Unscripted?", "Exit")), "without an answer");

  w.pressCloseButton();  // no close action: the frame closes
  EXPECT_TRUE(w.exitRequested());
  bool asked = false;
  w.setCloseAction([&] { asked = true; });
  w.pressCloseButton();
  EXPECT_TRUE(asked);
}

}  // namespace
}  // namespace tallyfold
