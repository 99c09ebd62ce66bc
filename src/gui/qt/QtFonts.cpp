#include "qt/QtFonts.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace tallyfold {

namespace {

constexpr int defaultPixelHeight = 16;

bool sameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

QString familyFor(std::string_view face) {
  struct Substitute {
    std::string_view face;
    const char* family;
  };
  static constexpr Substitute substitutes[] = {
      {"", "Liberation Sans"},
      {"Arial", "Liberation Sans"},
      {"Helvetica", "Liberation Sans"},
      {"MS Sans Serif", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},
      {"Courier", "Liberation Mono"},
  };
  for (const Substitute& s : substitutes)
    if (sameName(face, s.face)) return QString::fromLatin1(s.family);
  return QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
}

double averageLowercaseWidth(const QFont& font) {
  const QFontMetricsF metrics(font);
  double sum = 0;
  for (char c = 'a'; c <= 'z'; ++c) sum += metrics.horizontalAdvance(QChar(c));
  return sum / 26.0;
}

QFont makeFont(const FontRequest& spec) {
  QFont font(familyFor(spec.face));
  font.setPixelSize(spec.height > 0 ? spec.height : defaultPixelHeight);
  font.setBold(spec.bold);
  font.setItalic(spec.italic);
  font.setUnderline(spec.underline);
  // Fractional advances: the stretched widths stay proportional instead of
  // being rounded letter by letter.
  font.setHintingPreference(QFont::PreferNoHinting);
  if (spec.width <= 0) return font;

  // The stretch that scales the natural average to the one asked for; a
  // second step corrects what the face's own rounding left over.
  const double natural = averageLowercaseWidth(font);
  if (natural <= 0) return font;
  int stretch = static_cast<int>(std::lround(100.0 * spec.width / natural));
  for (int step = 0; step < 2; ++step) {
    stretch = std::clamp(stretch, 1, 4000);
    font.setStretch(stretch);
    const double reached = averageLowercaseWidth(font);
    if (reached <= 0 || std::fabs(reached - spec.width) < 0.25) break;
    stretch = static_cast<int>(std::lround(stretch * spec.width / reached));
  }
  return font;
}

const QFont& FontBook::font(std::string_view fontSpecification) {
  const std::string key(fontSpecification);
  const auto found = fonts_.find(key);
  if (found != fonts_.end()) return found->second;
  const std::optional<FontRequest> spec = parseFontRequest(fontSpecification);
  return fonts_.emplace(key, spec ? makeFont(*spec) : defaultFont()).first->second;
}

QFont FontBook::defaultFont() { return makeFont(FontRequest{}); }

QFont dialogFont(std::string_view face, int points) {
  QFont font(familyFor(face));
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))));
  return font;
}

}  // namespace tallyfold
