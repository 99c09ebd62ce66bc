#include "qt/FontRequest.h"

#include <cctype>

namespace tallyfold {

namespace {

bool readNumber(std::string_view spec, std::size_t& pos, int& value) {
  const std::size_t start = pos;
  long long number = 0;
  while (pos < spec.size() && std::isdigit(static_cast<unsigned char>(spec[pos]))) {
    number = number * 10 + (spec[pos] - '0');
    if (number > maxFontPixels) return false;
    ++pos;
  }
  if (pos == start) return false;
  value = static_cast<int>(number);
  return true;
}

}  // namespace

std::optional<FontRequest> parseFontRequest(std::string_view spec) {
  FontRequest result;
  std::size_t pos = 0;
  while (pos < spec.size()) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(spec[pos])));
    ++pos;
    switch (c) {
      case ' ':
        break;
      case 't': {
        if (pos >= spec.size() || (spec[pos] != '\'' && spec[pos] != '"')) return std::nullopt;
        const char quote = spec[pos++];
        const std::size_t end = spec.find(quote, pos);
        if (end == std::string_view::npos) return std::nullopt;
        result.face = std::string(spec.substr(pos, end - pos));
        pos = end + 1;
        break;
      }
      case 'h':
        if (!readNumber(spec, pos, result.height)) return std::nullopt;
        break;
      case 'w':
        if (!readNumber(spec, pos, result.width)) return std::nullopt;
        break;
      case 'b':
        result.bold = true;
        break;
      case 'i':
        result.italic = true;
        break;
      case 'u':
        result.underline = true;
        break;
      case 'e':
      case 'f':
      case 'p':
      case 'r':
      case 'v':
        break;
      default:
        return std::nullopt;
    }
  }
  return result;
}

}  // namespace tallyfold
