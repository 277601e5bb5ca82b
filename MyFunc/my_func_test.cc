#include "MyFunc/my_func.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using MyFunc::CopyWholeChars;
using MyFunc::IsBlankText;
using MyFunc::IsLeadByte;
using MyFunc::ParseIntOrZero;
using MyFunc::ParseRealOrZero;
using MyFunc::PointDistance;
using MyFunc::RealStatus;
using MyFunc::StripBlanks;
using std::string_literals::operator""s;

// ---------------------------------------------------------------------------
// ParseIntOrZero

TEST(ParseIntOrZero, Table) {
  struct Case {
    std::string text;
    int32_t expected;
  };
  const Case cases[] = {
      {"12", 12},
      {"  -7", -7},
      {"+3", 3},
      {"007", 7},
      {"0", 0},
      {"-0", 0},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      {"00000000000000000002147483647", 2147483647},
      // Departures read as 0.
      {"", 0},
      {"-", 0},
      {"+", 0},
      {"   ", 0},
      {"12 ", 0},
      {"1.0", 0},
      {"abc", 0},
      {"1a", 0},
      {"\t5", 0},
      {"- 5", 0},
      {"+-5", 0},
      {"--5", 0},
      {"2147483648", 0},
      {"-2147483649", 0},
      {"4294967296", 0},
      {"99999999999999999999999999999999", 0},
      {"1,000", 0},
      // Hexadecimal forms.
      {"$1F", 31},
      {"x1f", 31},
      {"X1F", 31},
      {"0x1F", 31},
      {"0X1f", 31},
      {"  -$10", -16},
      {"-$1", -1},
      {"+x7fffffff", 2147483647},
      {"$FFFFFFFF", -1},
      {"$80000000", std::numeric_limits<int32_t>::min()},
      {"-$80000000", std::numeric_limits<int32_t>::min()},
      {"-$FFFFFFFF", 1},
      {"$000000001", 1},
      {"0x00000000000FFFFFFFF", -1},
      {"$100000000", 0},  // nine significant digits
      {"$", 0},
      {"0x", 0},
      {"x", 0},
      {"$1G", 0},
      {"$ 1", 0},
      {"$-1", 0},
      {"00x1", 0},
      {"0$1", 0},
      {"$1F ", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, ParseIntOrZero(c.text)) << "text: \"" << c.text << "\"";
  }
}

TEST(ParseIntOrZero, DoesNotLookPastTheEndOfTheView) {
  // The view stops before the digits that follow in memory.
  const std::string buffer = "12345";
  EXPECT_EQ(12, ParseIntOrZero(std::string_view(buffer).substr(0, 2)));
  EXPECT_EQ(0, ParseIntOrZero(std::string_view(buffer).substr(0, 0)));
  const std::string hex = "0x1F";
  EXPECT_EQ(0, ParseIntOrZero(std::string_view(hex).substr(0, 2)));
}

// ---------------------------------------------------------------------------
// ParseRealOrZero

struct RealCase {
  std::string text;
  double expected;
  RealStatus status = RealStatus::kOk;
};

void ExpectSameDouble(double expected, double actual, const std::string& text) {
  EXPECT_EQ(expected, actual) << "text: \"" << text << "\"";
  EXPECT_EQ(std::signbit(expected), std::signbit(actual)) << "sign of zero, text: \"" << text << "\"";
}

TEST(ParseRealOrZero, Table) {
  const double denormMin = std::numeric_limits<double>::denorm_min();
  const RealCase cases[] = {
      {"1.5", 1.5},
      {"-.5", -0.5},
      {"2.", 2.0},
      {".5", 0.5},
      {"1e3", 1000.0},
      {"1E+3", 1000.0},
      {"1.5e-2", 0.015},
      {"5.e1", 50.0},
      {".5E1", 5.0},
      {"   42", 42.0},
      {"+7", 7.0},
      {"-0", -0.0},
      {"-0.000", -0.0},
      {".", 0.0},
      {"-.", -0.0},
      {"+.", 0.0},
      {"0e99999", 0.0},
      {"-0e99999999999999999999", -0.0},
      {".e5", 0.0},
      {"0.1", 0.1},
      {"123456789012345678901234567890", 123456789012345678901234567890.0},
      {"1.7976931348623157e308", std::numeric_limits<double>::max()},
      {"4.9406564584124654e-324", denormMin},
      {"2.2250738585072014e-308", std::numeric_limits<double>::min()},
      {"1e-310", 1e-310},
      // Departures read as 0.
      {"", 0.0},
      {"-", 0.0},
      {"+", 0.0},
      {"   ", 0.0},
      {"1,5", 0.0},
      {"1.5 ", 0.0},
      {"1e", 0.0},
      {"1e+", 0.0},
      {"1e-", 0.0},
      {"e3", 0.0},
      {"e3x", 0.0},
      {"1..5", 0.0},
      {"1.5.", 0.0},
      {"--1", 0.0},
      {"+-1", 0.0},
      {"- 1", 0.0},
      {"\t1", 0.0},
      {"1e3.5", 0.0},
      {"1e 3", 0.0},
      {"inf", 0.0},
      {"nan", 0.0},
      {"infinity", 0.0},
      {"0x1p3", 0.0},
      {"1d3", 0.0},
      {"1f", 0.0},
      // Beyond a double's range.
      {"1e309", 0.0, RealStatus::kOverflow},
      {"-1e309", 0.0, RealStatus::kOverflow},
      {"1.7976931348623159e308", 0.0, RealStatus::kOverflow},  // rounds to infinity
      {"1e99999999999", 0.0, RealStatus::kOverflow},
      {"1e99999999999999999999999999999999999999", 0.0, RealStatus::kOverflow},
      {"0.000000000000000000000000000001e339", 0.0, RealStatus::kOverflow},
      {"1e-400", 0.0},
      {"-1e-400", -0.0},
      {"2e-324", 0.0},  // below half the smallest subnormal
      {"1e-99999999999", 0.0},
      {"-1e-99999999999999999999999999999999999999", -0.0},
      {"100000000000000000000000000000000000000e-400", 0.0},
      {"0.00000000000000000000000000000000001e-300", 0.0},
  };
  for (const RealCase& c : cases) {
    RealStatus status = RealStatus::kOverflow;
    const double value = ParseRealOrZero(c.text, status);
    ExpectSameDouble(c.expected, value, c.text);
    EXPECT_EQ(c.status, status) << "text: \"" << c.text << "\"";
    // The short form folds an overflow into the plain 0.0 of unreadable text.
    ExpectSameDouble(c.expected, ParseRealOrZero(c.text), c.text);
  }
}

TEST(ParseRealOrZero, LongDigitStringsAreCorrectlyRounded) {
  // 0.1 written with many trailing zeros, and a halfway case decided by a digit far
  // beyond the seventeenth: 2^53 + 1 lies exactly between two doubles, so only the
  // final "1" makes it round up.
  const std::string zeros(5000, '0');
  ExpectSameDouble(0.1, ParseRealOrZero("0.1" + zeros), "0.1 followed by zeros");
  ExpectSameDouble(0.1, ParseRealOrZero("0." + zeros + "1e5000"), "0.0...01e5000");
  const std::string halfway = "9007199254740993";
  ExpectSameDouble(9007199254740992.0, ParseRealOrZero(halfway), halfway);
  ExpectSameDouble(9007199254740994.0, ParseRealOrZero(halfway + "." + zeros + "1"),
                   "halfway plus a tiny bit");
  ExpectSameDouble(9007199254740996.0, ParseRealOrZero("9007199254740995"), "ties to even");
}

// Up to 2^53 in the digits and a power of ten up to 22 either way take the exact short way;
// one step past any of these limits takes the general reader. Both must agree with it.
TEST(ParseRealOrZero, EdgesOfTheShortWayAgreeWithStrtod) {
  for (const char* text :
       {"9007199254740992", "9007199254740993", "-9007199254740993", "9007199254740992e22",
        "9007199254740992e-22", "1e22", "1e23", "1e-22", "1e-23", "0.0000000000000000000001",
        "0.00000000000000000000001", "1234567890123456789", "12345678901234567890",
        "1234567890123456789e-5", "900719925474099.3", "123.4567", "-0.0005", "4.35e21",
        "0.1e-21", "10000000000000000000000", "000000000000000000000000001.5"}) {
    ExpectSameDouble(std::strtod(text, nullptr), ParseRealOrZero(text), text);
  }
}

TEST(ParseRealOrZero, OverflowOrUnderflowFollowsTheFirstSignificantDigit) {
  // Out of range either way; only where the first non-zero digit sits relative to the
  // point, together with the exponent, tells which way.
  const std::string zeros(400, '0');
  const RealCase cases[] = {
      {"0." + zeros + "1e10", 0.0},                          // 1e-391
      {"-0." + zeros + "1e+70", -0.0},                       // -1e-331
      {"0." + zeros + "1e800", 0.0, RealStatus::kOverflow},  // 1e399
      {"1" + zeros + "e-50", 0.0, RealStatus::kOverflow},    // 1e350
      {zeros + "1" + zeros + "e-50", 0.0, RealStatus::kOverflow},
      {zeros + "1e-350", 0.0},  // leading zeros carry no weight
      {"1" + zeros + "e-800", 0.0},                          // 1e-400
      {"1" + zeros + "." + zeros + "e-800", 0.0},
      {"1" + zeros + "e-100", 1e300},                        // in range after all
      {"0." + zeros + "1e100", 1e-301},
  };
  for (const RealCase& c : cases) {
    RealStatus status = RealStatus::kOk;
    ExpectSameDouble(c.expected, ParseRealOrZero(c.text, status), c.text.substr(0, 12) + "...");
    EXPECT_EQ(c.status, status) << c.text.substr(0, 12) << "...";
  }
}

TEST(ParseRealOrZero, DoesNotLookPastTheEndOfTheView) {
  const std::string buffer = "1.5e3";
  ExpectSameDouble(1.5, ParseRealOrZero(std::string_view(buffer).substr(0, 3)), "1.5|e3");
  ExpectSameDouble(0.0, ParseRealOrZero(std::string_view(buffer).substr(0, 4)), "1.5e|3");
  ExpectSameDouble(0.0, ParseRealOrZero(std::string_view(buffer).substr(0, 0)), "|1.5e3");
}

// ---------------------------------------------------------------------------
// StripBlanks

TEST(StripBlanks, Table) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"ab cd", "abcd"},
      {"", ""},
      {" \t \x81\x40\r\n\x81\x40 ", ""},
      {"\x01\x1f\x7f", "\x7f"},  // DEL is not a control byte here
      {"\x83\x40", "\x83\x40"},  // second byte 0x40 of another character
      {"\x81\x41", "\x81\x41"},
      {"\x40", "\x40"},
      {"a\x81\x40" "b", "ab"},
      // 0x81 here is the second byte of 0x82 0x81, so the 0x40 after it is its own char.
      {"\x82\x81\x40", "\x82\x81\x40"},
      // A second byte that looks like a blank or control byte belongs to its character.
      {"\x82\x20", "\x82\x20"},
      {"\xE0\x0A", "\xE0\x0A"},
      // Lead-byte range edges: 0x80 and 0xFD lead, 0xA0-0xDF, 0xFE and 0xFF do not.
      {"\x80 ", "\x80 "},
      {"\xFD ", "\xFD "},
      {"\xA0 \xDF \xFE \xFF ", "\xA0\xDF\xFE\xFF"},
      // A lead byte in the last place stays.
      {" \x82", "\x82"},
      {"\x81", "\x81"},
      {"x\x00y"s, "xy"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, StripBlanks(c.text)) << "case expecting \"" << c.expected << "\"";
  }
}

TEST(StripBlanks, LeadByteAtTheEndOfTheViewIsNotPairedWithWhatFollowsInMemory) {
  // The view ends on 0x81; the 0x40 after it in memory must not make a full-width blank.
  const std::string buffer = "\x81\x40";
  EXPECT_EQ("\x81", StripBlanks(std::string_view(buffer).substr(0, 1)));
}

// ---------------------------------------------------------------------------
// CopyWholeChars

TEST(CopyWholeChars, Table) {
  struct Case {
    std::string text;
    int32_t start;
    int32_t maxLength;
    std::string expected;
  };
  const std::string sample = "a\x82\xA0" "b";  // 'a', one two-byte character, 'b'
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const Case cases[] = {
      {sample, 2, 2, "\x82\xA0"},
      {sample, 3, 2, "b"},  // the character that begins at 2 is not taken
      {sample, 2, 1, ""},
      {sample, 5, 1, ""},
      {sample, 1, 4, sample},
      {sample, 1, 2, "a"},
      {sample, 1, 3, "a\x82\xA0"},
      {sample, 4, 1, "b"},
      {sample, 1, kMax, sample},
      {sample, 4, kMax, "b"},
      {sample, kMax, kMax, ""},
      {sample, 0, 4, ""},
      {sample, -1, 4, ""},
      {sample, kMin, kMax, ""},
      {sample, 1, 0, ""},
      {sample, 1, -5, ""},
      {sample, 1, kMin, ""},
      {"", 1, 10, ""},
      // A lead byte in the last place is never taken alone, even when the range covers
      // the missing byte after it.
      {"ab\x82", 1, 3, "ab"},
      {"ab\x82", 1, 10, "ab"},
      {"ab\x82", 3, 10, ""},
      // Boundaries come from the first byte: the 0x82 at 2 is a second byte, so 0x82 0x41
      // at 2-3 is not a character; the 0x41 at 3 is one.
      {"\x82\x82\x41", 2, 2, "\x41"},
      {"\x82\x82\x41", 1, 2, "\x82\x82"},
  };
  for (const Case& c : cases) {
    const MyFunc::WholeChars got = CopyWholeChars(c.text, c.start, c.maxLength);
    EXPECT_EQ(c.expected, got.Text) << "start " << c.start << ", max " << c.maxLength;
    EXPECT_EQ(static_cast<int32_t>(c.expected.size()), got.Count)
        << "start " << c.start << ", max " << c.maxLength;
  }
}

TEST(CopyWholeChars, FullFieldOf255Bytes) {
  // 254 bytes of two-byte characters and a final 'z': copied unchanged.
  std::string whole;
  for (int i = 0; i < 127; ++i) whole += "\x88\xA0";
  whole += "z";
  ASSERT_EQ(255u, whole.size());
  MyFunc::WholeChars got = CopyWholeChars(whole, 1, 255);
  EXPECT_EQ(whole, got.Text);
  EXPECT_EQ(255, got.Count);

  // 'z' first, then two-byte characters: the 255th byte is a lead byte whose second
  // byte was cut off, so only the first 254 bytes come back.
  std::string cut = "zz";
  for (int i = 0; i < 127; ++i) cut += "\x88\xA0";
  cut.resize(255);
  got = CopyWholeChars(cut, 1, 255);
  EXPECT_EQ(cut.substr(0, 254), got.Text);
  EXPECT_EQ(254, got.Count);
}

// ---------------------------------------------------------------------------
// PointDistance

TEST(PointDistance, Table) {
  struct Case {
    double x1, y1, x2, y2;
    double expected;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0, 0, 3, 4, 5},
      {3, 4, 0, 0, 5},
      {-1, -1, 2, 3, 5},
      {1, 1, 1, 1, 0},
      {0, 0, 0, -7.5, 7.5},
      // Squares that leave a double's range in either direction.
      {0, 0, std::ldexp(3.0, 700), std::ldexp(4.0, 700), std::ldexp(5.0, 700)},
      {0, 0, std::ldexp(3.0, -700), std::ldexp(4.0, -700), std::ldexp(5.0, -700)},
      {-1.5e308, 0, 1.5e308, 0, inf},
      {0, 0, 1e308, 1e308, 1.4142135623730951e308},
      {0, 0, inf, 0, inf},
      // The difference itself exceeds a double but not an extended value.
      {-1e308, 0, 1e308, 0, inf},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, PointDistance(c.x1, c.y1, c.x2, c.y2))
        << "(" << c.x1 << ", " << c.y1 << ") - (" << c.x2 << ", " << c.y2 << ")";
  }
  EXPECT_TRUE(std::isnan(PointDistance(0, 0, std::nan(""), 0)));
}

// ---------------------------------------------------------------------------
// Pseudo-random inputs checked against invariants.

constexpr int kRounds = 4000;

/// Random bytes, biased towards the ones that matter to the functions under test.
std::string RandomText(std::mt19937& rng, const std::string& alphabet, size_t maxLength) {
  std::uniform_int_distribution<size_t> lengthDist(0, maxLength);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::string text(lengthDist(rng), '\0');
  for (char& c : text) c = alphabet[pick(rng)];
  return text;
}

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  // Weight the interesting bytes: blanks, the full-width blank's bytes, lead bytes.
  bytes += "    \x81\x81\x81\x40\x40\x40\t\x82\xE0\xFD\x80";
  return bytes;
}

/// Start offsets (from 0) of the characters of a text, plus its length at the end.
std::vector<size_t> CharBoundaries(std::string_view text) {
  std::vector<size_t> starts;
  size_t i = 0;
  while (i < text.size()) {
    starts.push_back(i);
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  starts.push_back(i);  // one past the text's end after a lone final lead byte
  return starts;
}

TEST(RandomInput, IsBlankTextIsAnEmptyStripBlanks) {
  std::mt19937 rng(27u);
  const std::string blankish = " \t\x01\r\x81\x40\x81\x40\x81\x40\x82";
  const std::string alphabet = AllBytes();
  for (int round = 0; round < kRounds; ++round) {
    // Mostly blanks, so that both answers come up often.
    const std::string text = RandomText(rng, round % 4 == 0 ? alphabet : blankish, 12);
    ASSERT_EQ(IsBlankText(text), StripBlanks(text).empty()) << "\"" << text << "\"";
  }
}

TEST(RandomInput, StripBlanksInvariants) {
  std::mt19937 rng(20240601u);
  const std::string alphabet = AllBytes();
  const std::string blanks[] = {" ", "\t", "\r\n", "\x81\x40", "\x01"};
  std::uniform_int_distribution<int> blankPick(0, 4);
  for (int round = 0; round < kRounds; ++round) {
    const std::string text = RandomText(rng, alphabet, 40);
    const std::string stripped = StripBlanks(text);
    ASSERT_LE(stripped.size(), text.size());

    // Walking the result finds no blank, control byte or full-width blank at any
    // character start.
    for (size_t i = 0; i < stripped.size();) {
      const unsigned char b = static_cast<unsigned char>(stripped[i]);
      if (IsLeadByte(b)) {
        ASSERT_FALSE(b == 0x81 && i + 1 < stripped.size() && stripped[i + 1] == '\x40');
        i += 2;
      } else {
        ASSERT_GT(b, 0x20);
        i += 1;
      }
    }
    ASSERT_EQ(stripped, StripBlanks(stripped));

    // Blanks inserted between characters (not after a final lone lead byte) make no
    // difference.
    std::string padded;
    const std::vector<size_t> bounds = CharBoundaries(text);
    for (size_t k = 0; k + 1 < bounds.size(); ++k) {
      if (rng() % 3 == 0) padded += blanks[blankPick(rng)];
      padded.append(text, bounds[k], bounds[k + 1] - bounds[k]);
    }
    ASSERT_EQ(stripped, StripBlanks(padded));
  }
}

TEST(RandomInput, CopyWholeCharsInvariants) {
  std::mt19937 rng(77u);
  const std::string alphabet = AllBytes();
  std::uniform_int_distribution<int32_t> smallInt(-3, 45);
  std::uniform_int_distribution<int32_t> anyInt(std::numeric_limits<int32_t>::min(),
                                                std::numeric_limits<int32_t>::max());
  for (int round = 0; round < kRounds; ++round) {
    const std::string text = RandomText(rng, alphabet, 40);
    const int32_t start = rng() % 8 == 0 ? anyInt(rng) : smallInt(rng);
    const int32_t maxLength = rng() % 8 == 0 ? anyInt(rng) : smallInt(rng);
    const MyFunc::WholeChars got = CopyWholeChars(text, start, maxLength);

    ASSERT_EQ(static_cast<int32_t>(got.Text.size()), got.Count);
    ASSERT_LE(got.Count, std::max(maxLength, 0));
    if (got.Count == 0) continue;

    // The result is a run of whole characters of the text: it begins at a character
    // start at or after `start` and ends at a character end inside the range and the text.
    const std::vector<size_t> bounds = CharBoundaries(text);
    const int64_t rangeFirst = static_cast<int64_t>(start) - 1;  // offsets from 0
    const int64_t rangeEnd = rangeFirst + maxLength;              // one past the range
    bool found = false;
    for (size_t k = 0; k + 1 < bounds.size() && !found; ++k) {
      const size_t from = bounds[k];
      if (static_cast<int64_t>(from) < rangeFirst) continue;
      if (text.compare(from, got.Text.size(), got.Text) != 0) continue;
      const size_t to = from + got.Text.size();
      const bool endsOnBoundary =
          std::find(bounds.begin(), bounds.end(), to) != bounds.end() && to <= text.size();
      if (endsOnBoundary && static_cast<int64_t>(to) <= rangeEnd) {
        // Nothing more fits: the character before (if any) starts before the range, and
        // the one after (if any) ends past it or past the text.
        const bool prevOutside = k == 0 || static_cast<int64_t>(bounds[k - 1]) < rangeFirst;
        const auto next = std::find(bounds.begin(), bounds.end(), to);
        const bool nextOutside = next + 1 == bounds.end() ||
                                 static_cast<int64_t>(*(next + 1)) > rangeEnd ||
                                 *(next + 1) > text.size();
        found = prevOutside && nextOutside;
      }
    }
    ASSERT_TRUE(found) << "start " << start << ", max " << maxLength << ", got "
                       << got.Count << " bytes";
  }
}

TEST(RandomInput, ParseIntOrZeroRoundTrips) {
  std::mt19937 rng(5u);
  std::uniform_int_distribution<int32_t> anyInt(std::numeric_limits<int32_t>::min(),
                                                std::numeric_limits<int32_t>::max());
  const std::string hexPrefixes[] = {"$", "x", "X", "0x", "0X"};
  for (int round = 0; round < kRounds; ++round) {
    const int32_t value = anyInt(rng);
    const std::string spaces(rng() % 3, ' ');
    const std::string zeros(rng() % 4, '0');

    // Decimal, with leading spaces, an explicit "+" and leading zeros.
    std::string decimal = std::to_string(value);
    if (value >= 0 && rng() % 2 == 0) decimal = "+" + zeros + decimal;
    else if (value < 0) decimal = "-" + zeros + decimal.substr(1);
    ASSERT_EQ(value, ParseIntOrZero(spaces + decimal)) << decimal;

    // Hexadecimal of the 32-bit pattern, mixed case, any prefix.
    char digits[9] = {};
    const auto [end, ec] =
        std::to_chars(digits, digits + 8, static_cast<uint32_t>(value), 16);
    ASSERT_EQ(std::errc(), ec);
    std::string hex(digits, end);
    if (rng() % 2 == 0) {
      for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const std::string& prefix = hexPrefixes[rng() % 5];
    ASSERT_EQ(value, ParseIntOrZero(spaces + prefix + zeros + hex)) << prefix << hex;
    // A "-" negates the pattern (wrapping at the most negative value).
    ASSERT_EQ(static_cast<int32_t>(0u - static_cast<uint32_t>(value)),
              ParseIntOrZero("-" + prefix + hex))
        << prefix << hex;

    // Any trailing byte that is not a digit spoils the number.
    ASSERT_EQ(0, ParseIntOrZero(decimal + static_cast<char>("x. \t,-+"[rng() % 7])));
    // So does one more decimal digit when the value needs all ten, and one more
    // significant hex digit always.
    if (decimal.size() >= 10 && (value > 214748364 || value < -214748364)) {
      ASSERT_EQ(0, ParseIntOrZero(decimal + "9")) << decimal;
    }
    ASSERT_EQ(0, ParseIntOrZero(prefix + "1" + std::string(8 - hex.size(), '0') + hex));
  }
}

TEST(RandomInput, ParseRealOrZeroRoundTripsShortestForms) {
  std::mt19937_64 rng(11u);
  for (int round = 0; round < kRounds; ++round) {
    // Any finite double, from its bit pattern.
    uint64_t bits = rng();
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    char buffer[64];
    const auto fmt = round % 2 == 0 ? std::chars_format::general : std::chars_format::scientific;
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, fmt);
    ASSERT_EQ(std::errc(), ec);
    const std::string text(buffer, end);
    RealStatus status = RealStatus::kOverflow;
    const double parsed = ParseRealOrZero(text, status);
    ASSERT_EQ(RealStatus::kOk, status) << text;
    ASSERT_EQ(0, std::memcmp(&value, &parsed, sizeof value)) << text;
  }
}

TEST(RandomInput, ParseRealOrZeroAgreesWithStrtod) {
  // Short texts over the number's own bytes: wherever the C library's reader (in the
  // "C" locale of a test process) takes the whole text, the values agree; wherever it
  // stops early, the text is not a number and reads as 0.
  std::mt19937 rng(3u);
  const std::string alphabet = "0123456789012345678900.eE+- ";
  int numbers = 0;
  for (int round = 0; round < kRounds * 2; ++round) {
    const std::string text = RandomText(rng, alphabet, 12);
    RealStatus status = RealStatus::kOverflow;
    const double parsed = ParseRealOrZero(text, status);

    char* stop = nullptr;
    errno = 0;
    const double reference = std::strtod(text.c_str(), &stop);
    const bool whole = !text.empty() && stop == text.c_str() + text.size();
    if (!whole) {
      ASSERT_EQ(0.0, parsed) << "\"" << text << "\"";
      ASSERT_EQ(RealStatus::kOk, status) << "\"" << text << "\"";
      continue;
    }
    ++numbers;
    if (std::isinf(reference)) {
      ASSERT_EQ(RealStatus::kOverflow, status) << "\"" << text << "\"";
      ASSERT_EQ(0.0, parsed) << "\"" << text << "\"";
    } else {
      ASSERT_EQ(RealStatus::kOk, status) << "\"" << text << "\"";
      ASSERT_EQ(reference, parsed) << "\"" << text << "\"";
      ASSERT_EQ(std::signbit(reference), std::signbit(parsed)) << "\"" << text << "\"";
    }
  }
  EXPECT_GT(numbers, 100);  // the alphabet must actually produce numbers
}

TEST(RandomInput, ParsersSurviveArbitraryBytes) {
  // Arbitrary bytes are almost never numbers; whatever they are, the short form of the
  // real reader never hands out an overflow and an integer text never reads as a real
  // with a different value.
  std::mt19937 rng(99u);
  const std::string alphabet = AllBytes() + "0123456789$xX+-.eE";
  for (int round = 0; round < kRounds; ++round) {
    const std::string text = RandomText(rng, alphabet, 24);
    const int32_t asInt = ParseIntOrZero(text);
    RealStatus status = RealStatus::kOk;
    const double asReal = ParseRealOrZero(text, status);
    ASSERT_TRUE(std::isfinite(asReal));
    if (status == RealStatus::kOverflow) {
      ASSERT_EQ(0.0, asReal);
    }
    ASSERT_EQ(status == RealStatus::kOk ? asReal : 0.0, ParseRealOrZero(text));
    // A decimal integer is also a real of the same value.
    if (asInt != 0 && text.find_first_of("$xX") == std::string::npos) {
      ASSERT_EQ(static_cast<double>(asInt), asReal) << "\"" << text << "\"";
    }
  }
}

// Folder names on Windows may hold UTF-16 that is not valid (a surrogate without its
// pair); a message naming them must still be made.
TEST(Utf16ToUtf8Lossy, ConvertsAndReplacesUnpairedSurrogates) {
  const struct {
    std::u16string in;
    std::string out;
  } cases[] = {
      {u"a", "a"},
      {u"\u65E5\u672C", "\xE6\x97\xA5\xE6\x9C\xAC"},
      {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},  // a pair: one character
      {u"\xD800" u"a", "\xEF\xBF\xBD" "a"},
      {u"a\xDC00", "a\xEF\xBF\xBD"},
      {u"\xDC00\xD800", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // the wrong order is no pair
  };
  for (const auto& c : cases) EXPECT_EQ(MyFunc::Utf16ToUtf8Lossy(c.in), c.out);
}

}  // namespace
