#include "JwwGaibu/file_io.h"

#include <gtest/gtest.h>

#include "JwwGaibu/temp_name.h"
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#else
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/test_folder.h"

namespace JwwGaibu {
namespace {

namespace fs = std::filesystem;

/// A fresh folder for each test, removed afterwards.
class FileIoTest : public testing::Test {
 protected:
  static void WriteFile(const fs::path& path, const std::string& bytes) {
    rq27test::WriteFileBytes(path, bytes);
  }
  static std::string ReadAll(const fs::path& path) { return rq27test::ReadFileBytes(path); }
  std::set<std::string> Entries() const { return temp_.Entries(); }

  rq27test::TestFolder temp_{"rq27-io-"};
  const fs::path folder_ = temp_.Path();
  const fs::path path_ = folder_ / "JWC_TEMP.TXT";
};

// --- InputFile ----------------------------------------------------------------------------

TEST_F(FileIoTest, ReadsAFileInPiecesToItsEnd) {
  const std::string bytes = "hhp 1\r\n\x82\xA0\r\n" + std::string(5000, 'x');
  WriteFile(path_, bytes);
  InputFile file;
  ASSERT_EQ(file.Open(path_), InputFile::OpenResult::kOk);
  std::string read;
  char buffer[1024];
  std::ptrdiff_t n;
  while ((n = file.Read(buffer, sizeof buffer)) > 0) read.append(buffer, n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(read, bytes);
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
}

TEST_F(FileIoTest, EmptyFileReadsAsEnd) {
  WriteFile(path_, "");
  InputFile file;
  ASSERT_EQ(file.Open(path_), InputFile::OpenResult::kOk);
  char buffer[16];
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
}

TEST_F(FileIoTest, MissingFileOrFolderIsMissing) {
  InputFile file;
  EXPECT_EQ(file.Open(path_), InputFile::OpenResult::kMissing);
  EXPECT_EQ(file.Open(folder_ / "no-folder" / "JWC_TEMP.TXT"), InputFile::OpenResult::kMissing);
  char buffer[16];
  EXPECT_EQ(file.Read(buffer, sizeof buffer), -1);  // nothing open
}

TEST_F(FileIoTest, ReopeningReadsTheNewFile) {
  WriteFile(path_, "first");
  WriteFile(folder_ / "other", "second");
  InputFile file;
  ASSERT_EQ(file.Open(path_), InputFile::OpenResult::kOk);
  ASSERT_EQ(file.Open(folder_ / "other"), InputFile::OpenResult::kOk);
  char buffer[16];
  EXPECT_EQ(std::string(buffer, file.Read(buffer, sizeof buffer)), "second");
}

TEST_F(FileIoTest, FolderIsNoReadableFile) {
  fs::create_directory(path_);
  InputFile file;
  const InputFile::OpenResult result = file.Open(path_);
  EXPECT_NE(result, InputFile::OpenResult::kMissing);
  if (result == InputFile::OpenResult::kOk) {  // POSIX opens a folder; reading it fails
    char buffer[16];
    EXPECT_EQ(file.Read(buffer, sizeof buffer), -1);
  }
}

#ifndef _WIN32
TEST_F(FileIoTest, PathThroughAFileIsMissing) {
  WriteFile(path_, "x");
  InputFile file;
  EXPECT_EQ(file.Open(path_ / "below"), InputFile::OpenResult::kMissing);
}
#endif

// --- AtomicFileWriter ---------------------------------------------------------------------

TEST_F(FileIoTest, CommitReplacesTheTargetAndLeavesNoTemporaryFile) {
  WriteFile(path_, std::string(100, 'o'));
  AtomicFileWriter writer;
  ASSERT_TRUE(writer.Open(path_));
  EXPECT_EQ(ReadAll(path_), std::string(100, 'o'));  // untouched until the commit
  EXPECT_EQ(Entries().size(), 2u);                   // the target and the temporary file
  ASSERT_TRUE(writer.Write("hd\r\n"));
  ASSERT_TRUE(writer.Write(""));
  ASSERT_TRUE(writer.Write("lg0\r\n"));
  ASSERT_TRUE(writer.Commit());
  EXPECT_EQ(ReadAll(path_), "hd\r\nlg0\r\n");
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  EXPECT_FALSE(writer.Commit());  // nothing open any more
  EXPECT_FALSE(writer.Write("x"));
}

TEST_F(FileIoTest, TemporaryFileIsHiddenBesideTheTarget) {
  AtomicFileWriter writer;
  ASSERT_TRUE(writer.Open(path_));
  const std::set<std::string> entries = Entries();
  ASSERT_EQ(entries.size(), 1u);
  const std::string temp = *entries.begin();
  EXPECT_EQ(temp.rfind(".JWC_TEMP.TXT.", 0), 0u) << temp;
  EXPECT_EQ(temp.substr(temp.size() - 4), ".tmp") << temp;
}

TEST_F(FileIoTest, AbandonedWriterRemovesItsTemporaryFile) {
  WriteFile(path_, "host");
  {
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(path_));
    ASSERT_TRUE(writer.Write("partial"));
  }
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  EXPECT_EQ(ReadAll(path_), "host");
}

TEST_F(FileIoTest, TwoWritersForOneTargetGetTheirOwnFiles) {
  AtomicFileWriter first;
  AtomicFileWriter second;
  ASSERT_TRUE(first.Open(path_));
  ASSERT_TRUE(second.Open(path_));
  ASSERT_TRUE(first.Write("first"));
  ASSERT_TRUE(second.Write("second"));
  ASSERT_TRUE(second.Commit());
  ASSERT_TRUE(first.Commit());
  EXPECT_EQ(ReadAll(path_), "first");
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

TEST_F(FileIoTest, OpenInAMissingFolderFails) {
  AtomicFileWriter writer;
  EXPECT_FALSE(writer.Open(folder_ / "missing" / "JWC_TEMP.TXT"));
  EXPECT_FALSE(writer.Write("x"));
  EXPECT_FALSE(writer.Commit());
  EXPECT_TRUE(Entries().empty());
}

TEST_F(FileIoTest, CommitOverAFolderFailsAndRemovesTheTemporaryFile) {
  fs::create_directory(path_);
  AtomicFileWriter writer;
  ASSERT_TRUE(writer.Open(path_));
  ASSERT_TRUE(writer.Write("hd\r\n"));
  EXPECT_FALSE(writer.Commit());
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  EXPECT_TRUE(fs::is_directory(path_));
}

TEST_F(FileIoTest, RelativeTargetWritesIntoTheWorkingFolder) {
  const fs::path previous = fs::current_path();
  fs::current_path(folder_);
  AtomicFileWriter writer;
  const bool ok = writer.Open("JWC_TEMP.TXT") && writer.Write("hq\r\n") && writer.Commit();
  fs::current_path(previous);
  EXPECT_TRUE(ok);
  EXPECT_EQ(ReadAll(path_), "hq\r\n");
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

/// Writes a file beside each of `kept`, commits a save and checks that the folder then
/// holds only those and the target (any other temporary file was removed).
void ExpectCommitKeepsOnly(const fs::path& folder, const fs::path& target,
                           const std::set<std::string>& kept) {
  for (const std::string& name : kept) rq27test::WriteFileBytes(folder / name, "x");
  AtomicFileWriter writer;
  ASSERT_TRUE(writer.Open(target));
  ASSERT_TRUE(writer.Write("hq\r\n"));
  ASSERT_TRUE(writer.Commit());
  std::set<std::string> expected = kept;
  expected.insert(target.filename().string());
  std::set<std::string> entries;
  for (const auto& entry : fs::directory_iterator(folder))
    entries.insert(entry.path().filename().string());
  EXPECT_EQ(entries, expected);
}

#ifndef _WIN32
// A run killed while saving leaves its temporary file; a later save removes it once its
// process is gone, and touches nothing else.
TEST_F(FileIoTest, CommitRemovesTemporariesOfRunsThatAreGone) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);  // its pid now names no process
  const std::string dead = std::to_string(child);
  const std::string stale = ".JWC_TEMP.TXT." + dead + ".0.tmp";
  const std::set<std::string> kept = {
      ".JWC_TEMP.TXT.1.0.tmp",                                   // a live process
      ".JWC_TEMP.TXT." + std::to_string(::getpid()) + ".7.tmp",  // this one
      ".JWC_TEMP.TXT.0.0.tmp",
      ".JWC_TEMP.TXT.-1.0.tmp",  // no process ids
      ".JWC_TEMP.TXT." + dead + ".tmp",
      ".JWC_TEMP.TXT." + dead + ".x.tmp",
      ".OTHER.TXT." + dead + ".0.tmp",
      "JWC_TEMP.TXT." + dead + ".0.tmp",
      ".JWC_TEMP.TXT." + dead + ".0.tmp.bak"};
  WriteFile(folder_ / stale, "partial");
  ExpectCommitKeepsOnly(folder_, path_, kept);
}
#else
TEST_F(FileIoTest, CommitRemovesTemporariesOfRunsThatAreGone) {
  // Process ids are multiples of four below 2^32; this one names no process.
  const std::string dead = "4294967292";
  const std::set<std::string> kept = {
      ".JWC_TEMP.TXT." + std::to_string(::GetCurrentProcessId()) + ".7.tmp",  // this one
      ".JWC_TEMP.TXT." + dead + ".tmp",
      ".JWC_TEMP.TXT." + dead + ".x.tmp",
      ".JWC_TEMP.TXT.99999999999.0.tmp",  // not a process id
      ".OTHER.TXT." + dead + ".0.tmp",
      "JWC_TEMP.TXT." + dead + ".0.tmp"};
  WriteFile(folder_ / (".JWC_TEMP.TXT." + dead + ".0.tmp"), "partial");
  ExpectCommitKeepsOnly(folder_, path_, kept);
}
#endif

// --- Temporary names ------------------------------------------------------------------------

TEST(TemporaryName, IsMadeAndFoundAgain) {
  const fs::path made = TemporaryPath(fs::path("dir") / "JWC_TEMP.TXT", 4321, 7);
  EXPECT_EQ(made, fs::path("dir") / ".JWC_TEMP.TXT.4321.7.tmp");
  EXPECT_EQ(TemporaryOwner(made.filename(), "JWC_TEMP.TXT"), 4321u);
  EXPECT_EQ(TemporaryPath("JWC_TEMP.TXT", 0, 0), fs::path(".JWC_TEMP.TXT.0.0.tmp"));
}

TEST(TemporaryName, OwnerOnlyOfOurOwnPattern) {
  struct Case {
    const char* name;
    std::optional<uint64_t> owner;
  } const cases[] = {
      {".JWC_TEMP.TXT.12.0.tmp", 12},
      {".JWC_TEMP.TXT.4294967292.31.tmp", 4294967292u},
      {".JWC_TEMP.TXT.99999999999.0.tmp", std::nullopt},  // more than ten digits
      {".JWC_TEMP.TXT.12.tmp", std::nullopt},             // no attempt
      {".JWC_TEMP.TXT.12.x.tmp", std::nullopt},
      {".JWC_TEMP.TXT.-1.0.tmp", std::nullopt},
      {".JWC_TEMP.TXT..0.tmp", std::nullopt},
      {".JWC_TEMP.TXT.12.0.tmp.bak", std::nullopt},
      {".JWC_TEMP.TXT.12.0", std::nullopt},
      {"JWC_TEMP.TXT.12.0.tmp", std::nullopt},  // not hidden
      {".OTHER.TXT.12.0.tmp", std::nullopt},
      {".JWC_TEMP.TXT", std::nullopt},
      {".", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(TemporaryOwner(c.name, "JWC_TEMP.TXT"), c.owner) << c.name;
}

// --- FileHoldsExactly ---------------------------------------------------------------------

// What a run checks before relying on the "hq" it wrote: the same bytes, no more, no less;
// and whether it could tell at all.
TEST_F(FileIoTest, FileHoldsExactlyTellsTheHqFromAnythingElse) {
  const std::string kFolder = "(a folder)";
  const struct {
    std::optional<std::string> content;  // none: no file
    ReadBack answer;
  } cases[] = {{"hq\r\n", ReadBack::kHolds},    {"hq\r\nhd\r\n", ReadBack::kHoldsOther},
               {"hq\r", ReadBack::kHoldsOther}, {"hd\r\n", ReadBack::kHoldsOther},
               {"", ReadBack::kHoldsOther},     {std::nullopt, ReadBack::kHoldsOther},
               {kFolder, ReadBack::kUnknown}};
  for (const auto& c : cases) {
    std::filesystem::remove_all(path_);
    if (c.content == kFolder)
      std::filesystem::create_directory(path_);
    else if (c.content)
      std::ofstream(path_, std::ios::binary) << *c.content;
    RetryBudget budget = StartRetryBudget();
    EXPECT_EQ(FileHoldsExactly(path_, "hq\r\n", budget), c.answer)
        << (c.content ? *c.content : "(none)");
  }
}

// --- OverwriteExistingFile ----------------------------------------------------------------

// The fallback of a failed save: what stood there before must not show behind the "hq".
TEST_F(FileIoTest, OverwriteExistingFileLeavesExactlyTheNewBytes) {
  WriteFile(path_, "hd\r\n" + std::string(100000, 'x'));
  ASSERT_TRUE(OverwriteExistingFile(path_, "hq\r\n"));
  EXPECT_EQ(ReadAll(path_), "hq\r\n");
  EXPECT_FALSE(OverwriteExistingFile(folder_ / "missing.txt", "hq\r\n"));  // never creates
  EXPECT_FALSE(fs::exists(folder_ / "missing.txt"));
}

// --- RemoveFileIfPresent ------------------------------------------------------------------

TEST_F(FileIoTest, RemoveFileIfPresent) {
  WriteFile(path_, "x");
  EXPECT_TRUE(RemoveFileIfPresent(path_));
  EXPECT_FALSE(fs::exists(path_));
  EXPECT_TRUE(RemoveFileIfPresent(path_));                         // nothing there
  EXPECT_TRUE(RemoveFileIfPresent(folder_ / "missing" / "file"));  // no folder either
  fs::create_directory(path_);
  EXPECT_FALSE(RemoveFileIfPresent(path_));  // a folder is not removed
  EXPECT_TRUE(fs::is_directory(path_));
}

#ifdef _WIN32
// --- Files held by other programs (Windows) -------------------------------------------------

/// A handle on `path` such as a virus scanner, the search indexer or the host keep open for
/// a while: `access` with only the sharing `share` allows (never deletion); if `mapped`,
/// also a view of the file in memory, which keeps it from being cut short.
class HeldFile {
 public:
  HeldFile(const fs::path& path, DWORD access, DWORD share, bool mapped = false)
      : handle_(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr)),
        mapped_(mapped) {
    if (!mapped || handle_ == INVALID_HANDLE_VALUE) return;
    mapping_ = ::CreateFileMappingW(handle_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping_ != nullptr) view_ = ::MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
  }
  ~HeldFile() {
    if (releaser_.joinable()) releaser_.join();
    Release();
  }
  bool Held() const { return handle_ != INVALID_HANDLE_VALUE && (!mapped_ || view_ != nullptr); }
  void Release() {
    if (view_ != nullptr) ::UnmapViewOfFile(view_);
    if (mapping_ != nullptr) ::CloseHandle(mapping_);
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    view_ = mapping_ = nullptr;
    handle_ = INVALID_HANDLE_VALUE;
  }
  /// Lets go of the file from another thread after `milliseconds`.
  void ReleaseAfter(int milliseconds) {
    releaser_ = std::thread([this, milliseconds] {
      ::Sleep(static_cast<DWORD>(milliseconds));
      Release();
    });
  }

 private:
  HANDLE handle_;
  bool mapped_;
  HANDLE mapping_ = nullptr;
  void* view_ = nullptr;
  std::thread releaser_;
};

constexpr DWORD kReadShared = FILE_SHARE_READ | FILE_SHARE_WRITE;

struct HeldCase {
  const char* what;
  DWORD access;                             ///< of the holder
  DWORD share;                              ///< what the holder lets others do
  bool (*operation)(const fs::path& path);  ///< true when it did its work
  bool mapped = false;                      ///< the holder also maps the file into memory
};

/// The whole file, read through InputFile (which, unlike the streams, takes long paths).
std::string ReadThrough(const fs::path& path) {
  InputFile file;
  if (file.Open(path) != InputFile::OpenResult::kOk) return "(not opened)";
  std::string bytes;
  char buffer[64];
  std::ptrdiff_t n;
  while ((n = file.Read(buffer, sizeof buffer)) > 0) bytes.append(buffer, n);
  return n == 0 ? bytes : "(read error)";
}

bool CommitOver(const fs::path& path) {
  AtomicFileWriter writer;
  return writer.Open(path) && writer.Write("hd\r\n") && writer.Commit() &&
         ReadThrough(path) == "hd\r\n";
}
bool OpenAndRead(const fs::path& path) { return ReadThrough(path) == "host"; }
bool Remove(const fs::path& path) {
  return RemoveFileIfPresent(path) && ReadThrough(path) == "(not opened)";
}
bool Overwrite(const fs::path& path) {
  return OverwriteExistingFile(path, "hq\r\n") && ReadThrough(path) == "hq\r\n";
}

const HeldCase kHeldCases[] = {
    {"replacing a file that is being read", GENERIC_READ, kReadShared, CommitOver},
    {"reading a file that is being written", GENERIC_WRITE, 0, OpenAndRead},
    {"removing a file that is being read", GENERIC_READ, kReadShared, Remove},
    {"overwriting a file that is being read without shared writing", GENERIC_READ,
     FILE_SHARE_READ, Overwrite},
    {"overwriting a file that another program has mapped", GENERIC_READ, kReadShared, Overwrite,
     true},
};

// The errors that another program's hold gives are waited for; "access denied" only where
// the file tells so (above), and the rest never.
TEST(IsHeldError, WaitsOnlyForWhatAHolderCauses) {
  const struct {
    DWORD code;
    bool held;
  } cases[] = {{ERROR_SHARING_VIOLATION, true}, {ERROR_LOCK_VIOLATION, true},
               {ERROR_USER_MAPPED_FILE, true},  {ERROR_ACCESS_DENIED, false},
               {ERROR_FILE_NOT_FOUND, false},   {ERROR_DISK_FULL, false}};
  for (const auto& c : cases) EXPECT_EQ(IsHeldError(c.code), c.held) << c.code;
}

// Each operation that another program's handle blocks waits for it to go, within limits.
TEST_F(FileIoTest, OperationsWaitForAFileHeldBriefly) {
  for (const HeldCase& c : kHeldCases) {
    WriteFile(path_, "host");
    HeldFile held(path_, c.access, c.share, c.mapped);
    ASSERT_TRUE(held.Held()) << c.what;
    held.ReleaseAfter(300);
    EXPECT_TRUE(c.operation(path_)) << c.what;
  }
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

// Held for longer than the operations wait: the save fails and leaves no temporary file
// and the file as it was; the read fails as an error, never as a missing file (that would
// make OK delete the selection and draw nothing).
TEST_F(FileIoTest, FileHeldTooLongFailsCleanly) {
  WriteFile(path_, "host");
  {
    HeldFile reader(path_, GENERIC_READ, kReadShared);
    ASSERT_TRUE(reader.Held());
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(path_));
    ASSERT_TRUE(writer.Write("hd\r\n"));
    EXPECT_FALSE(writer.Commit());
  }
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  EXPECT_EQ(ReadAll(path_), "host");
  HeldFile writer(path_, GENERIC_WRITE, 0);
  ASSERT_TRUE(writer.Held());
  InputFile file;
  EXPECT_EQ(file.Open(path_), InputFile::OpenResult::kError);
}

// Operations given one budget share it: once one has waited it out, each next one makes
// its one attempt and waits no more, even for a holder about to let go. So a save and its
// fallbacks together wait no longer than one of them would.
TEST_F(FileIoTest, SpentBudgetWaitsNoMore) {
  RetryBudget budget = StartRetryBudget();
  WriteFile(path_, "host");
  HeldFile reader(path_, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(reader.Held());
  EXPECT_FALSE(OverwriteExistingFile(path_, "hq\r\n", budget));  // held throughout
  reader.ReleaseAfter(300);
  AtomicFileWriter writer;
  ASSERT_TRUE(writer.Open(path_));
  ASSERT_TRUE(writer.Write("hd\r\n"));
  EXPECT_FALSE(writer.Commit(budget));
  EXPECT_FALSE(RemoveFileIfPresent(path_, budget));
  EXPECT_EQ(Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  EXPECT_EQ(ReadAll(path_), "host");
  // A fresh budget waits the holder out.
  EXPECT_TRUE(OverwriteExistingFile(path_, "hq\r\n"));
}

// The budget is time to wait for others, not time for the work: a write slower than the
// whole allowance (a slow disk) still leaves it for a holder of the target, and every pause
// is the budget's own (a window's, which answers what is sent to it meanwhile).
TEST_F(FileIoTest, SlowWriteLeavesTheBudgetForWaiting) {
  WriteFile(path_, "host");
  RetryBudget budget = StartRetryBudget();
  std::uint64_t paused = 0;
  budget.Pause = [&](std::uint32_t milliseconds) {
    paused += milliseconds;
    ::Sleep(milliseconds);
  };
  AtomicFileWriter writer;
  ASSERT_TRUE(writer.Open(path_));
  ASSERT_TRUE(writer.Write("hd\r\n"));
  ::Sleep(2500);  // longer than the whole allowance: a slow disk
  HeldFile reader(path_, GENERIC_READ, kReadShared);
  ASSERT_TRUE(reader.Held());
  reader.ReleaseAfter(300);
  EXPECT_TRUE(writer.Commit(budget));
  EXPECT_EQ(ReadAll(path_), "hd\r\n");
  EXPECT_GT(paused, 0u);
}

// Paths beyond MAX_PATH: a target that fits but whose temporary name does not, and a
// folder far beyond it. The folders are made and removed through the extended form.
TEST_F(FileIoTest, LongPathsAreSavedReadAndRemoved) {
  const std::wstring extended = L"\\\\?\\";
  const std::size_t nameLength = std::wstring(L"\\JWC_TEMP.TXT").size();
  for (const std::size_t targetLength : {std::size_t{MAX_PATH - 5}, std::size_t{400}}) {
    fs::path folder = folder_;
    std::vector<fs::path> made;
    // Each step adds a backslash and up to 100 letters, until the target has its length.
    while (folder.native().size() + nameLength + 2 <= targetLength) {
      const std::size_t letters = targetLength - folder.native().size() - nameLength - 1;
      folder /= std::wstring(std::min<std::size_t>(letters, 100), L'd');
      ASSERT_TRUE(::CreateDirectoryW((extended + folder.native()).c_str(), nullptr));
      made.push_back(folder);
    }
    const fs::path target = folder / "JWC_TEMP.TXT";
    ASSERT_GE(target.native().size() + 1, targetLength);
    EXPECT_TRUE(CommitOver(target)) << targetLength;
    EXPECT_TRUE(Overwrite(target)) << targetLength;
    EXPECT_TRUE(Remove(target)) << targetLength;
    for (auto it = made.rbegin(); it != made.rend(); ++it)
      EXPECT_TRUE(::RemoveDirectoryW((extended + it->native()).c_str())) << targetLength;
  }
}
#endif

}  // namespace
}  // namespace JwwGaibu
