#pragma once
// The four plots of the "&Plots" menu, built from a computation's results
// as plot descriptions (the window layer draws them):
//   "Gradient Function": D(theta) of a recorded fit on a logarithmic axis
//     over the search's range [1.0E-6, m + 1], the line D = 1, the support
//     points with their weights and D(0+) at the left edge; one view per
//     recorded fit, the accepted one first shown.
//   "Observed and Fitted": observed f(x) as bars, the expected frequencies of
//     each recorded fit, the ZTNB and the Poisson as lines with markers; a
//     second view is the hanging rootogram (bars of sqrt f hanging from
//     sqrt e).
//   "Bootstrap Distribution": a histogram of each estimator's bootstrap
//     estimates with its percentile interval and the estimate on the data
//     set marked; per estimator a view on a linear x axis and one binned
//     and drawn on a logarithmic x axis, which comes first when the first
//     estimator's replicates spread over more than a factor of 20.
//   "Simulation Estimates": a box plot of each estimator's estimates with
//     the known population size as a line.
// The gradient curves take O(400 m k) work per fit: build that plot on a
// worker. The menu handlers show what the last computation stored.
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <string_view>

#include "simulation/EstimateTables.h"
#include "state/GlobalVar.h"
#include "windows/PlotDescription.h"

namespace tallyfold {

inline constexpr std::string_view plotsMenuCaption = "&Plots";
inline constexpr std::string_view gradientPlotCaption = "&Gradient Function";
inline constexpr std::string_view fitPlotCaption = "&Observed and Fitted";
inline constexpr std::string_view bootstrapPlotCaption = "&Bootstrap Distribution";
inline constexpr std::string_view studyPlotCaption = "&Simulation Estimates";
inline constexpr std::string_view savePlotCaption = "Save Plot As\u2026";

// For a table that passes mixtureProblem and the first numComponents
// recorded fits; none when a stop request came first.
std::optional<PlotDescription> gradientPlot(std::span<const std::int32_t> counts, std::int32_t numComponents,
                                     const ResultTables& tables, std::stop_token stop = {});
PlotDescription observedFittedPlot(std::span<const std::int32_t> counts, std::int32_t numComponents,
                            const ResultTables& tables);
// `onData`: each estimator's population size on the observed table (none
// where it has no estimate).
PlotDescription bootstrapPlot(const EstimateTables& tables, std::span<const Estimate> onData, double level);
PlotDescription studyPlot(const EstimateTables& tables, std::int32_t populationSize);

// The bins of a histogram of the present values: Sturges' rule,
// ceil(log2 n) + 1 bins of equal width over [min, max] (Sturges 1926,
// J. Amer. Statist. Assoc. 21). Each bar: centre, count; width in `width`.
std::vector<PlotPoint> histogram(std::span<const Estimate> values, double& width);
// The same over log10 of the values (every present value above 0): bars
// centred at the geometric centre of their bin, `width` in decades, for a
// logarithmic x axis.
std::vector<PlotPoint> logHistogram(std::span<const Estimate> values, double& width);

// The menu handlers: show the stored plot in its window.
void showGradientPlot();
void showFitPlot();
void showBootstrapPlot();
void showStudyPlot();
// "Save Plot As…" of the File menu.
void savePlot();

}  // namespace tallyfold
