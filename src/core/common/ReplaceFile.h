#pragma once
// Writes a whole file so that a failure never leaves it half written: the
// text goes to a temporary file in the same folder, which then takes the
// file's name in one rename. A file that existed stays as it was when
// anything fails.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tallyfold {

// None on success; otherwise why it failed, in words for the user.
std::optional<std::string> replaceFile(const std::filesystem::path& path, std::string_view text);

}  // namespace tallyfold
