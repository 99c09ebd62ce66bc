#pragma once
// The progress bar of a bootstrap or simulation run of tallyfold-cli: one
// line on standard error, redrawn in place, with the replicates done, the
// rate and the time left. Shown only when standard error is a terminal and
// --quiet is not given; it goes away (the line is cleared) when the run
// ends, so what the terminal keeps is what it would keep without it.
#include <chrono>
#include <iosfwd>
#include <string>

namespace tallyfold::cli {

// Whether the bar is shown: not with --quiet, and only on a terminal.
bool showsReplicateProgress(bool quiet, bool errorIsTerminal);

// "replicate 37 of 200 [#######.............]  12.3/s  13 s left": `done`
// replicates of `total` after `elapsed`. Before the first replicate there
// is no rate and no time left.
std::string progressBarLine(int done, int total, std::chrono::steady_clock::duration elapsed);

class ReplicateProgress {
 public:
  using Clock = std::chrono::steady_clock;
  // Draws nothing (and costs nothing) when `err` is null.
  explicit ReplicateProgress(std::ostream* err);
  ~ReplicateProgress();
  ReplicateProgress(const ReplicateProgress&) = delete;
  ReplicateProgress& operator=(const ReplicateProgress&) = delete;

  // Replicate `done` of `total` is done; the line is redrawn at most ten
  // times a second, and always for the last replicate.
  void update(int done, int total);

 private:
  std::ostream* err_;
  Clock::time_point start_;
  Clock::time_point drawn_{};
  bool shown_ = false;
};

}  // namespace tallyfold::cli
