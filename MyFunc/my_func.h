// Text and number utilities shared by the whole program. Pure functions, no state.
//
// Texts are Shift-JIS bytes. A byte in 0x80-0x9F or 0xE0-0xFD starts a two-byte
// character; every other byte is a character of its own. Character boundaries are
// always found by walking from the first byte of a text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace MyFunc {

/// True for a byte that starts a two-byte Shift-JIS character.
constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD);
}

/// Reads a 32-bit integer: optional leading spaces, one sign, then decimal digits or a
/// hexadecimal number behind "$", "x", "X", "0x" or "0X". Anything else reads as 0.
int32_t ParseIntOrZero(std::string_view text);

/// Outcome of reading a real field.
enum class RealStatus {
  kOk,        ///< a number, or text that is not one (which reads as 0)
  kOverflow,  ///< a well-formed number too large for a double
};

/// Reads a real with "." as the decimal point whatever the locale; anything that is not
/// a number reads as 0.0. A well-formed number beyond the range of a double gives 0.0
/// and sets `status` to kOverflow, which the caller must treat as a failure.
double ParseRealOrZero(std::string_view text, RealStatus& status);

/// As above, for callers that treat an overflow like any other unreadable text.
double ParseRealOrZero(std::string_view text);

/// The text without half-width blanks, full-width blanks (0x81 0x40) and control bytes.
std::string StripBlanks(std::string_view text);

/// True when StripBlanks would leave nothing of `text`; allocates nothing.
bool IsBlankText(std::string_view text);

/// The characters of `text` that lie wholly inside bytes [start, start + maxLength - 1]
/// (positions from 1), and how many bytes they take. Never returns half a character.
struct WholeChars {
  std::string Text;
  int32_t Count = 0;
};
WholeChars CopyWholeChars(std::string_view text, int32_t start, int32_t maxLength);

/// Distance between two points, computed in extended precision and rounded once.
double PointDistance(double x1, double y1, double x2, double y2);

}  // namespace MyFunc
