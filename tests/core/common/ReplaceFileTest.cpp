#include "common/ReplaceFile.h"

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/TempFolder.h"

namespace tallyfold {
namespace {

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> names(const std::filesystem::path& folder) {
  std::set<std::string> all;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) all.insert(entry.path().filename().string());
  return all;
}

// The user's files beside the target, whatever they are called, survive a
// replace untouched, and the folder ends with exactly the files it had,
// whether the replace succeeds, cannot rename or cannot write.
TEST(ReplaceFile, TouchesOnlyItsOwnFileAndLeavesNoTemporaryBehind) {
  const test::TempFolder folder{"replace"};
  const std::filesystem::path path = folder.path() / "results.txt";
  std::ofstream(path) << "old";
  std::ofstream(folder.path() / "results.txt.part") << "mine";
  const std::set<std::string> before = names(folder.path());

  EXPECT_EQ(replaceFile(path, "new"), std::nullopt);
  EXPECT_EQ(readAll(path), "new");
  EXPECT_EQ(readAll(folder.path() / "results.txt.part"), "mine");
  EXPECT_EQ(names(folder.path()), before);

  // A folder in the target's place: the rename fails.
  const std::filesystem::path taken = folder.path() / "taken";
  std::filesystem::create_directories(taken / "inside");
  const std::optional<std::string> renameFailure = replaceFile(taken, "text");
  ASSERT_TRUE(renameFailure);
  EXPECT_EQ(renameFailure->rfind("cannot replace " + taken.string() + ": ", 0), 0u) << *renameFailure;
  std::set<std::string> withTaken = before;
  withTaken.insert("taken");
  EXPECT_EQ(names(folder.path()), withTaken);

  // A file size limit makes the write itself fail after the temporary exists.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 4;
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::optional<std::string> writeFailure = replaceFile(path, std::string(4096, 'x'));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(writeFailure);
  EXPECT_EQ(writeFailure->rfind("cannot write " + path.string() + ".", 0), 0u) << *writeFailure;
  EXPECT_EQ(readAll(path), "new");
  EXPECT_EQ(names(folder.path()), withTaken);
}

}  // namespace
}  // namespace tallyfold
