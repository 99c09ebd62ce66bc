#include "data/CountData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tallyfold {
namespace {

using Format = CountFormat;
using Form = CountForm;

TEST(CountData, TheFormFollowsTheChoiceTheNameOrAHeaderOfWords) {
  struct Case {
    Format format;
    const char* path;
    const char* text;
    Form form;
  };
  const Case cases[] = {
      {Format::automatic, "/d/counts.txt", "12\n5\n", Form::counts},
      {Format::automatic, "/d/Counts.CSV", "12\n5\n", Form::pairs},
      {Format::automatic, "table.tsv", "", Form::pairs},
      {Format::automatic, "table.csv.txt", "1,5\n", Form::counts},
      {Format::automatic, "/d/table", "x,f\n1,5\n", Form::pairs},
      {Format::automatic, "/d/table", "# seen\n \r\n\tj;f_j\n", Form::pairs},
      {Format::automatic, "/d/table", "\xEF\xBB\xBF" "frequency,count\n", Form::pairs},
      {Format::automatic, "/d/table", "# seen\n12\n", Form::counts},
      {Format::automatic, "/d/table", "12 units\n", Form::counts},
      {Format::counts, "/d/table.csv", "x,f\n", Form::counts},
      {Format::pairs, "/d/table.txt", "1 5\n", Form::pairs},
  };
  for (const Case& c : cases) EXPECT_EQ(chooseCountForm(c.format, c.path, c.text), c.form) << c.path << " " << c.text;
  for (const Format format : {Format::automatic, Format::counts, Format::pairs}) {
    EXPECT_EQ(countFormatFromName(countFormatName(format)), format);
  }
  EXPECT_EQ(countFormatName(Format::automatic), "auto");
  EXPECT_FALSE(countFormatFromName("csv").has_value());
}

// What today's reader accepts reads the same through the new entry point;
// a byte-order mark, which it refuses, is skipped in both forms.
TEST(CountData, CountFilesReadAsBeforeAndAByteOrderMarkIsSkipped) {
  for (const char* text : {"7 3\n4,9\n  +2\t8\r\n-1\n0", "12\r\n5\r\n\r\n \t\n", "12  \n100000\t\n", "12\n5x\n",
                           "12\n\n3\n", "2147483647\n1\n", ""}) {
    const CountFile before = parseCountText(text);
    const CountData now = parseCountData(text, chooseCountForm(Format::automatic, "counts.txt", text));
    EXPECT_EQ(now.form, Form::counts) << text;
    EXPECT_EQ(now.counts, before.counts) << text;
    EXPECT_EQ(now.problem.has_value(), before.problem.has_value()) << text;
    if (before.problem && now.problem) {
      EXPECT_EQ(describeDataFileProblem(*now.problem), describeCountFileProblem(*before.problem));
    }
  }
  const std::string bom = "\xEF\xBB\xBF";
  ASSERT_TRUE(parseCountText(bom + "12\r\n5 \r\n").problem.has_value());
  EXPECT_EQ(parseCountData(bom + "12\r\n5 \r\n", Form::counts).counts, (std::vector<std::int32_t>{12, 5}));
  EXPECT_EQ(parseCountData(bom + "x;f\r\n2;5 \r\n", Form::pairs).counts, (std::vector<std::int32_t>{0, 5}));
}

TEST(CountData, EveryCountFileOfTheRepositoryReadsAsBefore) {
  int files = 0;
  for (const char* folder : {"examples", "tests/fuzz/corpus"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(TALLYFOLD_SOURCE_DIR) + "/" + folder)) {
      if (entry.path().extension() != ".txt") continue;
      const std::string path = entry.path().string();
      const CountFile before = readCountFile(path);
      const CountData now = readCountData(path, Format::automatic);
      EXPECT_EQ(now.form, Form::counts) << path;
      EXPECT_EQ(now.counts, before.counts) << path;
      EXPECT_EQ(now.problem.has_value(), before.problem.has_value()) << path;
      ++files;
    }
  }
  EXPECT_GE(files, 19);

  const CountData csv = readCountData(TALLYFOLD_SOURCE_DIR "/examples/cottontail.csv", Format::automatic);
  EXPECT_EQ(csv.form, Form::pairs);
  EXPECT_EQ(csv.counts, readCountFile(TALLYFOLD_SOURCE_DIR "/examples/cottontail.txt").counts);
  EXPECT_EQ(csv.zeroFilled, (std::vector<ClassRange>{{5, 5}}));
}

TEST(CountData, AMillionClassesReadAlikeInBothForms) {
  constexpr int m = 1'000'000;
  std::string counts;
  std::string pairs = "x,f\n";
  for (int x = 1; x <= m; ++x) counts += std::to_string(x % 7) + "\r\n";
  for (int x = m; x >= 1; --x) {
    if (x % 7 != 0) pairs += std::to_string(x) + "," + std::to_string(x % 7) + "\r\n";
  }
  const CountData fromCounts = parseCountData(counts, Form::counts);
  const CountData fromPairs = parseCountData(pairs, Form::pairs);
  ASSERT_FALSE(fromCounts.problem || fromPairs.problem);
  EXPECT_EQ(fromCounts.counts.size(), static_cast<std::size_t>(m));
  EXPECT_EQ(fromPairs.counts, fromCounts.counts);
  EXPECT_EQ(fromPairs.zeroFilled.size(), static_cast<std::size_t>(m / 7));
}

TEST(CountData, FilesThatCannotOrMayNotBeReadAreRefusedUnread) {
  const auto big = std::filesystem::temp_directory_path() / "tallyfold-countdata-big.txt";
  std::ofstream(big) << "12\n";
  std::filesystem::resize_file(big, maxDataFileBytes + 1);  // sparse: nothing is written
  struct Case {
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {big.string(), "the file holds 100000001 bytes, more than the 100000000 (100 MB) a data file may hold"},
      {"/nonexistent/counts.csv", "the file cannot be opened or read"},
      {std::filesystem::temp_directory_path().string(), "the file cannot be opened or read"},
      {"/dev/zero", "the file is not a regular file"},
  };
  for (const Case& c : cases) {
    for (const Format format : {Format::automatic, Format::counts, Format::pairs}) {
      const CountData data = readCountData(c.path, format);
      ASSERT_TRUE(data.problem.has_value()) << c.path;
      EXPECT_EQ(dataFileMessage(c.path, *data.problem), c.path + ": " + c.message);
    }
  }
  std::filesystem::remove(big);
}

}  // namespace
}  // namespace tallyfold
