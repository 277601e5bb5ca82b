#include "JwwGaibu/write_back.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "JwwGaibu/emitters.h"
#include "JwwGaibu/reader.h"

namespace JwwGaibu {
namespace {

class QuietLabel : public ProgressLabel {
 public:
  void SetStatusText(std::string_view) override {}
  bool StopRequested() override { return false; }
};

/// Reads the lines, runs the pass after "hd", and returns what it appended.
std::vector<std::string> WriteBack(std::initializer_list<std::string_view> input) {
  TJwwState s;
  ResetModel(s);
  for (auto line : input) EXPECT_TRUE(ParseLine(s, line));
  ResetCurrentAttributes(s);
  AppendOutputLine(s, "hd");
  QuietLabel label;
  WriteBackModel(s, label);
  std::vector<std::string> out;
  for (std::string_view line : s.Output.HeldLines()) out.emplace_back(line);
  EXPECT_EQ(static_cast<int32_t>(out.size()), s.Output.Count());
  return out;
}

using Lines = std::vector<std::string>;

TEST(WriteBackModel, WorkedExample) {
  EXPECT_EQ(WriteBack({"bz", "lg0", "ly2", "lc1", "lt1", "0 0 100 0", "lc3", "z1", "0 0 0 50",
                       "ly3", "pn2", "pt 5 5"}),
            (Lines{"hd", "bz", "lg0", "ly2", "lc1", "lt1", "0 0 100 0", "lc3", "z1", "0 0 0 50",
                   "ly3", "pn2", "pt 5 5", "ly2"}));
}

TEST(WriteBackModel, EmptyModelWritesClosingLines) {
  EXPECT_EQ(WriteBack({}), (Lines{"hd", "lg0", "ly0"}));
  EXPECT_EQ(WriteBack({"lg5", "lyC", "BL 0 0 b"}), (Lines{"hd", "lg5", "lyC"}));
}

TEST(WriteBackModel, EachKindWithItsOwnAttributeSteps) {
  EXPECT_EQ(
      WriteBack({"lw3", "lc10 77", "lt2", "0 0 1 1", "ci 0 0 2", "ci 0 0 2 1 0 1 0", "sl 0 0 1 1",
                 "sl 0 0 1 0 1 1", "se 0 0 1 1 0 0 0 100", "lc4", "so 0 0 2 1 0 0 0 1"}),
      (Lines{"hd", "lg0", "ly0", "lc10", "lt2", "lw3", "0 0 1 1", "ci 0 0 2", "ci 0 0 2 1 0 1 0",
             // solids: extended colour; kind 9 and 13 write their line width, 10 none
             "lc10 77", "sl 0 0 1 1", "sl 0 0 1 0 1 1", "se 0 0 1 1 0 0 0 100", "lc4",
             "so 0 0 2 1 0 0 0 1"}));
}

TEST(WriteBackModel, TextsAndDimensions) {
  EXPECT_EQ(WriteBack({"cn0 2.5 2.5 0 1", "cc2", "cn$F", "z3", "cr 1 2 1 0 \"x y", "lc3", "msg",
                       "0 0 3 4", "z2", "cs 1 1 1 0 \"", "cn4", "cs 0 0 1 0 \"t"}),
            (Lines{"hd", "lg0", "ly0", "cn0 2.5 2.5 0 1", "cc2", "cn\"$F", "z3", "cr 1 2 1 0 \"",
                   "x y", "lc3", "lt1", "z2", "msg", "0 0 3 4", "cs 1 1 1 0 \"", "5", "cn4",
                   "cs 0 0 1 0 \"", "t"}));
}

class EscapeAt : public ProgressLabel {
 public:
  explicit EscapeAt(int poll) : poll_(poll) {}
  void SetStatusText(std::string_view text) override { texts.emplace_back(text); }
  bool StopRequested() override { return polls++ == poll_; }
  std::vector<std::string> texts;
  int polls = 0;

 private:
  int poll_;
};

TEST(WriteBackModel, StopEmptiesTheListAndWritesNothingMore) {
  TJwwState s;
  ResetModel(s);
  ParseLine(s, "lg1");
  ParseLine(s, "ly1");
  for (int i = 0; i < 150; ++i) ParseLine(s, i < 100 ? "0 0 1 1" : "lg2");
  ParseLine(s, "ci 0 0 1");
  ParseLine(s, "ci 0 0 2");
  for (int i = 0; i < 99; ++i) ParseLine(s, "ly3");
  ResetCurrentAttributes(s);
  AppendOutputLine(s, "hd");
  EscapeAt label(1);  // down at the check before item 101
  WriteBackModel(s, label);
  // Group 2 and layer 3 were written last, yet no line goes back to the first ones.
  ASSERT_EQ(s.Output.Count(), 0);
  EXPECT_EQ(label.texts, (std::vector<std::string>{"処理中(ESC:中断)：1／102",
                                                   "処理中(ESC:中断)：101／102"}));
}

// The host puts "z1" to "z5" on the item that follows them: the marks of an item that is
// written as nothing must not reach the next one.
TEST(WriteBackModel, MarksOfADroppedItemAreTakenBack) {
  EXPECT_EQ(WriteBack({"cn$F", "z5", "z4", "cs 0 -5 1 0 \"", "z1", "ci 0 0 0", "0 0 -1 -1"}),
            (Lines{"hd", "lg0", "ly0", "cn1", "cc0", "cn\"$F", "lc1", "lt1", "0 0 -1 -1"}));
  EXPECT_EQ(WriteBack({"z2", "5 5 5 5", "z3", "pt 1 1"}),
            (Lines{"hd", "lg0", "ly0", "lc1", "lt1", "pn1", "z3", "pt 1 1"}));
}

}  // namespace
}  // namespace JwwGaibu
