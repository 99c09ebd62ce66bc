#include "cli/CliSupport.h"

#include "data/CountFile.h"

namespace tallyfold::cli {

std::vector<std::int32_t> loadCounts(const std::string& path) {
  const CountFile file = readCountFile(path);
  if (file.problem) throw BadInput{path + ": " + describeCountFileProblem(*file.problem)};
  return file.counts;
}

std::int32_t parseCriterion(const std::string& name) {
  if (name == "npmle") return 1;
  if (name == "bic") return 2;
  if (name == "max") return 3;
  throw BadInput{"unknown criterion '" + name + "' (npmle, bic or max)"};
}

std::string criterionName(std::int32_t criterion) {
  switch (criterion) {
    case 1: return "npmle";
    case 2: return "bic";
    default: return "max";
  }
}

}  // namespace tallyfold::cli
