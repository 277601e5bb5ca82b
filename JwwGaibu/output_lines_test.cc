#include "JwwGaibu/output_lines.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <errno.h>
#include <signal.h>
#include <sys/resource.h>
#endif

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "JwwGaibu/file_io.h"
#include "JwwGaibu/host_file.h"
#include "JwwGaibu/model.h"
#include "tests/test_folder.h"

namespace JwwGaibu {
namespace {

namespace fs = std::filesystem;

// --- The list -----------------------------------------------------------------------------

using Lines = std::vector<std::string>;

Lines Held(const OutputLines& lines) {
  Lines held;
  for (std::string_view line : lines.HeldLines()) held.emplace_back(line);
  return held;
}

TEST(OutputLines, KeepsLinesWholeAndInOrder) {
  TJwwState s;
  const std::string longLine(300, 'x');
  AppendOutputLine(s, "hd");
  AppendOutputLine(s, "");
  AppendOutputLine(s, longLine);
  AppendOutputLine(s, std::string_view("a\0b", 3));
  EXPECT_EQ(s.Output.Count(), 4);
  EXPECT_EQ(Held(s.Output), (Lines{"hd", "", longLine, std::string("a\0b", 3)}));
}

TEST(OutputLines, BuildsALinePieceByPiece) {
  OutputLines lines;
  lines.Put("lc");
  lines.Put('1');
  lines.PutDirect(8, [](char* out) {
    std::memcpy(out, "0 5", 3);
    return 3;
  });
  lines.EndLine();
  lines.EndLine();
  EXPECT_EQ(Held(lines), (Lines{"lc10 5", ""}));
}

// The held lines are found again from the file layout, text pairs included.
struct HeldCase {
  const char* name;
  Lines lines;
};

void PrintTo(const HeldCase& c, std::ostream* os) { *os << c.name; }

class HeldLinesTest : public testing::TestWithParam<HeldCase> {};

TEST_P(HeldLinesTest, AreTheAppendedLines) {
  OutputLines lines;
  for (const std::string& line : GetParam().lines) lines.Append(line);
  EXPECT_EQ(Held(lines), GetParam().lines);
  EXPECT_EQ(lines.Count(), static_cast<int32_t>(GetParam().lines.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeldLinesTest,
    testing::Values(HeldCase{"None", {}}, HeldCase{"TextPair", {"hd", "ch 0 0 1 0 \"", "T", "z1"}},
                    HeldCase{"EmptyText", {"ch 0 0 1 0 \"", "", ""}},
                    HeldCase{"TextEndingInQuote", {"ch \"", "a\"", "b"}},
                    HeldCase{"TextWithQuotesInside", {"ch \"", "a\"b\"c", "d\""}},
                    HeldCase{"PairAtTheEnd", {"hd", "ch 1 2 3 4 \""}},
                    HeldCase{"FontEndingInQuoteThenEmpty", {"fn<x>\"", "", "ch \"", "t"}}),
    [](const testing::TestParamInfo<HeldCase>& info) { return info.param.name; });

TEST(OutputLines, ClearFreesEverythingAndStartsAfresh) {
  TJwwState s;
  for (int i = 1; i <= 1001; ++i) AppendOutputLine(s, std::to_string(i));
  AppendOutputLine(s, "ch \"");  // leaves a pairing open
  ClearOutputLines(s);
  EXPECT_EQ(s.Output.Count(), 0);
  EXPECT_EQ(s.Output.FileBytes(), "");
  AppendOutputLine(s, "again");
  EXPECT_EQ(s.Output.FileBytes(), "again\r\n");
}

// The list keeps the file's layout as it grows: taking lines back must restore whether the
// next line joins a text command.
struct TruncateCase {
  const char* name;
  Lines before;
  int32_t keep;
  Lines after;
  std::string file;
};

void PrintTo(const TruncateCase& c, std::ostream* os) { *os << c.name; }

class OutputLinesTruncateTest : public testing::TestWithParam<TruncateCase> {};

TEST_P(OutputLinesTruncateTest, KeepsTheFileLayout) {
  OutputLines lines;
  std::vector<OutputLines::Position> positions{lines.Here()};
  for (const std::string& line : GetParam().before) {
    lines.Append(line);
    positions.push_back(lines.Here());
  }
  lines.Put("partial line, never ended");
  lines.Truncate(positions[GetParam().keep]);
  for (const std::string& line : GetParam().after) lines.Append(line);
  EXPECT_EQ(lines.FileBytes(), GetParam().file);
  Lines expected(GetParam().before.begin(), GetParam().before.begin() + GetParam().keep);
  expected.insert(expected.end(), GetParam().after.begin(), GetParam().after.end());
  EXPECT_EQ(lines.Count(), static_cast<int32_t>(expected.size()));
  EXPECT_EQ(Held(lines), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputLinesTruncateTest,
    testing::Values(
        TruncateCase{"ToNothing", {"hd", "ch 0 0 1 0 \""}, 0, {"lg0"}, "lg0\r\n"},
        TruncateCase{"AfterAPair", {"ch \"", "T", "z1"}, 2, {"ch \"", "U"}, "ch \"T\r\nch \"U\r\n"},
        TruncateCase{"InsideAPair", {"ch \"", "T", "z1"}, 1, {"X", "y"}, "ch \"X\r\ny\r\n"},
        TruncateCase{
            "SecondOfAPairEndingInAQuote", {"a\"", "b\"", "c"}, 2, {"d"}, "a\"b\"\r\nd\r\n"},
        TruncateCase{"NothingTakenBack", {"hd", "z1"}, 2, {}, "hd\r\nz1\r\n"}),
    [](const testing::TestParamInfo<TruncateCase>& info) { return info.param.name; });

TEST(OutputLines, FileBytesHoldOnlyCompleteLines) {
  OutputLines lines;
  EXPECT_EQ(lines.FileBytes(), "");
  lines.Append("hd");
  lines.Put("lc");
  EXPECT_EQ(lines.FileBytes(), "hd\r\n");
  lines.EndLine();
  EXPECT_EQ(lines.FileBytes(), "hd\r\nlc\r\n");
}

TEST(OutputLines, MovingTakesTheLinesAndLeavesAnEmptyList) {
  OutputLines from;
  from.Append("ch 0 0 1 0 \"");
  OutputLines to(std::move(from));
  to.Append("T");
  EXPECT_EQ(to.FileBytes(), "ch 0 0 1 0 \"T\r\n");
  EXPECT_EQ(from.Count(), 0);  // NOLINT(bugprone-use-after-move): moved-from lists are empty
  EXPECT_EQ(from.FileBytes(), "");
  from.Append("z1");  // and usable: no pairing is left over from the text command
  EXPECT_EQ(from.FileBytes(), "z1\r\n");
}

// --- Saving -------------------------------------------------------------------------------

/// The save within a fresh budget of its own.
bool Save(TJwwState& s, const fs::path& path) {
  RetryBudget budget = StartRetryBudget();
  return SaveOutputLines(s, path, budget);
}

/// A fresh folder for each test, removed afterwards.
class SaveTest : public testing::Test {
 protected:
  static std::string ReadAll(const fs::path& path) { return rq27test::ReadFileBytes(path); }
  /// The names in the folder: a left-over temporary file shows here.
  std::set<std::string> Entries() const { return temp_.Entries(); }

  std::string Saved(const std::vector<std::string>& lines) {
    TJwwState s;
    for (const std::string& line : lines) AppendOutputLine(s, line);
    EXPECT_TRUE(Save(s, path_));
    EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
    return ReadAll(path_);
  }

  rq27test::TestFolder temp_{"rq27-save-"};
  const fs::path folder_ = temp_.Path();
  const fs::path path_ = folder_ / "JWC_TEMP.TXT";
};

struct LayoutCase {
  const char* name;
  std::vector<std::string> lines;
  std::string file;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class SaveLayoutTest : public SaveTest, public testing::WithParamInterface<LayoutCase> {};

TEST_P(SaveLayoutTest, WritesTheCommandFile) {
  EXPECT_EQ(Saved(GetParam().lines), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SaveLayoutTest,
    testing::Values(
        LayoutCase{"EmptyListIsHq", {}, "hq\r\n"},
        LayoutCase{"ThreeLines", {"hd", "lg0", "ly2"}, "hd\r\nlg0\r\nly2\r\n"},
        LayoutCase{"TextJoined", {"ch 0 0 1 0 \"", "ABC"}, "ch 0 0 1 0 \"ABC\r\n"},
        LayoutCase{"NoChaining", {"a\"", "b\"", "c"}, "a\"b\"\r\nc\r\n"},
        LayoutCase{"QuoteAfterPairIsPairedAgain", {"a\"", "b", "c\"", "d"}, "a\"b\r\nc\"d\r\n"},
        LayoutCase{"LastLineEndsInQuote", {"hd", "ch 1 2 3 4 \""}, "hd\r\nch 1 2 3 4 \""},
        LayoutCase{"EmptyLine", {"hd", "", "z1"}, "hd\r\n\r\nz1\r\n"},
        LayoutCase{"EmptyTextBehindQuote", {"x\"", "", "y"}, "x\"\r\ny\r\n"},
        LayoutCase{"QuoteInsideIsNoPairing", {"a\"b", "c"}, "a\"b\r\nc\r\n"},
        LayoutCase{"LongTextWhole",
                   {"ch 0 0 1 0 \"", std::string(400, 'T')},
                   "ch 0 0 1 0 \"" + std::string(400, 'T') + "\r\n"},
        LayoutCase{
            "BytesAsStored", {"\x82\xA0\x81\x40\"", "\x83\x40"}, "\x82\xA0\x81\x40\"\x83\x40\r\n"}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST_F(SaveTest, ReplacesAnExistingFileWhole) {
  std::ofstream(path_, std::ios::binary) << std::string(10000, 'h') << "\r\n";
  EXPECT_EQ(Saved({"hd"}), "hd\r\n");
}

TEST_F(SaveTest, SavingDoesNotChangeTheList) {
  TJwwState s;
  AppendOutputLine(s, "hd");
  ASSERT_TRUE(Save(s, path_));
  ASSERT_TRUE(Save(s, path_));
  EXPECT_EQ(s.Output.Count(), 1);
  EXPECT_EQ(ReadAll(path_), "hd\r\n");
}

TEST_F(SaveTest, OutputLargerThanOneChunk) {
  // Lines of many sizes, some larger than a write piece, with text pairs among them.
  TJwwState s;
  std::string expected;
  std::mt19937 random(3);
  for (int i = 0; i < 3000; ++i) {
    const size_t size = i % 500 == 7 ? (1u << 20) + 13 : random() % 2000;
    const std::string text(size, static_cast<char>('a' + i % 26));
    if (i % 3 == 0) {
      AppendOutputLine(s, "ch 0 0 1 0 \"");
      expected += "ch 0 0 1 0 \"";
    }
    AppendOutputLine(s, text);
    expected += text + "\r\n";
  }
  ASSERT_TRUE(Save(s, path_));
  EXPECT_TRUE(ReadAll(path_) == expected);
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

TEST_F(SaveTest, MissingFolderFailsWithoutLeavingAnything) {
  TJwwState s;
  AppendOutputLine(s, "hd");
  EXPECT_FALSE(Save(s, folder_ / "missing" / "JWC_TEMP.TXT"));
  EXPECT_TRUE(Entries().empty());
}

TEST_F(SaveTest, TargetThatIsAFolderFails) {
  fs::create_directory(path_);
  TJwwState s;
  AppendOutputLine(s, "hd");
  EXPECT_FALSE(Save(s, path_));
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  EXPECT_TRUE(fs::is_directory(path_));
}

// --- Spilling into the command file's temporary copy ---------------------------------------

/// Lines of many sizes with text pairs among them; `spillAfter(i)` is called after line i.
template <class AfterLine>
std::string AppendMixedLines(TJwwState& s, int count, AfterLine&& afterLine) {
  std::string expected;
  std::mt19937 random(7);
  for (int i = 0; i < count; ++i) {
    const std::string text(random() % 300, static_cast<char>('a' + i % 26));
    if (i % 3 == 0) {
      AppendOutputLine(s, "ch 0 0 1 0 \"");
      expected += "ch 0 0 1 0 \"";
      afterLine(i);  // between a text command and its text
    }
    AppendOutputLine(s, text);
    expected += text + "\r\n";
    afterLine(i);
  }
  return expected;
}

class SpillTest : public SaveTest {
 protected:
  /// The names in the folder other than the host's file.
  size_t Temporaries() const { return Entries().size() - (fs::exists(path_) ? 1 : 0); }
};

TEST_F(SpillTest, SavedFileIsTheSameAsWithoutSpilling) {
  std::ofstream(path_, std::ios::binary) << "hhp 1\r\n";  // the host's input
  TJwwState s;
  ASSERT_TRUE(BeginCommandFile(s, path_));
  EXPECT_EQ(Temporaries(), 1u);
  const std::string expected =
      AppendMixedLines(s, 2000, [&](int i) { s.Output.Spill(i % 7 * 100); });
  EXPECT_GT(s.Output.SpilledBytes(), expected.size() / 2);
  EXPECT_EQ(ReadAll(path_), "hhp 1\r\n");  // untouched until the save
  ASSERT_TRUE(Save(s, path_));
  EXPECT_TRUE(ReadAll(path_) == expected);
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  EXPECT_EQ(s.Output.Count(), 2000 + 667);
}

TEST_F(SpillTest, NeverWritesAHalfFinishedTextCommand) {
  TJwwState s;
  ASSERT_TRUE(BeginCommandFile(s, path_));
  AppendOutputLine(s, "hd");
  AppendOutputLine(s, "ch 0 0 1 0 \"");
  s.Output.Spill(0);
  EXPECT_EQ(s.Output.SpilledBytes(), 0u);
  AppendOutputLine(s, "T");
  s.Output.Spill(0);
  EXPECT_EQ(s.Output.SpilledBytes(), 19u);  // "hd" and the text line
  EXPECT_EQ(s.Output.FileBytes(), "");
}

TEST_F(SpillTest, TakingBackSpilledLinesCutsTheCopy) {
  TJwwState s;
  ASSERT_TRUE(BeginCommandFile(s, path_));
  AppendOutputLine(s, "hd");
  const OutputLines::Position position = s.Output.Here();
  AppendOutputLine(s, "z1");
  AppendOutputLine(s, "z2");
  s.Output.Spill(0);
  s.Output.Truncate(position);
  AppendOutputLine(s, "0 0 1 1");
  ASSERT_TRUE(Save(s, path_));
  EXPECT_EQ(ReadAll(path_), "hd\r\n0 0 1 1\r\n");
}

TEST_F(SpillTest, ClearingRemovesTheCopyAndLaterLinesAreSavedAlone) {
  TJwwState s;
  ASSERT_TRUE(BeginCommandFile(s, path_));
  AppendMixedLines(s, 500, [&](int) { s.Output.Spill(0); });
  ClearOutputLines(s);  // Escape during the pass
  EXPECT_EQ(Temporaries(), 0u);
  AppendOutputLine(s, "lg0");
  ASSERT_TRUE(Save(s, path_));
  EXPECT_EQ(ReadAll(path_), "lg0\r\n");
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

TEST_F(SpillTest, EmptyListIsStillHq) {
  TJwwState s;
  ASSERT_TRUE(BeginCommandFile(s, path_));
  s.Output.Spill(0);
  ASSERT_TRUE(Save(s, path_));
  EXPECT_EQ(ReadAll(path_), "hq\r\n");
}

TEST_F(SpillTest, SpilledLinesCannotBeSavedElsewhereNorTwice) {
  TJwwState s;
  ASSERT_TRUE(BeginCommandFile(s, path_));
  AppendOutputLine(s, "hd");
  s.Output.Spill(0);
  const fs::path other = folder_ / "other.txt";
  EXPECT_FALSE(Save(s, other));
  EXPECT_EQ(ReadAll(other), "hq\r\n");
  ASSERT_TRUE(Save(s, path_));
  EXPECT_EQ(ReadAll(path_), "hd\r\n");
  // A second save would lack the spilled lines: it fails, and leaves "hq" in their place.
  EXPECT_FALSE(Save(s, path_));
  EXPECT_EQ(ReadAll(path_), "hq\r\n");
  EXPECT_EQ(Entries().size(), 2u);  // no temporary file
}

TEST_F(SpillTest, FolderWithoutRoomForTheCopyKeepsTheLinesInMemory) {
  TJwwState s;
  EXPECT_FALSE(BeginCommandFile(s, folder_ / "missing" / "JWC_TEMP.TXT"));
  AppendOutputLine(s, "hd");
  s.Output.Spill(0);
  EXPECT_EQ(s.Output.FileBytes(), "hd\r\n");
  ASSERT_TRUE(Save(s, path_));
  EXPECT_EQ(ReadAll(path_), "hd\r\n");
}

#ifndef _WIN32
/// Lowers the largest file size this process may write: a write past it fails, as on a
/// file system whose files cannot grow so large.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousSignal_ = signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    signal(SIGXFSZ, previousSignal_);
  }
  bool active() const { return active_; }

 private:
  rlimit previous_{};
  void (*previousSignal_)(int);
  bool active_ = false;
};

TEST_F(SaveTest, FailedWriteLeavesHqAndNoTemporaryFile) {
  std::ofstream(path_, std::ios::binary) << "hhp 1\r\n";  // the host's input
  TJwwState s;
  for (int i = 0; i < 100000; ++i) AppendOutputLine(s, "0 0 100 100");
  bool saved;
  {
    FileSizeLimit limit(64 * 1024);
    ASSERT_TRUE(limit.active());
    saved = Save(s, path_);
  }
  EXPECT_FALSE(saved);
  // A size limit is no full disk: freeing room would not help, so the user is not told to.
  EXPECT_EQ(s.SaveError, (FileError{FileError::Kind::kOther, EFBIG}));
  // Neither the partial command file nor the host's input is left to be read as commands.
  EXPECT_EQ(ReadAll(path_), "hq\r\n");
  EXPECT_EQ(Entries().size(), 1u);
}

TEST_F(SpillTest, FailedSpillMakesTheSaveFailAndLeavesHq) {
  std::ofstream(path_, std::ios::binary) << "hhp 1\r\n";
  TJwwState s;
  bool saved;
  {
    FileSizeLimit limit(64 * 1024);
    ASSERT_TRUE(limit.active());
    ASSERT_TRUE(BeginCommandFile(s, path_));
    for (int i = 0; i < 100000; ++i) {
      AppendOutputLine(s, "0 0 100 100");
      s.Output.Spill(4096);
    }
    EXPECT_LT(s.Output.FileBytes().size(), 8192u);  // dropped, not held, after the failure
    saved = Save(s, path_);
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadAll(path_), "hq\r\n");
  EXPECT_EQ(Entries().size(), 1u);
}
#endif

}  // namespace
}  // namespace JwwGaibu
