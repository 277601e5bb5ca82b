// The one form of every real number in the command file.
#pragma once

#include <string>

namespace JwwGaibu {

/// Size of the buffer that FormatReal writes into. The longest result is 22 bytes ("-",
/// 15 digits, a point and "E-324"); the writer uses the rest as scratch space.
inline constexpr int kFormatRealMax = 48;

/// Writes `value` into `out` (at least kFormatRealMax bytes) and returns the length:
/// 15 significant digits (the 18 leading digits correctly rounded, then rounded half up),
/// trailing zeros dropped, fixed-point for decimal exponents -3 to 15, otherwise
/// scientific with "E"; "0" for zero; "INF", "-INF", "NAN". The decimal mark is ".".
int FormatReal(double value, char* out);

/// The same as a string.
std::string FormatReal(double value);

}  // namespace JwwGaibu
