#include "common/Text.h"

namespace tallyfold {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }
}  // namespace

std::string_view trimRight(std::string_view text) {
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view trimLeft(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view trim(std::string_view text) { return trimLeft(trimRight(text)); }

}  // namespace tallyfold
