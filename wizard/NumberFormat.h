#pragma once

#include <cstddef>

// The number format of the program's own text files: fixed point with exactly five decimals,
// correctly rounded (ties to even, as printf's "%.5f" does), "-" for negative values, no "+"
// and no exponent, each value followed by ", ". Written into caller-supplied buffers so that
// a long log needs no allocation per value.
namespace NumberFormat
{
// Longest text appendValue can produce: a sign, the 39 integer digits of the largest float,
// the point, five decimals and ", ".
inline constexpr std::size_t maxValueChars = 1 + 39 + 1 + 5 + 2;

// Writes value followed by ", " at out, which must have room for maxValueChars characters,
// and returns the position after the blank. The float form is the fast one: it works on the
// float's exact binary value in integers.
char* appendValue (char* out, float value) noexcept;
char* appendValue (char* out, double value) noexcept;
} // namespace NumberFormat
