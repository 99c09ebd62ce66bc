#pragma once
// The cells and log lines of a calculation's results, in the layouts the
// results window shows them. The window, the command-line program and the
// tests all format results here, so they can never disagree.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "estimation/WholeEstimate.h"

namespace tallyfold {

// "(F14.4)", or ">10000" when the gradient maximum is 10000 or more.
std::string formatMaxGradient(double value);

// "(Iw)" of a whole-number estimate held as a double (N0, Nall), truncated
// toward zero; the no-estimate text when it is not finite or does not fit.
std::string formatWholeEstimate(double value, int width);

// "(Iw)" of a whole-number estimate, asterisks where it does not fit the
// field, or the no-estimate text when there is none.
std::string formatWhole(const WholeEstimate& value, int width);

// What the results window shows in place of the fits when no mixture can be
// fitted to the table; the reason in words (mixtureProblem) follows it.
inline constexpr std::string_view noMixtureEstimate = "no estimate";

// The first and last lines of the "LOG" window around the search's lines.
inline constexpr std::string_view calculationStartText = "calculate Nonparametric Maximum Likelihood Estimation";
inline constexpr std::string_view calculationEndText = "Nonparametric Maximum Likelihood Estimation finished";

// The three free-format lines that close the log: "N0" with every recorded
// N0, "N" with every Nall, "BIC" with every BIC.
std::vector<std::string> calculationSummaryLines(std::span<const double> n0, std::span<const double> nall,
                                                 std::span<const double> bic);

}  // namespace tallyfold
