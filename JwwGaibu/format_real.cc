#include "JwwGaibu/format_real.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace JwwGaibu {
namespace {

/// Significant digits that the command file carries.
constexpr int kKeptDigits = 15;

/// A positive finite value as significant digits d1 d2 ... (d1 not '0') and the exponent
/// E such that the value is 0.d1d2... times ten to the power E.
struct Digits {
  char d[24];
  int count;
  int exponent;
};

/// Splits std::to_chars' scientific form "d.ddde+XX" (or "de-XX") into digits and E.
void SplitScientific(const char* begin, const char* end, Digits& out) {
  out.count = 0;
  const char* p = begin;
  for (; p != end && *p != 'e'; ++p) {
    if (*p != '.') out.d[out.count++] = *p;
  }
  ++p;  // 'e'; std::to_chars always writes a sign behind it
  const bool negative = *p == '-';
  ++p;
  int e = 0;
  for (; p != end; ++p) e = e * 10 + (*p - '0');
  out.exponent = (negative ? -e : e) + 1;
}

/// Rounds the 18 correctly rounded leading digits to 15, half up on the 16th digit, with
/// the carry running leftwards (fifteen nines become a 1 one place higher).
void RoundTo15(Digits& v) {
  v.count = kKeptDigits;
  if (v.d[kKeptDigits] < '5') return;
  int i = kKeptDigits - 1;
  while (i >= 0 && v.d[i] == '9') v.d[i--] = '0';
  if (i >= 0) {
    ++v.d[i];
  } else {
    v.d[0] = '1';
    v.count = 1;
    ++v.exponent;
  }
  // Rounding up must not carry past the largest double: 1.7976931348623157E308 would
  // become 1.79769313486232E308, a number that no reader can take back. There the digits
  // are cut instead.
  constexpr char kLargest[] = "179769313486231";
  if (v.exponent == 309 && v.count == kKeptDigits && std::memcmp(v.d, kLargest, kKeptDigits) > 0)
    std::memcpy(v.d, kLargest, kKeptDigits);
}

/// The eight digits of `value` (below 10^8), leading zeros included, as one word whose
/// lowest byte is the first digit. The halves, quarters and single digits are split in
/// all lanes of the word at once: x / 100 as (x * 10486) >> 20 for x below 10^4, and
/// x / 10 as (x * 103) >> 10 for x below 100, never carrying into the next lane.
uint64_t EightDigits(uint32_t value) {
  uint64_t x = value / 10000 | uint64_t{value % 10000} << 32;  // two 32-bit lanes
  uint64_t q = (x * 10486) >> 20 & 0x0000007F0000007Full;
  x = q | (x - q * 100) << 16;  // four 16-bit lanes of 0 to 99
  q = (x * 103) >> 10 & 0x000F000F000F000Full;
  x = q | (x - q * 10) << 8;  // eight bytes of 0 to 9
  return x + 0x3030303030303030ull;
}

constexpr uint64_t kEightZeros = 0x3030303030303030ull;  ///< "00000000"

/// Up to sixteen significant digits held in two words, digit i in byte i % 8 of word i / 8
/// (lowest byte first), '0's behind the last digit; E as in `Digits`. The digits are
/// built and written in registers: copying them through memory byte-wise would make the
/// processor wait for stores to reach the loads that span them.
struct DigitWords {
  uint64_t w0, w1;
  int count;
  int exponent;
};

/// Writes the eight bytes of a word, lowest first.
void StoreWord(char* out, uint64_t word) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &word, sizeof word);
  } else {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(word >> (8 * i));
  }
}

/// Reads eight bytes as a word, the first byte lowest.
uint64_t LoadWord(const char* in) {
  uint64_t word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&word, in, sizeof word);
  } else {
    for (int i = 0; i < 8; ++i) word |= uint64_t{static_cast<unsigned char>(in[i])} << (8 * i);
  }
  return word;
}

/// Writes the sixteen digit places of `v` from place `from` (0 to 15) on.
void StoreDigitsFrom(char* out, const DigitWords& v, int from) {
  uint64_t low, high;
  if (from == 0) {
    low = v.w0;
    high = v.w1;
  } else if (from < 8) {
    low = v.w0 >> (8 * from) | v.w1 << (64 - 8 * from);
    high = v.w1 >> (8 * from);
  } else {
    low = v.w1 >> (8 * (from - 8));
    high = 0;
  }
  StoreWord(out, low);
  StoreWord(out + 8, high);
}

/// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

/// 10^j for j from -8 to 15, as near as a double gets.
constexpr double kPowersOfTenFromMinus8[] = {1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1,
                                             1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

enum class Scaled { kFound, kLonger, kNotTried };

/// Finds the shortest decimal form of a magnitude from 1e-8 to below 1e15 without
/// std::to_chars. With k chosen so that p = magnitude * 10^k lies in [1e14, 1e15), every
/// form of at most 15 significant digits that reads back as the magnitude is a multiple of
/// 10^-k. There is at most one such multiple, since 10^-k is wider than the rounding
/// interval of a double of that size (10^k * ulp < 0.23), and it is the integer nearest to
/// p (p is off from it by less than 0.12 + 0.07). One multiplication, one rounding and
/// one correctly rounded division back (both operands exact) therefore decide: the form
/// is found (trailing zeros dropped, it is the shortest), or every form that reads back
/// has at least 16 digits (kLonger).
Scaled ScaledDigits(double magnitude, DigitWords& v) {
  if (!(magnitude >= 1e-8 && magnitude < 1e15)) return Scaled::kNotTried;
  uint64_t bits;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int binaryExponent = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
  // floor(log10(2^binaryExponent)) is floor(log10(magnitude)) or one less; a comparison
  // settles which (without a branch that would go either way at random). Near a power of
  // ten the inexact negative powers may leave p outside its range; that is checked.
  const int estimate = (binaryExponent * 1233) >> 12;  // -9 to 14 here
  const int k = 14 - estimate - (magnitude >= kPowersOfTenFromMinus8[estimate + 9] ? 1 : 0);
  if (k < 0 || k > 22) return Scaled::kNotTried;
  const double p = magnitude * kExactPowersOfTen[k];
  if (!(p >= 1e14 && p < 1e15)) return Scaled::kNotTried;
  const uint64_t m = static_cast<uint64_t>(p + 0.5);  // exact: p + 0.5 is representable here
  if (static_cast<double>(m) / kExactPowersOfTen[k] != magnitude) return Scaled::kLonger;
  // m has 15 digits, or 16 when it rounded up to 10^15: the first seven or eight, then
  // eight more.
  const uint64_t first = EightDigits(static_cast<uint32_t>(m / 100000000));
  const uint64_t last = EightDigits(static_cast<uint32_t>(m % 100000000));
  if (m >= 1000000000000000ull) {
    v.w0 = first;
    v.w1 = last;
    v.exponent = 16 - k;
  } else {
    v.w0 = first >> 8 | last << 56;  // drop the sixteenth place's '0'
    v.w1 = last >> 8 | uint64_t{'0'} << 56;
    v.exponent = 15 - k;
  }
  // Trailing zeros: after the XOR every '0' is a zero byte, and the last places are the
  // highest bytes. w0 is never all '0's, since the first digit is not 0.
  const uint64_t tail1 = v.w1 ^ kEightZeros;
  v.count = tail1 != 0 ? 16 - std::countl_zero(tail1) / 8
                       : 8 - std::countl_zero(v.w0 ^ kEightZeros) / 8;
  return Scaled::kFound;
}

/// The value's digits, at most 15 of them, without trailing zeros.
void LeadingDigits(double magnitude, DigitWords& words) {
  const Scaled scaled = ScaledDigits(magnitude, words);
  if (scaled == Scaled::kFound) return;
  Digits v;
  char buffer[64];
  // The shortest form that reads back as the same double. When it has at most 15 digits
  // it is already the answer: a normal double lies within half a unit of its last (53rd)
  // bit of that form, which is less than 0.12 units of the form's 15th digit, so neither
  // the rounding to 18 digits nor the one to 15 can move away from it. Subnormals carry fewer bits (the
  // shortest form of the smallest one is 5E-324), so they always take the long way.
  bool exact = false;
  std::to_chars_result result{};
  if (scaled == Scaled::kNotTried && magnitude >= std::numeric_limits<double>::min()) {
    result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                           std::chars_format::scientific);
    SplitScientific(buffer, result.ptr, v);
    exact = v.count <= kKeptDigits;
  }
  if (!exact) {
    // 18 significant digits, correctly rounded from the exact binary value.
    result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                           std::chars_format::scientific, 17);
    SplitScientific(buffer, result.ptr, v);
    RoundTo15(v);
  }
  while (v.count > 1 && v.d[v.count - 1] == '0') --v.count;
  char places[16];
  std::memset(places, '0', sizeof places);
  std::memcpy(places, v.d, v.count);
  words.w0 = LoadWord(places);
  words.w1 = LoadWord(places + 8);
  words.count = v.count;
  words.exponent = v.exponent;
}

/// The four digits of `value` (below 10^4) as the low four bytes of a word, the first
/// digit lowest.
uint64_t FourDigits(uint32_t value) {
  const uint64_t pair = value / 100 | uint64_t{value % 100} << 16;  // two 16-bit lanes
  const uint64_t tens = (pair * 103) >> 10 & 0x000F000Full;
  return (tens | (pair - tens * 10) << 8) + 0x30303030ull;
}

/// Drawing coordinates mostly have at most four decimals. For a magnitude below 10^8,
/// the multiple of 10^-4 nearest to it is its shortest form (trailing zeros dropped) when
/// it reads back as the magnitude: 10^-4 is wider than the rounding interval of a double
/// below 10^8, so no other form with at most four decimals can read back as it, and one
/// with fewer decimals would be that same multiple. Writes the form at `out` and returns
/// its length, or 0 when the magnitude needs more decimals. No branch depends on the
/// number of digits.
int FourDecimals(double magnitude, char* out) {
  const uint64_t m = static_cast<uint64_t>(magnitude * 1e4 + 0.5);
  if (static_cast<double>(m) / 1e4 != magnitude) return 0;
  const uint32_t whole = static_cast<uint32_t>(m / 10000);
  const uint32_t fraction = static_cast<uint32_t>(m % 10000);
  // The whole part without its leading zeros, but at least one digit.
  const uint64_t wholeDigits = EightDigits(whole);
  const int leadingZeros = std::countr_zero((wholeDigits ^ kEightZeros) | uint64_t{1} << 56) / 8;
  StoreWord(out, wholeDigits >> (8 * leadingZeros));
  char* p = out + 8 - leadingZeros;
  // The point and the decimals without their trailing zeros; nothing for a whole number.
  const uint64_t decimals = FourDigits(fraction);
  const int trailingZeros = std::countl_zero((decimals ^ 0x30303030ull) << 32 | 1) / 8;
  StoreWord(p, '.' | decimals << 8);
  return static_cast<int>(p - out) + (fraction != 0 ? 5 - trailingZeros : 0);
}

char* PutUnsigned(char* p, int value) {
  char reversed[12];
  int n = 0;
  do {
    reversed[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) *p++ = reversed[--n];
  return p;
}

/// Every value that FourDecimals does not take.
[[gnu::noinline]] int FormatOtherReal(double value, char* out) {
  char* p = out;
  if (std::isnan(value)) {
    std::memcpy(p, "NAN", 3);
    return 3;
  }
  if (std::signbit(value)) *p++ = '-';
  if (std::isinf(value)) {
    std::memcpy(p, "INF", 3);
    return static_cast<int>(p + 3 - out);
  }
  if (value == 0) {  // negative zero included: no sign
    out[0] = '0';
    return 1;
  }

  const double magnitude = std::fabs(value);
  if (magnitude < 1e15) {
    // A whole number of at most 15 digits is its own shortest form, written out in full.
    const uint64_t whole = static_cast<uint64_t>(magnitude);
    if (static_cast<double>(whole) == magnitude)
      return static_cast<int>(std::to_chars(p, out + kFormatRealMax, whole).ptr - out);
  }

  DigitWords v;
  LeadingDigits(magnitude, v);
  // All sixteen places are written each time; the bytes beyond the result are scratch
  // space of the caller's buffer.
  const int e = v.exponent;
  if (e >= -3 && e <= 15) {
    if (e <= 0) {
      std::memcpy(p, "0.000", 5);
      p += 2 - e;
      StoreDigitsFrom(p, v, 0);
      p += v.count;
    } else {
      StoreDigitsFrom(p, v, 0);  // the whole part, padded with '0's when the digits run out
      p += e;
      if (v.count > e) {
        *p = '.';
        StoreDigitsFrom(p + 1, v, e);
        p += 1 + v.count - e;
      }
    }
  } else {
    *p = static_cast<char>(v.w0);
    if (v.count > 1) {
      p[1] = '.';
      StoreDigitsFrom(p + 2, v, 1);
      p += v.count;
    }
    ++p;
    *p++ = 'E';
    if (e - 1 < 0) *p++ = '-';
    p = PutUnsigned(p, e - 1 < 0 ? 1 - e : e - 1);
  }
  return static_cast<int>(p - out);
}

}  // namespace

int FormatReal(double value, char* out) {
  // Nearly every value: not zero, below 10^8 and with at most four decimals. The sign is
  // written in any case and kept only for a negative value, which spares a branch that
  // would go either way.
  const double magnitude = std::fabs(value);
  if (magnitude < 1e8 && magnitude != 0) {  // false for NaN
    out[0] = '-';
    const int sign = std::signbit(value) ? 1 : 0;
    const int written = FourDecimals(magnitude, out + sign);
    if (written > 0) return sign + written;
  }
  return FormatOtherReal(value, out);
}

std::string FormatReal(double value) {
  char buffer[kFormatRealMax];
  return std::string(buffer, FormatReal(value, buffer));
}

}  // namespace JwwGaibu
