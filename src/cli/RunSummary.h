#pragma once
// The per-estimator summary of a bootstrap or simulation run as
// tallyfold-cli prints it in text (its JSON is simulation/RunJson). A
// summary with a known population size (a simulation) has a bias beside
// each estimator; the bootstrap's has none.
#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/EstimateTables.h"
#include "simulation/SimulationSummary.h"
#include "simulation/StudyAccuracy.h"

namespace tallyfold::cli {

// The per-estimator table (with the bias when the size is known), the line
// of the bootstrap evaluation when there is one, the summary file rows when
// `fileRows`, and a "wrote" line per file.
void printSummary(std::ostream& out, std::span<const std::string_view> names, const SimulationSummary& summary,
                  bool fileRows, const std::vector<std::string>& files);

// A blank line, then the lines.
void printBlock(std::ostream& out, const std::vector<std::string>& lines);

}  // namespace tallyfold::cli
