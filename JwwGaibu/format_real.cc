#include "JwwGaibu/format_real.h"

#include <charconv>
#include <cmath>
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

/// The value's digits, at most 15 of them, without trailing zeros.
void LeadingDigits(double magnitude, Digits& v) {
  char buffer[64];
  // The shortest form that reads back as the same double. When it has at most 15 digits
  // it is already the answer: a normal double lies within half a unit of its last (53rd)
  // bit of that form, which is less than 0.12 units of the form's 15th digit, so neither
  // the rounding to 18 digits nor the one to 15 can move away from it. Subnormals carry fewer bits (the
  // shortest form of the smallest one is 5E-324), so they always take the long way.
  bool exact = false;
  std::to_chars_result result{};
  if (magnitude >= std::numeric_limits<double>::min()) {
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

}  // namespace

int FormatReal(double value, char* out) {
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

  Digits v;
  LeadingDigits(std::fabs(value), v);
  const int e = v.exponent;
  if (e >= -3 && e <= 15) {
    if (e <= 0) {
      *p++ = '0';
      *p++ = '.';
      for (int i = 0; i < -e; ++i) *p++ = '0';
      std::memcpy(p, v.d, v.count);
      p += v.count;
    } else {
      for (int i = 0; i < e; ++i) *p++ = i < v.count ? v.d[i] : '0';
      if (v.count > e) {
        *p++ = '.';
        std::memcpy(p, v.d + e, v.count - e);
        p += v.count - e;
      }
    }
  } else {
    *p++ = v.d[0];
    if (v.count > 1) {
      *p++ = '.';
      std::memcpy(p, v.d + 1, v.count - 1);
      p += v.count - 1;
    }
    *p++ = 'E';
    if (e - 1 < 0) *p++ = '-';
    p = PutUnsigned(p, e - 1 < 0 ? 1 - e : e - 1);
  }
  return static_cast<int>(p - out);
}

std::string FormatReal(double value) {
  char buffer[kFormatRealMax];
  return std::string(buffer, FormatReal(value, buffer));
}

}  // namespace JwwGaibu
