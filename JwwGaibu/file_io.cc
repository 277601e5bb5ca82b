#include "JwwGaibu/file_io.h"

#include <string>

namespace JwwGaibu {
namespace {

/// How long operations given one budget wait for other programs, together.
constexpr std::uint64_t kRetryMilliseconds = 2000;

}  // namespace

RetryBudget StartRetryBudget() { return RetryBudget(kRetryMilliseconds); }

ReadBack FileHoldsExactly(const std::filesystem::path& path, std::string_view bytes,
                          RetryBudget& budget) {
  InputFile file;
  switch (file.Open(path, budget)) {
    case InputFile::OpenResult::kOk:
      break;
    case InputFile::OpenResult::kMissing:
      return ReadBack::kHoldsOther;
    case InputFile::OpenResult::kError:
      return ReadBack::kUnknown;
  }
  // One byte more than expected tells a longer file from an equal one.
  std::string content(bytes.size() + 1, '\0');
  std::size_t got = 0;
  while (got < content.size()) {
    const std::ptrdiff_t n = file.Read(content.data() + got, content.size() - got);
    if (n < 0) return ReadBack::kUnknown;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return std::string_view(content.data(), got) == bytes ? ReadBack::kHolds : ReadBack::kHoldsOther;
}

}  // namespace JwwGaibu
