#pragma once
// Font specification strings of the window layer: "t'Arial'h16w9" asks for
// the typeface Arial with a character height of 16 pixels and an average
// character width of 9 pixels. Options may come in any order:
//   t'name'  typeface (quoted with ' or ")
//   hN       character height in pixels
//   wN       average character width in pixels (the mean of a–z)
//   b i u    bold, italic, underlined
//   e f p r v  accepted and ignored (best fit, fixed, proportional, raster,
//             vector: the platform picks the face)
// Blanks between options are ignored; letters are case-insensitive.
#include <optional>
#include <string>
#include <string_view>

namespace tallyfold {

struct FontRequest {
  std::string face;  // empty: the default face
  int height = 0;    // pixels; 0: the default height
  int width = 0;     // pixels; 0: the face's own width
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

// Heights and widths above this are refused as nonsense.
inline constexpr int maxFontPixels = 1000;

// The options of `fontSpecification`, or nothing when it does not follow the
// pattern above.
std::optional<FontRequest> parseFontRequest(std::string_view fontSpecification);

}  // namespace tallyfold
