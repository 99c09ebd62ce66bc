// The replicates on a pool of threads give the serial run's results: the
// tables, the log in its order, the progress, the files' lines and what is
// left of the random stream.
#include <gtest/gtest.h>

#include <stop_token>
#include <string>
#include <vector>

#include "numeric/RandomStream.h"
#include "simulation/BootstrapEngine.h"
#include "simulation/SimulationEngine.h"
#include "simulation/SimulationFiles.h"

namespace tallyfold {
namespace {

const std::vector<std::int32_t> tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};

// A run's log and progress, and the stream's next number after it.
struct Observed {
  std::vector<std::string> log;
  std::vector<int> progress;
  float next = 0.0f;
  LogSink sink() {
    return [this](const std::string& line) { log.push_back(line); };
  }
  ProgressSink progressSink() {
    return [this](int r, int) { progress.push_back(r); };
  }
};

void expectSameIntervals(const StudyResult& a, const StudyResult& b) {
  ASSERT_EQ(a.evalIntervals.has_value(), b.evalIntervals.has_value());
  if (!a.evalIntervals) return;
  ASSERT_EQ(a.evalIntervals->size(), b.evalIntervals->size());
  for (std::size_t r = 0; r < a.evalIntervals->size(); ++r) {
    for (std::size_t j = 0; j < studyEstimators; ++j) {
      const PercentileInterval& x = (*a.evalIntervals)[r][j];
      const PercentileInterval& y = (*b.evalIntervals)[r][j];
      EXPECT_TRUE(x.lower == y.lower && x.upper == y.upper && x.used == y.used && x.missing == y.missing)
          << "replicate " << r + 1 << ", estimator " << j + 1;
    }
  }
}

TEST(ThreadedReplicates, ABootstrapOnTwoThreadsIsTheSerialOne) {
  Observed runs[2];
  BootstrapResult results[2];
  for (const int threads : {1, 2}) {
    Observed& run = runs[threads - 1];
    RandomStream stream(4242);
    const SearchSettings search{static_cast<double>(1.0e-7f), StopCriterion::max, 2};
    results[threads - 1] = bootstrapReplicates(tenClasses, search, 24, stream, run.sink(), {}, {}, threads);
    run.next = stream.uniformDeviate();
  }
  EXPECT_EQ(results[0].samples, results[1].samples);
  EXPECT_EQ(results[0].tables.estimates, results[1].tables.estimates);
  EXPECT_EQ(results[0].tables.unobserved, results[1].tables.unobserved);
  EXPECT_EQ(results[0].components, results[1].components);
  EXPECT_EQ(bootInterimLines(results[0].tables, results[0].components),
            bootInterimLines(results[1].tables, results[1].components));
  EXPECT_EQ(runs[0].log, runs[1].log);
  EXPECT_EQ(runs[0].log.size(), 3u * 24u);
  EXPECT_EQ(runs[0].next, runs[1].next);
}

TEST(ThreadedReplicates, AStudyWithItsEvaluationOnTwoThreadsIsTheSerialOne) {
  for (const bool fromData : {false, true}) {
    StudySettings s;
    s.search = SearchSettings{static_cast<double>(1.0e-7f), StopCriterion::max, 2};
    s.replications = 12;
    s.bootReplications = 6;
    s.fromDataset = fromData;
    if (fromData) {
      s.observed = tenClasses;
      s.populationSize = 400;
      s.numCounts = 10;
    }
    Observed runs[2];
    StudyResult results[2];
    for (const int threads : {1, 2}) {
      Observed& run = runs[threads - 1];
      s.threads = threads;
      RandomStream stream(77);
      results[threads - 1] = runSimulationStudy(s, stream, run.sink(), run.progressSink());
      run.next = stream.uniformDeviate();
    }
    const StudyResult& a = results[0];
    const StudyResult& b = results[1];
    EXPECT_EQ(a.samples, b.samples);
    EXPECT_EQ(a.tables.estimates, b.tables.estimates);
    EXPECT_EQ(a.tables.unobserved, b.tables.unobserved);
    EXPECT_EQ(a.components, b.components);
    EXPECT_EQ(a.evalMedian, b.evalMedian);
    expectSameIntervals(a, b);
    EXPECT_EQ(interimLines(InterimKind::study, a.tables, a.components, a.evalMedian),
              interimLines(InterimKind::study, b.tables, b.components, b.evalMedian));
    EXPECT_EQ(a.lastCounts, b.lastCounts);
    EXPECT_EQ(a.lastFit.lambda, b.lastFit.lambda);
    EXPECT_EQ(a.lastFit.weight, b.lastFit.weight);
    EXPECT_EQ(runs[0].log, runs[1].log) << fromData;
    EXPECT_EQ(runs[0].progress, runs[1].progress);
    EXPECT_EQ(runs[0].progress.size(), 12u);
    EXPECT_EQ(runs[0].next, runs[1].next) << "the evaluation's draws take the same numbers";
  }
}

TEST(ThreadedReplicates, APoissonGammaSimulationOnTwoThreadsIsTheSerialOne) {
  PoissonGammaSettings s;
  s.replications = 600;  // blocks of 256 replicates on the pool
  Observed runs[2];
  PoissonGammaResult results[2];
  for (const int threads : {1, 2}) {
    s.threads = threads;
    RandomStream stream(9);
    results[threads - 1] = runPoissonGammaSimulation(s, stream, runs[threads - 1].sink());
  }
  EXPECT_EQ(results[0].tables.estimates, results[1].tables.estimates);
  EXPECT_EQ(results[0].tables.unobserved, results[1].tables.unobserved);
  EXPECT_EQ(results[0].lastCounts, results[1].lastCounts);
  EXPECT_EQ(runs[0].log, runs[1].log);
}

TEST(ThreadedReplicates, AStopWhileAReplicateIsLoggedLeavesWholeReplicatesOnly) {
  // The workers have fitted replicates ahead when the stop comes in the
  // middle of replicate 3's lines: those are written whole, no later one.
  StudySettings s;
  s.search = SearchSettings{static_cast<double>(1.0e-7f), StopCriterion::max, 2};
  s.replications = 40;
  s.bootReplications = 4;
  s.threads = 2;
  std::stop_source stop;
  std::vector<std::string> log;
  const std::string thirdRep = " ********  rep  3    *********";
  RandomStream stream(5);
  const StudyResult result = runSimulationStudy(
      s, stream,
      [&](const std::string& line) {
        log.push_back(line);
        if (line == thirdRep) stop.request_stop();
      },
      {}, {}, stop.get_token());
  EXPECT_TRUE(result.stopped);
  const std::size_t head = 5;  // the lines before the first replicate
  ASSERT_EQ(log.size(), head + 3 * 5);
  for (std::size_t r = 0; r < 3; ++r) {
    EXPECT_EQ(log[head + 5 * r], " ********  rep  " + std::to_string(r + 1) + "    *********");
    EXPECT_EQ(log[head + 5 * r + 4], " " + std::string(21, '_'));
  }
}

}  // namespace
}  // namespace tallyfold
