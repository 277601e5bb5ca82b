#include "JwwGaibu/host_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "JwwGaibu/model.h"
#include "JwwGaibu/output_lines.h"
#include "tests/test_folder.h"

namespace JwwGaibu {
namespace {

namespace fs = std::filesystem;

class HostFileTest : public testing::Test {
 protected:
  rq27test::TestFolder temp_{"rq27-host-"};
  const fs::path folder_ = temp_.Path();
  const fs::path path_ = folder_ / "JWC_TEMP.TXT";
};

/// Records which fallbacks the save asks for; each succeeds only where told.
class FakeHqFallbacks : public HqFallbacks {
 public:
  ReadBack HoldsHq(const fs::path&) override {
    calls.emplace_back("check");
    return holdsHq;
  }
  bool ReplaceWithHq(const fs::path&) override { return Did("replace", replaceWorks); }
  bool OverwriteWithHq(const fs::path&) override { return Did("in place", overwriteWorks); }
  bool Remove(const fs::path&) override { return Did("remove", removeWorks); }

  ReadBack holdsHq = ReadBack::kHolds;
  bool replaceWorks = false;
  bool overwriteWorks = false;
  bool removeWorks = false;
  std::vector<std::string> calls;

 private:
  bool Did(const char* what, bool works) {
    calls.emplace_back(what);
    return works;
  }
};

// After the command file could not take its place: what is asked of the disk depends on
// what the host's file holds. Where this run's "hq" still stands, nothing is rewritten or
// removed, and an empty list (Cancel) writes nothing at all; so too where the file cannot
// be read back (it held the "hq" when last written). Where the selection may still be
// there, or another run has put its own file in the "hq"'s place, "hq" is tried every way,
// and the file is removed only last.
TEST_F(HostFileTest, FailedSaveTouchesTheFileOnlyWhereHqDoesNotStand) {
  struct Case {
    const char* name;
    HostFile holds;
    bool emptyList;
    ReadBack holdsHq;  // what the file is found to hold when checked
    bool overwriteWorks;
    std::vector<std::string> calls;
    HostFile after;
  } cases[] = {
      {"hq stands, commands fail", HostFile::kHq, false, ReadBack::kHolds, true, {"check"},
       HostFile::kHq},
      {"hq stands, Cancel", HostFile::kHq, true, ReadBack::kHolds, true, {"check"},
       HostFile::kHq},
      {"unreadable, commands fail", HostFile::kHq, false, ReadBack::kUnknown, true, {"check"},
       HostFile::kHq},
      {"unreadable, Cancel", HostFile::kHq, true, ReadBack::kUnknown, true, {"check"},
       HostFile::kHq},
      {"another run's file, commands fail", HostFile::kHq, false, ReadBack::kHoldsOther, true,
       {"check", "replace", "in place"}, HostFile::kHq},
      {"another run's file, Cancel", HostFile::kHq, true, ReadBack::kHoldsOther, true,
       {"check", "in place"}, HostFile::kHq},
      {"selection, commands fail", HostFile::kSelection, false, ReadBack::kHolds, false,
       {"replace", "in place", "remove"}, HostFile::kNothing},
      {"selection, hq in place", HostFile::kSelection, false, ReadBack::kHolds, true,
       {"replace", "in place"}, HostFile::kHq},
      {"selection, the hq of Cancel fails", HostFile::kSelection, true, ReadBack::kHolds, false,
       {"in place", "remove"}, HostFile::kNothing},
  };
  for (const Case& c : cases) {
    TJwwState s;
    s.HostFileHolds = c.holds;
    if (!c.emptyList) AppendOutputLine(s, "hd");
    FakeHqFallbacks fallbacks;
    fallbacks.holdsHq = c.holdsHq;
    fallbacks.overwriteWorks = c.overwriteWorks;
    fallbacks.removeWorks = true;
    // No new file can be made in a missing folder: a save that writes anything fails.
    const bool nothingToWrite =
        c.emptyList && c.holds == HostFile::kHq && c.holdsHq != ReadBack::kHoldsOther;
    RetryBudget budget = StartRetryBudget();
    EXPECT_EQ(SaveOutputLines(s, folder_ / "missing" / "JWC_TEMP.TXT", budget, &fallbacks),
              nothingToWrite)
        << c.name;
    // The reason reaches the caller: the folder is not there.
    EXPECT_EQ(s.SaveError.ErrorKind,
              nothingToWrite ? FileError::Kind::kNone : FileError::Kind::kMissing)
        << c.name;
    EXPECT_EQ(fallbacks.calls, c.calls) << c.name;
    EXPECT_EQ(s.HostFileHolds, c.after) << c.name;
  }
}

// Two runs in one folder: after this run's "hq", another run's complete command file took
// the file's place. Cancel must not leave that file for this run's host, and finds out
// by reading the file, not by remembering what it wrote.
TEST_F(HostFileTest, CancelPutsHqBackWhereAnotherRunsFileStands) {
  TJwwState s;
  SaveHq(s, path_);
  ASSERT_EQ(s.HostFileHolds, HostFile::kHq);
  std::ofstream(path_, std::ios::binary) << "hd\r\nch 0 0 1 0 \"other\r\n";
  RetryBudget budget = StartRetryBudget();
  ASSERT_TRUE(SaveOutputLines(s, path_, budget));
  EXPECT_EQ(rq27test::ReadFileBytes(path_), "hq\r\n");
  EXPECT_EQ(temp_.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

}  // namespace
}  // namespace JwwGaibu
