#include "JwwGaibu/file_io.h"

#include <string>

namespace JwwGaibu {

bool FileHoldsExactly(const std::filesystem::path& path, std::string_view bytes,
                      const RetryBudget& budget) {
  InputFile file;
  if (file.Open(path, budget) != InputFile::OpenResult::kOk) return false;
  // One byte more than expected tells a longer file from an equal one.
  std::string content(bytes.size() + 1, '\0');
  std::size_t got = 0;
  while (got < content.size()) {
    const std::ptrdiff_t n = file.Read(content.data() + got, content.size() - got);
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return std::string_view(content.data(), got) == bytes;
}

}  // namespace JwwGaibu
