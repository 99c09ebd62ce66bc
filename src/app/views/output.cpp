#include "views/output.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "common/Text.h"
#include "data/CountTable.h"
#include "estimation/ChaoInterval.h"
#include "estimation/FitJudgement.h"
#include "estimation/ResultFormat.h"
#include "estimation/WholeEstimate.h"
#include "estimation/TableEstimates.h"
#include "commands/CommandSupport.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"

namespace tallyfold {

namespace {

constexpr float rowHeight = 15.0f;
constexpr int gap = 12;
constexpr int columnUnit = 80;

// Column x = the column unit times a single-precision factor, truncated:
// 80 * 1.8f is 143.99999..., so the weights start at 143.
int columnX(float factor) { return static_cast<int>(columnUnit * static_cast<double>(factor)); }

const int xLambda = columnX(0.8f);
const int xWeight = columnX(1.8f);
const int xLogLik = columnX(3.3f);
const int xBic = columnX(4.7f);
const int xN0 = columnX(5.7f);
const int xNall = columnX(6.7f);
const int xMaxGrad = columnX(7.5f);

// The row texts are built by repeated free-format writes into one buffer:
// each write puts one blank in front of what it writes.
class RowText {
 public:
  explicit RowText(std::string_view label) : text_(listDirected(label)) {}
  void append(int blanks, const std::string& field) {
    text_ = listDirected(trimRight(text_), std::string(static_cast<std::size_t>(blanks), ' '), field);
  }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

std::optional<std::int64_t> plus(std::optional<std::int32_t> n0, std::int64_t n) {
  return n0 ? std::optional<std::int64_t>(*n0 + n) : std::nullopt;
}

std::optional<std::int64_t> widen(std::optional<std::int32_t> v) {
  return v ? std::optional<std::int64_t>(*v) : std::nullopt;
}

// `text` broken at blanks into lines of at most `width` characters (a
// longer word stands alone on its line).
std::vector<std::string> wrapWords(std::string_view text, std::size_t width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines.push_back(line);
      line.clear();
    }
    if (!word.empty()) {
      if (!line.empty()) line += ' ';
      line += word;
    }
    start = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Characters of the table font that fit between the window's left margin
// and the end of its 700-pixel rules.
constexpr std::size_t reasonWidth = 76;

}  // namespace

void showResults(std::span<const std::int32_t> counts, std::int32_t numComponents,
                 const std::optional<ResultTables>& tables) {
  const GlobalVar& g = globalVar();
  WindowServices& w = windows();
  const int unit = g.resultsUnit;
  int y = 0;
  w.closeWindow(unit, true);
  openTextWindow(unit, "Results Window", 90, 100, 19, 110);
  w.initFonts(unit);
  w.selectFont(unit, "t'Arial'h16w9");
  y = 10;
  w.drawTextAt(unit, 5, y, "*********** Non-Parametric Maximum Likelihood Estimation ******************");
  y = 20;
  drawResultTables(unit, y, counts, numComponents, tables);
  drawNegativeBinomialBlock(unit, y, counts, g.exactness);
  y += gap;
  for (const std::string& line : wrapWords(chaoIntervalText(counts, defaults::intervalLevel), reasonWidth)) {
    y += gap;
    w.drawTextAt(unit, 5, y, line);
  }
  if (g.mixtureExists() && !mixtureProblem(counts)) {
    drawIdentificationNote(unit, y, counts, judgeMixture(counts, g.lambda, g.weight, g.maxGradient).identifiability);
  }
}

void drawResultTables(int unit, int& y, std::span<const std::int32_t> counts, std::int32_t numComponents,
                      const std::optional<ResultTables>& tables) {
  WindowServices& w = windows();
  const auto draw = [&](int x, int atY, std::string_view text) { w.drawTextAt(unit, x, atY, trimRight(text)); };

  w.initFonts(unit);
  w.selectFont(unit, "t'Arial'h16w9");
  w.setTextColour(unit, black);
  w.setBackgroundColour(unit, white);
  w.setDrawColour(unit, black);

  y += 20;
  draw(5, y, " Comp.     Lambda    Weights   Log-Likelihood     BIC            N0           Nall   max Grad.");
  y = static_cast<int>(static_cast<float>(y) + rowHeight);
  w.drawLine(unit, 0, y, 700, y);

  // A table without a mixture fit: one block that says so, with N0 and
  // Nall as no estimate and the reason below, in place of the fits.
  if (const std::optional<std::string> problem = mixtureProblem(counts)) {
    const int mid = static_cast<int>(rowHeight);
    draw(5, y + mid, noMixtureEstimate);
    draw(xN0, y + mid, formatEstimate(std::nullopt, 10));
    draw(xNall, y + mid, formatEstimate(std::nullopt, 10));
    const std::vector<std::string> reason = wrapWords(*problem, reasonWidth);
    for (std::size_t i = 0; i < reason.size(); ++i) {
      draw(5, y + mid + static_cast<int>(rowHeight * static_cast<float>(i + 1)), reason[i]);
    }
    y = static_cast<int>(static_cast<float>(y) + rowHeight * static_cast<float>(reason.size() + 1));
    y += 30;
    w.drawLine(unit, 0, y, 700, y);
  }

  const int recorded = tables ? tables->size() : 0;
  const int shown = std::min<int>(numComponents, recorded);
  for (int s = 1; s <= shown; ++s) {
    const ResultTables& t = *tables;
    const auto i = static_cast<std::size_t>(s - 1);
    const int mid = static_cast<int>(static_cast<float>(s + 1) * rowHeight * 0.5f);
    draw(5, y + mid, formatI(s, 10));
    for (int j = 1; j <= s; ++j) {
      const int rowY = static_cast<int>(static_cast<float>(y) + rowHeight * static_cast<float>(j));
      draw(xLambda, rowY, formatF(t.resLambda(s, j), 14, 4));
      draw(xWeight, rowY, formatF(t.resWeight(s, j), 14, 4));
    }
    draw(xLogLik, y + mid, formatF(t.resLogLik[i], 10, 1));
    draw(xBic, y + mid, formatF(t.resBic[i], 10, 1));
    draw(xN0, y + mid, formatWholeEstimate(t.resN0[i], 10));
    draw(xNall, y + mid, formatWholeEstimate(t.resNall[i], 10));
    draw(xMaxGrad, y + mid, formatMaxGradient(t.resMaxGrad[i]));
    y = static_cast<int>(static_cast<float>(y) + rowHeight * static_cast<float>(s));
    y += 30;
    w.drawLine(unit, 0, y, 700, y);
  }

  y += 2 * gap;
  w.selectFont(unit, "t'Arial'h13w7");
  draw(5, y,
       " Zelterman   lam=2f2/f1  lam=(2f2+3f3)/(f1+f2)     lam=(2f2+3f3+4f4)/(f1+f2+f3) "
       "lam=(2f2+3f3+4f4+5f5)/(f1+f2+f3+f4)");
  y += 2 * gap;
  w.selectFont(unit, "t'Arial'h16w9");
  const TableEstimates table = estimateTable(counts, std::nullopt);
  const std::int64_t n = table.observed;
  // The window shows 32-bit estimates: no estimate beyond them.
  const std::array<std::optional<std::int32_t>, 4> zelterman{
      narrowEstimate(table.zelterman1), narrowEstimate(table.zelterman2), narrowEstimate(table.zelterman3),
      narrowEstimate(table.zelterman4)};
  const std::array<int, 4> gaps{9, 9, 14, 14};
  RowText n0Row("n0");
  RowText nRow("N");
  for (std::size_t v = 0; v < zelterman.size(); ++v) {
    n0Row.append(gaps[v], formatEstimate(widen(zelterman[v]), 10));
    nRow.append(gaps[v], formatEstimate(plus(zelterman[v], n), 10));
  }
  draw(5, y, n0Row.str());
  y += gap;
  draw(5, y, nRow.str());

  y += 2 * gap;
  draw(5, y, " Chao   f0=f1*f1/(2*f2)  ");
  y += 2 * gap;
  const std::optional<std::int32_t> chaoN0 = narrowEstimate(table.chao);
  RowText chaoN0Row("n0");
  chaoN0Row.append(7, formatEstimate(widen(chaoN0), 10));
  draw(5, y, chaoN0Row.str());
  y += gap;
  RowText chaoNRow("N");
  chaoNRow.append(7, formatEstimate(plus(chaoN0, n), 10));
  draw(5, y, chaoNRow.str());
}

void drawNegativeBinomialBlock(int unit, int& y, std::span<const std::int32_t> counts, double exactness) {
  WindowServices& w = windows();
  const auto draw = [&](int x, int atY, std::string_view text) { w.drawTextAt(unit, x, atY, trimRight(text)); };
  const auto drawReason = [&](const std::string& reason) {
    for (const std::string& line : wrapWords(reason, reasonWidth)) {
      y += gap;
      draw(5, y, line);
    }
  };
  const std::int64_t n = observedUnits(counts);

  y += 2 * gap;
  draw(5, y, " Negative binomial   PMLE(negB), a moment fixed point  ");
  y += 2 * gap;
  const NegBinResult negBin = *estimateTable(counts, exactness).negativeBinomial;
  RowText n0Row("n0");
  n0Row.append(7, formatEstimate(widen(narrowEstimate(negBin.n0)), 10));
  draw(5, y, n0Row.str());
  y += gap;
  RowText nRow("N");
  nRow.append(7, formatEstimate(widen(narrowEstimate(negBin.n)), 10));
  draw(5, y, nRow.str());
  if (!negBin.n0 || !negBin.n) drawReason(negBin.reason);

  y += 2 * gap;
  draw(5, y, " Zero-truncated negative binomial, maximum likelihood  ");
  y += 2 * gap;
  const ZtnbFit ztnb = ztnbMle(counts);
  switch (ztnb.status) {
    case ZtnbStatus::estimated:
    case ZtnbStatus::poissonLimit: {
      const WholeEstimate n0 = wholeEstimate(*ztnb.n0);
      RowText ztnbN0("n0");
      ztnbN0.append(7, formatEstimate(widen(narrowEstimate(n0)), 10));
      draw(5, y, ztnbN0.str());
      y += gap;
      RowText ztnbN("N");
      ztnbN.append(7, formatEstimate(plus(narrowEstimate(n0), n), 10));
      draw(5, y, ztnbN.str());
      if (ztnb.status == ZtnbStatus::poissonLimit) {
        y += gap;
        draw(5, y, " reduces to the Poisson: the zero-truncated Poisson estimate");
      }
      break;
    }
    case ZtnbStatus::unbounded:
      draw(5, y, " N unbounded: the likelihood rises as the size goes to 0");
      break;
    case ZtnbStatus::notEstimable:
      draw(5, y, formatEstimate(std::nullopt, 10));
      drawReason(ztnb.problem);
      break;
  }
}

void drawIdentificationNote(int unit, int& y, std::span<const std::int32_t> counts, const Identifiability& id) {
  if (!id.notIdentified) return;
  WindowServices& w = windows();
  const TableEstimates table = estimateTable(counts, std::nullopt);
  const std::optional<std::int32_t> chaoN0 = narrowEstimate(table.chao);
  const std::array<std::string, 2> note = boundaryNote(plus(chaoN0, table.observed));
  const std::string text = note[0] + " " + note[1];
  y += gap;
  for (const std::string& line : wrapWords(text, reasonWidth)) {
    y += gap;
    w.drawTextAt(unit, 5, y, line);
  }
}

}  // namespace tallyfold
