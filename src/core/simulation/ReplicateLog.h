#pragma once
// The log of a replicate loop. Lines go straight to the sink, except between
// beginReplicate and endReplicate: the lines of a replicate are held until it
// is done, so a run that is stopped inside a replicate has logged whole
// replicates only (the held lines of the stopped one are dropped). Without a
// stop the sink receives the same lines in the same order.
#include <string>
#include <utility>
#include <vector>

#include "estimation/EMtrun_alg.h"

namespace tallyfold {

class ReplicateLog {
 public:
  explicit ReplicateLog(const LogSink& sink) : sink_(sink) {}
  ReplicateLog(const ReplicateLog&) = delete;
  ReplicateLog& operator=(const ReplicateLog&) = delete;

  void operator()(const std::string& line) {
    if (!sink_) return;
    if (holding_) {
      held_.push_back(line);
    } else {
      sink_(line);
    }
  }

  void beginReplicate() {
    holding_ = true;
    held_.clear();
  }

  // Writes the held lines of the replicate that is done.
  void endReplicate() {
    holding_ = false;
    for (const std::string& line : std::exchange(held_, {})) sink_(line);
  }

  // A sink for an engine that runs inside a replicate: its lines are held
  // with the replicate's. Valid while this log lives.
  LogSink sink() {
    if (!sink_) return {};
    return [this](const std::string& line) { (*this)(line); };
  }

 private:
  const LogSink& sink_;
  bool holding_ = false;
  std::vector<std::string> held_;
};

}  // namespace tallyfold
