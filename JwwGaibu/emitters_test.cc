#include "JwwGaibu/emitters.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/param_name.h"

namespace JwwGaibu {
namespace {

using Lines = std::vector<std::string>;

/// A state as right after loading a file without attribute records.
struct Fresh {
  TJwwState s;
  Fresh() { ResetCurrentAttributes(s); }

  /// The output lines, removed from the state so that each step can be checked alone.
  Lines Take() {
    Lines lines;
    for (std::string_view line : s.Output.HeldLines()) lines.emplace_back(line);
    EXPECT_EQ(static_cast<int32_t>(lines.size()), s.Output.Count());
    s.Output.Clear();
    return lines;
  }
};

const std::string kMsGothic(kDefaultFontName);

// --- Change tracking ----------------------------------------------------------------------

TEST(EmitGroup, FirstCallAppendsEvenTheCurrentValue) {
  Fresh f;
  EmitGroup(f.s, 0);
  EmitGroup(f.s, 0);
  EXPECT_EQ(f.Take(), (Lines{"lg0"}));
}

TEST(EmitGroup, NewGroupSendsTheLayerAgain) {
  Fresh f;
  EmitGroup(f.s, 3);
  EmitLayer(f.s, 2);
  EmitGroup(f.s, 3);
  EmitLayer(f.s, 2);
  EXPECT_EQ(f.Take(), (Lines{"lg3", "ly2"}));
  EmitGroup(f.s, 4);
  EmitLayer(f.s, 2);
  EXPECT_EQ(f.Take(), (Lines{"lg4", "ly2"}));
}

struct HexCase {
  int32_t value;
  const char* line;
};

void PrintTo(const HexCase& c, std::ostream* os) { *os << c.value << " -> " << c.line; }

class GroupHexTest : public testing::TestWithParam<HexCase> {};

TEST_P(GroupHexTest, UpperCaseMinimalDigits) {
  Fresh f;
  EmitGroup(f.s, GetParam().value);
  EmitLayer(f.s, GetParam().value);
  EXPECT_EQ(f.Take(), (Lines{std::string("lg") + GetParam().line, std::string("ly") + GetParam().line}));
}

INSTANTIATE_TEST_SUITE_P(Values, GroupHexTest,
                         testing::Values(HexCase{0, "0"}, HexCase{9, "9"}, HexCase{10, "A"},
                                         HexCase{15, "F"}, HexCase{16, "10"},
                                         HexCase{255, "FF"}, HexCase{0x7FFFFFFF, "7FFFFFFF"},
                                         HexCase{-1, "FFFFFFFF"},
                                         HexCase{-16, "FFFFFFF0"},
                                         HexCase{INT32_MIN, "80000000"}),
                         [](const testing::TestParamInfo<HexCase>& info) {
                           return "Value" + rq27test::ParamName(std::to_string(info.param.value));
                         });

/// Each tracked attribute emitter: the line for a value, and no line when repeated.
struct TrackedCase {
  const char* name;
  std::function<void(TJwwState&, int32_t)> emit;
  int32_t value;
  const char* line;
};

void PrintTo(const TrackedCase& c, std::ostream* os) { *os << c.name; }

class TrackedTest : public testing::TestWithParam<TrackedCase> {};

TEST_P(TrackedTest, AppendsOnFirstUseAndOnChangeOnly) {
  Fresh f;
  f.s.LineWidthSeen = true;
  const TrackedCase& c = GetParam();
  c.emit(f.s, c.value);
  c.emit(f.s, c.value);
  EXPECT_EQ(f.Take(), (Lines{c.line}));
}

INSTANTIATE_TEST_SUITE_P(
    Emitters, TrackedTest,
    testing::Values(TrackedCase{"Colour", EmitColour, 1, "lc1"},
                    TrackedCase{"ColourNegative", EmitColour, -5, "lc-5"},
                    TrackedCase{"LineType", EmitLineType, 1, "lt1"},
                    TrackedCase{"LineTypeLarge", EmitLineType, 123456, "lt123456"},
                    TrackedCase{"LineWidth", EmitLineWidth, 0, "lw0"},
                    TrackedCase{"LineWidthMax", EmitLineWidth, 30000, "lw30000"},
                    TrackedCase{"LineWidthTooLarge", EmitLineWidth, 30001, "lw0"},
                    TrackedCase{"LineWidthNegative", EmitLineWidth, -2, "lw0"},
                    TrackedCase{"Cc", EmitCc, 8, "cc8"},
                    TrackedCase{"CcTooLarge", EmitCc, 9, "cc0"},
                    TrackedCase{"CcNegative", EmitCc, -1, "cc0"},
                    TrackedCase{"PointType", EmitPointType, 1, "pn1"},
                    TrackedCase{"PointTypeAnyValue", EmitPointType, 99, "pn99"},
                    TrackedCase{"ExtColour", EmitExtColour, 0, "lc10 0"},
                    TrackedCase{"ExtColourMax", EmitExtColour, 0xFFFFFF, "lc10 16777215"},
                    TrackedCase{"ExtColourTooLarge", EmitExtColour, 0x1000000, "lc10 0"},
                    TrackedCase{"ExtColourNegative", EmitExtColour, -1, "lc10 0"}),
    [](const testing::TestParamInfo<TrackedCase>& info) { return info.param.name; });

TEST(EmitCc, NormalisedValueCountsAsUnchanged) {
  Fresh f;
  EmitCc(f.s, 0);
  EmitCc(f.s, 9);  // becomes 0, as already sent
  EmitCc(f.s, 3);
  EXPECT_EQ(f.Take(), (Lines{"cc0", "cc3"}));
}

TEST(EmitLineWidth, NothingWhenTheInputSetNoWidth) {
  Fresh f;
  for (int32_t width : {0, 1, -1, 50, 40000}) EmitLineWidth(f.s, width);
  EXPECT_EQ(f.Take(), Lines{});
  EXPECT_TRUE(f.s.AttrFirst[kFirstLineWidth]);
}

TEST(EmitLineWidth, MinusOneTakesTheFirstSeenWidth) {
  Fresh f;
  f.s.LineWidthSeen = true;
  f.s.FirstLineWidth = 7;
  EmitLineWidth(f.s, -1);
  EmitLineWidth(f.s, 7);
  f.s.FirstLineWidth = 40000;  // out of range even as the first-seen width
  EmitLineWidth(f.s, -1);
  EXPECT_EQ(f.Take(), (Lines{"lw7", "lw0"}));
}

TEST(EmitColour, ExtendedColourAndPlainColourAlternate) {
  Fresh f;
  EmitColour(f.s, 5);
  EmitExtColour(f.s, 255);
  EmitExtColour(f.s, 255);
  EmitColour(f.s, 5);
  EXPECT_EQ(f.Take(), (Lines{"lc5", "lc10 255", "lc5"}));
  EmitExtColour(f.s, 255);  // a plain colour came between: sent again
  EmitExtColour(f.s, 256);
  EmitColour(f.s, 10);  // the extended colour is current: nothing
  EXPECT_EQ(f.Take(), (Lines{"lc10 255", "lc10 256"}));
}

TEST(EmitColour, TenCountsAsTheExtendedColourSent) {
  Fresh f;
  EmitColour(f.s, 10);
  EmitExtColour(f.s, 0);
  EXPECT_EQ(f.Take(), (Lines{"lc10"}));
  EmitExtColour(f.s, 1);
  EXPECT_EQ(f.Take(), (Lines{"lc10 1"}));
}

TEST(EmitExtColour, FirstCallAppendsEvenAfterColourTen) {
  Fresh f;
  f.s.CurColour = 10;  // as the reader may leave it; the reset does not count it as sent
  f.s.AttrFirst[kFirstColour] = false;
  EmitExtColour(f.s, 0);
  EXPECT_EQ(f.Take(), (Lines{"lc10 0"}));
  EmitColour(f.s, 10);
  EXPECT_EQ(f.Take(), Lines{});
}

// --- Text type ----------------------------------------------------------------------------

TEST(EmitTextType, FixedTypeOnceAndFreeSizeOnChange) {
  Fresh f;
  EmitTextType(f.s, 3, 9, 1, 1, 1);
  EmitTextType(f.s, 3, 8, 5, 5, 5);  // sizes are not used for types 1 to 10
  EXPECT_EQ(f.Take(), (Lines{"cn3"}));
  EmitTextType(f.s, 0, 1, 2.5, 2.5, 0);
  EmitTextType(f.s, 0, 1, 2.5, 2.5, 0);
  EXPECT_EQ(f.Take(), (Lines{"cn0 2.5 2.5 0 1"}));
  EmitTextType(f.s, 0, 1, 2.5, 2.5, -0.5);
  EmitTextType(f.s, 0, 2, 2.5, 2.5, -0.5);
  EmitTextType(f.s, 0, 2, 2.5, 2.6, -0.5);
  EmitTextType(f.s, 0, 2, 2.7, 2.6, -0.5);
  EXPECT_EQ(f.Take(),
            (Lines{"cn0 2.5 2.5 -0.5 1", "cn0 2.5 2.5 -0.5 2", "cn0 2.5 2.6 -0.5 2",
                   "cn0 2.7 2.6 -0.5 2"}));
}

TEST(EmitTextType, FreeSizeRightAfterTheResetIsSent) {
  Fresh f;
  EmitTextType(f.s, 0, 1, 2.0, 2.0, 0);  // equal to the reset values, but the first
  EXPECT_EQ(f.Take(), (Lines{"cn0 2 2 0 1"}));
}

TEST(EmitTextType, SizesAreComparedWithoutTolerance) {
  Fresh f;
  EmitTextType(f.s, 0, 1, 2.0, 2.0, 0);
  EmitTextType(f.s, 0, 1, 2.0 + 1e-15, 2.0, 0);  // prints the same, yet differs
  EXPECT_EQ(f.Take(), (Lines{"cn0 2 2 0 1", "cn0 2 2 0 1"}));
}

TEST(EmitTextType, FixedTypeKeepsTheLastFreeSize) {
  Fresh f;
  EmitTextType(f.s, 0, 3, 4, 5, 6);
  EmitTextType(f.s, 2, 0, 0, 0, 0);
  EmitTextType(f.s, 0, 3, 4, 5, 6);
  EXPECT_EQ(f.Take(), (Lines{"cn0 4 5 6 3", "cn2", "cn0 4 5 6 3"}));
}

TEST(EmitTextType, OutOfRangeTypeTakesTheFirstSeenType) {
  Fresh f;
  f.s.FirstTextType = 4;
  EmitTextType(f.s, 11, 1, 1, 1, 1);
  EmitTextType(f.s, -1, 1, 1, 1, 1);
  EXPECT_EQ(f.Take(), (Lines{"cn4"}));
}

TEST(EmitTextType, OutOfRangeTypeWithFirstSeenFreeSize) {
  Fresh f;
  f.s.FirstTextType = 0;
  f.s.FirstFreeWidth = 3.5;
  f.s.FirstFreeHeight = 4.5;
  f.s.FirstFreeSpacing = 0.25;
  f.s.FirstFreeColour = 6;
  EmitTextType(f.s, 11, 1, 9, 9, 9);
  EXPECT_EQ(f.Take(), (Lines{"cn0 3.5 4.5 0.25 6"}));
}

TEST(EmitTextType, FirstSeenTypeIsNotRangeChecked) {
  Fresh f;
  f.s.FirstTextType = 12;
  EmitTextType(f.s, 11, 1, 1, 1, 1);
  EXPECT_EQ(f.Take(), (Lines{"cn12"}));
}

// --- Font name ----------------------------------------------------------------------------

TEST(EmitFontName, StartingNameIsSentOnce) {
  Fresh f;
  EmitFontName(f.s, kMsGothic);
  EmitFontName(f.s, kMsGothic);
  EXPECT_EQ(f.Take(), (Lines{"cn\"$" + kMsGothic}));
}

TEST(EmitFontName, EmptyOrAngleBracketsTakeTheFirstSeenName) {
  Fresh f;
  EmitFontName(f.s, "");  // the input named no font: the keyword alone
  EXPECT_EQ(f.Take(), (Lines{"cn\"$"}));
  f.s.FirstFontName = "Mincho";
  EmitFontName(f.s, "<>");
  EmitFontName(f.s, "");
  EmitFontName(f.s, "Mincho");
  EXPECT_EQ(f.Take(), (Lines{"cn\"$Mincho"}));
}

TEST(EmitFontName, ComparedByteByByte) {
  Fresh f;
  EmitFontName(f.s, "Font A");
  EmitFontName(f.s, "Font a");
  EmitFontName(f.s, "Font a ");
  EXPECT_EQ(f.Take(), (Lines{"cn\"$Font A", "cn\"$Font a", "cn\"$Font a "}));
}

TEST(EmitFontName, LongNameIsKeptWhole) {
  Fresh f;
  const std::string name(300, 'F');
  EmitFontName(f.s, name);
  EXPECT_EQ(f.Take(), (Lines{"cn\"$" + name}));
}

TEST(EmitFontName, NameEndingInAQuoteStaysAFileLineOfItsOwn) {
  Fresh f;
  EmitFontName(f.s, "Odd\"");
  EmitText(f.s, 0, "hd", 0, 0, 1, 0);
  // The empty line is what the save joins to the font line; the text command keeps its text.
  EXPECT_EQ(f.Take(), (Lines{"cn\"$Odd\"", "", "ch 0 0 1 0 \"", "hd"}));
}

// --- Item marks ---------------------------------------------------------------------------

struct ZCase {
  int32_t flags;
  Lines lines;
};

void PrintTo(const ZCase& c, std::ostream* os) { *os << "flags " << c.flags; }

class ZFlagsTest : public testing::TestWithParam<ZCase> {};

TEST_P(ZFlagsTest, OneLinePerBitWithZ5OverZ4) {
  Fresh f;
  EmitZFlags(f.s, GetParam().flags);
  EmitZFlags(f.s, GetParam().flags);  // no tracking: the same lines again
  Lines twice = GetParam().lines;
  twice.insert(twice.end(), GetParam().lines.begin(), GetParam().lines.end());
  EXPECT_EQ(f.Take(), twice);
}

INSTANTIATE_TEST_SUITE_P(Flags, ZFlagsTest,
                         testing::Values(ZCase{0, {}}, ZCase{1, {"z1"}}, ZCase{8, {"z4"}},
                                         ZCase{16, {"z5"}}, ZCase{24, {"z5"}},
                                         ZCase{31, {"z1", "z2", "z3", "z5"}},
                                         ZCase{15, {"z1", "z2", "z3", "z4"}},
                                         ZCase{32 | 64 | 2, {"z2"}}, ZCase{-1, {"z1", "z2", "z3", "z5"}}),
                         [](const testing::TestParamInfo<ZCase>& info) {
                           return "Flags" + rq27test::ParamName(std::to_string(info.param.flags));
                         });

// --- Item emitters ------------------------------------------------------------------------

struct ItemCase {
  const char* name;
  std::function<void(TJwwState&)> emit;
  Lines lines;
};

void PrintTo(const ItemCase& c, std::ostream* os) { *os << c.name; }

class ItemTest : public testing::TestWithParam<ItemCase> {};

TEST_P(ItemTest, AppendsTheRecordOrNothing) {
  Fresh f;
  GetParam().emit(f.s);
  EXPECT_EQ(f.Take(), GetParam().lines);
}

const Lines kNone;

INSTANTIATE_TEST_SUITE_P(
    LinesPointsCircles, ItemTest,
    testing::Values(
        ItemCase{"Line", [](TJwwState& s) { EmitLine(s, 0, 0, 100, 0.5); }, {"0 0 100 0.5"}},
        ItemCase{"LineWithinTolerance", [](TJwwState& s) { EmitLine(s, 0, 0, 0.000000005, 0); }, kNone},
        ItemCase{"LineJustBeyondTolerance", [](TJwwState& s) { EmitLine(s, 0, 0, 0.00000002, 0); }, {"0 0 2E-8 0"}},
        ItemCase{"LineExactlyAtTolerance", [](TJwwState& s) { EmitLine(s, 0, 0, 0, 1e-8); }, {"0 0 0 1E-8"}},
        ItemCase{"LineOnlyYDiffers", [](TJwwState& s) { EmitLine(s, 5, 1, 5, 2); }, {"5 1 5 2"}},
        ItemCase{"Point", [](TJwwState& s) { EmitPoint(s, 5, -5); }, {"pt 5 -5"}},
        ItemCase{"PointAtOrigin", [](TJwwState& s) { EmitPoint(s, 0, 0); }, {"pt 0 0"}},
        ItemCase{"PointEx", [](TJwwState& s) { EmitPointEx(s, 11, 1, 2, 0.5, 45); }, {"pt 1 2 0.5 45 11"}},
        ItemCase{"PointExCodeTooLarge", [](TJwwState& s) { EmitPointEx(s, 12, 1, 2, 3, 4); }, {"pt 1 2 3 4 -3"}},
        ItemCase{"PointExCodeTooSmall", [](TJwwState& s) { EmitPointEx(s, -8, 1, 2, 3, 4); }, {"pt 1 2 3 4 -3"}},
        ItemCase{"PointExLowestCode", [](TJwwState& s) { EmitPointEx(s, -7, 1, 2, 3, 4); }, {"pt 1 2 3 4 -7"}},
        ItemCase{"PointExScaleZero", [](TJwwState& s) { EmitPointEx(s, 0, 1, 2, 0, 4); }, {"pt 1 2 1 4 0"}},
        ItemCase{"PointExScaleNearZero", [](TJwwState& s) { EmitPointEx(s, 0, 1, 2, -1e-8, 4); }, {"pt 1 2 1 4 0"}},
        ItemCase{"PointExSmallScaleKept", [](TJwwState& s) { EmitPointEx(s, 0, 1, 2, -2e-8, 4); }, {"pt 1 2 -2E-8 4 0"}},
        ItemCase{"Circle", [](TJwwState& s) { EmitCircle(s, 1, 2, 3); }, {"ci 1 2 3"}},
        ItemCase{"CircleRadiusZero", [](TJwwState& s) { EmitCircle(s, 1, 2, 0); }, kNone},
        ItemCase{"CircleRadiusNegative", [](TJwwState& s) { EmitCircle(s, 1, 2, -1); }, kNone},
        ItemCase{"CircleRadiusAtTolerance", [](TJwwState& s) { EmitCircle(s, 1, 2, 1e-8); }, kNone},
        ItemCase{"Arc", [](TJwwState& s) { EmitArc(s, 1, 2, 3, 4, 5, 6, 7); }, {"ci 1 2 3 4 5 6 7"}},
        ItemCase{"ArcV6Zero", [](TJwwState& s) { EmitArc(s, 1, 2, 3, 4, 5, 0, 7); }, kNone},
        ItemCase{"ArcV6NegativeKept", [](TJwwState& s) { EmitArc(s, 1, 2, 3, 4, 5, -0.5, 7); }, {"ci 1 2 3 4 5 -0.5 7"}},
        ItemCase{"ArcRadiusNegative", [](TJwwState& s) { EmitArc(s, 1, 2, -3, 4, 5, 6, 7); }, kNone}),
    [](const testing::TestParamInfo<ItemCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Texts, ItemTest,
    testing::Values(
        ItemCase{"Ch", [](TJwwState& s) { EmitText(s, 0, "ABC", 10, 20, 3, 0); }, {"ch 10 20 3 0 \"", "ABC"}},
        ItemCase{"Cv", [](TJwwState& s) { EmitText(s, 1, "A", 0, 0, 1, 0); }, {"cv 0 0 1 0 \"", "A"}},
        ItemCase{"Cs", [](TJwwState& s) { EmitText(s, 2, "A", 0, 0, 1, 0); }, {"cs 0 0 1 0 \"", "A"}},
        ItemCase{"Cr", [](TJwwState& s) { EmitText(s, 3, "A", 0, 0, 1, 0); }, {"cr 0 0 1 0 \"", "A"}},
        ItemCase{"Co", [](TJwwState& s) { EmitText(s, 4, "A", 0, 0, 1, 0); }, {"co 0 0 1 0 \"", "A"}},
        ItemCase{"Cp", [](TJwwState& s) { EmitText(s, 5, "A", 0, 0, 1, 0); }, {"cp 0 0 1 0 \"", "A"}},
        ItemCase{"Ct", [](TJwwState& s) { EmitText(s, 6, "A", 0, 0, 1, 0); }, {"ct 0 0 1 0 \"", "A"}},
        ItemCase{"Ck", [](TJwwState& s) { EmitText(s, 7, "A", 0, 0, 1, 0); }, {"ck 0 0 1 0 \"", "A"}},
        ItemCase{"Cz", [](TJwwState& s) { EmitText(s, 8, "A", 0, 0, 1, 0); }, {"cz 0 0 1 0 \"", "A"}},
        ItemCase{"C2", [](TJwwState& s) { EmitText(s, 9, "A", 0, 0, 1, 0); }, {"c2 0 0 1 0 \"", "A"}},
        ItemCase{"KindTen", [](TJwwState& s) { EmitText(s, 10, "A", 0, 0, 1, 0); }, {"ch 0 0 1 0 \"", "A"}},
        ItemCase{"KindNegative", [](TJwwState& s) { EmitText(s, -1, "A", 0, 0, 1, 0); }, {"ch 0 0 1 0 \"", "A"}},
        ItemCase{"VectorZero", [](TJwwState& s) { EmitText(s, 0, "A", 0, 0, 0, 0); }, kNone},
        ItemCase{"VectorNearZero", [](TJwwState& s) { EmitText(s, 0, "A", 0, 0, 1e-8, -1e-8); }, kNone},
        ItemCase{"VectorOnlyDy", [](TJwwState& s) { EmitText(s, 0, "A", 0, 0, 0, -1); }, {"ch 0 0 0 -1 \"", "A"}},
        ItemCase{"Empty", [](TJwwState& s) { EmitText(s, 0, "", 0, 0, 1, 0); }, kNone},
        ItemCase{"FullWidthBlanks", [](TJwwState& s) { EmitText(s, 0, "\x81\x40\x81\x40", 0, 0, 1, 0); }, kNone},
        ItemCase{"BlanksAndTabs", [](TJwwState& s) { EmitText(s, 0, " \t ", 0, 0, 1, 0); }, kNone},
        ItemCase{"UnchangedWithQuoteAndBlanks", [](TJwwState& s) { EmitText(s, 0, " a\"b ", 0, 0, 1, 0); }, {"ch 0 0 1 0 \"", " a\"b "}},
        ItemCase{"ShiftJisKept", [](TJwwState& s) { EmitText(s, 0, "\x83\x40\x82\xA0", 0, 0, 1, 0); }, {"ch 0 0 1 0 \"", "\x83\x40\x82\xA0"}}),
    [](const testing::TestParamInfo<ItemCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Dimensions, ItemTest,
    testing::Values(
        ItemCase{"GivenText", [](TJwwState& s) { EmitDim(s, "100", 0, 0, 100, 0, 50, 1, 1, 0); },
                 {"msg", "0 0 100 0", "cs 50 1 1 0 \"", "100"}},
        ItemCase{"MeasuredWhole", [](TJwwState& s) { EmitDim(s, "", 0, 0, 3, 4, 1, 2, 1, 0); },
                 {"msg", "0 0 3 4", "cs 1 2 1 0 \"", "5"}},
        ItemCase{"MeasuredRoundedTo8Places", [](TJwwState& s) { EmitDim(s, " ", 0, 0, 1, 1, 1, 2, 1, 0); },
                 {"msg", "0 0 1 1", "cs 1 2 1 0 \"", "1.41421356"}},
        ItemCase{"MeasuredRoundsUp", [](TJwwState& s) { EmitDim(s, "\x81\x40", 0, 0, 0.000000016, 0, 0, 0, 1, 0); },
                 {"msg", "0 0 1.6E-8 0", "cs 0 0 1 0 \"", "2E-8"}},
        ItemCase{"MeasuredRoundsDown", [](TJwwState& s) { EmitDim(s, "", 0, 0, 0, -0.000000014, 0, 0, 1, 0); },
                 {"msg", "0 0 0 -1.4E-8", "cs 0 0 1 0 \"", "1E-8"}},
        ItemCase{"MeasuredLarge", [](TJwwState& s) { EmitDim(s, "", 0, 0, 12345.678901234, 0, 0, 0, 0, 1); },
                 {"msg", "0 0 12345.678901234 0", "cs 0 0 0 1 \"", "12345.67890123"}},
        ItemCase{"EndsCoincide", [](TJwwState& s) { EmitDim(s, "1", 1, 1, 1, 1 + 5e-9, 0, 0, 1, 0); }, kNone},
        ItemCase{"VectorZero", [](TJwwState& s) { EmitDim(s, "1", 0, 0, 1, 0, 0, 0, 0, 0); }, kNone}),
    [](const testing::TestParamInfo<ItemCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Solids, ItemTest,
    testing::Values(
        ItemCase{"Sl2", [](TJwwState& s) { EmitSl2(s, 1, 2, 3, 4); }, {"sl 1 2 3 4"}},
        ItemCase{"Sl2Coincide", [](TJwwState& s) { EmitSl2(s, 1, 2, 1, 2); }, kNone},
        ItemCase{"Sl3", [](TJwwState& s) { EmitSl3(s, 0, 0, 1, 0, 0, 1); }, {"sl 0 0 1 0 0 1"}},
        ItemCase{"Sl3Corners12", [](TJwwState& s) { EmitSl3(s, 0, 0, 0, 0, 0, 1); }, kNone},
        ItemCase{"Sl3Corners23", [](TJwwState& s) { EmitSl3(s, 0, 0, 1, 0, 1, 0); }, kNone},
        ItemCase{"Sl3Corners31", [](TJwwState& s) { EmitSl3(s, 0, 0, 1, 0, 0, 0); }, kNone},
        ItemCase{"Sl4", [](TJwwState& s) { EmitSl4(s, 0, 0, 1, 0, 1, 1, 0, 1); }, {"sl 0 0 1 0 1 1 0 1"}},
        ItemCase{"Sl4Corners12", [](TJwwState& s) { EmitSl4(s, 0, 0, 0, 0, 3, 3, 4, 4); }, {"sl 0 0 3 3 4 4"}},
        ItemCase{"Sl4Corners13", [](TJwwState& s) { EmitSl4(s, 0, 0, 2, 2, 0, 0, 4, 4); }, kNone},
        ItemCase{"Sl4Corners14", [](TJwwState& s) { EmitSl4(s, 0, 0, 2, 2, 3, 3, 0, 0); }, {"sl 0 0 2 2 3 3"}},
        ItemCase{"Sl4Corners23", [](TJwwState& s) { EmitSl4(s, 0, 0, 2, 2, 2, 2, 4, 4); }, {"sl 0 0 2 2 4 4"}},
        ItemCase{"Sl4Corners24", [](TJwwState& s) { EmitSl4(s, 0, 0, 2, 2, 3, 3, 2, 2); }, kNone},
        ItemCase{"Sl4Corners34", [](TJwwState& s) { EmitSl4(s, 0, 0, 2, 2, 3, 3, 3, 3); }, {"sl 0 0 2 2 3 3"}},
        // Corners 1, 2 and 3 together: rule 1 hands 1, 3, 4 to the three-corner test.
        ItemCase{"Sl4Corners123", [](TJwwState& s) { EmitSl4(s, 0, 0, 0, 0, 0, 0, 4, 4); }, kNone},
        ItemCase{"Sc", [](TJwwState& s) { EmitSc(s, 5, 1, 2, 3, 4, 5, 6, 7); }, {"sc 1 2 3 4 5 6 7 5"}},
        ItemCase{"ScCodeMinusOne", [](TJwwState& s) { EmitSc(s, -1, 1, 2, 3, 4, 5, 6, 7); }, {"sc 1 2 3 4 5 6 7 -1"}},
        ItemCase{"ScCode100", [](TJwwState& s) { EmitSc(s, 100, 1, 2, 3, 4, 5, 6, 7); }, {"sc 1 2 3 4 5 6 7 100"}},
        ItemCase{"ScCodeOne", [](TJwwState& s) { EmitSc(s, 1, 1, 2, 3, 4, 5, 6, 7); }, kNone},
        ItemCase{"ScV3AtTolerance", [](TJwwState& s) { EmitSc(s, 0, 1, 2, 1e-8, 4, 5, 6, 7); }, kNone},
        ItemCase{"ScV4NearZero", [](TJwwState& s) { EmitSc(s, 0, 1, 2, 3, -1e-9, 5, 6, 7); }, kNone},
        ItemCase{"Se", [](TJwwState& s) { EmitSe(s, 0, 1, 2, 3, 4, 5, 6, 7); }, {"se 1 2 3 4 5 6 7 0"}},
        ItemCase{"SeCodeFive", [](TJwwState& s) { EmitSe(s, 5, 1, 2, 3, 4, 5, 6, 7); }, kNone},
        ItemCase{"SeV3Negative", [](TJwwState& s) { EmitSe(s, 100, 1, 2, -3, 4, 5, 6, 7); }, kNone},
        ItemCase{"So", [](TJwwState& s) { EmitSo(s, 1, 2, 3, 4, 5, 6, 7, 2); }, {"so 1 2 3 4 5 6 7 2"}},
        ItemCase{"SoV8EqualsV3", [](TJwwState& s) { EmitSo(s, 1, 2, 3, 4, 5, 6, 7, 3); }, kNone},
        ItemCase{"SoV8WithinToleranceBelowV3", [](TJwwState& s) { EmitSo(s, 1, 2, 3, 4, 5, 6, 7, 3 - 5e-9); }, kNone},
        ItemCase{"SoV8AboveV3", [](TJwwState& s) { EmitSo(s, 1, 2, 3, 4, 5, 6, 7, 4); }, kNone},
        ItemCase{"SoV8Zero", [](TJwwState& s) { EmitSo(s, 1, 2, 3, 4, 5, 6, 7, 0); }, kNone},
        ItemCase{"SoV4Zero", [](TJwwState& s) { EmitSo(s, 1, 2, 3, 0, 5, 6, 7, 2); }, kNone},
        ItemCase{"Sg", [](TJwwState& s) { EmitSg(s, 1, 2, 3, 4, 5, 6, 7, 2); }, {"sg 1 2 3 4 5 6 7 2"}},
        ItemCase{"SgV3Zero", [](TJwwState& s) { EmitSg(s, 1, 2, 0, 4, 5, 6, 7, -1); }, kNone}),
    [](const testing::TestParamInfo<ItemCase>& info) { return info.param.name; });

TEST(ResetCurrentAttributes, PutsBackTheStartingValuesWhateverWasLoaded) {
  TJwwState s;
  s.AttrFirst.fill(false);
  s.CurGroup = 5;
  s.CurColour = 10;
  s.CurTextType = 0;
  s.CurFreeWidth = 9;
  s.CurFontName = "x";
  s.CurExtColour = 77;
  ResetCurrentAttributes(s);
  for (bool flag : s.AttrFirst) EXPECT_TRUE(flag);
  EXPECT_EQ(s.CurGroup, 0);
  EXPECT_EQ(s.CurColour, 1);
  EXPECT_EQ(s.CurTextType, 1);
  EXPECT_EQ(s.CurFreeWidth, 2.0);
  EXPECT_EQ(s.CurFontName, kMsGothic);
  EXPECT_EQ(s.CurExtColour, 0);
  EXPECT_EQ(s.Output.Count(), 0);
}

}  // namespace
}  // namespace JwwGaibu
