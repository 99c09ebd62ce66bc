#include "numeric/ErrorReporting.h"

#include <array>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/ListDirected.h"
#include "common/Text.h"

namespace tallyfold {

namespace {

constexpr int maxLevels = 50;
constexpr std::size_t maxNameLength = 32;
constexpr std::size_t maxMessageLength = 1024;
constexpr std::size_t maxLineWidth = 70;
constexpr std::string_view placeholderLetters = "ACDIKLRSZ";
constexpr std::string_view typeNames = "NOTE    ALERT   WARNING FATAL   TERMINALWARNING FATAL   UNKNOWN ";

struct Level {
  std::string name;
  int type = 0;
  int code = 0;
  bool outermost = false;
};

struct ErrorState {
  std::vector<Level> stack;
  // Default-initialised (every string empty): clang 14 crashes on a value
  // initialiser "{}" of an array of arrays of strings.
  std::array<std::array<std::string, 9>, placeholderLetters.size()> values;
  std::array<ErrorAttributes, 7> attributes{{
      {false, false, true},  // 1 NOTE
      {false, false, true},  // 2 ALERT
      {true, false, true},   // 3 WARNING
      {true, true, true},    // 4 FATAL
      {true, true, true},    // 5 TERMINAL
      {true, false, true},   // 6 WARNING (immediate)
      {true, true, true},    // 7 FATAL (immediate)
  }};
  std::array<int, 3> units{5, 6, 6};
  std::string message;        // pending message, emptied when printed
  std::string messageRoutine; // routine that recorded it
  bool immediateErrorSeen = false;
  Level lastPopped;
  std::string printed;        // text printed since the last stop, for TerminalError
};

ErrorState& state() {
  thread_local ErrorState s;
  return s;
}

std::mutex outputMutex;
ErrorOutput& outputSink() {
  static ErrorOutput sink = [](std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
  };
  return sink;
}

std::string typeName(int type) {
  const int slot = (type >= 1 && type <= 7) ? type - 1 : 7;
  return std::string(trimRight(typeNames.substr(static_cast<std::size_t>(slot) * 8, 8)));
}

thread_local std::vector<std::string>* heldLines = nullptr;

void writeLine(const std::string& line) {
  ErrorOutput sink;
  {
    std::lock_guard lock(outputMutex);
    sink = outputSink();
  }
  if (sink) sink(line);
}

void emit(ErrorState& s, const std::string& line) {
  if (!s.printed.empty()) s.printed.push_back('\n');
  s.printed.append(line);
  if (heldLines != nullptr) {
    heldLines->push_back(line);
  } else {
    writeLine(line);
  }
}

[[noreturn]] void stopProgram(ErrorState& s) {
  std::string text = std::move(s.printed);
  s.printed.clear();
  s.stack.clear();
  s.message.clear();
  throw TerminalError(std::move(text));
}

// Breaks the message into lines of at most 70 characters at blanks; "%/"
// forces a break. Continuation lines start with " ***" and blanks up to the
// column where the message started.
void printWrapped(ErrorState& s, const std::string& firstPrefix, const std::string& message) {
  std::string continuation = " ***";
  if (firstPrefix.size() > continuation.size()) continuation.append(firstPrefix.size() - continuation.size(), ' ');

  std::vector<std::string> paragraphs;
  std::size_t start = 0;
  for (;;) {
    const std::size_t brk = message.find("%/", start);
    if (brk == std::string::npos) {
      paragraphs.push_back(message.substr(start));
      break;
    }
    paragraphs.push_back(message.substr(start, brk - start));
    start = brk + 2;
  }

  bool first = true;
  for (const std::string& paragraph : paragraphs) {
    std::string line = first ? firstPrefix : continuation;
    const std::size_t prefixLength = line.size();
    first = false;
    std::size_t pos = 0;
    const std::string_view text(paragraph);
    while (pos < text.size()) {
      std::size_t wordEnd = text.find(' ', pos);
      if (wordEnd == std::string::npos) wordEnd = text.size();
      const std::string_view word = text.substr(pos, wordEnd - pos);
      std::size_t blanks = 0;
      while (wordEnd + blanks < text.size() && text[wordEnd + blanks] == ' ') ++blanks;
      if (line.size() + word.size() > maxLineWidth && line.size() > prefixLength) {
        emit(s, std::string(trimRight(line)));
        line = continuation;
      }
      line.append(word);
      line.append(blanks, ' ');
      pos = wordEnd + blanks;
    }
    emit(s, std::string(trimRight(line)));
  }
}

void printTraceback(ErrorState& s) {
  emit(s, "Here is a traceback of subprogram calls in reverse order:");
  emit(s, std::string("Routine name               ") + "    Error type  Error code");
  emit(s, std::string("------------               ") + "    ----------  ----------");
  for (auto it = s.stack.rbegin(); it != s.stack.rend(); ++it) {
    char numbers[40];
    std::snprintf(numbers, sizeof numbers, "%14d%12d", it->type, it->code);
    std::string line = it->name;
    if (line.size() < 27) line.append(27 - line.size(), ' ');
    line.append(numbers);
    if (!it->outermost) line.append("    (Called internally)");
    emit(s, line);
  }
}

// Prints the pending message of the given type and code, then empties it.
void printMessage(ErrorState& s, int type, int code) {
  const std::string routine = std::string(trimRight(s.messageRoutine));
  const std::string prefix = " *** " + typeName(type) + " ERROR " + std::to_string(code) + " from " + routine + ".  ";
  printWrapped(s, prefix, s.message);
  const ErrorAttributes& a = s.attributes[static_cast<std::size_t>((type >= 1 && type <= 7) ? type - 1 : 4)];
  if (a.traceback && (s.stack.size() > 2 || type > 1)) printTraceback(s);
  s.message.clear();
}

const ErrorAttributes& attributesOf(const ErrorState& s, int type) {
  static const ErrorAttributes unknown{true, true, true};
  if (type < 1 || type > 7) return unknown;
  return s.attributes[static_cast<std::size_t>(type - 1)];
}

std::string substitute(const ErrorState& s, std::string_view messageTemplate) {
  std::string out;
  for (std::size_t i = 0; i < messageTemplate.size();) {
    if (i + 4 < messageTemplate.size() && messageTemplate.compare(i, 2, "%(") == 0) {
      const char letter = messageTemplate[i + 2];
      const char digit = messageTemplate[i + 3];
      const char close = messageTemplate[i + 4];
      const std::size_t slot = placeholderLetters.find(letter);
      if (slot != std::string_view::npos && digit >= '1' && digit <= '9' && close == ')') {
        out.append(s.values[slot][static_cast<std::size_t>(digit - '1')]);
        i += 5;
        continue;
      }
    }
    out.push_back(messageTemplate[i]);
    ++i;
  }
  if (out.size() > maxMessageLength) out.resize(maxMessageLength);
  return out;
}

void storeValue(char letter, int position, std::string text) {
  if (position < 0) position = -position;
  if (position < 1 || position > 9) return;
  const std::size_t slot = placeholderLetters.find(letter);
  state().values[slot][static_cast<std::size_t>(position - 1)] = std::move(text);
}

// An internal error of the facility itself: terminal, printed, stops.
[[noreturn]] void internalError(ErrorState& s, std::string_view routine, int code, std::string message) {
  s.message = std::move(message);
  s.messageRoutine = std::string(routine);
  printMessage(s, 5, code);
  stopProgram(s);
}

}  // namespace

ErrorOutput setErrorOutput(ErrorOutput output) {
  std::lock_guard lock(outputMutex);
  ErrorOutput previous = std::move(outputSink());
  outputSink() = std::move(output);
  return previous;
}

HeldErrorLines::HeldErrorLines() { heldLines = &lines_; }

HeldErrorLines::~HeldErrorLines() { heldLines = nullptr; }

std::vector<std::string> HeldErrorLines::take() { return std::exchange(lines_, {}); }

void writeErrorLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) writeLine(line);
}

void terminalThreeLines(std::string_view routine, std::string_view first, std::string_view second,
                        std::string_view third, std::int64_t value) {
  ErrorState& s = state();
  emit(s, " *** TERMINAL ERROR 5 from " + std::string(routine) + ".  " + std::string(first));
  emit(s, " ***          " + std::string(second));
  emit(s, " ***          " + std::string(third) + std::to_string(value) + ".");
  stopProgram(s);
}

void E1PSH(std::string_view name) {
  ErrorState& s = state();
  if (static_cast<int>(s.stack.size()) >= maxLevels) {
    errStoreInteger(1, maxLevels);
    internalError(s, "E1PSH", 1,
                  substitute(s, "Error condition in E1PSH.  Push would cause stack level to exceed %(I1). "));
  }
  Level level;
  level.name = std::string(name.substr(0, maxNameLength));
  level.outermost = s.stack.empty();
  s.stack.push_back(std::move(level));
}

void E1MES(int type, int code, std::string_view messageTemplate) {
  ErrorState& s = state();
  if (s.stack.empty()) return;  // only library routines report, always inside a push
  Level& top = s.stack.back();
  if (type != -1) top.type = type;
  if (code >= 0) top.code = code;
  if (type != 0 && code != 0) {
    if (!messageTemplate.empty()) {
      s.message = substitute(s, messageTemplate);
      s.messageRoutine = top.name;
    }
    if (type == 6 || type == 7) s.immediateErrorSeen = true;
    if (type >= 5 && attributesOf(s, type).print && !s.message.empty()) printMessage(s, type, code);
  }
}

void E1POP(std::string_view name) {
  ErrorState& s = state();
  if (s.stack.empty()) {
    errStoreText(1, name);
    internalError(s, "E1POP", 1,
                  substitute(s, "Error condition in E1POP.  Cannot pop from %(L1) because stack is empty."));
  }
  Level& top = s.stack.back();
  if (top.name != name.substr(0, maxNameLength)) {
    errStoreText(1, name);
    errStoreText(2, top.name);
    internalError(s, "E1POP", 2,
                  substitute(s, "Error condition in E1POP.  %(L1) does not match the name %(L2) in the stack."));
  }
  const int type = top.type;
  const int code = top.code;
  const bool outermost = top.outermost;
  if (type >= 2 && type <= 7 && s.stack.size() >= 2) {
    Level& caller = s.stack[s.stack.size() - 2];
    caller.type = type;
    caller.code = code;
  }
  if (type != 0) {
    const ErrorAttributes& a = attributesOf(s, type);
    if ((type >= 5 || outermost) && a.print && !s.message.empty()) printMessage(s, type, code);
    bool stop = false;
    if (a.stop) {
      if (type >= 1 && type <= 4) stop = outermost;
      else if (type == 5) stop = true;
      else stop = outermost;  // 6, 7 and unknown types
    }
    if (stop) stopProgram(s);
  }
  s.lastPopped = top;
  s.stack.pop_back();
  if (s.stack.empty()) {
    s.message.clear();
    s.printed.clear();
  }
}

void errStoreInteger(int position, std::int64_t value) { storeValue('I', position, std::to_string(value)); }

void errStoreReal(int position, float value) {
  std::string text = shortestReal(value);
  if (text.find_first_of(".eNI") == std::string::npos) text.append(".0");
  if (text.size() > 14) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(value));
    text = buffer;
  }
  storeValue('R', position, text);
}

void errStoreText(int position, std::string_view text) {
  storeValue('L', position, std::string(text.substr(0, 255)));
}

int N1RCD(int which) {
  ErrorState& s = state();
  if (which == 0) return s.stack.empty() ? 0 : s.stack.back().code;
  if (which == 1) return s.lastPopped.code;
  internalError(s, "N1RCD", 1, "I = " + std::to_string(which) + ".  The argument passed to N1RCD must be 0 or 1. ");
}

int N1RTY(int which) {
  ErrorState& s = state();
  if (which == 0) return s.stack.empty() ? 0 : s.stack.back().type;
  if (which == 1) return s.lastPopped.type;
  internalError(s, "N1RTY", 1, "I = " + std::to_string(which) + ".  The argument passed to N1RTY must be 0 or 1. ");
}

int UMACH(int index, int unit) {
  ErrorState& s = state();
  // Widened first: the magnitude of the most negative int does not fit.
  const std::int64_t magnitude = index < 0 ? -static_cast<std::int64_t>(index) : index;
  if (magnitude < 1 || magnitude > 3) {
    terminalThreeLines("UMACH", "The absolute", "value of the index variable must be", "1, 2, or 3.  IABS(N) = ",
                       magnitude);
  }
  if (index < 0) s.units[static_cast<std::size_t>(magnitude - 1)] = unit;
  return s.units[static_cast<std::size_t>(magnitude - 1)];
}

void checkIntRange(std::int64_t value, std::string_view name, std::int64_t lower, std::int64_t upper, int& code) {
  if (upper < lower) {
    if (value < lower) {
      errStoreText(1, name);
      errStoreInteger(1, value);
      errStoreInteger(2, lower);
      E1MES(5, code, "%(L1) = %(I1).  %(L1) must be greater than or equal to %(I2).");
    }
  } else if (value < lower || value > upper) {
    errStoreText(1, name);
    errStoreInteger(1, value);
    errStoreInteger(2, lower);
    errStoreInteger(3, upper);
    E1MES(5, code, "%(L1) = %(I1).  %(L1) must be greater than or equal to %(I2) and less than or equal to %(I3).");
  }
  ++code;
}

void resetErrorState() {
  ErrorState& s = state();
  s.stack.clear();
  s.message.clear();
  s.printed.clear();
}

int errorStackDepth() { return static_cast<int>(state().stack.size()); }

ErrorAttributes errorAttributes(int type) { return attributesOf(state(), type); }

void setErrorAttributes(int type, ErrorAttributes attributes) {
  if (type >= 1 && type <= 7) state().attributes[static_cast<std::size_t>(type - 1)] = attributes;
}

}  // namespace tallyfold
