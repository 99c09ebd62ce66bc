#include "numeric/ErrorReporting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/CapturedErrorOutput.h"
#include "numeric/GammaFunctions.h"
#include "numeric/MachineConstants.h"

namespace tallyfold {
namespace {

using test::CapturedErrorOutput;
using test::ScopedErrorAttributes;

// Runs f, expects it to end the computation, and returns what it printed.
template <typename F>
std::string expectTerminal(F f) {
  try {
    f();
  } catch (const TerminalError& error) {
    EXPECT_EQ(errorStackDepth(), 0) << "a terminal error leaves the stack empty";
    return error.printed();
  }
  ADD_FAILURE() << "no TerminalError";
  return {};
}

TEST(ErrorReporting, PlaceholdersAreReplacedByTheStoredTexts) {
  CapturedErrorOutput out;
  ScopedErrorAttributes notesHeard(1, {true, false, true});
  E1PSH("SUBST");
  errStoreInteger(1, -42);
  errStoreInteger(3, 7);
  errStoreReal(1, 2.5f);
  errStoreReal(2, 3.0f);
  errStoreText(-2, "BETA");  // the sign of the position is ignored
  // Only %( + a letter of ACDIKLRSZ + a digit 1-9 + ) is a placeholder.
  E1MES(1, 1, "I=%(I1),%(I3) R=%(R1),%(R2) L=%(L2) %(Q1) %(I0) %(I1 %(");
  E1POP("SUBST");
  EXPECT_EQ(out.firstLine().rfind(" *** NOTE ERROR 1 from SUBST.  ", 0), 0u);
  EXPECT_EQ(out.message(), "I=-42,7 R=2.5,3.0 L=BETA %(Q1) %(I0) %(I1 %(");
  EXPECT_EQ(out.lines().size(), 2u) << "a NOTE at one level has no traceback";
}

TEST(ErrorReporting, RealsAreStoredInAtMostFourteenCharacters) {
  CapturedErrorOutput out;
  for (const float value : {-1.17549435e-38f, 3.4028235e38f, -123456.79f, 0.1f}) {
    out.clear();
    E1PSH("REAL");
    errStoreReal(1, value);
    E1MES(3, 1, "[%(R1)]");
    E1POP("REAL");
    const std::string text = out.message();
    ASSERT_GE(text.size(), 2u);
    const std::string number = text.substr(1, text.size() - 2);
    EXPECT_LE(number.size(), 14u) << number;
    EXPECT_NEAR(std::stod(number), value, std::abs(value) * 1e-6) << number;
  }
}

TEST(ErrorReporting, EmptyTemplateKeepsThePreviousMessage) {
  CapturedErrorOutput out;
  E1PSH("KEEP");
  E1MES(3, 1, "First message.");
  E1MES(3, 2, "");
  E1POP("KEEP");
  EXPECT_EQ(out.firstLine(), " *** WARNING ERROR 2 from KEEP.  First message.");
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string word; in >> word;) result.push_back(word);
  return result;
}

TEST(ErrorReporting, LongMessagesBreakAtBlanksWithinSeventyColumns) {
  CapturedErrorOutput out;
  const std::string prefix = " *** WARNING ERROR 3 from WRAP.  ";
  const std::string continuation = " ***" + std::string(prefix.size() - 4, ' ');
  std::string message;
  for (int i = 0; i < 40; ++i) message += "word" + std::to_string(i * 37) + (i % 5 == 4 ? ".  " : " ");
  E1PSH("WRAP");
  E1MES(3, 3, message);
  E1POP("WRAP");
  ASSERT_GT(out.lines().size(), 3u);
  std::string rejoined;
  for (std::size_t i = 0; i < out.lines().size(); ++i) {
    const std::string& line = out.lines()[i];
    if (line.rfind("Here is a traceback", 0) == 0) break;
    EXPECT_LE(line.size(), 70u) << line;
    EXPECT_NE(line.back(), ' ') << line;
    ASSERT_EQ(line.rfind(i == 0 ? prefix : continuation, 0), 0u) << line;
    EXPECT_NE(line[prefix.size()], ' ') << "the text of every line starts in the message column";
    rejoined += line.substr(prefix.size()) + " ";
  }
  EXPECT_EQ(words(rejoined), words(message)) << "breaks fall on blanks; no word is cut or lost";
}

TEST(ErrorReporting, SeventyCharactersFitOnALineAndSeventyOneDoNot) {
  const std::string prefix = " *** WARNING ERROR 1 from EDGE.  ";
  const std::string fill(70 - prefix.size() - 2, 'a');
  for (const bool fits : {true, false}) {
    CapturedErrorOutput out;
    const std::string last = fits ? "b" : "bc";
    E1PSH("EDGE");
    E1MES(3, 1, fill + " " + last);
    E1POP("EDGE");
    if (fits) {
      EXPECT_EQ(out.lines()[0], prefix + fill + " b");
      EXPECT_EQ(out.lines()[0].size(), 70u);
    } else {
      EXPECT_EQ(out.lines()[0], prefix + fill);
      EXPECT_EQ(out.lines()[1], " ***" + std::string(prefix.size() - 4, ' ') + "bc");
    }
  }
}

TEST(ErrorReporting, PercentSlashForcesALineBreak) {
  CapturedErrorOutput out;
  E1PSH("BREAK");
  E1MES(3, 1, "Alpha.%/Beta gamma.");
  E1POP("BREAK");
  ASSERT_GE(out.lines().size(), 2u);
  EXPECT_EQ(out.lines()[0], " *** WARNING ERROR 1 from BREAK.  Alpha.");
  EXPECT_EQ(out.lines()[1], " ***                              Beta gamma.");
}

TEST(ErrorReporting, TracebackListsEveryLevelFromTheTop) {
  CapturedErrorOutput out;
  ScopedErrorAttributes noStop(5, test::printWithoutStop());
  E1PSH("OUTER");
  E1PSH("INNER");
  E1MES(5, 9, "Inner trouble.");  // printed at once, with both levels on the stack
  const std::vector<std::string> expectedHead = {
      " *** TERMINAL ERROR 9 from INNER.  Inner trouble.",
      "Here is a traceback of subprogram calls in reverse order:",
  };
  ASSERT_EQ(out.lines().size(), 6u);
  EXPECT_EQ(out.lines()[0], expectedHead[0]);
  EXPECT_EQ(out.lines()[1], expectedHead[1]);
  EXPECT_EQ(out.lines()[2].rfind("Routine name ", 0), 0u);
  EXPECT_TRUE(out.lines()[2].ends_with("    Error type  Error code"));
  EXPECT_EQ(out.lines()[3].rfind("------------ ", 0), 0u);
  EXPECT_TRUE(out.lines()[3].ends_with("    ----------  ----------"));
  EXPECT_EQ(words(out.lines()[4]), (std::vector<std::string>{"INNER", "5", "9", "(Called", "internally)"}));
  EXPECT_EQ(words(out.lines()[5]), (std::vector<std::string>{"OUTER", "0", "0"}));
  // The columns of the numbers line up under the titles.
  EXPECT_EQ(out.lines()[4].find("5 "), out.lines()[2].find("Error type") + 9);
  E1POP("INNER");
  E1POP("OUTER");
  EXPECT_EQ(out.lines().size(), 6u) << "a message is printed at most once";
}

TEST(ErrorReporting, NoteAndAlertAreSilentWarningIsPrintedAndExecutionGoesOn) {
  CapturedErrorOutput out;
  for (const int type : {1, 2}) {
    E1PSH("QUIET");
    E1MES(type, 4, "Nobody hears this.");
    E1POP("QUIET");
    EXPECT_TRUE(out.lines().empty()) << "type " << type;
    EXPECT_EQ(N1RTY(1), type);
    EXPECT_EQ(N1RCD(1), 4);
  }
  E1PSH("LOUD");
  E1MES(3, 5, "Something is odd.");
  EXPECT_TRUE(out.lines().empty()) << "a warning waits for the outermost routine";
  EXPECT_NO_THROW(E1POP("LOUD"));
  ASSERT_GE(out.lines().size(), 4u);
  EXPECT_EQ(out.lines()[0], " *** WARNING ERROR 5 from LOUD.  Something is odd.");
  EXPECT_EQ(out.lines()[1], "Here is a traceback of subprogram calls in reverse order:");
  EXPECT_EQ(errorStackDepth(), 0);
}

TEST(ErrorReporting, TerminalErrorThrowsWithThePrintedTextAndEmptiesTheStack) {
  CapturedErrorOutput out;
  // A warning completed earlier is not part of the later terminal report.
  E1PSH("EARLY");
  E1MES(3, 1, "Earlier warning.");
  E1POP("EARLY");
  out.clear();
  const std::string printed = expectTerminal([] {
    E1PSH("OUTER");
    E1PSH("INNER");
    E1MES(5, 3, "Terminal trouble.");
    E1POP("INNER");
  });
  EXPECT_EQ(printed, out.joined());
  EXPECT_EQ(printed.rfind(" *** TERMINAL ERROR 3 from INNER.  Terminal trouble.\n", 0), 0u);
  // The thread can go on with a new computation.
  E1PSH("AGAIN");
  E1POP("AGAIN");
  EXPECT_EQ(errorStackDepth(), 0);
}

// A report inside a library routine: types 2-7 travel to the caller's
// level; types 6 and 7 print at once, the others (if heard at all) when the
// outermost routine pops; FATAL types end the computation there, and
// nothing prints twice.
TEST(ErrorReporting, InnerReportIsDeliveredByTheOutermostRoutine) {
  struct Case {
    int type;
    std::string name;
    bool printsAtOnce;
    bool prints;
    bool stops;
  };
  for (const Case& c : {Case{2, "ALERT", false, false, false}, Case{3, "WARNING", false, true, false},
                        Case{4, "FATAL", false, true, true}, Case{6, "WARNING", true, true, false},
                        Case{7, "FATAL", true, true, true}}) {
    CapturedErrorOutput out;
    E1PSH("OUTER");
    E1PSH("INNER");
    E1MES(c.type, 2, "Inner report.");
    EXPECT_EQ(!out.lines().empty(), c.printsAtOnce) << c.type;
    E1POP("INNER");
    EXPECT_EQ(N1RTY(0), c.type);
    EXPECT_EQ(N1RCD(0), 2);
    bool stopped = false;
    try {
      E1POP("OUTER");
    } catch (const TerminalError& error) {
      stopped = true;
      EXPECT_EQ(error.printed(), out.joined());
    }
    EXPECT_EQ(stopped, c.stops) << c.type;
    EXPECT_EQ(errorStackDepth(), 0);
    EXPECT_EQ(N1RTY(1), c.type);
    if (!c.prints) {
      EXPECT_TRUE(out.lines().empty()) << out.joined();
      continue;
    }
    ASSERT_FALSE(out.lines().empty());
    EXPECT_EQ(out.firstLine(), " *** " + c.name + " ERROR 2 from INNER.  Inner report.");
    EXPECT_EQ(std::count(out.lines().begin(), out.lines().end(), out.firstLine()), 1);
  }
}

TEST(ErrorReporting, PopWithAnotherNameOrFromAnEmptyStackIsTerminal) {
  CapturedErrorOutput out;
  std::string printed = expectTerminal([] {
    E1PSH("ALPHA");
    E1POP("BETA");
  });
  EXPECT_EQ(out.firstLine().rfind(" *** TERMINAL ERROR 2 from E1POP.  ", 0), 0u);
  EXPECT_EQ(out.message(), "Error condition in E1POP.  BETA does not match the name ALPHA in the stack.");

  out.clear();
  printed = expectTerminal([] { E1POP("GAMMA"); });
  EXPECT_EQ(out.firstLine().rfind(" *** TERMINAL ERROR 1 from E1POP.  ", 0), 0u);
  EXPECT_EQ(out.message(), "Error condition in E1POP.  Cannot pop from GAMMA because stack is empty.");
}

TEST(ErrorReporting, FiftyLevelsFitAndTheFiftyFirstIsTerminal) {
  CapturedErrorOutput out;
  for (int i = 0; i < 50; ++i) E1PSH("L" + std::to_string(i));
  EXPECT_EQ(errorStackDepth(), 50);
  expectTerminal([] { E1PSH("L50"); });
  EXPECT_EQ(out.firstLine().rfind(" *** TERMINAL ERROR 1 from E1PSH.  ", 0), 0u);
  EXPECT_EQ(out.message(), "Error condition in E1PSH.  Push would cause stack level to exceed 50.");
}

TEST(ErrorReporting, BadIndexOfTheUnitAndIntegerTablesIsReportedInThreeLines) {
  CapturedErrorOutput out;
  EXPECT_EQ(UMACH(1), 5);
  EXPECT_EQ(UMACH(2), 6);
  EXPECT_EQ(UMACH(3), 6);
  EXPECT_EQ(UMACH(-3, 9), 9);
  EXPECT_EQ(UMACH(3), 9);
  UMACH(-3, 6);

  struct Case {
    int index;
    std::string magnitude;
  };
  for (const Case& c : {Case{4, "4"}, Case{-7, "7"}, Case{0, "0"}, Case{INT_MIN, "2147483648"}}) {
    out.clear();
    const std::string printed = expectTerminal([&] { UMACH(c.index); });
    EXPECT_EQ(printed, " *** TERMINAL ERROR 5 from UMACH.  The absolute\n"
                       " ***          value of the index variable must be\n"
                       " ***          1, 2, or 3.  IABS(N) = " + c.magnitude + ".");
  }

  EXPECT_EQ(IMACH(5), 2147483647);
  for (const int index : {0, 13}) {
    out.clear();
    expectTerminal([&] { IMACH(index); });
    ASSERT_EQ(out.lines().size(), 3u);
    EXPECT_EQ(out.lines()[0], " *** TERMINAL ERROR 5 from IMACH.  The argument");
    EXPECT_EQ(out.lines()[1].rfind(" ***          ", 0), 0u);
    EXPECT_EQ(out.lines()[2], " ***          N = " + std::to_string(index) + ".");
  }
}

TEST(ErrorReporting, CodeAndTypeQueriesAcceptOnlyZeroOrOne) {
  CapturedErrorOutput out;
  expectTerminal([] { N1RCD(2); });
  EXPECT_NE(out.message().find(".  The argument passed to N1RCD must be 0 or 1."), std::string::npos);
  out.clear();
  expectTerminal([] { N1RTY(-1); });
  EXPECT_NE(out.message().find(".  The argument passed to N1RTY must be 0 or 1."), std::string::npos);
}

TEST(ErrorReporting, CheckIntRangeReportsWithTheRunningCode) {
  CapturedErrorOutput out;
  ScopedErrorAttributes noStop(5, test::printWithoutStop());
  E1PSH("RANGE");
  int code = 3;
  checkIntRange(2, "K", 1, 4, code);
  EXPECT_TRUE(out.lines().empty());
  checkIntRange(5, "K", 1, 4, code);
  EXPECT_EQ(code, 5);
  EXPECT_EQ(out.firstLine().rfind(" *** TERMINAL ERROR 4 from RANGE.  ", 0), 0u);
  EXPECT_EQ(out.message(), "K = 5.  K must be greater than or equal to 1 and less than or equal to 4.");
  out.clear();
  checkIntRange(-3, "NOBS", 0, -1, code);  // no upper bound
  EXPECT_EQ(out.message(), "NOBS = -3.  NOBS must be greater than or equal to 0.");
  EXPECT_EQ(N1RCD(0), 5);
  E1POP("RANGE");
}

TEST(ErrorReporting, EachThreadHasItsOwnStack) {
  CapturedErrorOutput out;
  E1PSH("MAIN");
  int otherDepth = -1;
  std::thread([&] { otherDepth = errorStackDepth(); }).join();
  EXPECT_EQ(otherDepth, 0);
  E1POP("MAIN");
}

}  // namespace
}  // namespace tallyfold
