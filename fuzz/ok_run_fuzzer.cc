// The whole OK run on an arbitrary JWC_TEMP.TXT: the dialog's handlers load the file, zero
// the spacing, write every item back and save the command file into a temporary folder.
// After every run (RoundTrip::CheckOkRun, shared with the round-trip test): "hq" stood in
// the file from the end of a successful load until the close; the save
// succeeded and left nothing else in the folder; after a failed load the command file is
// exactly "hq"; otherwise it begins with "hd", our own reader reads it to its end, and every
// item written comes back as that item. The check box is taken from the input's length
// (odd: negative-only), so both modes run.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "tests/roundtrip_check.h"

namespace {

namespace fs = std::filesystem;

/// The folder that stands for the program's own, made once per process and removed at exit.
class WorkFolder {
 public:
  WorkFolder() {
    // A memory file system where there is one: every run saves, and a save syncs.
    const fs::path base =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RoundTrip::TRoundTripCounts counts;
  const std::string failure = RoundTrip::CheckOkRun(
      Folder(), std::string_view(reinterpret_cast<const char*>(data), size), size % 2 == 1, counts);
  if (!failure.empty()) {
    std::fprintf(stderr, "OK run: %s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
