#include "MyFunc/my_func.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>

namespace MyFunc {

namespace {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

/// Value of a hexadecimal digit, or -1 for any other byte.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/// Index of the first byte that is not a half-width space (tabs are not skipped).
size_t SkipSpaces(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return i;
}

/// Reads "hex digits to the end of the text" as a 32-bit pattern. Leading zeros do
/// not count towards the eight significant digits.
bool ReadHex(std::string_view digits, uint32_t& pattern) {
  if (digits.empty()) return false;
  uint32_t value = 0;
  int significant = 0;
  for (char c : digits) {
    const int d = HexDigitValue(c);
    if (d < 0) return false;
    if (significant > 0 || d != 0) ++significant;
    if (significant > 8) return false;
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  pattern = value;
  return true;
}

/// Reads "decimal digits to the end of the text" as a magnitude of at most 2^31.
bool ReadDecimal(std::string_view digits, uint32_t& magnitude) {
  constexpr uint32_t kLimit = 2147483648u;  // the magnitude of the most negative value
  if (digits.empty()) return false;
  uint32_t value = 0;
  for (char c : digits) {
    if (!IsDigit(c)) return false;
    const uint32_t d = static_cast<uint32_t>(c - '0');
    if (value > (kLimit - d) / 10) return false;  // value * 10 + d would pass the limit
    value = value * 10 + d;
  }
  magnitude = value;
  return true;
}

/// Exponent magnitudes are clamped here while they are summed: any exponent this large
/// already puts a non-zero value far outside a double's range, in either direction.
constexpr int64_t kExponentClamp = int64_t{1} << 40;

/// Significant digits of a real gathered into an integer: 19 always fit in 64 bits.
constexpr int kMaxGathered = 19;

}  // namespace

int32_t ParseIntOrZero(std::string_view text) {
  size_t i = SkipSpaces(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::string_view rest = text.substr(i);
  if (rest.empty()) return 0;

  if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X' ||
      (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X'))) {
    const size_t prefix = rest[0] == '0' ? 2 : 1;
    uint32_t pattern = 0;
    if (!ReadHex(rest.substr(prefix), pattern)) return 0;
    // The pattern is a two's-complement value; negating in unsigned arithmetic keeps
    // "-$80000000" well defined.
    if (negative) pattern = 0u - pattern;
    return static_cast<int32_t>(pattern);
  }

  uint32_t magnitude = 0;
  if (!ReadDecimal(rest, magnitude)) return 0;
  if (negative) return static_cast<int32_t>(0u - magnitude);
  if (magnitude > 2147483647u) return 0;
  return static_cast<int32_t>(magnitude);
}

double ParseRealOrZero(std::string_view text, RealStatus& status) {
  status = RealStatus::kOk;
  // The form of nearly every field takes the short way.
  {
    const char* const end = text.data() + text.size();
    double value = 0;
    const char* stop = ReadPlainDecimal(text.data(), end, value);
    if (stop != nullptr && stop == end) return value;
  }
  size_t i = SkipSpaces(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t numberStart = i;
  const size_t n = text.size();

  // Mantissa: digits, optionally "." and more digits; digits may be missing on either
  // side of the point. Remember where the first non-zero digit sits relative to the
  // point: a value whose first significant digit has weight 10^k has its magnitude in
  // [10^k, 10^(k+1)).
  // The digits from the first non-zero one on are also gathered as an integer while they
  // fit, for the exact short way below.
  size_t intDigits = 0;
  bool sawPoint = false;
  bool sawNonZero = false;
  int64_t leadWeight = 0;  // k above, valid once sawNonZero
  size_t firstNonZeroInt = 0;
  uint64_t mantissa = 0;
  int significant = 0;  // digits gathered into mantissa, or more than kMaxGathered
  const auto gather = [&](char c) {
    if (significant < kMaxGathered) mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
    ++significant;
  };
  while (i < n && IsDigit(text[i])) {
    if (!sawNonZero && text[i] != '0') {
      sawNonZero = true;
      firstNonZeroInt = intDigits;
    }
    if (sawNonZero) gather(text[i]);
    ++intDigits;
    ++i;
  }
  if (sawNonZero) leadWeight = static_cast<int64_t>(intDigits - firstNonZeroInt) - 1;
  size_t fracDigits = 0;
  if (i < n && text[i] == '.') {
    sawPoint = true;
    ++i;
    while (i < n && IsDigit(text[i])) {
      ++fracDigits;
      if (!sawNonZero && text[i] != '0') {
        sawNonZero = true;
        leadWeight = -static_cast<int64_t>(fracDigits);
      }
      if (sawNonZero) gather(text[i]);
      ++i;
    }
  }
  if (intDigits == 0 && fracDigits == 0 && !sawPoint) return 0.0;  // no mantissa at all

  int64_t exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      expNegative = text[i] == '-';
      ++i;
    }
    if (i >= n || !IsDigit(text[i])) return 0.0;
    while (i < n && IsDigit(text[i])) {
      if (exponent < kExponentClamp) exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (expNegative) exponent = -exponent;
  }
  if (i != n) return 0.0;  // anything after the number spoils it

  const double zero = negative ? -0.0 : 0.0;
  // All-zero mantissas (the lone point included) are zero whatever the exponent.
  if (!sawNonZero) return zero;

  // The short way: up to 2^53 digits and a power of ten from 10^-22 to 10^22 are both
  // exact doubles, so one multiplication or division rounds correctly, as reading the
  // decimal text would.
  const int64_t decimalExponent = exponent - static_cast<int64_t>(fracDigits);
  if (significant <= kMaxGathered && mantissa <= (uint64_t{1} << 53) &&
      decimalExponent >= -22 && decimalExponent <= 22) {
    const double m = static_cast<double>(mantissa);
    const double magnitude = decimalExponent < 0 ? m / kExactPowersOfTen[-decimalExponent]
                                                 : m * kExactPowersOfTen[decimalExponent];
    return negative ? -magnitude : magnitude;
  }

  double magnitude = 0.0;
  const char* first = text.data() + numberStart;
  const char* last = text.data() + n;
  const auto [ptr, ec] = std::from_chars(first, last, magnitude, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // leadWeight is bounded by the text length and the exponent by the clamp, so the
    // sum cannot overflow.
    if (leadWeight + exponent >= 0) {
      status = RealStatus::kOverflow;
      return 0.0;
    }
    return zero;  // too small even for a subnormal
  }
  if (ec != std::errc() || ptr != last) return 0.0;  // cannot happen after the checks above
  return negative ? -magnitude : magnitude;
}

double ParseRealOrZero(std::string_view text) {
  RealStatus status = RealStatus::kOk;
  const double value = ParseRealOrZero(text, status);
  return status == RealStatus::kOk ? value : 0.0;
}

std::string StripBlanks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b)) {
      if (i + 1 >= text.size()) {  // a lead byte without its second byte stays
        result.push_back(text[i]);
        break;
      }
      const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
      if (!(b == 0x81 && trail == 0x40)) result.append(text.substr(i, 2));
      i += 2;
    } else {
      if (b > 0x20) result.push_back(text[i]);
      ++i;
    }
  }
  return result;
}

bool IsBlankText(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b)) {
      if (i + 1 >= text.size()) return false;  // StripBlanks keeps a lone lead byte
      if (!(b == 0x81 && static_cast<unsigned char>(text[i + 1]) == 0x40)) return false;
      i += 2;
    } else {
      if (b > 0x20) return false;
      ++i;
    }
  }
  return true;
}

WholeChars CopyWholeChars(std::string_view text, int32_t start, int32_t maxLength) {
  WholeChars result;
  if (text.empty() || start < 1 || maxLength <= 0) return result;
  const uint64_t length = text.size();
  const uint64_t first = static_cast<uint64_t>(start);  // positions from 1
  if (first > length) return result;
  uint64_t last = first + static_cast<uint64_t>(maxLength) - 1;
  if (last > length) last = length;  // a missing byte is never inside the text

  // Walk from the first byte so that the character boundaries are the real ones, and
  // stop once nothing further can lie inside the range.
  uint64_t pos = 1;
  while (pos <= last) {
    const unsigned char b = static_cast<unsigned char>(text[pos - 1]);
    const uint64_t width = IsLeadByte(b) ? 2 : 1;
    // A lead byte in the last place has no second byte: taking it would hand out half
    // a character, so it is left out like any character that ends past the range.
    if (pos >= first && pos + width - 1 <= last) {
      result.Text.append(text.substr(pos - 1, width));
    }
    pos += width;
  }
  result.Count = static_cast<int32_t>(result.Text.size());
  return result;
}

double PointDistance(double x1, double y1, double x2, double y2) {
  const long double dx = static_cast<long double>(x2) - static_cast<long double>(x1);
  const long double dy = static_cast<long double>(y2) - static_cast<long double>(y1);
  return static_cast<double>(std::sqrt(dx * dx + dy * dy));
}

namespace {
void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}
}  // namespace

std::string Utf16ToUtf8Lossy(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const auto& native = path.native();
  if constexpr (sizeof(native[0]) == 2) {
    const std::u16string units(native.begin(), native.end());
    return Utf16ToUtf8Lossy(units);
  } else {
    return std::string(native.begin(), native.end());
  }
}

}  // namespace MyFunc
