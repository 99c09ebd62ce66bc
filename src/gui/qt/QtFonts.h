#pragma once
// Fonts of the Qt window layer: the faces the program asks for by name
// mapped to the metric-compatible faces installed on Linux, heights in
// pixels, and the average character width reached by stretching.
#include <QFont>
#include <QString>
#include <string>
#include <string_view>
#include <unordered_map>

#include "qt/FontRequest.h"

namespace tallyfold {

// The installed family that stands in for `face` ("Arial" → "Liberation
// Sans"); other names are passed on unchanged.
QString familyFor(std::string_view face);

// The average advance of the lowercase letters a–z: the width a font
// font specification's "w" asks for.
double averageLowercaseWidth(const QFont& font);

// The face of `spec` at its pixel height, stretched so that its average
// lowercase width is `spec.width` (when given).
QFont makeFont(const FontRequest& spec);

// The font a specification string stands for; a string that does not parse
// gives the default font (Liberation Sans, 16 pixels). Fonts are made once
// per string. Use on the interface thread only.
class FontBook {
 public:
  const QFont& font(std::string_view fontSpecification);
  static QFont defaultFont();

 private:
  std::unordered_map<std::string, QFont> fonts_;
};

// The font of a dialog template ("Arial", 12 points) at 96 dots per inch.
QFont dialogFont(std::string_view face, int points);

}  // namespace tallyfold
