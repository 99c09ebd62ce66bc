#pragma once
// Fixed-width field layouts used by every window and file of the system:
//   "(Iw)"    integer right-justified in w characters
//   "(Fw.d)"  fixed point, w characters, d decimals
//   "(BN,Iw)" reading an integer field with blanks ignored
// A value that does not fit shows w asterisks. "(Fw.d)" drops the leading
// zero of a value below 1 only when the field is too narrow for it. NaN and
// infinities are written right-justified as "NaN", "Infinity", "-Infinity".
// Decimals are the correctly rounded decimal of the binary value.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallyfold {

std::string formatI(std::int64_t value, int width);

// The text shown, right-justified in its field, wherever an estimator has no
// estimate (a table too small for its formula, a fit that does not exist).
inline constexpr std::string_view noEstimate = "n/a";

// "(Iw)" of an estimate, or noEstimate when there is none.
std::string formatEstimate(std::optional<std::int64_t> value, int width);
std::string formatF(double value, int width, int decimals);

// `text` right-justified in `width` characters (as it stands when longer).
std::string rightJustified(std::string_view text, int width);

// A number with `decimals` decimals and no padding, for lines in words
// ("%.*f").
std::string fixedDecimals(double value, int decimals);

// A confidence level in (0, 1) as a percentage without trailing zeros:
// 0.95 -> "95", 0.995 -> "99.5".
std::string levelPercent(double level);

// "(BN,Iw)": the first `width` characters of `text`, blanks ignored, an
// optional sign and decimal digits. All blanks read as 0. Anything else, or
// a value outside the 32-bit range, gives no value.
std::optional<std::int32_t> readBnI(std::string_view text, int width);

// The same field, unlimited width: what a text box read with "(I8)" or
// "(BN,I5)" accepts when its text is shorter than the field.
std::optional<std::int32_t> readBnI(std::string_view text);

}  // namespace tallyfold
