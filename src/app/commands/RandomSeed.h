#pragma once
// "Random Seed…" of the Simulation menu (dialog 110): a fixed seed for the
// next simulations and bootstraps, each of which then starts its random
// stream from it (as `tallyfold-cli --seed` does), or back to the clock.
#include <string_view>

namespace tallyfold {

class Dialog;

inline constexpr std::string_view randomSeedCaption = "Random Seed\u2026";

void startRandomSeed();
// OK of dialog 110: a fixed seed must be a whole number in 1..2147483646.
void randomSeedOk(Dialog& dialog);

}  // namespace tallyfold
