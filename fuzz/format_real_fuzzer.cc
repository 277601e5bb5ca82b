// FormatReal and ParseRealOrZero against independent checks. The input is read as doubles,
// eight bytes each (any bit pattern: subnormals, infinities, NaNs), and, whole, as a text.
//   - FormatReal: its digits are compared with a slow exact computation from the double's
//     binary value (m times 2 to the e, expanded in decimal with big integers), rounded to 18
//     significant digits and then to 15, halves up, laid out by the command file's rules.
//   - ParseRealOrZero: std::to_chars' shortest forms (general, scientific, fixed) read back
//     as the very same double, and the 15-digit form reads back within half a unit of its
//     15th digit.
//   - Both parsers on the text: no crash, no sanitizer report.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "JwwGaibu/format_real.h"
#include "MyFunc/my_func.h"

namespace {

[[noreturn]] void Fail(double v, const std::string& what) {
  char bits[32];
  uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  std::snprintf(bits, sizeof bits, "%016llx", static_cast<unsigned long long>(u));
  std::fprintf(stderr, "value %s (%.17g): %s\n", bits, v, what.c_str());
  std::abort();
}

/// A non-negative big integer in base 10^9, least significant limb first.
class BigDecimal {
 public:
  explicit BigDecimal(uint64_t v) {
    do {
      limbs_.push_back(static_cast<uint32_t>(v % kBase));
      v /= kBase;
    } while (v != 0);
  }
  void Multiply(uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : limbs_) {
      const uint64_t p = uint64_t{limb} * factor + carry;
      limb = static_cast<uint32_t>(p % kBase);
      carry = p / kBase;
    }
    while (carry != 0) {
      limbs_.push_back(static_cast<uint32_t>(carry % kBase));
      carry /= kBase;
    }
  }
  std::string Digits() const {
    std::string out = std::to_string(limbs_.back());
    for (size_t i = limbs_.size() - 1; i-- > 0;) {
      const std::string limb = std::to_string(limbs_[i]);
      out += std::string(9 - limb.size(), '0') + limb;
    }
    return out;
  }

 private:
  static constexpr uint64_t kBase = 1000000000;
  std::vector<uint32_t> limbs_;
};

/// Exact decimal digits of a positive finite double, and E with value = 0.digits * 10^E.
void ExactDigits(double v, std::string& digits, int& exponent) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  int e;  // value = mantissa * 2^e
  if (biased == 0) {
    e = -1074;
  } else {
    mantissa |= uint64_t{1} << 52;
    e = biased - 1075;
  }
  BigDecimal n(mantissa);
  int shift = 0;  // value = n * 10^shift
  // Powers of two and five in steps that keep a limb times the factor within 64 bits.
  constexpr int kTwoStep = 29, kFiveStep = 13;
  constexpr uint32_t kTwoPower = uint32_t{1} << kTwoStep, kFivePower = 1220703125;  // 5^13
  if (e >= 0) {
    for (; e >= kTwoStep; e -= kTwoStep) n.Multiply(kTwoPower);
    n.Multiply(uint32_t{1} << e);
  } else {
    // m * 2^e = m * 5^-e / 10^-e
    shift = e;
    int fives = -e;
    for (; fives >= kFiveStep; fives -= kFiveStep) n.Multiply(kFivePower);
    for (; fives > 0; --fives) n.Multiply(5);
  }
  digits = n.Digits();
  exponent = static_cast<int>(digits.size()) + shift;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

/// Rounds the digit string to `keep` digits: halves to even when `halfEven`, else halves up.
/// Rounding past a run of nines gives "1" and raises the exponent.
void RoundDigits(std::string& digits, int& exponent, size_t keep, bool halfEven) {
  if (digits.size() <= keep) return;
  const char next = digits[keep];
  bool up = next > '5';
  if (next == '5') {
    const bool beyond = digits.find_first_not_of('0', keep + 1) != std::string::npos;
    up = !halfEven || beyond || ((digits[keep - 1] - '0') % 2 == 1);
  }
  digits.resize(keep);
  if (up) {
    size_t i = keep;
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits = "1";
      ++exponent;
    } else {
      ++digits[i - 1];
    }
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

/// The command file's form of `v`, computed the slow way.
std::string SlowFormatReal(double v) {
  if (std::isnan(v)) return "NAN";
  const std::string sign = std::signbit(v) ? "-" : "";
  if (std::isinf(v)) return sign + "INF";
  if (v == 0) return "0";
  std::string d;
  int e;
  ExactDigits(std::fabs(v), d, e);
  RoundDigits(d, e, 18, true);   // the 18 leading digits, correctly rounded
  RoundDigits(d, e, 15, false);  // then 15, halves up
  // Rounding up must not leave the range of a double: past the largest one the digits are
  // cut instead, so that the number can still be read.
  if (e == 309 && d > "179769313486231") d = "179769313486231";
  std::string out = sign;
  if (e >= -3 && e <= 15) {
    if (e <= 0) {
      out += "0." + std::string(-e, '0') + d;
    } else if (static_cast<int>(d.size()) <= e) {
      out += d + std::string(e - d.size(), '0');
    } else {
      out += d.substr(0, e) + "." + d.substr(e);
    }
  } else {
    out += d.substr(0, 1);
    if (d.size() > 1) out += "." + d.substr(1);
    out += "E" + std::to_string(e - 1);
  }
  return out;
}

void CheckFormat(double v) {
  const std::string fast = JwwGaibu::FormatReal(v);
  const std::string slow = SlowFormatReal(v);
  if (fast != slow) Fail(v, "FormatReal gives " + fast + ", the exact computation " + slow);
  if (!std::isfinite(v)) return;
  MyFunc::RealStatus status;
  const double back = MyFunc::ParseRealOrZero(fast, status);
  if (status != MyFunc::RealStatus::kOk)
    Fail(v, "its 15-digit form " + fast + " does not read back");
  // Half a unit of the 15th digit (at most 5e-15 of the value), the first rounding to 18
  // digits (5e-18) and the reading's own rounding (half an ulp, 1.12e-16).
  const double allowed = std::fabs(v) * 5.12e-15 + std::numeric_limits<double>::denorm_min();
  if (!(std::fabs(back - v) <= allowed))
    Fail(v, "its 15-digit form " + fast + " reads back too far off");
}

void CheckParse(double v) {
  if (!std::isfinite(v)) return;
  const std::chars_format formats[] = {std::chars_format::general, std::chars_format::scientific,
                                       std::chars_format::fixed};
  char buffer[400];  // room for the fixed form of the largest double
  for (int f = 0; f <= 3; ++f) {
    // The plain shortest form (fixed or scientific, whichever is shorter), then each format.
    const auto result = f == 0 ? std::to_chars(buffer, buffer + sizeof buffer, v)
                               : std::to_chars(buffer, buffer + sizeof buffer, v, formats[f - 1]);
    if (result.ec != std::errc()) Fail(v, "to_chars failed");
    const std::string_view text(buffer, result.ptr - buffer);
    MyFunc::RealStatus status;
    const double back = MyFunc::ParseRealOrZero(text, status);
    if (status != MyFunc::RealStatus::kOk || std::memcmp(&back, &v, sizeof v) != 0)
      Fail(v, "ParseRealOrZero(\"" + std::string(text) + "\") is not the same double");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t i = 0; i + sizeof(double) <= size; i += sizeof(double)) {
    double v;
    std::memcpy(&v, data + i, sizeof v);
    CheckFormat(v);
    CheckParse(v);
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  MyFunc::RealStatus status;
  MyFunc::ParseRealOrZero(text, status);
  MyFunc::ParseIntOrZero(text);
  return 0;
}
