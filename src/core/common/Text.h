#pragma once
// Small text helpers shared by every layer: trimming blanks the way the
// system's fixed-width buffers are read back.
#include <string>
#include <string_view>

namespace tallyfold {

std::string_view trimRight(std::string_view text);
std::string_view trimLeft(std::string_view text);
std::string_view trim(std::string_view text);

}  // namespace tallyfold
