// libFuzzer target: an input is the text of a count data file, read both in
// the program's own form and as a two-column frequency table. Each reader
// takes it whole or refuses it; every table they accept goes through the
// closed-form estimators, the negative-binomial estimate and a search for
// at most two components, as the command-line program would run them.
//
// A terminal numerical error (TerminalError) is a defined outcome and is
// caught; anything else that escapes, and every sanitizer report, is a
// finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>
#include <string_view>

#include "common/SinglePrecision.h"
#include "data/CountData.h"
#include "data/CountFile.h"
#include "estimation/EMtrun_alg.h"
#include "estimation/Gamma.h"
#include "estimation/Zelterman.h"
#include "numeric/ErrorReporting.h"

namespace {

// Tables of more classes are read but not estimated. A search's cost grows
// with m (each gradient evaluation sums over the classes, on a grid that
// reaches m + 1); 50 classes keep a typical input in the milliseconds while
// covering every estimator's use of the first five classes and the tail.
constexpr std::size_t maxEstimatedClasses = 50;

void estimate(std::span<const std::int32_t> counts) {
  const double eps = static_cast<double>(tallyfold::single::exactness);
  (void)tallyfold::zelterman1(counts);
  (void)tallyfold::zelterman2(counts);
  (void)tallyfold::zelterman3(counts);
  (void)tallyfold::zelterman4(counts);
  (void)tallyfold::chao(counts);
  double f0 = 0.0;
  double total = 0.0;
  (void)tallyfold::negBinEstimate(counts, eps, f0, total);
  const tallyfold::SearchSettings settings{eps, tallyfold::StopCriterion::max, 2};
  const tallyfold::SearchResult search = tallyfold::componentSearch(counts, settings, true, {});
  // A search that ran returns one or two components and recorded its fits.
  const std::size_t k = search.lambda.size();
  if (search.estimable && (k < 1 || k > 2 || search.weight.size() != k || search.records.empty())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The error facility's messages would flood the fuzzer's output.
  tallyfold::setErrorOutput([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tallyfold::CountFile file =
      tallyfold::parseCountText(std::string_view(reinterpret_cast<const char*>(data), size));
  // A table is accepted whole (one count per line) or not at all.
  if (file.problem ? !file.counts.empty() : file.counts.size() != static_cast<std::size_t>(file.lines)) std::abort();
  const tallyfold::CountData table = tallyfold::parseCountData(
      std::string_view(reinterpret_cast<const char*>(data), size), tallyfold::CountForm::pairs);
  if (table.problem && !table.counts.empty()) std::abort();
  for (const std::vector<std::int32_t>* counts : {&file.counts, &table.counts}) {
    if (counts->empty() || counts->size() > maxEstimatedClasses) continue;
    try {
      estimate(*counts);
    } catch (const tallyfold::TerminalError&) {
      tallyfold::resetErrorState();
    }
  }
  return 0;
}
