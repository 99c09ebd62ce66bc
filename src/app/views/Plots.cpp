#include "views/Plots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "common/FieldLayout.h"
#include "common/SinglePrecision.h"
#include "data/CountTable.h"
#include "estimation/EMtrun_alg.h"
#include "estimation/FitJudgement.h"
#include "estimation/GradientCurve.h"
#include "numeric/PercentileInterval.h"
#include "windows/WindowServices.h"

namespace tallyfold {

namespace {

struct Mixture {
  std::vector<double> lambda;
  std::vector<double> weight;
};

Mixture recordedFit(const ResultTables& tables, int s) {
  Mixture fit;
  for (int j = 1; j <= s; ++j) {
    fit.lambda.push_back(tables.resLambda(s, j));
    fit.weight.push_back(tables.resWeight(s, j));
  }
  return fit;
}

// The plots show every recorded fit and open at the accepted one; under BIC
// the last recorded fit may be the one BIC rejected, and its name says so.
int acceptedFit(std::int32_t numComponents, const ResultTables& tables) {
  return std::min<int>(numComponents, tables.size());
}

std::string fitName(int s, int accepted) {
  return "k = " + std::to_string(s) + (s > accepted ? " (rejected by BIC)" : "");
}

PlotSeries lineThrough(std::string name, std::vector<PlotPoint> points, SeriesKind kind = SeriesKind::line) {
  PlotSeries series;
  series.name = std::move(name);
  series.kind = kind;
  series.points = std::move(points);
  return series;
}

// e(x), the units beyond m counted in class m, as the fit table counts them.
std::vector<double> expectedWithTail(const GoodnessOfFit& fit) {
  std::vector<double> e = fit.expected;
  if (!e.empty()) e.back() += fit.tailExpected;
  return e;
}

std::vector<double> presentValues(std::span<const Estimate> values) {
  std::vector<double> present;
  for (const Estimate& v : values) {
    if (v) present.push_back(*v);
  }
  std::sort(present.begin(), present.end());
  return present;
}

}  // namespace

std::optional<PlotDescription> gradientPlot(std::span<const std::int32_t> counts, std::int32_t numComponents,
                                     const ResultTables& tables, std::stop_token stop) {
  PlotDescription plot;
  plot.title = "Gradient Function";
  plot.xLabel = "theta, mean count of a unit (logarithmic)";
  plot.logX = true;
  const double left = single::gridStart;
  const double right = static_cast<double>(counts.size()) + 1.0;
  const int accepted = acceptedFit(numComponents, tables);
  for (int s = 1; s <= tables.size(); ++s) {
    const Mixture fit = recordedFit(tables, s);
    std::vector<PlotPoint> curve;
    for (const auto& [theta, d] : gradientCurve(counts, fit.lambda, fit.weight, gradientCurvePoints, stop)) {
      curve.push_back({theta, d});
    }
    if (stop.stop_requested()) return std::nullopt;
    PlotView view;
    view.name = fitName(s, accepted);
    view.yLabel = "D(theta)";
    view.series.push_back(lineThrough("D(theta)", std::move(curve)));
    view.series.push_back(lineThrough("D = 1", {{left, 1.0}, {right, 1.0}}));
    PlotSeries support = lineThrough("support points", {}, SeriesKind::markers);
    for (std::size_t j = 0; j < fit.lambda.size(); ++j) {
      const double at = std::max(fit.lambda[j], left);
      support.points.push_back({at, gradientFunction(fit.lambda[j], counts, fit.lambda, fit.weight)});
      support.labels.push_back("mean " + fixedDecimals(fit.lambda[j], 4) + ", weight " + fixedDecimals(fit.weight[j], 4));
    }
    view.series.push_back(std::move(support));
    const double d0 = judgeMixture(counts, fit.lambda, fit.weight, tables.resMaxGrad[static_cast<std::size_t>(s - 1)])
                          .identifiability.gradientAtZero;
    PlotSeries zero = lineThrough("D(0+)", {{left, d0}}, SeriesKind::markers);
    zero.labels.push_back("D(0+) = " + fixedDecimals(d0, 4));
    view.series.push_back(std::move(zero));
    plot.views.push_back(std::move(view));
  }
  plot.initialView = std::max(0, accepted - 1);
  return plot;
}

PlotDescription observedFittedPlot(std::span<const std::int32_t> counts, std::int32_t numComponents,
                            const ResultTables& tables) {
  PlotDescription plot;
  plot.title = "Observed and Fitted";
  plot.xLabel = "x, times a unit was seen";
  const int accepted = acceptedFit(numComponents, tables);
  std::vector<std::pair<std::string, std::vector<double>>> models;
  for (int s = 1; s <= tables.size(); ++s) {
    const Mixture fit = recordedFit(tables, s);
    models.emplace_back(fitName(s, accepted),
                        expectedWithTail(mixtureGoodnessOfFit(counts, fit.lambda, fit.weight)));
  }
  const ComparisonModels comparison = comparisonModels(counts);
  if (comparison.ztnbFit) models.emplace_back("ZTNB", expectedWithTail(*comparison.ztnbFit));
  models.emplace_back("Poisson", expectedWithTail(comparison.poisson));

  const auto modelLines = [&](bool root) {
    std::vector<PlotSeries> lines;
    for (const auto& [name, e] : models) {
      PlotSeries line = lineThrough(name, {}, SeriesKind::lineWithMarkers);
      for (std::size_t x = 1; x <= e.size(); ++x) {
        line.points.push_back({static_cast<double>(x), root ? std::sqrt(e[x - 1]) : e[x - 1]});
      }
      lines.push_back(std::move(line));
    }
    return lines;
  };

  PlotView frequencies;
  frequencies.name = "Frequencies";
  frequencies.yLabel = "units";
  PlotSeries observed = lineThrough("observed f(x)", {}, SeriesKind::bars);
  for (std::size_t x = 1; x <= counts.size(); ++x) {
    observed.points.push_back({static_cast<double>(x), static_cast<double>(counts[x - 1])});
  }
  frequencies.series.push_back(observed);
  for (PlotSeries& line : modelLines(false)) frequencies.series.push_back(std::move(line));
  plot.views.push_back(std::move(frequencies));

  // The hanging rootogram (Tukey 1972): each bar of height sqrt f hangs
  // from sqrt e of the accepted fit, so misfit shows as bars that end above
  // or below the zero line.
  PlotView rootogram;
  rootogram.name = "Hanging rootogram";
  rootogram.yLabel = "square root of units";
  const auto& [acceptedName, acceptedExpected] = models[static_cast<std::size_t>(std::max(0, accepted - 1))];
  PlotSeries hanging = lineThrough("sqrt f(x), hanging from " + acceptedName, {}, SeriesKind::bars);
  for (std::size_t x = 1; x <= counts.size(); ++x) {
    const double top = std::sqrt(acceptedExpected[x - 1]);
    hanging.points.push_back({static_cast<double>(x), top});
    hanging.lower.push_back(top - std::sqrt(static_cast<double>(counts[x - 1])));
  }
  rootogram.series.push_back(std::move(hanging));
  for (PlotSeries& line : modelLines(true)) rootogram.series.push_back(std::move(line));
  rootogram.series.push_back(lineThrough("zero", {{0.5, 0.0}, {static_cast<double>(counts.size()) + 0.5, 0.0}}));
  plot.views.push_back(std::move(rootogram));
  plot.initialView = 0;
  return plot;
}

namespace {

// Sturges' bins over the sorted values `present`; one bar of width `single`
// when they are all equal.
std::vector<PlotPoint> sturgesBins(const std::vector<double>& present, double single, double& width) {
  width = single;
  if (present.empty()) return {};
  const double low = present.front();
  const double high = present.back();
  const int bins = static_cast<int>(std::ceil(std::log2(static_cast<double>(present.size())))) + 1;
  width = high > low ? (high - low) / bins : single;
  std::vector<PlotPoint> bars;
  for (int b = 0; b < bins; ++b) bars.push_back({low + (b + 0.5) * width, 0.0});
  for (double v : present) {
    const int b = std::min(bins - 1, static_cast<int>((v - low) / width));
    bars[static_cast<std::size_t>(b)].y += 1.0;
  }
  return bars;
}

}  // namespace

std::vector<PlotPoint> histogram(std::span<const Estimate> values, double& width) {
  return sturgesBins(presentValues(values), 1.0, width);
}

std::vector<PlotPoint> logHistogram(std::span<const Estimate> values, double& width) {
  std::vector<double> logs = presentValues(values);
  for (double& v : logs) v = std::log10(v);
  std::vector<PlotPoint> bars = sturgesBins(logs, 0.01, width);
  for (PlotPoint& p : bars) p.x = std::pow(10.0, p.x);
  return bars;
}

PlotDescription bootstrapPlot(const EstimateTables& tables, std::span<const Estimate> onData, double level) {
  PlotDescription plot;
  plot.title = "Bootstrap Distribution";
  plot.xLabel = "population size N";
  for (int j = 1; j <= tables.estimators(); ++j) {
    const std::vector<Estimate> row = tables.estimateRow(j);
    const std::vector<double> present = presentValues(row);
    // A long tail squeezes the bulk of the replicates, the interval and the
    // estimate into the first bar; binned in log N they spread out.
    const bool positive = !present.empty() && present.front() > 0.0;
    if (j == 1 && positive && present.back() > 20.0 * present.front()) {
      plot.initialView = static_cast<int>(plot.views.size()) + 1;
    }
    for (bool logX : {false, true}) {
      if (logX && !positive) continue;
      PlotView view;
      view.name = std::string(studyEstimatorNames[static_cast<std::size_t>(j - 1)]) +
                  (logX ? ", logarithmic axis" : "");
      view.yLabel = "replicates";
      view.logX = logX;
      PlotSeries bars = lineThrough("replicates", {}, SeriesKind::bars);
      bars.points = logX ? logHistogram(row, bars.barWidth) : histogram(row, bars.barWidth);
      double height = 1.0;
      for (const PlotPoint& p : bars.points) height = std::max(height, p.y);
      view.series.push_back(std::move(bars));
      const PercentileInterval interval = percentileInterval(row, level);
      if (interval.lower && interval.upper) {
        view.series.push_back(lineThrough(levelPercent(level) + " % percentile interval",
                                          {{*interval.lower, 0.0},
                                           {*interval.lower, height},
                                           {*interval.upper, height},
                                           {*interval.upper, 0.0}}));
      }
      const std::size_t at = static_cast<std::size_t>(j - 1);
      if (at < onData.size() && onData[at] && (!logX || *onData[at] > 0.0)) {
        const double n = *onData[at];
        view.series.push_back(lineThrough("estimate on the data", {{n, 0.0}, {n, height}}));
      }
      plot.views.push_back(std::move(view));
    }
  }
  return plot;
}

PlotDescription studyPlot(const EstimateTables& tables, std::int32_t populationSize) {
  PlotDescription plot;
  plot.title = "Simulation Estimates";
  plot.xLabel = "estimator";
  // Tukey's box plot (Tukey 1977, Exploratory Data Analysis): whiskers to
  // the last values within 1.5 interquartile ranges of the quartiles, the
  // values beyond them as markers.
  PlotSeries boxes = lineThrough("estimates of the replicates", {}, SeriesKind::boxes);
  PlotSeries outliers = lineThrough("beyond the whiskers", {}, SeriesKind::markers);
  for (int j = 1; j <= tables.estimators(); ++j) {
    plot.categories.emplace_back(studyEstimatorNames[static_cast<std::size_t>(j - 1)]);
    const std::vector<double> present = presentValues(tables.estimateRow(j));
    if (present.empty()) {
      boxes.boxes.push_back({NAN, NAN, NAN, NAN, NAN});
      continue;
    }
    const double q1 = sortedQuantile(present, 0.25);
    const double q3 = sortedQuantile(present, 0.75);
    const double reach = 1.5 * (q3 - q1);
    double low = q1;
    double high = q3;
    for (double v : present) {
      if (v < q1 - reach || v > q3 + reach) {
        outliers.points.push_back({static_cast<double>(j - 1), v});
        outliers.labels.push_back(plot.categories.back() + " " + fixedDecimals(v, 0));
        continue;
      }
      low = std::min(low, v);
      high = std::max(high, v);
    }
    boxes.boxes.push_back({low, q1, sortedQuantile(present, 0.5), q3, high});
  }
  const double n = populationSize;
  const PlotSeries known = lineThrough("known N = " + std::to_string(populationSize),
                                       {{-0.5, n}, {static_cast<double>(tables.estimators()) - 0.5, n}});
  // Estimates that spread over more than a factor of 20 are read on the
  // logarithmic axis first.
  double smallest = std::numeric_limits<double>::infinity();
  double largest = 0.0;
  for (const auto& b : boxes.boxes) {
    if (std::isfinite(b[0])) smallest = std::min(smallest, b[0]);
    if (std::isfinite(b[4])) largest = std::max(largest, b[4]);
  }
  for (const PlotPoint& p : outliers.points) {
    smallest = std::min(smallest, p.y);
    largest = std::max(largest, p.y);
  }
  plot.initialView = smallest > 0.0 && largest > 20.0 * smallest ? 1 : 0;
  for (bool logY : {false, true}) {
    PlotView view;
    view.name = logY ? "Estimates, logarithmic axis" : "Estimates";
    view.yLabel = logY ? "population size N (logarithmic)" : "population size N";
    view.logY = logY;
    view.series = {boxes, outliers, known};
    plot.views.push_back(std::move(view));
  }
  return plot;
}

namespace {

void showStored(const std::optional<PlotDescription>& plot, int unit) {
  if (!plot) {
    windows().messageBox("No results to plot!", "Error");
    return;
  }
  windows().showPlot(unit, *plot);
}

}  // namespace

void showGradientPlot() { showStored(globalVar().gradientPlot, globalVar().gradientPlotUnit); }
void showFitPlot() { showStored(globalVar().fitPlot, globalVar().fitPlotUnit); }
void showBootstrapPlot() { showStored(globalVar().bootstrapPlot, globalVar().bootstrapPlotUnit); }
void showStudyPlot() { showStored(globalVar().studyPlot, globalVar().studyPlotUnit); }

void savePlot() {
  if (!windows().savePlotAs()) windows().messageBox("The active window is not a plot.", "Save Plot As");
}

}  // namespace tallyfold
