#pragma once
// The "&Help" menu: "Guide" opens a window with a short explanation of each
// result and of the files written (its text is docs/guide.txt, built into
// the program); "About" names the version, the licence and the libraries.
#include <string_view>

namespace tallyfold {

inline constexpr std::string_view helpMenuCaption = "&Help";
inline constexpr std::string_view guideCaption = "Guide";
inline constexpr std::string_view aboutCaption = "About";

// The guide's text (docs/guide.txt) and the program's version, built in.
std::string_view guideText();
std::string_view tallyfoldVersion();

void showGuide();
void showAbout();

}  // namespace tallyfold
