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
      {Format::automatic, "/d/Counts.CSV", "12,5\n", Form::pairs},
      {Format::automatic, "table.tsv", "", Form::pairs},
      {Format::automatic, "counts.csv", "\xEF\xBB\xBF# seen\n\n 43 \r\n5\n", Form::counts},
      {Format::automatic, "table.tsv", "f\n1\t43\n", Form::pairs},
      {Format::automatic, "table", "# seen\n \r\n\tj f_j \r\n", Form::pairs},
      {Format::automatic, "table", "\xEF\xBB\xBF\"x\"\t\"f(x)\"\n", Form::pairs},
      {Format::automatic, "table", "# seen\n12\n", Form::counts},
      {Format::automatic, "table", "12 units\n", Form::counts},
      {Format::counts, "table.csv", "x,f\n", Form::counts},
      {Format::pairs, "table.txt", "1 5\n", Form::pairs},
  };
  for (const Case& c : cases) EXPECT_EQ(chooseCountForm(c.format, c.path, c.text), c.form) << c.path << " " << c.text;
  EXPECT_EQ(countFormatFromName("pairs"), Format::pairs);
  EXPECT_FALSE(countFormatFromName("csv").has_value());
}

// What today's reader accepts or refuses (the fuzz corpus holds both) reads
// the same through the new entry point, but for a byte-order mark, which it
// refuses.
TEST(CountData, CountFilesReadAsBefore) {
  int files = 0;
  for (const char* folder : {"/examples", "/tests/fuzz/corpus"}) {
    for (const auto& entry : std::filesystem::directory_iterator(TALLYFOLD_SOURCE_DIR + std::string(folder))) {
      if (entry.path().extension() != ".txt") continue;
      const CountFile before = readCountFile(entry.path().string());
      const CountData now = readCountData(entry.path().string(), Format::automatic);
      EXPECT_EQ(now.form, Form::counts) << entry.path();
      EXPECT_EQ(now.counts, before.counts) << entry.path();
      EXPECT_EQ(now.problem ? describeDataFileProblem(*now.problem) : "",
                before.problem ? describeCountFileProblem(*before.problem) : "");
      ++files;
    }
  }
  EXPECT_GE(files, 19);
  const std::string bom = "\xEF\xBB\xBF";
  ASSERT_TRUE(parseCountText(bom + "12\r\n5 \r\n").problem.has_value());
  EXPECT_EQ(parseCountData(bom + "12\r\n5 \r\n", Form::counts).counts, (std::vector<std::int32_t>{12, 5}));

  const CountData table = readCountData(TALLYFOLD_SOURCE_DIR "/examples/cottontail.csv", Format::automatic);
  EXPECT_EQ(table.form, Form::pairs);
  EXPECT_EQ(table.counts, readCountFile(TALLYFOLD_SOURCE_DIR "/examples/cottontail.txt").counts);
  EXPECT_EQ(table.zeroFilled, (std::vector<ClassRange>{{5, 5}}));
}

TEST(CountData, AMillionClassesReadAlikeInBothForms) {
  constexpr int m = 1'000'000;
  std::string counts;
  std::string pairs = "\xEF\xBB\xBFx,f\n";
  for (int x = 1; x <= m; ++x) counts += std::to_string(x % 7) + "\r\n";
  for (int x = m; x >= 1; --x) {
    if (x % 7 != 0) pairs += std::to_string(x) + "," + std::to_string(x % 7) + " \r\n";
  }
  const CountData fromCounts = parseCountData(counts, Form::counts);
  const CountData fromPairs = parseCountData(pairs, Form::pairs);
  EXPECT_EQ(fromCounts.counts.size(), static_cast<std::size_t>(m));
  EXPECT_EQ(fromPairs.counts, fromCounts.counts);
  EXPECT_EQ(fromPairs.zeroFilled.size(), static_cast<std::size_t>(m / 7));
}

TEST(CountData, FilesThatCannotOrMayNotBeReadAreRefusedUnread) {
  const auto big = std::filesystem::temp_directory_path() / "tallyfold-countdata-big.txt";
  std::ofstream(big) << "12\n";
  std::filesystem::resize_file(big, maxDataFileBytes + 1);  // sparse: nothing is written
  const std::pair<std::string, std::string> cases[] = {
      {big.string(), "the file holds 100000001 bytes, more than the 100000000 (100 MB) a data file may hold"},
      {"/nonexistent/counts.csv", "the file cannot be opened or read"},
      {"/dev/zero", "the file is not a regular file"},
  };
  for (const auto& [path, message] : cases) {
    for (const Format format : {Format::automatic, Format::counts, Format::pairs}) {
      const CountData data = readCountData(path, format);
      ASSERT_TRUE(data.problem.has_value()) << path;
      EXPECT_EQ(dataFileMessage(path, *data.problem), path + ": " + message);
    }
  }
  std::filesystem::remove(big);

  // Line x holds f(x): one line more than the classes a table may hold is
  // refused in the words of the frequency table, and never estimated.
  const auto many = std::filesystem::temp_directory_path() / "tallyfold-countdata-many.txt";
  std::string text(2 * (static_cast<std::size_t>(maxTableClass) + 1), '\n');
  for (std::size_t i = 0; i < text.size(); i += 2) text[i] = i == 0 ? '1' : '0';
  std::ofstream(many, std::ios::binary) << text;
  for (const Format format : {Format::automatic, Format::counts}) {
    const CountData data = readCountData(many.string(), format);
    ASSERT_TRUE(data.problem.has_value());
    EXPECT_TRUE(data.counts.empty());
    EXPECT_EQ(describeDataFileProblem(*data.problem),
              "line 10000001: the class x = 10000001 is larger than 10000000, the largest class read");
  }
  text.resize(text.size() - 2);
  EXPECT_EQ(parseCountData(text + " \n\t\r\n", Form::counts).counts.size(), static_cast<std::size_t>(maxTableClass));
  std::filesystem::remove(many);
}

}  // namespace
}  // namespace tallyfold
