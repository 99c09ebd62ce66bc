#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/FinishesWithin.h"
#include "commands/Data.h"
#include "state/GlobalVar.h"
#include "startup/startWin.h"
#include "support/RecordingWindows.h"

namespace tallyfold {
namespace {

class OpenData : public ::testing::Test {
 protected:
  void SetUp() override { globalVar().resetAll(); }
  void TearDown() override {
    for (const auto& path : created_) std::filesystem::remove(path);
  }

  std::string file(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() / ("tallyfold-open-" + name);
    std::ofstream(path) << text;
    created_.push_back(path);
    return path.string();
  }

  void open(std::optional<std::string> answer) {
    rec.answerFileDialog(std::move(answer));
    openData();
  }

  RecordingWindows rec;
  std::vector<std::filesystem::path> created_;
};

TEST_F(OpenData, DrawsTheTableRightAlignedIntoTheStartWindow) {
  rec.openWindow(12, "Start window");
  rec.openWindow(10, "Status window");
  const std::string path = file("three.txt", "12\n5\n1\n");
  open(path);

  const GlobalVar& g = globalVar();
  EXPECT_EQ(g.dataAvailable, 1);
  EXPECT_EQ(g.numCountClasses, 3);
  EXPECT_EQ(g.counts, (std::vector<std::int32_t>{12, 5, 1}));
  EXPECT_EQ(g.dataFileName, path);

  const std::vector<RecordedText> texts = rec.texts(12);
  ASSERT_EQ(texts.size(), 3u + 2u * 3u + 2u);
  EXPECT_EQ(texts[0].text, "Datafile:   " + path);
  EXPECT_EQ(texts[0].x, 5);
  EXPECT_EQ(texts[0].y, 10);
  EXPECT_EQ(texts[0].font, "t'Arial'h15w8");
  EXPECT_EQ(texts[1].text, " Number           Counts");
  EXPECT_EQ(texts[1].y, 35);
  EXPECT_EQ(texts[2].text, std::string(20, '_'));
  EXPECT_EQ(texts[2].y, 40);
  const int rowY[] = {55, 70, 85};
  const char* countText[] = {"12", "5", "1"};
  const int countX[] = {134, 142, 142};
  for (int x = 0; x < 3; ++x) {
    const RecordedText& number = texts[3 + 2 * x];
    const RecordedText& count = texts[4 + 2 * x];
    EXPECT_EQ(number.text, std::to_string(x + 1));
    EXPECT_EQ(number.x, 22);
    EXPECT_EQ(number.y, rowY[x]);
    EXPECT_EQ(count.text, countText[x]);
    EXPECT_EQ(count.x, countX[x]);
    EXPECT_EQ(count.y, rowY[x]);
  }
  EXPECT_EQ(rec.activeWindow(), 10) << "the status window comes to the front";
  ASSERT_EQ(rec.fileDialogs().size(), 1u);
  EXPECT_EQ(rec.fileDialogs()[0].title, "Input Data File");
  std::vector<std::string> filters;
  const auto dialogs = rec.fileDialogs();
  for (const FileFilter& f : dialogs[0].filters) filters.push_back(f.description + " " + f.pattern);
  EXPECT_EQ(filters, (std::vector<std::string>{"Count files (*.txt) *.txt",
                                               "Frequency tables (*.csv *.tsv) *.csv;*.tsv", "All files (*) *"}));
  // Below the table: the form read, m and n.
  EXPECT_EQ(texts[9].text, "Read as:    count file (line x holds f(x))");
  EXPECT_EQ(texts[10].text, "m = 3 count classes, n = 18 observed units");
}

// A table read by its name or header draws as its count file, with the
// classes it did not give below; a refused one names the file, line and value.
TEST_F(OpenData, FrequencyTablesAreReadByTheirNameOrHeaderAndSaySo) {
  rec.openWindow(12, "Start window");
  const auto drawn = [this] {
    std::vector<std::string> items;
    for (const RecordedText& t : rec.texts(12)) {
      items.push_back(std::to_string(t.x) + "," + std::to_string(t.y) + t.text);
    }
    return std::vector<std::string>(items.begin() + 1, items.end());  // without the file's name
  };
  open(std::string(TALLYFOLD_EXAMPLES_DIR) + "/cottontail.txt");
  std::vector<std::string> expected = drawn();
  EXPECT_EQ(expected.back(), "5,185m = 7 count classes, n = 76 observed units");
  expected.end()[-2] = "5,170Read as:    frequency table (x, f(x))";
  expected.push_back("5,200Classes filled with 0:   5");
  open(std::string(TALLYFOLD_EXAMPLES_DIR) + "/cottontail.csv");
  EXPECT_EQ(drawn(), expected);

  open(file("header.txt", "# seen in 2024\nj;f_j\n3;1\n1;5\n"));
  EXPECT_EQ(globalVar().counts, (std::vector<std::int32_t>{5, 0, 1}));
  EXPECT_EQ(rec.drawnTexts(12).back(), "Classes filled with 0:   2");
  const std::string refused = file("zero.csv", "x,f\n1,5\n0,3\n");
  open(refused);
  EXPECT_EQ(globalVar().dataAvailable, 0);
  EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>{
                                    {refused + ": line 3: the class x = 0 is refused: f(0), the units never seen, "
                                               "is what is estimated",
                                     "Error"}}));
}

TEST_F(OpenData, CountsTooWideForTheFieldShowAsAsterisks) {
  rec.openWindow(12, "Start window");
  open(file("wide.txt", "100000\n-10000\n"));
  const std::vector<std::string> texts = rec.drawnTexts(12);
  ASSERT_EQ(texts.size(), 9u);
  EXPECT_EQ(texts[4], "*****");
  EXPECT_EQ(texts[6], "*****");
  EXPECT_EQ(globalVar().counts[0], 100000);
}

TEST_F(OpenData, CancelAndMissingFilesKeepTheEarlierData) {
  open(file("first.txt", "7 3\n4,9\n"));
  ASSERT_EQ(globalVar().counts, (std::vector<std::int32_t>{7, 4}));
  open(std::nullopt);
  open("/nonexistent/folder/with/a/path/longer/than/sixty/characters/counts.txt");
  EXPECT_EQ(globalVar().dataAvailable, 1);
  EXPECT_EQ(globalVar().counts, (std::vector<std::int32_t>{7, 4}));
  ASSERT_EQ(rec.messageBoxes().size(), 1u);
  EXPECT_EQ(rec.messageBoxes()[0], (RecordedMessageBox{"This File not exist!", "Error"}));
  EXPECT_EQ(globalVar().dataFileName, "/nonexistent/folder/with/a/path/longer/than/sixty/characters/counts.txt");
}

TEST_F(OpenData, AFailedReadLeavesNoData) {
  open(file("good.txt", "12\n5\n"));
  open(file("letters.txt", "12\n5\nabc\n"));
  EXPECT_EQ(globalVar().dataAvailable, 0);
  EXPECT_TRUE(globalVar().counts.empty());
  EXPECT_EQ(rec.messageBoxes(),
            (std::vector<RecordedMessageBox>{{"Error occur by reading N in Line 3! Program terminated", "Error"}}));

  // A blank line is a line that cannot be read: both messages.
  open(file("blank.txt", "12\n\n5\n"));
  const std::vector<RecordedMessageBox> boxes = rec.messageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1], (RecordedMessageBox{"Error occur by reading Data!", "Error"}));
  EXPECT_EQ(boxes[2], (RecordedMessageBox{"Error occur by reading N in Line 2! Program terminated", "Error"}));
  EXPECT_EQ(globalVar().dataAvailable, 0);

  // A later good read makes data available again.
  open(file("again.txt", "3\n"));
  EXPECT_EQ(globalVar().dataAvailable, 1);
}

TEST_F(OpenData, BlankLinesAtTheEndAreIgnored) {
  rec.openWindow(12, "Start window");
  open(file("editor.txt", "12\r\n5\r\n\r\n \t\n"));
  EXPECT_EQ(globalVar().dataAvailable, 1);
  EXPECT_EQ(globalVar().numCountClasses, 2);
  EXPECT_EQ(rec.texts(12).size(), 3u + 2u * 2u + 2u);
  EXPECT_TRUE(rec.messageBoxes().empty());
}

TEST_F(OpenData, PipesAndDevicesAreRefusedNamingTheFile) {
  const auto fifo = std::filesystem::temp_directory_path() / "tallyfold-open-fifo";
  std::filesystem::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  created_.push_back(fifo);
  for (const std::string& path : {fifo.string(), std::string("/dev/zero")}) {
    open(file("good.txt", "12\n5\n"));
    const std::size_t before = rec.messageBoxes().size();
    finishesWithin(std::chrono::seconds(30), "opening " + path, [&] { open(path); });
    ASSERT_EQ(rec.messageBoxes().size(), before + 1) << path;
    EXPECT_EQ(rec.messageBoxes().back(), (RecordedMessageBox{"Not a regular file: " + path, "Error"}));
    EXPECT_EQ(globalVar().dataAvailable, 0) << path;
  }
}

TEST_F(OpenData, AFailedReadShowsTheStartWindowAsBeforeAnyData) {
  const auto drawn = [this] {
    std::vector<std::string> items;
    for (const RecordedText& t : rec.texts(12))
      items.push_back(t.font + " " + std::to_string(t.x) + "," + std::to_string(t.y) + " " + t.text);
    return items;
  };
  showStartWindow(12);
  const std::vector<std::string> welcome = drawn();
  open(file("good.txt", "12\n5\n"));
  ASSERT_NE(drawn(), welcome);
  open(file("bad.txt", "12\nabc\n"));
  EXPECT_EQ(drawn(), welcome);
}

TEST_F(OpenData, RefusedWhileAComputationRuns) {
  globalVar().calcThread = 7;
  openData();
  EXPECT_TRUE(rec.fileDialogs().empty());
  EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>{{"Calculation is active!", "STATUS"}}));
  globalVar().calcThread = -1;
}

}  // namespace
}  // namespace tallyfold

namespace tallyfold {
namespace {

class OpenDataElsewhere : public ::testing::Test {
 protected:
  void SetUp() override {
    globalVar().resetAll();
    setUpDataOpening();
  }
  void TearDown() override {
    for (const auto& path : created_) std::filesystem::remove(path);
  }
  std::string file(const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() / ("tallyfold-recent-" + name);
    std::ofstream(path) << "10\n5\n2\n";
    created_.push_back(path);
    return path.string();
  }
  RecordingWindows rec;
  std::vector<std::filesystem::path> created_;
};

// A dropped file opens as "&Open Data" opens it and names the frame; the
// last five files opened are listed, newest first; one that has gone is
// taken off the list with a message.
TEST_F(OpenDataElsewhere, DropsAndRecentFiles) {
  rec.dropFile(file("0.txt"));
  EXPECT_EQ(globalVar().dataAvailable, 1);
  EXPECT_EQ(rec.frameTitle(), "Tallyfold - tallyfold-recent-0.txt");
  for (int i = 1; i <= 5; ++i) openDataPath(file(std::to_string(i) + ".txt"));
  const std::vector<std::string> recent = rec.recentFiles();
  ASSERT_EQ(recent.size(), 5u);
  EXPECT_EQ(recent.front(), created_.back().string());
  EXPECT_EQ(recent.back(), created_[1].string());

  std::filesystem::remove(created_[3]);
  rec.openRecentFile(2);  // the file of i = 3
  EXPECT_EQ(rec.recentFiles().size(), 4u);
  EXPECT_NE(rec.messageBoxes().back().text.find("no longer exists"), std::string::npos);
  rec.openRecentFile(0);
  EXPECT_EQ(globalVar().dataFileName, created_.back().string());
}

}  // namespace
}  // namespace tallyfold
