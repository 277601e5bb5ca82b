// The one form of every real number in the command file.
#pragma once

#include <string>

namespace JwwGaibu {

/// Longest form of FormatReal's result ("-" + 15 digits + point + up to 3 zeros, or the
/// scientific form), with room to spare.
inline constexpr int kFormatRealMax = 32;

/// Writes `value` into `out` (at least kFormatRealMax bytes) and returns the length:
/// 15 significant digits (the 18 leading digits correctly rounded, then rounded half up),
/// trailing zeros dropped, fixed-point for decimal exponents -3 to 15, otherwise
/// scientific with "E"; "0" for zero; "INF", "-INF", "NAN". The decimal mark is ".".
int FormatReal(double value, char* out);

/// The same as a string.
std::string FormatReal(double value);

}  // namespace JwwGaibu
