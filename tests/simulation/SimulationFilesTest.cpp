#include "simulation/SimulationFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "simulation/TempFolder.h"

namespace tallyfold {
namespace {

using Values = std::vector<Estimate>;

EstimateTables sevenRows(int replications) {
  EstimateTables t(7, replications);
  for (int j = 1; j <= 7; ++j) {
    for (int r = 1; r <= replications; ++r) t.estimates(j, r) = 1000 * r + j;
  }
  return t;
}

TEST(InterimLines, StudyRecordIsEightBlanksComponentsAndSevenFields) {
  EstimateTables t = sevenRows(2);
  t.estimates(4, 2) = std::nullopt;  // no Z2 estimate in replicate 2
  const std::vector<std::int32_t> components{3, 12};
  const std::vector<std::string> lines = interimLines(InterimKind::study, t, components, std::nullopt);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "  sim_m   ;     sim_N ; sim_pN ;   z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N");
  EXPECT_EQ(lines[1], "         3;    1001;    1002;    1003;    1004;    1005;    1006;    1007");
  EXPECT_EQ(lines[2], "        12;    2001;    2002;    2003;     n/a;    2005;    2006;    2007");
}

TEST(InterimLines, StudyEvaluationColumnAddsABlankAndAField) {
  const std::vector<std::int32_t> components{1};
  const std::vector<std::string> lines =
      interimLines(InterimKind::study, sevenRows(1), components, Values{4321});
  EXPECT_EQ(lines[0], "   sim_m   ;     sim_N ; sim_pN ;   z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N ; evMedian");
  EXPECT_EQ(lines[1], "          1;    1001;    1002;    1003;    1004;    1005;    1006;    1007;    4321");
}

TEST(InterimLines, PoissonGammaRecordIsSixBlanksAndFiveFields) {
  EstimateTables t(5, 1);
  for (int j = 1; j <= 5; ++j) t.estimates(j, 1) = 500 + j;
  const std::vector<std::string> lines = interimLines(InterimKind::poissonGamma, t, {}, std::nullopt);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "    z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N");
  EXPECT_EQ(lines[1], "           501;     502;     503;     504;     505");
}

TEST(BootInterimLines, HeaderAndOneLineOfEightValuesPerReplicate) {
  EstimateTables t = sevenRows(3);
  t.estimates(2, 3) = std::nullopt;
  t.estimates(6, 3) = std::nullopt;
  const std::vector<std::int32_t> components{1, 2, 2};
  const std::vector<std::string> lines = bootInterimLines(t, components);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], " sim_m    ;   sim_N ;  sim_pN  ;  z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N");
  EXPECT_EQ(lines[1], "  1;    1001;    1002;    1003 ; 1004 ; 1005 ; 1006 ; 1007");
  EXPECT_EQ(lines[3], "  2;    3001;     n/a;    3003 ; 3004 ; 3005 ; n/a ; 3007");
}

class FilesInFolder : public ::testing::Test {
 protected:
  test::TempFolder root{"files"};
  OutputFolders folders{root.path()};

  static std::vector<std::string> read(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(FilesInFolder, SampleFilesDropTheUnseenColumnAndLeaveOlderFilesAlone) {
  std::filesystem::create_directory(folders.sim());
  std::ofstream(folders.sim() / "sample13.txt") << "older run\n";
  SampleTable samples(12, 4);  // K = 3: columns 2..4 are f(1..3)
  for (int r = 1; r <= 12; ++r) {
    for (int x = 1; x <= 4; ++x) samples(r, x) = 10 * r + x;
  }
  const FileOutcome outcome = writeSampleFiles(folders, samples, 3);
  EXPECT_FALSE(outcome.folderMessage);
  EXPECT_EQ(outcome.filesWritten, 12);
  EXPECT_TRUE(std::filesystem::exists(folders.sim() / "sample.txt"));
  EXPECT_EQ(read(folders.sim() / "sample1.txt"), (std::vector<std::string>{"  12", "  13", "  14"}));
  EXPECT_EQ(read(folders.sim() / "sample12.txt"), (std::vector<std::string>{"  122", "  123", "  124"}));
  EXPECT_EQ(read(folders.sim() / "sample13.txt"), std::vector<std::string>{"older run"});
}

TEST_F(FilesInFolder, BootSampleFilesHoldEveryClass) {
  std::filesystem::create_directory(folders.sim());
  SampleTable samples(3, 5);
  for (int r = 1; r <= 3; ++r) {
    for (int x = 1; x <= 5; ++x) samples(r, x) = r * x;
  }
  EXPECT_EQ(writeBootSampleFiles(folders, samples).filesWritten, 3);
  for (int r = 1; r <= 3; ++r) {
    const std::vector<std::string> lines = read(folders.sim() / ("boot" + std::to_string(r) + ".txt"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[4], "  " + std::to_string(5 * r));
  }
  EXPECT_FALSE(std::filesystem::exists(folders.sim() / "boot4.txt"));
}

TEST_F(FilesInFolder, AMissingSimFolderIsCreatedAndUnusableFoldersAreNamedWithTheReason) {
  // The Sim folder of a new machine: made by the first sample files.
  SampleTable samples(2, 3);
  const FileOutcome sampleFiles = writeSampleFiles(folders, samples, 2);
  EXPECT_FALSE(sampleFiles.folderMessage);
  EXPECT_EQ(sampleFiles.filesWritten, 2);
  EXPECT_TRUE(std::filesystem::is_directory(folders.sim()));

  // "C:\Temp" itself is never created.
  const OutputFolders nowhere{root.path() / "absent"};
  const std::string missingSim = "Folder \"C:/temp/Sim\" not exist (" + nowhere.sim().string() + ": missing)";
  EXPECT_EQ(writeSampleFiles(nowhere, samples, 2).folderMessage, missingSim);
  EXPECT_EQ(writeBootSampleFiles(nowhere, samples).folderMessage, missingSim);
  const std::vector<std::int32_t> components{1, 1};
  const std::string missingTemp = "Folder \"C:/temp\" not exist (" + nowhere.temp.string() + ": missing)";
  EXPECT_EQ(writeInterimFile(nowhere, InterimKind::study, sevenRows(2), components, std::nullopt).folderMessage,
            missingTemp);
  EXPECT_EQ(writeBootInterimFile(nowhere, sevenRows(2), components).folderMessage, missingTemp);
  EXPECT_FALSE(std::filesystem::exists(nowhere.temp));

  // A file where the folder should be; a folder nobody, root included, can
  // write into.
  const OutputFolders blocked{root.path() / "blocked"};
  std::filesystem::create_directory(blocked.temp);
  std::ofstream(blocked.sim()) << "not a folder\n";
  EXPECT_EQ(writeSampleFiles(blocked, samples, 2).folderMessage,
            "Folder \"C:/temp/Sim\" not exist (" + blocked.sim().string() + ": not a folder)");
  EXPECT_EQ(writeBootInterimFile(OutputFolders{"/proc"}, sevenRows(2), components).folderMessage,
            "Folder \"C:/temp\" not exist (/proc: not writable)");
}

TEST_F(FilesInFolder, InterimFilesReplaceEarlierContent) {
  const std::vector<std::int32_t> components{2, 2, 2};
  std::ofstream(folders.temp / "Bootinterim.txt") << "a\nb\nc\nd\ne\nf\n";
  EXPECT_EQ(writeBootInterimFile(folders, sevenRows(3), components).filesWritten, 1);
  EXPECT_EQ(read(folders.temp / "Bootinterim.txt"), bootInterimLines(sevenRows(3), components));
  EXPECT_EQ(writeInterimFile(folders, InterimKind::study, sevenRows(3), components, std::nullopt).filesWritten, 1);
  EXPECT_EQ(read(folders.temp / "Siminterim.txt").size(), 4u);
}

}  // namespace
}  // namespace tallyfold
