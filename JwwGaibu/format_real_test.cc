#include "JwwGaibu/format_real.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <string>

#include "tests/param_name.h"

namespace JwwGaibu {
namespace {

struct FormatCase {
  double value;
  const char* text;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  char value[32];
  std::snprintf(value, sizeof value, "%.17g", c.value);
  *os << value << " -> \"" << c.text << '"';
}

// Named by position and expected text: some cases are the same double written differently.
std::string FormatCaseName(const testing::TestParamInfo<FormatCase>& info) {
  return std::to_string(info.index) + "_" + rq27test::ParamName(info.param.text);
}

class FormatRealTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatRealTest, WritesTheCommandFileForm) {
  EXPECT_EQ(FormatReal(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FormatRealTest,
    testing::Values(FormatCase{0.5, "0.5"}, FormatCase{100, "100"}, FormatCase{-1189, "-1189"},
                    FormatCase{1.0 / 3.0, "0.333333333333333"},
                    FormatCase{2.0 / 3.0, "0.666666666666667"}, FormatCase{0.1 + 0.2, "0.3"},
                    FormatCase{0.0001, "0.0001"}, FormatCase{0.00001, "1E-5"},
                    FormatCase{0.000012345, "1.2345E-5"},
                    FormatCase{999999999999999.0, "999999999999999"},
                    FormatCase{1e15, "1E15"},
                    FormatCase{1234567890123456.0, "1.23456789012346E15"}),
    FormatCaseName);

INSTANTIATE_TEST_SUITE_P(
    Edges, FormatRealTest,
    testing::Values(
        FormatCase{0.0, "0"}, FormatCase{-0.0, "0"}, FormatCase{1, "1"}, FormatCase{-2.5, "-2.5"},
        FormatCase{10, "10"}, FormatCase{123456789012345.0, "123456789012345"},
        FormatCase{100000000000000.0, "100000000000000"},
        // Sixteen nines: the carry runs through all fifteen kept digits.
        FormatCase{9999999999999999.0, "1E16"}, FormatCase{0.99999999999999999, "1"},
        FormatCase{0.9999999999999999, "1"}, FormatCase{-0.9999999999999999, "-1"},
        FormatCase{0.001, "0.001"}, FormatCase{0.00123, "0.00123"},
        FormatCase{-0.000999, "-0.000999"}, FormatCase{0.0000999, "9.99E-5"}, FormatCase{1e16, "1E16"}, FormatCase{1.5e300, "1.5E300"},
        FormatCase{2e-8, "2E-8"}, FormatCase{-1.25e-100, "-1.25E-100"},
        // Subnormals: fewer bits than the shortest form suggests.
        FormatCase{5e-324, "4.94065645841247E-324"}, FormatCase{1e-320, "9.99988867182683E-321"},
        FormatCase{std::numeric_limits<double>::max(), "1.79769313486231E308"},  // cut
        FormatCase{1.41421356, "1.41421356"}, FormatCase{1234.5678, "1234.5678"},
        // Halfway on the 16th digit: the 18 leading digits decide, then half up.
        FormatCase{0.1000000000000005, "0.100000000000001"},
        FormatCase{1.000000000000005, "1.00000000000001"},
        FormatCase{2.000000000000005, "2"},  // the double is 2.00000000000000488...
        FormatCase{std::numeric_limits<double>::infinity(), "INF"},
        FormatCase{-std::numeric_limits<double>::infinity(), "-INF"},
        FormatCase{std::numeric_limits<double>::quiet_NaN(), "NAN"},
        FormatCase{-std::numeric_limits<double>::quiet_NaN(), "NAN"}),
    FormatCaseName);

// An independent reference: 18 digits from printf, rounded to 15 in integer arithmetic.
std::string ReferenceFormat(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17e", std::fabs(value));
  uint64_t digits18 = 0;
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') digits18 = digits18 * 10 + static_cast<uint64_t>(*p - '0');
  }
  int exponent = std::atoi(p + 1) + 1;
  uint64_t digits15 = (digits18 + 500) / 1000;
  if (digits15 == 1000000000000000ULL) {
    digits15 /= 10;
    ++exponent;
  }
  std::string d = std::to_string(digits15);
  while (d.size() > 1 && d.back() == '0') d.pop_back();
  std::string out = value < 0 ? "-" : "";
  if (exponent >= -3 && exponent <= 15) {
    if (exponent <= 0) {
      out.append("0.").append(-exponent, '0').append(d);
    } else if (static_cast<int>(d.size()) <= exponent) {
      out.append(d).append(exponent - d.size(), '0');
    } else {
      out.append(d, 0, exponent).append(".").append(d, exponent);
    }
    return out;
  }
  out.append(d, 0, 1);
  if (d.size() > 1) out.append(".").append(d, 1);
  return out.append("E").append(std::to_string(exponent - 1));
}

// Halves up would carry the largest doubles past the range of a double, and the command
// file could not be read back; their digits are cut instead.
TEST(FormatReal, NeverRoundsPastTheLargestDouble) {
  const double largest = std::numeric_limits<double>::max();
  const double belowCut = 1.797693134862314e308;  // rounds by the usual rule
  for (double v : {largest, std::nextafter(largest, 0.0), 1.797693134862315e308}) {
    EXPECT_EQ(FormatReal(v), "1.79769313486231E308");
    EXPECT_EQ(FormatReal(-v), "-1.79769313486231E308");
  }
  EXPECT_EQ(FormatReal(belowCut), "1.79769313486231E308");
  EXPECT_EQ(FormatReal(1.7976931348623e308), "1.7976931348623E308");
  EXPECT_LE(std::strtod(FormatReal(largest).c_str(), nullptr), largest);
}

TEST(FormatReal, AgreesWithTheReferenceOnRandomBitPatterns) {
  std::mt19937_64 random(20240611);
  for (int i = 0; i < 200000; ++i) {
    uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    ASSERT_EQ(FormatReal(value), ReferenceFormat(value)) << std::hexfloat << value;
  }
}

// Values with short decimal forms take the shortest-form path; values whose 16th digit is
// a 5 (with or without a tail) sit on the rounding boundary and take the 18-digit path.
TEST(FormatReal, AgreesWithTheReferenceOnShortAndHalfwayDecimals) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<int> exponentOf(-30, 30);
  std::uniform_int_distribution<int> lengthOf(1, 15);
  for (int i = 0; i < 200000; ++i) {
    const int length = lengthOf(random);
    std::string mantissa = std::to_string(random() % 1000000000000000ULL + 1);
    mantissa.resize(length, '7');
    if (i % 2 == 1) {
      mantissa.resize(15, '3');
      mantissa += "5";
      if (i % 4 == 3) mantissa += std::to_string(random() % 100);
    }
    const std::string text =
        (i % 3 == 0 ? "-0." : "0.") + mantissa + "e" + std::to_string(exponentOf(random));
    const double value = std::strtod(text.c_str(), nullptr);
    ASSERT_EQ(FormatReal(value), ReferenceFormat(value)) << text;
  }
}

// Drawing coordinates: short decimals (found by scaling to fifteen digits) and their
// neighbouring doubles, which need sixteen or more digits to read back.
TEST(FormatReal, AgreesWithTheReferenceOnCoordinatesAndTheirNeighbours) {
  std::mt19937_64 random(1189);
  for (int i = 0; i < 200000; ++i) {
    const int decimals = static_cast<int>(random() % 9);
    const uint64_t scaled = random() % (uint64_t{1} << (1 + random() % 50));
    const double value = static_cast<double>(scaled) / std::pow(10.0, decimals);
    for (double v : {value, std::nextafter(value, 0.0), std::nextafter(value, 1e300)}) {
      ASSERT_EQ(FormatReal(v), ReferenceFormat(v)) << std::hexfloat << v;
      ASSERT_EQ(FormatReal(-v), ReferenceFormat(-v)) << std::hexfloat << v;
    }
  }
}

TEST(FormatReal, WritesNeighboursOfPowersOfTenLikeTheReference) {
  for (int e = -20; e <= 20; ++e) {
    double value = std::pow(10.0, e);
    for (int step = 0; step < 40; ++step) {
      ASSERT_EQ(FormatReal(value), ReferenceFormat(value)) << std::hexfloat << value;
      ASSERT_EQ(FormatReal(-value), ReferenceFormat(-value));
      value = std::nextafter(value, 0.0);
    }
  }
}

TEST(FormatReal, DecimalMarkIgnoresTheLocale) {
  bool commaLocale = false;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de-DE", "German_Germany.1252"}) {
    char probe[8];
    if (std::setlocale(LC_NUMERIC, name) != nullptr &&
        std::snprintf(probe, sizeof probe, "%.1f", 2.5) > 0 && std::string(probe) == "2,5") {
      commaLocale = true;
      break;
    }
  }
  if (!commaLocale) {
    std::setlocale(LC_NUMERIC, "C");
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  const std::string text = FormatReal(2.5);
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(text, "2.5");
}

}  // namespace
}  // namespace JwwGaibu
