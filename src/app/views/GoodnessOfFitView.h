#pragma once
// The "Goodness of Fit" window: the observed frequencies against those
// expected under each recorded fit, the zero-truncated negative binomial's
// maximum likelihood and the zero-truncated Poisson; per fit Pearson's
// chi-square, its df and p-value, the deviance, AIC, both BICs and the
// certificate's log-likelihood gap bound; and whether N0 is identified.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "state/GlobalVar.h"

namespace tallyfold {

inline constexpr std::string_view goodnessOfFitTitle = "Goodness of Fit";
inline constexpr std::string_view goodnessOfFitCaption = "&Goodness of Fit";

// The window's lines for a table that passes mixtureProblem and every
// recorded fit of `tables`; a fit beyond the `accepted` number of components
// (the one BIC rejected) is starred and noted.
std::vector<std::string> goodnessOfFitLines(std::span<const std::int32_t> counts, std::int32_t accepted,
                                            const ResultTables& tables);

// Opens (or replaces) the window from the stored calculation; says so in a
// message box when there is none.
void showGoodnessOfFit();

}  // namespace tallyfold
