#include "data/CountFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "support/FinishesWithin.h"

namespace tallyfold {
namespace {

using Kind = CountFileProblem::Kind;

TEST(CountFile, FirstItemOfEachLineSeparatedByBlanksOrCommas) {
  const CountFile file = parseCountText("7 3\n4,9\n  +2\t8\r\n-1\n0");
  ASSERT_FALSE(file.problem.has_value());
  EXPECT_EQ(file.counts, (std::vector<std::int32_t>{7, 4, 2, -1, 0}));
  EXPECT_EQ(file.lines, 5);
}

TEST(CountFile, LargeCountsAreKeptAsTheyStand) {
  const CountFile file = parseCountText("12\n100000\n");
  ASSERT_FALSE(file.problem.has_value());
  EXPECT_EQ(file.counts, (std::vector<std::int32_t>{12, 100000}));
}

TEST(CountFile, RejectsTheWholeFileAtTheFirstBadLine) {
  struct Case {
    const char* text;
    Kind kind;
    int line;
  };
  const Case cases[] = {
      {"12\n5\nabc\n1\n", Kind::notAnInteger, 3},
      {"12\n5x\n", Kind::notAnInteger, 2},
      {"12\n1.5\n", Kind::notAnInteger, 2},
      {"12\n\n3\n", Kind::blankLine, 2},
      {"12\n \t\n3\n\n", Kind::blankLine, 2},  // inside, though the file ends blank
      {"12\n   ,\n", Kind::emptyItem, 2},
      {"12\n,10\n", Kind::emptyItem, 2},
      {"12\n5\n,\n\n", Kind::emptyItem, 3},    // a comma is not blank
      {"\n \t\r\n\n", Kind::empty, 0},          // blank lines only
      {"2147483648\n", Kind::outOfRange, 1},
      {"-2147483649\n", Kind::outOfRange, 1},
      {"2147483647\n1\n", Kind::sumOverflow, 2},
      {"", Kind::empty, 0},
  };
  for (const Case& c : cases) {
    const CountFile file = parseCountText(c.text);
    ASSERT_TRUE(file.problem.has_value()) << c.text;
    EXPECT_EQ(file.problem->kind, c.kind) << c.text;
    EXPECT_EQ(file.problem->line, c.line) << c.text;
    EXPECT_TRUE(file.counts.empty()) << "no partial table for " << c.text;
  }
}

TEST(CountFile, BlankLinesThatEndTheFileAreIgnored) {
  for (const char* text : {"12\n5\n\n", "12\r\n5\r\n\r\n\r\n", "12\n5\n  \t\n\n"}) {
    const CountFile file = parseCountText(text);
    ASSERT_FALSE(file.problem.has_value()) << text;
    EXPECT_EQ(file.counts, (std::vector<std::int32_t>{12, 5})) << text;
    EXPECT_EQ(file.lines, 2) << text;
  }
}

TEST(CountFile, AnItemLongerThanEightyCharactersIsRefusedNotCut) {
  EXPECT_EQ(parseCountText(std::string(79, '0') + "7 " + std::string(90, 'x')).counts,
            (std::vector<std::int32_t>{7}));
  const CountFile file = parseCountText("3\n" + std::string(80, '0') + "5\n3\n");
  ASSERT_TRUE(file.problem.has_value());
  EXPECT_TRUE(file.counts.empty());
  EXPECT_EQ(describeCountFileProblem(*file.problem), "line 2: the first item is longer than 80 characters");
  EXPECT_EQ(describeCountFileProblem(*parseCountText("1\n,10\n").problem), "line 2: the first item is empty");
}

TEST(CountFile, PipesAndDevicesAreRefusedBeforeReading) {
  const auto fifo = std::filesystem::temp_directory_path() / "tallyfold-countfile-fifo";
  std::filesystem::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo.string(), std::string("/dev/zero")}) {
    const CountFile file = finishesWithin(std::chrono::seconds(30), "reading " + path, [&] { return readCountFile(path); });
    ASSERT_TRUE(file.problem.has_value()) << path;
    EXPECT_EQ(file.problem->kind, Kind::notRegular) << path;
    EXPECT_EQ(describeCountFileProblem(*file.problem), "the file is not a regular file");
  }
  std::filesystem::remove(fifo);
}

TEST(CountFile, MissingFilesAndDirectoriesCannotBeRead) {
  EXPECT_EQ(readCountFile("/nonexistent/counts.txt").problem->kind, Kind::cannotOpen);
  EXPECT_EQ(readCountFile(std::filesystem::temp_directory_path().string()).problem->kind, Kind::cannotOpen);

  const auto path = std::filesystem::temp_directory_path() / "tallyfold-countfile-test.txt";
  {
    std::ofstream out(path);
    out << "12\n5\n1\n";
  }
  const CountFile file = readCountFile(path.string());
  std::filesystem::remove(path);
  ASSERT_FALSE(file.problem.has_value());
  EXPECT_EQ(file.counts, (std::vector<std::int32_t>{12, 5, 1}));
}

}  // namespace
}  // namespace tallyfold
