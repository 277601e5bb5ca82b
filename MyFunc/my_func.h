// Text and number utilities shared by the whole program. Pure functions, no state.
//
// Texts are Shift-JIS bytes. A byte in 0x80-0x9F or 0xE0-0xFD starts a two-byte
// character; every other byte is a character of its own. Character boundaries are
// always found by walking from the first byte of a text.
#pragma once

#include <cstdint>
#include <filesystem>
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

/// Powers of ten that a double holds exactly, 1e0 to 1e22.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

/// The form of nearly every real in the file: an optional "-", then digits with at most one
/// point, stopping at the first other byte. When the digits form an integer of at most 2^53
/// with at most 22 of them behind the point, the value is one correctly rounded division,
/// the same that ParseRealOrZero gives; then `value` is set and the position after the
/// number returned. Otherwise nullptr (the caller takes the general way).
inline const char* ReadPlainDecimal(const char* p, const char* end, double& value) {
  const bool negative = p != end && *p == '-';
  p += negative;
  uint64_t mantissa = 0;
  int digits = 0;
  int point = -1;  // digits before the point, once it is seen
  for (; p != end; ++p) {
    const unsigned d = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
    if (d < 10) {
      mantissa = mantissa * 10 + d;
      ++digits;
    } else if (*p == '.' && point < 0) {
      point = digits;
    } else {
      break;
    }
  }
  const int fraction = point < 0 ? 0 : digits - point;
  // Up to 19 digits cannot wrap the 64-bit gathering; leading zeros only make it stricter.
  if (digits == 0 || digits > 19 || mantissa > (uint64_t{1} << 53) || fraction > 22)
    return nullptr;
  const double magnitude = static_cast<double>(mantissa) / kExactPowersOfTen[fraction];
  value = negative ? -magnitude : magnitude;
  return p;
}

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

/// UTF-16 as UTF-8; a surrogate without its pair becomes U+FFFD instead of failing.
std::string Utf16ToUtf8Lossy(std::u16string_view utf16);

/// A path as UTF-8 for a message, never failing: Windows' UTF-16 names may hold unpaired
/// surrogates (which become U+FFFD), other systems' names are taken as their bytes.
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace MyFunc
