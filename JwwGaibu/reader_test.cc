#include "JwwGaibu/reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "MyFunc/my_func.h"
#include "tests/test_folder.h"

namespace JwwGaibu {
namespace {

using namespace std::string_literals;

/// The slots joined by "|", then "#" and the count n.
std::string Joined(const TJwwTokens& tk) {
  std::string out;
  for (int i = 0; i < tk.N; ++i) {
    if (i) out += '|';
    out += tk[i];
  }
  out += '#';
  out += std::to_string(tk.N);
  return out;
}

/// The slots of a tokenized line, joined.
std::string Tokens(std::string_view line) {
  TJwwTokens tk;
  TokenizeLine(line, tk);
  return Joined(tk);
}

struct TokenCase {
  const char* rule;
  std::string line;
  std::string expected;
};

TEST(TokenizeLine, FollowsEachRule) {
  const TokenCase cases[] = {
      {"blanks separate; runs and leading blanks open no slot", "  ci  1\t2   3", "ci|1|2|3#4"},
      {"trailing blanks open one counted empty slot", "ci 1 2 3 ", "ci|1|2|3|#5"},
      {"a quote is dropped and switches separating off", "ch 1 2 3 0 \"A B  C",
       "ch|1|2|3|0|A B  C#6"},
      {"a later quote is text", "ch 1 2 3 0 \"say \"hi\"", "ch|1|2|3|0|say \"hi\"#6"},
      {"\"=\" stays in the token and switches separating off", "file=C:\\a b\\c.jww",
       "file=C:\\a b\\c.jww#1"},
      {"a quote glued to a keyword joins what follows", "cn\"$\x82\x6C\x82\x72 \x96\xBE\x92\xA9",
       "cn$\x82\x6C\x82\x72 \x96\xBE\x92\xA9#1"},
      {"control bytes are dropped, tabs too once separating is off",
       "ch 1 2 3 0 \"a\tb\x01" "c", "ch|1|2|3|0|abc#6"},
      {"0xFE and 0xFF are dropped", "a\xFE\xFF" "b c", "ab|c#2"},
      {"a lead byte takes the next byte whatever it is", "\x82 x \x81\"y",
       "\x82 x|\x81\"y#2"},
      {"a lead byte at the end of the line is dropped", "ab \x82", "ab|#2"},
      {"0x80 and 0xFD are lead bytes, 0xA0-0xDF are not", "\x80  \xFD  \xA0 \xDF",
       "\x80 |\xFD |\xA0|\xDF#4"},
      {"a line of blanks is one empty slot", "   \t ", "#1"},
  };
  for (const auto& c : cases) EXPECT_EQ(Tokens(c.line), c.expected) << c.rule;
}

TEST(TokenizeLine, KeepsAtMost32Slots) {
  std::string line;
  for (int i = 1; i <= 40; ++i) line += std::to_string(i) + " ";
  TJwwTokens tk;
  TokenizeLine(line, tk);
  EXPECT_EQ(tk.N, 32);
  EXPECT_EQ(tk[31], "32");
  // Exactly 32 tokens and a trailing blank: the blank would open a 33rd slot.
  std::string exact;
  for (int i = 1; i <= 32; ++i) exact += "x ";
  TokenizeLine(exact, tk);
  EXPECT_EQ(tk.N, 32);
  EXPECT_EQ(tk[31], "x");
}

TEST(TokenizeLine, ReusesItsBufferAcrossLines) {
  TJwwTokens tk;
  TokenizeLine("a b c d e f g", tk);
  TokenizeLine("zz", tk);
  EXPECT_EQ(tk.N, 1);
  EXPECT_EQ(tk[0], "zz");
  EXPECT_TRUE(tk[1].empty());
}

/// The tokenizing rules applied one byte at a time, the plainest way: what the tokenizer's
/// word-at-a-time and one-run shortcuts must agree with.
std::string ReferenceTokens(std::string_view line) {
  std::vector<std::string> slots;
  std::string token;
  bool separating = true;
  size_t i = 0;
  while (i < line.size()) {
    const auto b = static_cast<unsigned char>(line[i]);
    const bool lead = (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD);
    if (lead) {
      if (i + 1 == line.size()) break;  // no second byte: dropped
      token += line.substr(i, 2);
      i += 2;
      continue;
    }
    if (separating && (b == ' ' || b == '\t')) {
      if (!token.empty()) {
        if (slots.size() == kMaxTokens - 1) break;  // no 33rd slot: the rest is dropped
        slots.push_back(token);
        token.clear();
      }
    } else if (separating && b == '"') {
      separating = false;
    } else if (separating && b == '=') {
      token += line[i];
      separating = false;
    } else if (b >= 0x20 && b <= 0xFD) {
      token += line[i];
    }
    ++i;
  }
  slots.push_back(token);
  std::string out;
  for (size_t k = 0; k < slots.size(); ++k) {
    if (k) out += '|';
    out += slots[k];
  }
  out += '#';
  out += std::to_string(slots.size());
  return out;
}

// Random lines over the bytes that matter to the rules (blank runs, quotes, "=", lead and
// trail bytes, control bytes, long plain runs that cross eight-byte words, up to 40
// tokens, lines below and above 64 bytes): the tokenizer gives what the rules give, one
// byte at a time.
TEST(TokenizeLine, AgreesWithTheRulesOnRandomLines) {
  const std::string pieces[] = {" ",  "  ", "\t", "\"", "=",    "\x82", "\x82\xA0", "\xE0",
                                "\xFD", "\xFE", "\xFF", "\x01", "\r",  "\x1A", "\xA5",  "ci",
                                "1",  "-2.5", "12345678.1234", "abcdefghijklmnopq", "#", "\x7F"};
  // Mostly what real lines hold (the shortcut for them must be exact too), rarely the rest.
  const std::string common[] = {" ",  " ",   "  ",   "\"",   "ci",  "1", "-2.5", "0.785398163397448",
                                "\x82\xA0", "\x82", "\xB1", "a\"b", "x", "-",  ".",    "1.2.3",
                                "-0", "12345678901234567890", "9007199254740993", "5.", ".25"};
  std::mt19937 random(27);
  TJwwTokens tk;  // reused, as the reader does
  for (int round = 0; round < 40000; ++round) {
    std::string line;
    const bool mostlyCommon = round % 2 == 0;
    const int count = static_cast<int>(random() % (mostlyCommon ? 24 : 60));
    for (int k = 0; k < count; ++k) {
      if (mostlyCommon && random() % 16 != 0)
        line += common[random() % std::size(common)];
      else
        line += pieces[random() % std::size(pieces)];
    }
    TokenizeLine(line, tk);
    ASSERT_EQ(Joined(tk), ReferenceTokens(line)) << testing::PrintToString(line);
    for (int k = tk.N; k < kMaxTokens; ++k) ASSERT_TRUE(tk[k].empty());
    // A value read on the way is the one the field reads as, sign of zero included.
    for (int k = 0; k < tk.N; ++k) {
      if ((tk.NumberMask >> k & 1) == 0) continue;
      const double expected = MyFunc::ParseRealOrZero(tk[k]);
      ASSERT_EQ(std::memcmp(&tk.Number[k], &expected, sizeof expected), 0)
          << testing::PrintToString(line) << " slot " << k;
    }
    if (tk.N < kMaxTokens) {
      ASSERT_EQ(tk.NumberMask >> tk.N, 0u) << testing::PrintToString(line);
    }
  }
}

class ReaderTest : public ::testing::Test {
 protected:
  ReaderTest() { ResetModel(s); }
  void Read(std::initializer_list<std::string_view> lines) {
    for (auto line : lines) ASSERT_TRUE(ParseLine(s, line)) << line;
  }
  TJwwState s;
};

// A leading blank opens no slot, but it sends a line past the one-pass reading of plain
// lines: both ways must give the same model, whatever the numbers look like.
TEST_F(ReaderTest, PlainLinesReadInOnePassAsWhenTokenized) {
  const char* const forms[] = {
      "0",  "7",  "-12", "3.25", "-0.0005", ".5",  "5.",     "-.5", "-0",
      "0012.50",  "-",   ".",    "1e5",     "+5",  "1.2.3",  "--1", "x10",
      "12345678901234567890", "9007199254740993", "123456789012345.678",
      "0.000000000000000000000001"};
  std::mt19937 random(41);
  for (int round = 0; round < 2000; ++round) {
    std::string line;
    const int fields = 3 + static_cast<int>(random() % 3);
    for (int i = 0; i < fields; ++i) {
      if (i > 0) line += random() % 8 == 0 ? "  " : " ";
      line += forms[random() % std::size(forms)];
    }
    if (random() % 8 == 0) line += " ";
    TJwwState direct, tokenized;
    ResetModel(direct);
    ResetModel(tokenized);
    if (round % 3 == 0) {  // the measure line of a dimension instead of a line item
      ParseLine(direct, "msg");
      ParseLine(tokenized, "msg");
    }
    ASSERT_EQ(ParseLine(direct, line), ParseLine(tokenized, " " + line)) << line;
    ASSERT_EQ(direct.LineTable.Count(), tokenized.LineTable.Count()) << line;
    const TJwwEntLine& a =
        direct.LineTable.Count() > 0 ? direct.LineTable[0] : direct.PendingDimLine;
    const TJwwEntLine& b =
        tokenized.LineTable.Count() > 0 ? tokenized.LineTable[0] : tokenized.PendingDimLine;
    for (auto [x, y] : {std::pair{a.X1, b.X1}, {a.Y1, b.Y1}, {a.X2, b.X2}, {a.Y2, b.Y2}}) {
      ASSERT_EQ(x, y) << line;
      ASSERT_EQ(std::signbit(x), std::signbit(y)) << line;
    }
  }
}

TEST_F(ReaderTest, HeaderRecords) {
  Read({"file=C:\\jww\\my drawing.jww", "hk 2.5", "hzs 420 297",
        "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
        "hcw 1 2 3 4 5 6 7 8 9 10", "hch 11 12 13 14 15 16 17 18 19 20",
        "hcd -1 0 0 0 0 0 0 0 0 0.5", "hcc 1 2 3 4 5 6 7 8 9 10", "bz", "hn 1 2 3 4"});
  EXPECT_EQ(s.FileName, "C:\\jww\\my drawing.jww");
  EXPECT_EQ(s.HkValue, 2.5);
  EXPECT_EQ(s.PaperWidth, 420);
  EXPECT_EQ(s.PaperHeight, 297);
  EXPECT_EQ(s.GroupScale[15], 16);
  EXPECT_EQ(s.TextTypes[0].Width, 1);
  EXPECT_EQ(s.TextTypes[9].Height, 20);
  EXPECT_EQ(s.TextTypes[0].Spacing, -1);
  EXPECT_EQ(s.TextTypes[9].Spacing, 0.5);
  EXPECT_EQ(s.TextTypes[4].Colour, 5);
  EXPECT_TRUE(s.BzFlag);
  EXPECT_EQ(s.HnValues[3], 4);
  EXPECT_EQ(s.EntCount(), 0);
}

TEST_F(ReaderTest, ShortHeaderFallsThroughToPlainLine) {
  Read({"hs 1 2 3"});  // n = 4: a line from (0, 1) to (2, 3)
  ASSERT_EQ(s.LineTable.Count(), 1);
  EXPECT_EQ(s.LineTable[0].X1, 0);
  EXPECT_EQ(s.LineTable[0].Y2, 3);
  EXPECT_EQ(s.GroupScale[0], 1.0);
}

struct AttrCase {
  const char* line;
  int32_t group, layer, cc, extColour;
};

TEST_F(ReaderTest, GroupLayerCcAndExtendedColour) {
  const AttrCase cases[] = {
      {"lg1A", 1, 0, 0, 0},  {"lgA", 10, 0, 0, 0}, {"lg", 0, 0, 0, 0}, {"lgG", 0, 0, 0, 0},
      {"lgf", 15, 0, 0, 0},  {"lyB", 0, 11, 0, 0}, {"cc9", 0, 0, 0, 0}, {"cc12", 0, 0, 1, 0},
      {"cc8", 0, 0, 8, 0},   {"lc10 255", 0, 0, 0, 255},
  };
  for (const auto& c : cases) {
    ResetModel(s);
    Read({c.line});
    EXPECT_EQ(s.CurGroup, c.group) << c.line;
    EXPECT_EQ(s.CurLayer, c.layer) << c.line;
    EXPECT_EQ(s.CurCc, c.cc) << c.line;
    EXPECT_EQ(s.CurExtColour, c.extColour) << c.line;
  }
  Read({"lc10 255", "lc10"});
  EXPECT_EQ(s.CurColour, 10);
  EXPECT_EQ(s.CurExtColour, 255);  // "lc10" alone keeps the extended colour
}

TEST_F(ReaderTest, LayerNamesAndNumbers) {
  Read({"lg3 7", "lgn\x8A\xEE\x96\x7B", "ly2 9", "lyn\x95\xC7 \x90\xFC"});
  EXPECT_EQ(s.GroupNumbers[3], 7);
  EXPECT_EQ(s.GroupNames[3], "\x8A\xEE\x96\x7B");
  EXPECT_EQ(s.LayerNumbers[3 * 16 + 2], 9);
  EXPECT_EQ(s.LayerNames[3 * 16 + 2], "\x95\xC7");  // unquoted: the name ends at the blank
}

TEST_F(ReaderTest, FirstSeenValuesComeFromTheFirstRecordOfEachKind) {
  Read({"lg2", "ly5", "lc3", "lt4", "lw7", "cn0 2.5 3.5 -0.5 6", "cn$A", "lg4", "ly6", "lc8",
        "lt9", "lw1", "cn3", "cn$B"});
  EXPECT_EQ(s.FirstGroup, 2);
  EXPECT_EQ(s.FirstLayer, 5);
  EXPECT_EQ(s.FirstColour, 3);
  EXPECT_EQ(s.FirstLineType, 4);
  EXPECT_EQ(s.FirstLineWidth, 7);
  EXPECT_EQ(s.FirstTextType, 0);
  EXPECT_EQ(s.FirstFreeWidth, 2.5);
  EXPECT_EQ(s.FirstFreeHeight, 3.5);
  EXPECT_EQ(s.FirstFreeSpacing, -0.5);
  EXPECT_EQ(s.FirstFreeColour, 6);
  EXPECT_EQ(s.FirstFontName, "A");
  EXPECT_TRUE(s.LineWidthSeen);
  for (int flag = 0; flag <= 5; ++flag) EXPECT_FALSE(s.AttrFirst[flag]) << flag;
  EXPECT_EQ(s.CurGroup, 4);
  EXPECT_EQ(s.CurTextType, 3);
  EXPECT_EQ(s.CurFreeWidth, 2.5);  // "cn3" leaves the free size alone
  EXPECT_EQ(s.CurFontName, "B");
}

TEST_F(ReaderTest, FirstTextTypeWithoutFreeValuesKeepsDefaults) {
  Read({"cn0", "cn0 5 5 5 5"});
  EXPECT_EQ(s.FirstTextType, 0);
  EXPECT_EQ(s.FirstFreeWidth, 2.0);
  EXPECT_EQ(s.CurFreeWidth, 5);
}

TEST_F(ReaderTest, ReferencePoints) {
  Read({"hp12ln 1 2", "hp3 4 5", "hp7- 1 1", "hp8ci 1 1", "hp9ch 1 1", "hp0 1 1", "hp120 1 1",
        "hp5 1"});
  EXPECT_TRUE(s.RefPoints[12].Used);
  EXPECT_EQ(s.RefPoints[12].Kind, 2);
  EXPECT_EQ(s.RefPoints[12].Y, 2);
  EXPECT_EQ(s.RefPoints[3].Kind, 0);
  EXPECT_EQ(s.RefPoints[3].X, 4);
  EXPECT_EQ(s.RefPoints[7].Kind, 1);
  EXPECT_EQ(s.RefPoints[8].Kind, 3);
  EXPECT_EQ(s.RefPoints[9].Kind, 4);
  EXPECT_FALSE(s.RefPoints[0].Used);
  EXPECT_FALSE(s.RefPoints[5].Used);  // too few tokens
  EXPECT_EQ(s.RefPointCount, 5);
}

TEST_F(ReaderTest, HhpNumberStopsAtItsSuffix) {
  const std::pair<const char*, int32_t> cases[] = {
      {"hhp7ci", 7}, {"hhp7", 7}, {"hhp12ln", 12}, {"hhp3ch", 3}, {"hhpx", 0}};
  for (auto [line, expected] : cases) {
    ResetModel(s);
    Read({line});
    EXPECT_EQ(s.CurHhp, expected) << line;
  }
}

TEST_F(ReaderTest, SuffixSearchSkipsSecondBytesOfDoubleByteCharacters) {
  // 0x82 0x63 is one character; its second byte 'c' followed by 'h' is not the suffix "ch",
  // which would override the real "-" and leave "5-\x82" as the number.
  Read({"hp5-\x82\x63h 1 2"});
  EXPECT_TRUE(s.RefPoints[5].Used);
  EXPECT_EQ(s.RefPoints[5].Kind, 1);
}

TEST_F(ReaderTest, ItemsOfEveryKindInReadingOrder) {
  Read({"lg1", "ly2", "lc3", "lt4", "lw5", "0 0 10 0", "ci 1 2 3", "ci 1 2 3 4 5 6 7",
        "ch 10 20 3 0 \"A B C", "pn2", "pt 5 6", "pt 1 2 3 4 5", "msg", "0 0 3 4",
        "cs 1 1 1 0 \"5", "BL 7 8 \x95\x94\x95\x69", "sl 0 0 1 0", "sl 0 0 1 0 1 1",
        "sl 0 0 1 0 1 1 0 1", "sc 1 2 3 4 5 6 7 100", "se 1 2 3 4 5 6 7 0",
        "so 1 2 3 4 5 6 7 8", "sg 1 2 3 4 5 6 7 8"});
  const int32_t kinds[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  ASSERT_EQ(s.EntCount(), 15);
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(s.EntIndex[i].Kind, kinds[i]);
    EXPECT_EQ(s.EntIndex[i].Index, 0);
  }
  const TJwwEntLine& line = s.LineTable[0];
  EXPECT_EQ(line.Head.Group, 1);
  EXPECT_EQ(line.Head.Layer, 2);
  EXPECT_EQ(line.Head.Colour, 3);
  EXPECT_EQ(line.Head.LineType, 4);
  EXPECT_EQ(line.Head.LineWidth, 5);
  EXPECT_EQ(line.X2, 10);
  EXPECT_EQ(s.ArcTable[0].V7, 7);
  const TJwwEntText& text = s.TextTable[0];
  EXPECT_EQ(text.Text, "A B C");
  EXPECT_EQ(text.X, 10);
  EXPECT_EQ(text.Dx, 3);
  EXPECT_EQ(text.TextType, 1);
  EXPECT_EQ(text.Width, 3.0);
  EXPECT_EQ(text.Head.Colour, 2);  // text type 1's colour
  EXPECT_EQ(text.FontName, kDefaultFontName);
  EXPECT_EQ(s.PointTable[0].Head.Colour, 2);  // the point type
  EXPECT_EQ(s.PointExTable[0].N5, 5);
  EXPECT_EQ(s.DimTable[0].Line.Y2, 4);
  EXPECT_EQ(s.DimTable[0].Text.Text, "5");
  EXPECT_EQ(s.DimTable[0].Text.TextKind, 2);
  EXPECT_EQ(s.BlockTable[0].Name, "\x95\x94\x95\x69");
  EXPECT_EQ(s.Sl4Table[0].Y4, 1);
  EXPECT_EQ(s.ScTable[0].N8, 100);
  EXPECT_EQ(s.SgTable[0].V8, 8);
}

TEST_F(ReaderTest, CountConditionsDecideTheRecord) {
  Read({"ci 1 2 3 ", "ci 1 2", "ci 1 2 3 4 5", "pt 1", "pt 1 2 3 4", "sl 1 2 3 4 5 6 7",
        "sc 1 2 3", "BL 1 2", "ch 1 2 3 4", "zz 1 2 3"});
  // "pt 1 2 3" has four tokens and reads as a plain line, as does "zz 1 2 3".
  ASSERT_EQ(s.EntCount(), 2);
  EXPECT_EQ(s.EntIndex[0].Kind, kKindLine);
  EXPECT_EQ(s.LineTable[0].X1, 0);
  EXPECT_EQ(s.LineTable[0].Y1, 1);
  EXPECT_EQ(s.LineTable[1].Y2, 3);
}

TEST_F(ReaderTest, TextResolvesFreeSizeAndFixedTypes) {
  Read({"cn0 2.5 3 0.5 7", "cv 0 0 1 0 \"free", "cn11", "c2 0 0 1 0 \"odd", "cn4",
        "hcw 9 9 9 9 9 9 9 9 9 9", "ct 0 0 1 0 \"typed", "cc3", "cn$\x83\x53\x83\x56\x83\x62\x83\x4E",
        "ck 0 0 1 0 plain words"});
  ASSERT_EQ(s.TextTable.Count(), 4);
  const TJwwEntText& free = s.TextTable[0];
  EXPECT_EQ(free.TextKind, 1);
  EXPECT_EQ(free.TextType, 0);
  EXPECT_EQ(free.Width, 2.5);
  EXPECT_EQ(free.Spacing, 0.5);
  EXPECT_EQ(free.Head.Colour, 7);
  const TJwwEntText& odd = s.TextTable[1];
  EXPECT_EQ(odd.TextKind, 9);
  EXPECT_EQ(odd.TextType, 11);
  EXPECT_EQ(odd.Height, 3);  // free-size values for a type outside 1 to 10
  const TJwwEntText& typed = s.TextTable[2];
  EXPECT_EQ(typed.Width, 9);  // read after the "hcw"
  const TJwwEntText& last = s.TextTable[3];
  EXPECT_EQ(last.Cc, 3);
  EXPECT_EQ(last.FontName, "\x83\x53\x83\x56\x83\x62\x83\x4E");
  EXPECT_EQ(last.Text, "plain");  // without the quote the text ends at its first blank
}

TEST_F(ReaderTest, TextTypeValuesAreResolvedWhenTheTextIsRead) {
  Read({"cn3", "ch 0 0 1 0 \"before", "hcw 7 7 7 7 7 7 7 7 7 7", "ch 0 0 1 0 \"after"});
  EXPECT_EQ(s.TextTable[0].Width, 3.0);
  EXPECT_EQ(s.TextTable[1].Width, 7.0);
}

TEST_F(ReaderTest, LongTextsAndFontNamesAreStoredWhole) {
  const std::string text(600, 'x');
  const std::string font = "cn$" + std::string(300, 'F');
  Read({font, "ch 0 0 1 0 \"" + text});
  EXPECT_EQ(s.TextTable[0].Text, text);
  EXPECT_EQ(s.TextTable[0].FontName.size(), 300u);
}

TEST_F(ReaderTest, Polylines) {
  Read({"pl", "0 0 1 0", "1 0 1 1", "1 1 0 1", "lc2", "0 1 0 0", "5 5 6 6", "pl", "0 0 2 2",
        "#", "2 2 3 3"});
  const int32_t numbers[] = {1, 1, 1, 0, 0, 2, 0};
  ASSERT_EQ(s.LineTable.Count(), 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(s.LineTable[i].PolylineNo, numbers[i]) << i;
}

TEST_F(ReaderTest, DimensionTakesThePendingLine) {
  // A "cs" straight after "msg" takes the line left pending from the reset.
  Read({"msg", "cs 0 0 1 0 \"a"});
  EXPECT_EQ(s.DimTable[0].Line.X2, 1);
  EXPECT_EQ(s.DimTable[0].Line.Head.Colour, 1);
  // Two plain lines: the second one is the measure line; its head is from its own line.
  Read({"lc5", "msg", "0 0 1 1", "lc6", "z2", "0 0 2 2", "lc7", "z1", "cs 0 0 1 0 \"b"});
  const TJwwEntDim& dim = s.DimTable[1];
  EXPECT_EQ(dim.Line.X2, 2);
  EXPECT_EQ(dim.Line.Head.Colour, 6);
  EXPECT_EQ(dim.Line.Head.ZFlags, 2);
  EXPECT_EQ(dim.Head.ZFlags, 1);
  EXPECT_EQ(dim.Text.Head.Colour, 2);  // text type 1's colour
  EXPECT_EQ(dim.Head.Colour, 7);
  EXPECT_FALSE(s.AfterMsg);
  // A later bare "msg" + "cs" reuses that line: the pending line is not consumed.
  Read({"msg", "cs 0 0 1 0 \"c"});
  EXPECT_EQ(s.DimTable[2].Line.X2, 2);
  EXPECT_EQ(s.EntCount(), 3);
  EXPECT_EQ(s.LineTable.Count(), 0);
}

TEST_F(ReaderTest, MsgFollowedByOtherTextIsPlainText) {
  Read({"msg", "0 0 5 5", "ch 0 0 1 0 \"t", "cs 0 0 1 0 \"u"});
  EXPECT_EQ(s.LineTable.Count(), 0);
  EXPECT_EQ(s.TextTable.Count(), 2);
  EXPECT_EQ(s.DimTable.Count(), 0);
  ResetModel(s);
  Read({"msg", "cs 0 0 1 0"});  // five tokens: ignored, still after "msg"
  EXPECT_TRUE(s.AfterMsg);
  EXPECT_EQ(s.EntCount(), 0);
}

TEST_F(ReaderTest, MarksGoToTheNextItemOnly) {
  Read({"z1", "lg1", "0 0 1 1", "0 0 2 2", "z5", "z5", "z3", "hhp5", "ci 1 2 3 4 5",
        "ci 1 2 3", "ci 4 5 6"});
  EXPECT_EQ(s.LineTable[0].Head.ZFlags, 1);
  EXPECT_EQ(s.LineTable[1].Head.ZFlags, 0);
  EXPECT_EQ(s.CircleTable[0].Head.ZFlags, 16 | 4);
  EXPECT_EQ(s.CircleTable[0].Head.Hhp, 5);
  EXPECT_EQ(s.CircleTable[1].Head.Hhp, 0);
}

struct SolidCase {
  const char* line;
  int32_t kind;
  std::vector<double> corners;
};

TEST_F(ReaderTest, SolidCollapseRule) {
  const SolidCase cases[] = {
      {"sl 0 0 0 0 5 5", kKindSl2, {0, 0, 5, 5}},
      {"sl 0 0 5 5 5 5", kKindSl2, {0, 0, 5, 5}},
      {"sl 0 0 5 5 0 0", kKindSl3, {0, 0, 5, 5, 0, 0}},
      {"sl 1 2 3 4 5 6", kKindSl3, {1, 2, 3, 4, 5, 6}},
      {"sl 0 0 0 0 0 0 7 7", kKindSl2, {0, 0, 7, 7}},
      {"sl 0 0 5 5 5 5 5 5", kKindSl2, {0, 0, 5, 5}},
      {"sl 0 0 0 0 6 6 6 6", kKindSl2, {0, 0, 6, 6}},
      {"sl 0 0 1 0 1 1 0 0", kKindSl3, {0, 0, 1, 0, 1, 1}},
      {"sl 0 0 1 0 0 0 2 2", kKindSl3, {0, 0, 1, 0, 2, 2}},
      {"sl 0 0 0 0 1 1 2 2", kKindSl3, {0, 0, 1, 1, 2, 2}},
      {"sl 0 0 1 0 1 1 0 1", kKindSl4, {0, 0, 1, 0, 1, 1, 0, 1}},
      {"sl 0 0 1e-10 0 1 1", kKindSl2, {0, 0, 1, 1}},
      {"sl 0 0 2e-10 0 1 1", kKindSl3, {0, 0, 2e-10, 0, 1, 1}},
  };
  for (const auto& c : cases) {
    ResetModel(s);
    Read({c.line});
    ASSERT_EQ(s.EntCount(), 1) << c.line;
    EXPECT_EQ(s.EntIndex[0].Kind, c.kind) << c.line;
    std::vector<double> got;
    if (c.kind == kKindSl2) {
      const auto& r = s.Sl2Table[0];
      got = {r.X1, r.Y1, r.X2, r.Y2};
    } else if (c.kind == kKindSl3) {
      const auto& r = s.Sl3Table[0];
      got = {r.X1, r.Y1, r.X2, r.Y2, r.X3, r.Y3};
    } else {
      const auto& r = s.Sl4Table[0];
      got = {r.X1, r.Y1, r.X2, r.Y2, r.X3, r.Y3, r.X4, r.Y4};
    }
    EXPECT_EQ(got, c.corners) << c.line;
  }
}

TEST_F(ReaderTest, SolidsCarryTheExtendedColour) {
  Read({"lc10 123", "sl 0 0 1 1", "so 1 2 3 4 5 6 7 8"});
  EXPECT_EQ(s.Sl2Table[0].ExtColour, 123);
  EXPECT_EQ(s.Sl2Table[0].Head.Colour, 10);
  EXPECT_EQ(s.SoTable[0].ExtColour, 123);
}

TEST_F(ReaderTest, MalformedFieldsReadAsZero) {
  Read({"ci 1,5 2x 3", "pt 1 2 3 4 abc"});
  EXPECT_EQ(s.CircleTable[0].X, 0);
  EXPECT_EQ(s.CircleTable[0].R, 3);
  EXPECT_EQ(s.PointExTable[0].N5, 0);
}

TEST_F(ReaderTest, OverflowEndsTheLineKeepingTheItem) {
  EXPECT_FALSE(ParseLine(s, "ci 1 1e999 3"));
  ASSERT_EQ(s.CircleTable.Count(), 1);
  EXPECT_EQ(s.CircleTable[0].X, 1);
  EXPECT_EQ(s.CircleTable[0].R, 0);
  EXPECT_EQ(s.EntCount(), 1);
}

// ---- Whole files ----

class LoadTest : public ::testing::Test {
 protected:
  LoadTest() { ResetModel(s); }
  bool Load(const std::string& bytes) {
    const auto path = dir_ / "JWC_TEMP.TXT";
    rq27test::WriteFileBytes(path, bytes);
    return LoadInterchangeFile(s, path);
  }
  rq27test::TestFolder temp_{"rq27-reader-"};
  const std::filesystem::path dir_ = temp_.Path();
  TJwwState s;
};

TEST_F(LoadTest, MissingFileLeavesTheModelAndIsNoFailure) {
  EXPECT_FALSE(LoadInterchangeFile(s, dir_ / "nothing.txt"));
  EXPECT_FALSE(s.LoadFailed);
  EXPECT_EQ(s.EntCount(), 0);
}

TEST_F(LoadTest, LineEnds) {
  // LF, CR LF, a lone CR (dropped, not a line end), and no line end on the last line.
  ASSERT_TRUE(Load("0 0 1 1\n0 0 2 2\r\n0 0\r 3 3\r\r\n0 0 4 4"));
  ASSERT_EQ(s.LineTable.Count(), 4);
  EXPECT_EQ(s.LineTable[2].X2, 3);
  EXPECT_EQ(s.LineTable[3].Y2, 4);
}

TEST_F(LoadTest, CrBeforeLfIsNotContentEvenAfterALeadByte) {
  ASSERT_TRUE(Load("ch 0 0 1 0 \"ab\x82\r\nch 0 0 1 0 \"cd"));
  ASSERT_EQ(s.TextTable.Count(), 2);
  EXPECT_EQ(s.TextTable[0].Text, "ab");
  EXPECT_EQ(s.TextTable[1].Text, "cd");
}

// The file is read in blocks of 1 MiB: a CR LF split between two blocks, and a lone CR or a
// Ctrl-Z in a later block, follow the same rules as anywhere else.
TEST_F(LoadTest, LineEndsAcrossReadBlocks) {
  constexpr size_t kBlock = size_t{1} << 20;
  std::string file = "ch 0 0 1 0 \"";
  file += std::string(kBlock - 1 - file.size() - 2 - 9 * 999 - 7, 'x');  // a long text
  file += "\r\n";
  for (int i = 0; i < 999; ++i) file += "0 0 1 1\r\n";
  file += "0 0 2 2";  // its CR is the last byte of the first block, its LF the first of the next
  ASSERT_EQ(file.size(), kBlock - 1);
  file += "\r\n";
  for (int i = 0; i < 200000; ++i) file += i == 150000 ? "0 0 3 3\r3\r\n" : "0 0 1 1\r\n";
  file += "ch 0 0 1 0 \"a\x82\rb\r\n";  // without its CR, the lead byte pairs with the b
  file += "0 0 4 4\x1A 5 5\r\n0 0 6 6";
  ASSERT_TRUE(Load(file));
  ASSERT_EQ(s.TextTable.Count(), 2);
  EXPECT_EQ(s.TextTable[1].Text, "a\x82" "b");
  ASSERT_EQ(s.LineTable.Count(), 999 + 1 + 200000 + 2);
  EXPECT_EQ(s.LineTable[999].X2, 2);
  EXPECT_EQ(s.LineTable[1000 + 150000].Y2, 33);  // the lone CR is dropped
  EXPECT_EQ(s.LineTable[1000 + 200000].X2, 4);   // Ctrl-Z ends the line's content
  EXPECT_EQ(s.LineTable[1000 + 200001].Y2, 6);
}

TEST_F(LoadTest, CtrlZ) {
  // Inside a line it ends the line's content; at a line's start it ends the reading.
  ASSERT_TRUE(Load("0 0 1 1\x1A junk\n0 0 2 2\n\x1A" "0 0 3 3\n0 0 4 4\n"));
  EXPECT_EQ(s.LineTable.Count(), 2);
  ResetModel(s);
  ASSERT_TRUE(Load("\x1A\x1A\x1A"));
  EXPECT_EQ(s.EntCount(), 0);
}

TEST_F(LoadTest, SmallFileEndToEnd) {
  const std::string file =
      "hcw 2 3 4 5 6 7 8 9 10 11\r\n"
      "lg0\r\nly1\r\nlc2\r\nlt1\r\n"
      "pl\r\n0 0 10 0\r\n10 0 10 10\r\n#\r\n"
      "cn0 3.5 3.5 -0.25 1\r\n"
      "ch 5 5 1 0 \"\x95\xB6\x8E\x9A \x8A\xD4\x8A\x75\r\n"
      "ly2\r\nci 0 0 5\r\nBL 0 0 blk\r\n";
  ASSERT_TRUE(Load(file));
  const std::pair<int32_t, int32_t> index[] = {{1, 0}, {1, 1}, {4, 0}, {2, 0}, {8, 0}};
  ASSERT_EQ(s.EntCount(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(s.EntIndex[i].Kind, index[i].first);
    EXPECT_EQ(s.EntIndex[i].Index, index[i].second);
  }
  EXPECT_EQ(s.TextTable[0].Text, "\x95\xB6\x8E\x9A \x8A\xD4\x8A\x75");
  EXPECT_EQ(s.TextTable[0].Spacing, -0.25);
  EXPECT_EQ(s.CircleTable[0].Head.Layer, 2);
  EXPECT_EQ(s.LineTable[1].PolylineNo, 1);
  EXPECT_EQ(s.FirstLayer, 1);
  EXPECT_FALSE(s.LoadFailed);
}

TEST_F(LoadTest, OverflowEndsTheLoadAndIsRemembered) {
  EXPECT_FALSE(Load("0 0 1 1\nci 1 2e400 3\n0 0 2 2\n"));
  EXPECT_TRUE(s.LoadFailed);
  EXPECT_EQ(s.LineTable.Count(), 1);
  EXPECT_EQ(s.CircleTable.Count(), 1);
}

TEST_F(LoadTest, UnreadableInputIsAFailedLoad) {
  std::filesystem::create_directories(dir_ / "JWC_TEMP.TXT");
  EXPECT_FALSE(LoadInterchangeFile(s, dir_ / "JWC_TEMP.TXT"));
  EXPECT_TRUE(s.LoadFailed);
}

TEST_F(LoadTest, HugeLineAndManyTokens) {
  std::string big = "ch 0 0 1 0 \"" + std::string(10 * 1024 * 1024, 'w') + "\n0 0 1 1\n";
  std::string many;
  for (int i = 0; i < 10000; ++i) many += "1 ";
  ASSERT_TRUE(Load(big + many + "\n0 0 2 2"));
  EXPECT_EQ(s.TextTable[0].Text.size(), 10u * 1024 * 1024);
  EXPECT_EQ(s.LineTable.Count(), 2);  // the 32-slot line matches no record
}

TEST_F(LoadTest, AnyBytesAreReadWithoutHarm) {
  std::mt19937 rng(27);
  for (int round = 0; round < 200; ++round) {
    std::string noise(rng() % 4000, '\0');
    for (char& c : noise) {
      const unsigned r = rng();
      // Mostly bytes that mean something to the reader, so that records get formed.
      static const char kAlphabet[] = "0123456789 .-e\"\r\n\x1A" "cilnhspt\x82\x9F\xE0\xFD\xFE\t";
      c = r % 4 == 0 ? static_cast<char>(r >> 8) : kAlphabet[(r >> 8) % (sizeof kAlphabet - 1)];
    }
    ResetModel(s);
    Load(noise);
    // Every index entry must name an existing record of its table.
    const TJwwTable<TJwwEntRef>& index = s.EntIndex;
    for (int32_t i = 0; i < index.Count(); ++i) {
      const TJwwEntRef ref = index[i];
      ASSERT_GE(ref.Kind, 1);
      ASSERT_LE(ref.Kind, 15);
      ASSERT_GE(ref.Index, 0);
    }
    const int32_t total = s.LineTable.Count() + s.CircleTable.Count() + s.ArcTable.Count() +
                          s.TextTable.Count() + s.PointTable.Count() + s.PointExTable.Count() +
                          s.DimTable.Count() + s.BlockTable.Count() + s.Sl2Table.Count() +
                          s.Sl3Table.Count() + s.Sl4Table.Count() + s.ScTable.Count() +
                          s.SeTable.Count() + s.SoTable.Count() + s.SgTable.Count();
    ASSERT_EQ(total, s.EntCount());
  }
}

}  // namespace
}  // namespace JwwGaibu
