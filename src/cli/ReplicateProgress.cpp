#include "ReplicateProgress.h"

#include <cmath>
#include <cstdio>
#include <ostream>

namespace tallyfold::cli {

namespace {

constexpr int barWidth = 20;
constexpr auto redrawInterval = std::chrono::milliseconds(100);

// Seconds as "13 s", "4 min 05 s" or "2 h 03 min".
std::string durationText(double seconds) {
  const auto whole = static_cast<long long>(std::llround(seconds));
  char text[40];
  if (whole < 60) {
    std::snprintf(text, sizeof text, "%lld s", whole);
  } else if (whole < 3600) {
    std::snprintf(text, sizeof text, "%lld min %02lld s", whole / 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld h %02lld min", whole / 3600, whole / 60 % 60);
  }
  return text;
}

}  // namespace

bool showsReplicateProgress(bool quiet, bool errorIsTerminal) { return !quiet && errorIsTerminal; }

std::string progressBarLine(int done, int total, std::chrono::steady_clock::duration elapsed) {
  const int filled = total > 0 ? static_cast<int>(static_cast<long long>(done) * barWidth / total) : 0;
  std::string line = "replicate " + std::to_string(done) + " of " + std::to_string(total) + " [";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(barWidth - filled), '.');
  line += "]";
  const double seconds = std::chrono::duration<double>(elapsed).count();
  if (done > 0 && seconds > 0.0) {
    const double rate = done / seconds;
    char text[32];
    std::snprintf(text, sizeof text, "  %.1f/s", rate);
    line += text;
    line += "  " + durationText((total - done) / rate) + " left";
  }
  return line;
}

ReplicateProgress::ReplicateProgress(std::ostream* err) : err_(err), start_(Clock::now()) {}

ReplicateProgress::~ReplicateProgress() {
  // Clears the line: the carriage return, then "erase to the end of line".
  if (shown_) *err_ << "\r\x1b[K" << std::flush;
}

void ReplicateProgress::update(int done, int total) {
  if (err_ == nullptr) return;
  const Clock::time_point now = Clock::now();
  if (done < total && shown_ && now - drawn_ < redrawInterval) return;
  drawn_ = now;
  shown_ = true;
  *err_ << "\r" << progressBarLine(done, total, now - start_) << "\x1b[K" << std::flush;
}

}  // namespace tallyfold::cli
