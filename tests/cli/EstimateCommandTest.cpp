#include "EstimateCommand.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "CliSupport.h"
#include "SearchProgress.h"
#include "estimation/EMtrun_alg.h"
#include "estimation/FitJudgement.h"
#include "estimation/ChaoInterval.h"
#include "estimation/GradientCurve.h"
#include "common/FieldLayout.h"
#include "common/SinglePrecision.h"
#include "data/CountTable.h"

namespace tallyfold::cli {
namespace {

std::string examplePath(const char* name) { return std::string(TALLYFOLD_EXAMPLES_DIR) + "/" + name; }

std::string writeTemp(const std::string& name, const std::string& text) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::ofstream(path) << text;
  return path.string();
}

EstimateOptions defaults(const std::string& file) {
  EstimateOptions o;
  o.file = file;
  o.exactness = static_cast<double>(single::exactness);
  return o;
}

nlohmann::json runJson(EstimateOptions options) {
  options.json = true;
  std::ostringstream out;
  EXPECT_EQ(runEstimate(options, out), exitSuccess);
  return nlohmann::json::parse(out.str());
}

TEST(EstimateCommand, JsonCarriesEveryRecordedFitAndTheClosedFormEstimates) {
  const nlohmann::json j = runJson(defaults(examplePath("tenclasses.txt")));
  EXPECT_EQ(j["m"], 10);
  EXPECT_EQ(j["n"], 275);
  EXPECT_EQ(j["settings"]["criterion"], "max");
  EXPECT_EQ(j["settings"]["maxComponents"], 2);
  ASSERT_EQ(j["fits"].size(), 2u);
  EXPECT_EQ(j["fits"][0]["n0"], 30.0);
  EXPECT_EQ(j["fits"][0]["nall"], 305.0);
  EXPECT_EQ(j["fits"][1]["n0"], 125.0);
  EXPECT_EQ(j["fits"][1]["nall"], 400.0);
  EXPECT_EQ(j["accepted"], 2);
  EXPECT_EQ(j["mixture"]["lambda"].size(), 2u);
  EXPECT_EQ(j["mixture"]["nall"], 400);
  ASSERT_EQ(j["zelterman"].size(), 4u);
  for (const auto& z : j["zelterman"]) EXPECT_EQ(z["n"].get<int>() - z["n0"].get<int>(), 275);
  EXPECT_EQ(j["chao"]["n0"], 120);  // 120 * 120 / (2 * 60)
  EXPECT_EQ(j["chao"]["n"], 395);
}

TEST(EstimateCommand, MissingEstimatesAreNull) {
  // One class only: no Zelterman rate, Chao divides by zero.
  const nlohmann::json single = runJson(defaults(writeTemp("tallyfold-cli-m1.txt", "7\n")));
  EXPECT_TRUE(single["zelterman"][0]["n0"].is_null());
  EXPECT_TRUE(single["chao"]["n"].is_null());
  // Underdispersed: no negative-binomial fit exists.
  const nlohmann::json small = runJson(defaults(examplePath("small.txt")));
  EXPECT_TRUE(small["negativeBinomial"]["n0"].is_null());
  EXPECT_EQ(small["fits"][0]["n0"], 11.0);
  EXPECT_EQ(small["fits"][0]["nall"], 28.0);
}

std::string runText(EstimateOptions options) {
  std::ostringstream out;
  EXPECT_EQ(runEstimate(options, out), exitSuccess);
  return out.str();
}

TEST(EstimateCommand, NoEstimateCarriesItsReason) {
  // (10, 1, 1): the negative binomial reaches its iteration limit; its
  // marker -1 is no estimate.
  const std::string limit = writeTemp("tallyfold-cli-limit.txt", "10\n1\n1\n");
  const nlohmann::json j = runJson(defaults(limit));
  EXPECT_TRUE(j["negativeBinomial"]["n0"].is_null());
  EXPECT_TRUE(j["negativeBinomial"]["n"].is_null());
  EXPECT_EQ(j["negativeBinomial"]["reason"], "iteration limit");
  EXPECT_FALSE(j["chao"].contains("reason"));
  EXPECT_FALSE(j["mixture"].contains("reason"));
  EXPECT_NE(runText(defaults(limit)).find("Negative binomial PMLE(negB)                 n/a       n/a\n"),
            std::string::npos);
  // Units all seen once, in one class or with empty classes after it: no
  // mixture under any criterion, its reason in place of the fit table.
  const std::string one = writeTemp("tallyfold-cli-one.txt", "5\n");
  const std::string once = writeTemp("tallyfold-cli-once.txt", "5\n0\n0\n");
  for (const std::string& file : {one, once}) {
    for (const StopCriterion criterion : {StopCriterion::npmle, StopCriterion::bic, StopCriterion::max}) {
      EstimateOptions o = defaults(file);
      o.criterion = criterion;
      const nlohmann::json fit = runJson(o);
      EXPECT_TRUE(fit["fits"].empty());
      EXPECT_TRUE(fit["mixture"]["n0"].is_null());
      EXPECT_TRUE(fit["mixture"]["nall"].is_null());
      EXPECT_EQ(fit["mixture"]["reason"], std::string(noMixtureInformation));
      const std::string text = runText(o);
      EXPECT_NE(text.find("Estimation\nno estimate: " + std::string(noMixtureInformation) + "\n\nZelterman"),
                std::string::npos) << text;
      EXPECT_EQ(text.find("accepted components"), std::string::npos);
    }
  }
  const nlohmann::json single = runJson(defaults(one));
  for (const auto& z : single["zelterman"]) EXPECT_NE(z["reason"].get<std::string>().find("f2 = 0"), std::string::npos);
  EXPECT_NE(single["chao"]["reason"].get<std::string>().find("f2 = 0"), std::string::npos);
}

TEST(EstimateCommand, EstimatesBeyond32BitsAreShownAsTheyAre) {
  // Chao = f1 * f1 / (2 * 0.5) in single precision: 70000^2 is 4899999744.
  const nlohmann::json j = runJson(defaults(writeTemp("tallyfold-cli-wide.txt", "70000\n0\n")));
  EXPECT_EQ(j["chao"]["n0"].get<std::int64_t>(), 4899999744LL);
  EXPECT_EQ(j["chao"]["n"].get<std::int64_t>(), 4900069744LL);
  EXPECT_TRUE(j["zelterman"][0]["n0"].is_number_integer());
  // The text keeps its (I10) fields: ten digits fit, eleven are asterisks.
  const std::string text = runText(defaults(writeTemp("tallyfold-cli-wider.txt", "100000\n0\n")));
  EXPECT_NE(text.find("Chao f0=f1*f1/(2*f2)                  ********************\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Z1 lam=2f2/f1                         9999950000**********\n"), std::string::npos) << text;
}

TEST(EstimateCommand, LogPrintsTheSearchLinesFirst) {
  EstimateOptions o = defaults(examplePath("small.txt"));
  o.log = true;
  std::ostringstream out;
  runEstimate(o, out);
  const std::string text = out.str();
  EXPECT_EQ(text.rfind(" calculate Nonparametric Maximum Likelihood Estimation\n", 0), 0u);
  EXPECT_NE(text.find(" ----------- Start EMGFU---------\n"), std::string::npos);
  EXPECT_NE(text.find("\n      1.000000\n"), std::string::npos);
  EXPECT_NE(text.find(" Nonparametric Maximum Likelihood Estimation finished\n N0 11\n N 28\n"), std::string::npos);
}

TEST(EstimateCommand, UnusableTablesAreRefusedNamingTheFile) {
  const std::string zeros = writeTemp("tallyfold-cli-zeros.txt", "0\n0\n");
  const std::string bad = writeTemp("tallyfold-cli-bad.txt", "4\nfive\n");
  for (const std::string& file : {zeros, bad, std::string("/nonexistent/counts.txt")}) {
    std::ostringstream out;
    try {
      runEstimate(defaults(file), out);
      ADD_FAILURE() << "accepted " << file;
    } catch (const BadInput& e) {
      EXPECT_EQ(e.message.rfind(file + ": ", 0), 0u) << e.message;
    }
  }
}

// The whole program: exit statuses of the command line.
int exitStatus(const std::string& arguments) {
  const std::string command = std::string(TALLYFOLD_CLI_PATH) + " " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(EstimateCommandLine, ExitStatuses) {
  EXPECT_EQ(exitStatus("estimate " + examplePath("cottontail.txt")), 0);
  EXPECT_EQ(exitStatus("--help"), 0);
  EXPECT_EQ(exitStatus("estimate /nonexistent/file.txt"), 1);
  EXPECT_EQ(exitStatus("estimate " + examplePath("small.txt") + " --criterion sideways"), 1);
  EXPECT_EQ(exitStatus("estimate " + examplePath("small.txt") + " --exactness -1"), 1);
  EXPECT_EQ(exitStatus("estimate " + examplePath("small.txt") + " --exactness abc"), 1);
  EXPECT_EQ(exitStatus("estimate"), 1);
  EXPECT_EQ(exitStatus(""), 1);
}

// Exit status and standard error of the whole program.
std::pair<int, std::string> statusAndErrors(const std::string& arguments) {
  const std::string command = std::string(TALLYFOLD_CLI_PATH) + " " + arguments + " 2>&1 >/dev/null";
  std::string errors;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, errors};
  std::array<char, 256> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) errors += buffer.data();
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, errors};
}

TEST(EstimateCommandLine, SearchOptionsAreCheckedOnceForEverySearchingCommand) {
  const std::string file = examplePath("small.txt");
  const std::string note = std::string(noIterationNote) + "\n";
  for (const std::string& command :
       {"estimate " + file, "bootstrap " + file + " --replications 1 --seed 3",
        std::string("simulate --replications 1 --population 200 --no-boot-eval --seed 3")}) {
    for (const char* value : {"0", "-2"}) {
      const auto [status, errors] = statusAndErrors(command + " --max-components " + value);
      EXPECT_EQ(status, 1) << command;
      EXPECT_NE(errors.find("--max-components must be at least 1, not " + std::string(value)), std::string::npos)
          << errors;
    }
    const auto [status, errors] = statusAndErrors(command + " --exactness 1");
    EXPECT_EQ(status, 0) << command;
    EXPECT_EQ(errors, note) << command;
    EXPECT_EQ(statusAndErrors(command + " --max-components 1").second.find(note), std::string::npos) << command;
  }
}

TEST(SearchProgress, ALineIsDueAtEveryWholeInterval) {
  using namespace std::chrono_literals;
  ProgressSchedule schedule(5s);
  EXPECT_FALSE(schedule.due(4999ms));
  EXPECT_TRUE(schedule.due(5s));
  EXPECT_FALSE(schedule.due(9s));
  // A late wake writes one line and waits for the next whole interval.
  EXPECT_TRUE(schedule.due(17s));
  EXPECT_EQ(schedule.next(), 20s);
  EXPECT_EQ(stillRunningLine(10500ms, 1), "tallyfold-cli: the component search is still running (10 s, 1 component)");
  EXPECT_FALSE(showsProgress(true, true));
  EXPECT_FALSE(showsProgress(false, false));
}

TEST(SearchProgress, TheWatcherWritesWhileTheSearchRunsAndStopsAtOnce) {
  using namespace std::chrono_literals;
  std::ostringstream lines;
  {
    ProgressWatch watch(lines, 10ms);
    const LogSink sink = watch.sink();
    sink(" Add next component");
    sink(" **** Start EM ****");
    std::this_thread::sleep_for(200ms);
  }
  EXPECT_NE(lines.str().find(" s, 2 components)\n"), std::string::npos) << lines.str();
  // Destroyed before its first interval: nothing, and no wait for it.
  std::ostringstream none;
  const auto start = std::chrono::steady_clock::now();
  { ProgressWatch watch(none, 1h); }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
  EXPECT_TRUE(none.str().empty());
}

}  // namespace
}  // namespace tallyfold::cli

namespace tallyfold::cli {
namespace {

// The judgement of each fit is the engine's, and the fit blocks keep their keys.
TEST(EstimateFitChecks, JsonCarriesEachFitsJudgementAsTheEnginesGiveIt) {
  EstimateOptions o = defaults(examplePath("tenclasses.txt"));
  o.criterion = StopCriterion::npmle;
  o.curves = true;
  const nlohmann::json j = runJson(o);
  const std::vector<std::int32_t> counts{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
  for (const nlohmann::json& fit : j["fits"]) {
    const std::vector<double> lambda = fit["lambda"], weight = fit["weight"];
    const FitJudgement expected = judgeMixture(counts, lambda, weight, fit["maxGradient"]);
    EXPECT_DOUBLE_EQ(fit["gof"]["chi2"], expected.fit.chiSquare);
    EXPECT_EQ(fit["gof"]["df"], expected.fit.degreesOfFreedom);
    EXPECT_EQ(fit["gof"]["pooledClasses"], expected.fit.classes.size());
    EXPECT_DOUBLE_EQ(fit["aic"], expected.fit.aic);
    EXPECT_DOUBLE_EQ(fit["d0"], expected.identifiability.gradientAtZero);
    EXPECT_DOUBLE_EQ(fit["logLikelihoodGapBound"], expected.certificate.gap);
    EXPECT_EQ(fit["expected"].size(), counts.size());
    ASSERT_EQ(fit["gradientCurve"].size(), static_cast<std::size_t>(gradientCurvePoints));
    const double theta = fit["gradientCurve"][200][0];
    EXPECT_DOUBLE_EQ(fit["gradientCurve"][200][1], gradientFunction(theta, counts, lambda, weight));
  }
  EXPECT_EQ(j["identified"], true);
  EXPECT_EQ(j["negativeBinomial"]["method"], "moment fixed point");
  EXPECT_EQ(j["ztnbMle"]["status"], "estimate");
  EXPECT_FALSE(runJson(defaults(examplePath("tenclasses.txt")))["fits"][0].contains("gradientCurve"));
}

// A table whose NPMLE puts N0 at the boundary says so and names Chao's
// estimate; one that does not, does not; --gof lists the observed counts.
TEST(EstimateFitChecks, TextNamesTheBoundaryAndTheChaoLowerBound) {
  EstimateOptions flagged = defaults(writeTemp("tallyfold-flagged.txt", "165\n113\n89\n54\n12\n2\n1\n1\n"));
  flagged.criterion = StopCriterion::npmle;
  const std::string text = runText(flagged);
  EXPECT_NE(text.find("N0 not identified by the data"), std::string::npos);
  EXPECT_NE(text.find("Chao's estimate N = "), std::string::npos);
  EXPECT_EQ(runJson(flagged)["identified"], false);

  EstimateOptions plain = defaults(examplePath("tenclasses.txt"));
  plain.gof = true;
  const std::string ok = runText(plain);
  EXPECT_NE(ok.find("N0 is identified by the data."), std::string::npos);
  EXPECT_EQ(ok.find("not identified"), std::string::npos);
  EXPECT_NE(ok.find("\n       1         120"), std::string::npos);
  EXPECT_NE(ok.find("\n    >=10           2"), std::string::npos);
}

// Under BIC the recorded fit BIC rejected is judged in the text as in the
// JSON: starred in both tables, each followed by the note; the fit table
// above still ends at the accepted fit.
TEST(EstimateFitChecks, TextJudgesTheFitBicRejected) {
  EstimateOptions o = defaults(examplePath("tenclasses.txt"));
  o.criterion = StopCriterion::bic;
  o.gof = true;
  const nlohmann::json j = runJson(o);
  ASSERT_EQ(j["fits"].size(), 3u);
  ASSERT_EQ(j["accepted"], 2);
  const std::string text = runText(o);
  EXPECT_NE(text.find("\nk=3*      " + formatF(j["fits"][2]["gof"]["chi2"], 12, 4)), std::string::npos) << text;
  EXPECT_NE(text.find("         k=2        k=3*        ZTNB"), std::string::npos) << text;
  const std::string note = "\n* k=3 was fitted and rejected by BIC; the accepted fit is k=2\n";
  const std::size_t first = text.find(note);
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_NE(text.find(note, first + 1), std::string::npos) << text;
  EXPECT_EQ(text.find("\n     3 "), std::string::npos) << text;
  EXPECT_EQ(runText(defaults(examplePath("tenclasses.txt"))).find("rejected by BIC"), std::string::npos);
}

}  // namespace
}  // namespace tallyfold::cli

namespace tallyfold::cli {
namespace {

// Chao's interval rides in the "chao" object; a cut-off row of the scan is
// the single --cutoff row, and a cut-off outside 2..m is refused.
TEST(EstimateIntervalsAndCutoffs, ChaoIntervalAndTheCutoffRows) {
  EstimateOptions o = defaults(examplePath("tenclasses.txt"));
  o.cutoffScan = true;
  const nlohmann::json j = runJson(o);
  const std::optional<ChaoInterval> chao = chaoInterval(std::vector<std::int32_t>{120, 60, 30, 20, 15, 10, 8, 6, 4, 2}, 0.95);
  ASSERT_TRUE(chao);
  EXPECT_DOUBLE_EQ(j["chao"]["lower"], chao->lower);
  EXPECT_DOUBLE_EQ(j["chao"]["se"], chao->se);
  EXPECT_EQ(j["chao"]["level"], 0.95);
  ASSERT_EQ(j["cutoffScan"].size(), 9u);
  EXPECT_EQ(j["cutoffScan"][0]["cutoff"], 2);
  EXPECT_EQ(j["cutoffScan"][0]["observedBelow"], 180);

  EstimateOptions one = defaults(examplePath("tenclasses.txt"));
  one.cutoff = 5;
  const nlohmann::json single = runJson(one);
  ASSERT_EQ(single["cutoffScan"].size(), 1u);
  EXPECT_EQ(single["cutoffScan"][0], j["cutoffScan"][3]);
  EXPECT_EQ(exitStatus("estimate --cutoff 11 " + examplePath("tenclasses.txt")), 1);
  EXPECT_EQ(exitStatus("estimate --cutoff 1 " + examplePath("tenclasses.txt")), 1);
  EXPECT_EQ(exitStatus("estimate --cutoff 2 " + examplePath("tenclasses.txt")), 0);
  EXPECT_EQ(exitStatus("estimate --level 1 " + examplePath("tenclasses.txt")), 1);
}

}  // namespace
}  // namespace tallyfold::cli

namespace tallyfold::cli {
namespace {

// RFC 4180 fields of one line (quotes doubled inside quoted fields).
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// Every row has the header's fields, a reason with commas is quoted, and
// the numbers read back to the JSON's doubles.
TEST(EstimateCsv, RowsReadBackToTheSameNumbers) {
  for (const char* text : {"43\n16\n8\n6\n0\n2\n1\n", "50\n0\n0\n"}) {
    EstimateOptions o = defaults(writeTemp("tallyfold-csv.txt", text));
    const nlohmann::json j = runJson(o);
    o.csv = true;
    std::istringstream lines(runText(o));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(csvFields(line));
    ASSERT_GE(rows.size(), 8u);
    for (const auto& row : rows) EXPECT_EQ(row.size(), rows[0].size());
    for (std::size_t i = 0; i < j["fits"].size(); ++i) {
      EXPECT_EQ(std::stod(rows[1 + i][2]), j["fits"][i]["n0"].get<double>());
      EXPECT_EQ(std::stod(rows[1 + i][4]), j["fits"][i]["logLikelihood"].get<double>());
    }
    const auto chao = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r[0] == "Chao"; });
    ASSERT_NE(chao, rows.end());
    EXPECT_EQ((*chao)[3].empty(), j["chao"]["n"].is_null());
  }
}

}  // namespace
}  // namespace tallyfold::cli
