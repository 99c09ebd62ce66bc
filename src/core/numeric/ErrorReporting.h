#pragma once
// Error reporting of the numerical library.
//
// Every library routine pushes its name on entry (E1PSH) and pops it on exit
// (E1POP); between the two it stores placeholder values and records errors
// with message templates (E1MES). Messages are printed with a traceback to
// the error output, 70 columns wide. Where an error would end the program,
// the facility throws TerminalError instead, carrying the printed text: the
// caller abandons its computation, and only a whole process (the
// command-line program) prints "Stop - Program terminated." and exits.
//
// Error types: 1 NOTE, 2 ALERT, 3 WARNING, 4 FATAL, 5 TERMINAL,
// 6 WARNING (immediate), 7 FATAL (immediate).
//
// The stack, the placeholders and the attributes are kept per thread, so a
// computation on one worker thread never sees another's state.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tallyfold {

class TerminalError : public std::runtime_error {
 public:
  explicit TerminalError(std::string printedText)
      : std::runtime_error(printedText), printed_(std::move(printedText)) {}
  // Every line that was printed for the error, joined by '\n'.
  const std::string& printed() const { return printed_; }

 private:
  std::string printed_;
};

// Where printed lines go (one call per line, without the newline). The
// default writes to standard error. Process-wide; set it once at start-up.
// Returns the output that was in place, so a caller that captures the lines
// for a while can put it back.
using ErrorOutput = std::function<void(std::string_view line)>;
ErrorOutput setErrorOutput(ErrorOutput output);

// While it lives, the lines this thread prints are kept here instead of
// going to the output, so that a worker's lines can be written later in the
// order a serial run writes them. One per thread at a time; the text a
// TerminalError carries is unaffected.
class HeldErrorLines {
 public:
  HeldErrorLines();
  ~HeldErrorLines();
  HeldErrorLines(const HeldErrorLines&) = delete;
  HeldErrorLines& operator=(const HeldErrorLines&) = delete;
  // The lines held so far, in the order they were printed; empties the hold.
  std::vector<std::string> take();

 private:
  std::vector<std::string> lines_;
};

// Writes lines to the error output, as if this thread printed them now.
void writeErrorLines(const std::vector<std::string>& lines);

void E1PSH(std::string_view name);
void E1POP(std::string_view name);
void E1MES(int type, int code, std::string_view messageTemplate);

// Placeholder values: %(I<position>), %(R<position>), %(L<position>).
void errStoreInteger(int position, std::int64_t value);
void errStoreReal(int position, float value);
void errStoreText(int position, std::string_view text);

// Error code (N1RCD) or type (N1RTY) recorded at the current level (0) or
// at the level last popped (1).
int N1RCD(int which);
int N1RTY(int which);

// Output units: index 1 input, 2 output, 3 error output; a negative index
// sets the unit of that role to `unit` and returns it.
int UMACH(int index, int unit = 0);

// The fixed three-line report of a routine that answers a bad index without
// using the routine stack (UMACH, IMACH), then the end of the computation:
//   " *** TERMINAL ERROR 5 from <routine>.  <first>"
//   " ***          <second>"
//   " ***          <third><value>."
[[noreturn]] void terminalThreeLines(std::string_view routine, std::string_view first, std::string_view second,
                                     std::string_view third, std::int64_t value);

// Reports a value outside [lower, upper] (or below lower when upper < lower)
// as a terminal error with the running code, then adds 1 to the code.
void checkIntRange(std::int64_t value, std::string_view name, std::int64_t lower, std::int64_t upper, int& code);

// Clears this thread's routine stack and pending message, e.g. after a
// computation was abandoned. The type attributes are kept.
void resetErrorState();

// Current depth of this thread's routine stack (for tests).
int errorStackDepth();

// Print and stop attributes of an error type 1..7 (for tests and callers
// that want to hear notes and alerts).
struct ErrorAttributes {
  bool print;
  bool stop;
  bool traceback;
};
ErrorAttributes errorAttributes(int type);
void setErrorAttributes(int type, ErrorAttributes attributes);

}  // namespace tallyfold
