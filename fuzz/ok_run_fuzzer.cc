// The whole OK run on an arbitrary JWC_TEMP.TXT: the dialog's handlers load the file, zero
// the spacing, write every item back and save the command file into a temporary folder.
// Checked after every run:
//   - the save succeeded, and the folder holds the command file and nothing else;
//   - after a failed load the command file is exactly "hq" (the drawing stays as it is);
//   - otherwise it begins with "hd", our own reader reads it to its end, and every item that
//     was written comes back as that item (the round-trip comparison of the tests).
// The check box is taken from the input's length (odd: negative-only), so both modes run.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include "JwwGaibu/reader.h"
#include "Unit1/form1.h"
#include "Unit1/zero_spacing.h"
#include "tests/roundtrip_check.h"

namespace {

namespace fs = std::filesystem;

/// The folder that stands for the program's own, made once per process and removed at exit.
class WorkFolder {
 public:
  WorkFolder() {
    // A memory file system where there is one: every run saves, and a save syncs to disk.
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    path_ = base / ("rq27-ok-run-" + std::to_string(::getpid()));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~WorkFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

const fs::path& Folder() {
  static const WorkFolder folder;
  return folder.Path();
}

class FuzzPlatform : public Unit1::Platform {
 public:
  FuzzPlatform(fs::path exe, bool negativeOnly) : exe_(std::move(exe)), negativeOnly_(negativeOnly) {}
  Unit1::ScreenPoint PointerPosition() override { return {}; }
  int OuterWidth() override { return 473; }
  void SetLeftTop(int, int) override {}
  fs::path OwnFilePath() override { return exe_; }
  bool CheckBoxChecked() override { return negativeOnly_; }
  void SetStatusText(std::string_view) override {}
  bool EscapeKeyDown() override { return false; }
  void CloseDialog() override { closed_ = true; }
  bool Closed() const { return closed_; }

 private:
  fs::path exe_;
  bool negativeOnly_;
  bool closed_ = false;
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "OK run: %s\n", what.c_str());
  std::abort();
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& folder = Folder();
  const fs::path file = folder / Unit1::kInterchangeFileName;
  const bool negativeOnly = size % 2 == 1;
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) Fail("cannot write the input file");
  }

  // What the write-back pass will see: the same file loaded and zeroed on its own.
  JwwGaibu::TJwwState expected;
  JwwGaibu::ResetModel(expected);
  JwwGaibu::LoadInterchangeFile(expected, file);

  FuzzPlatform platform(folder / "rq27", negativeOnly);
  {
    Unit1::TForm1 form(platform);
    form.FormShow();
    form.Button1Click();
    if (!platform.Closed()) Fail("OK did not close the dialog");
    form.FormClose();
    if (form.Outcome() != Unit1::RunOutcome::kSaved) Fail("the save failed");
  }
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename() != Unit1::kInterchangeFileName)
      Fail("left behind: " + entry.path().filename().string());

  if (expected.LoadFailed) {
    if (ReadAll(file) != "hq\r\n") Fail("a failed load did not give \"hq\"");
    return 0;
  }
  if (ReadAll(file).rfind("hd\r\n", 0) != 0) Fail("the command file does not begin with \"hd\"");

  Unit1::ZeroTextSpacing(expected, negativeOnly);
  JwwGaibu::TJwwState readBack;
  JwwGaibu::ResetModel(readBack);
  if (!JwwGaibu::LoadInterchangeFile(readBack, file) || readBack.LoadFailed)
    Fail("our own command file does not read back");
  RoundTrip::TRoundTripCounts counts;
  const std::string difference = RoundTrip::CompareRoundTrip(expected, readBack, negativeOnly, counts);
  if (!difference.empty()) Fail(difference);
  return 0;
}
