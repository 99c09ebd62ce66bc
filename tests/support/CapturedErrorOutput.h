#pragma once
// Test helpers for the numerical error facility: capture the printed lines
// for the lifetime of an object, and change the attributes of an error type
// for a while. Both put everything back when they go out of scope.
#include <string>
#include <string_view>
#include <vector>

#include "numeric/ErrorReporting.h"

namespace tallyfold::test {

class CapturedErrorOutput {
 public:
  CapturedErrorOutput() {
    resetErrorState();
    previous_ = setErrorOutput([this](std::string_view line) { lines_.emplace_back(line); });
  }
  ~CapturedErrorOutput() {
    setErrorOutput(std::move(previous_));
    resetErrorState();
  }
  CapturedErrorOutput(const CapturedErrorOutput&) = delete;
  CapturedErrorOutput& operator=(const CapturedErrorOutput&) = delete;

  const std::vector<std::string>& lines() const { return lines_; }
  std::string firstLine() const { return lines_.empty() ? std::string() : lines_.front(); }
  // Every line joined by '\n', as TerminalError::printed() carries them.
  std::string joined() const {
    std::string text;
    for (const std::string& line : lines_) {
      if (!text.empty()) text.push_back('\n');
      text.append(line);
    }
    return text;
  }
  // The message of the first report without its line breaks: the text after
  // "from <routine>.  " and the continuation lines, up to the traceback.
  std::string message() const {
    if (lines_.empty()) return {};
    const std::size_t start = lines_[0].find(".  ");
    if (start == std::string::npos) return {};
    std::string text = lines_[0].substr(start + 3);
    for (std::size_t i = 1; i < lines_.size() && lines_[i].rfind(" ***", 0) == 0; ++i) {
      if (lines_[i].rfind(" *** ", 0) == 0 && lines_[i].find(" ERROR ") != std::string::npos) break;
      const std::size_t first = lines_[i].find_first_not_of(' ', 4);
      text.append(" ").append(first == std::string::npos ? "" : lines_[i].substr(first));
    }
    return text;
  }
  void clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
  ErrorOutput previous_;
};

class ScopedErrorAttributes {
 public:
  ScopedErrorAttributes(int type, ErrorAttributes attributes) : type_(type), saved_(errorAttributes(type)) {
    setErrorAttributes(type, attributes);
  }
  ~ScopedErrorAttributes() { setErrorAttributes(type_, saved_); }
  ScopedErrorAttributes(const ScopedErrorAttributes&) = delete;
  ScopedErrorAttributes& operator=(const ScopedErrorAttributes&) = delete;

 private:
  int type_;
  ErrorAttributes saved_;
};

// The terminal type with its stop attribute off: the routine returns its
// not-a-number result instead of ending the computation.
inline ErrorAttributes printWithoutStop() { return {true, false, true}; }

}  // namespace tallyfold::test
