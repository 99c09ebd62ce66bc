#pragma once
// Constants that the numerical methods type in single precision. Each is the
// nearest 32-bit float to its decimal text and is widened to double where it
// meets double arithmetic (1.00001f widened is 1.0000100135803223).
namespace tallyfold::single {

inline constexpr float gradientBound = 1.00001f;   // NPMLE test: max D < 1.00001
inline constexpr float exactness = 1.0e-7f;        // default exactness; 1.0000000116860974e-7
inline constexpr float gridStart = 1.0e-6f;        // first grid point of the gradient search
inline constexpr float nearZero = 1.0e-7f;         // where D is evaluated next to zero
inline constexpr float zeroCandidate = 1.0e-8f;    // candidate mean when no root beats D near zero
inline constexpr float meanStepFactor = 0.005f;    // tolerance of the mean update = eps * 0.005f

}  // namespace tallyfold::single
