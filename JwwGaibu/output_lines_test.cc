#include "JwwGaibu/output_lines.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "JwwGaibu/model.h"
#include "tests/test_folder.h"

namespace JwwGaibu {
namespace {

namespace fs = std::filesystem;

// --- The list -----------------------------------------------------------------------------

TEST(OutputLines, KeepsLinesWholeAndInOrder) {
  TJwwState s;
  const std::string longLine(300, 'x');
  AppendOutputLine(s, "hd");
  AppendOutputLine(s, "");
  AppendOutputLine(s, longLine);
  AppendOutputLine(s, std::string_view("a\0b", 3));
  ASSERT_EQ(s.Output.Count(), 4);
  EXPECT_EQ(s.Output.Line(0), "hd");
  EXPECT_EQ(s.Output.Line(1), "");
  EXPECT_EQ(s.Output.Line(2), longLine);
  EXPECT_EQ(s.Output.Line(3), std::string_view("a\0b", 3));
}

TEST(OutputLines, BuildsALinePieceByPiece) {
  OutputLines lines;
  lines.Put("lc");
  lines.Put('1');
  lines.Put("0 5");
  lines.EndLine();
  lines.EndLine();
  ASSERT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines.Line(0), "lc10 5");
  EXPECT_EQ(lines.Line(1), "");
}

TEST(OutputLines, GrowsInThousandLineSteps) {
  TJwwState s;
  EXPECT_EQ(s.Output.Capacity(), 0);
  for (int i = 1; i <= 1000; ++i) AppendOutputLine(s, std::to_string(i));
  EXPECT_EQ(s.Output.Capacity(), 1000);
  AppendOutputLine(s, "1001");
  EXPECT_EQ(s.Output.Capacity(), 2000);
  EXPECT_EQ(s.Output.Line(999), "1000");
  EXPECT_EQ(s.Output.Line(1000), "1001");
  ClearOutputLines(s);
  EXPECT_EQ(s.Output.Count(), 0);
  EXPECT_EQ(s.Output.Capacity(), 0);
  AppendOutputLine(s, "again");
  EXPECT_EQ(s.Output.Capacity(), 1000);
  EXPECT_EQ(s.Output.Line(0), "again");
}

// The list keeps the file's layout as it grows: taking lines back must restore whether the
// next line joins a text command.
struct TruncateCase {
  const char* name;
  std::vector<std::string> before;
  int32_t keep;
  std::vector<std::string> after;
  std::string file;
};

class OutputLinesTruncateTest : public testing::TestWithParam<TruncateCase> {};

TEST_P(OutputLinesTruncateTest, KeepsTheFileLayout) {
  OutputLines lines;
  for (const std::string& line : GetParam().before) lines.Append(line);
  lines.Put("partial line, never ended");
  lines.Truncate(GetParam().keep);
  for (const std::string& line : GetParam().after) lines.Append(line);
  EXPECT_EQ(lines.FileBytes(), GetParam().file);
  ASSERT_EQ(lines.Count(), GetParam().keep + static_cast<int32_t>(GetParam().after.size()));
  std::vector<std::string> expected(GetParam().before.begin(),
                                    GetParam().before.begin() + GetParam().keep);
  expected.insert(expected.end(), GetParam().after.begin(), GetParam().after.end());
  for (int32_t i = 0; i < lines.Count(); ++i) EXPECT_EQ(lines.Line(i), expected[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputLinesTruncateTest,
    testing::Values(
        TruncateCase{"ToNothing", {"hd", "ch 0 0 1 0 \""}, 0, {"lg0"}, "lg0\r\n"},
        TruncateCase{"AfterAPair", {"ch \"", "T", "z1"}, 2, {"ch \"", "U"}, "ch \"T\r\nch \"U\r\n"},
        TruncateCase{"InsideAPair", {"ch \"", "T", "z1"}, 1, {"X", "y"}, "ch \"X\r\ny\r\n"},
        TruncateCase{"SecondOfAPairEndingInAQuote", {"a\"", "b\"", "c"}, 2, {"d"}, "a\"b\"\r\nd\r\n"},
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

/// A fresh folder for each test, removed afterwards.
class SaveTest : public testing::Test {
 protected:
  static std::string ReadAll(const fs::path& path) { return rq27test::ReadFileBytes(path); }
  /// The names in the folder: a left-over temporary file shows here.
  std::set<std::string> Entries() const { return temp_.Entries(); }

  std::string Saved(const std::vector<std::string>& lines) {
    TJwwState s;
    for (const std::string& line : lines) AppendOutputLine(s, line);
    EXPECT_TRUE(SaveOutputLines(s, path_));
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

class SaveLayoutTest : public SaveTest, public testing::WithParamInterface<LayoutCase> {};

TEST_P(SaveLayoutTest, WritesTheCommandFile) { EXPECT_EQ(Saved(GetParam().lines), GetParam().file); }

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
        LayoutCase{"LongTextWhole", {"ch 0 0 1 0 \"", std::string(400, 'T')},
                   "ch 0 0 1 0 \"" + std::string(400, 'T') + "\r\n"},
        LayoutCase{"BytesAsStored", {"\x82\xA0\x81\x40\"", "\x83\x40"}, "\x82\xA0\x81\x40\"\x83\x40\r\n"}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST_F(SaveTest, ReplacesAnExistingFileWhole) {
  std::ofstream(path_, std::ios::binary) << std::string(10000, 'h') << "\r\n";
  EXPECT_EQ(Saved({"hd"}), "hd\r\n");
}

TEST_F(SaveTest, SavingDoesNotChangeTheList) {
  TJwwState s;
  AppendOutputLine(s, "hd");
  ASSERT_TRUE(SaveOutputLines(s, path_));
  ASSERT_TRUE(SaveOutputLines(s, path_));
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
  ASSERT_TRUE(SaveOutputLines(s, path_));
  EXPECT_TRUE(ReadAll(path_) == expected);
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

TEST_F(SaveTest, MissingFolderFailsWithoutLeavingAnything) {
  TJwwState s;
  AppendOutputLine(s, "hd");
  EXPECT_FALSE(SaveOutputLines(s, folder_ / "missing" / "JWC_TEMP.TXT"));
  EXPECT_TRUE(Entries().empty());
}

TEST_F(SaveTest, TargetThatIsAFolderFails) {
  fs::create_directory(path_);
  TJwwState s;
  AppendOutputLine(s, "hd");
  EXPECT_FALSE(SaveOutputLines(s, path_));
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  EXPECT_TRUE(fs::is_directory(path_));
}

#ifndef _WIN32
/// Lowers the largest file size this process may write, as a full disk would stop it.
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

TEST_F(SaveTest, FailedWriteRemovesTheTemporaryFileAndTheHostsFile) {
  std::ofstream(path_, std::ios::binary) << "hhp 1\r\n";  // the host's input
  TJwwState s;
  for (int i = 0; i < 100000; ++i) AppendOutputLine(s, "0 0 100 100");
  bool saved;
  {
    FileSizeLimit limit(64 * 1024);
    ASSERT_TRUE(limit.active());
    saved = SaveOutputLines(s, path_);
  }
  EXPECT_FALSE(saved);
  // Neither the partial command file nor the host's input is left to be read as commands.
  EXPECT_TRUE(Entries().empty());
}
#endif

}  // namespace
}  // namespace JwwGaibu
