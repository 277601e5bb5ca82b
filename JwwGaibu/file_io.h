// The two ways the program touches files: reading the host's file in large blocks, and
// replacing the command file atomically. Implemented once per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace JwwGaibu {

/// One deadline for file operations that wait while other programs hold a file (on
/// Windows: virus scanners, the search indexer, cloud sync). Operations given the same
/// budget stop waiting at the same moment, so that a save and its fallbacks wait about two
/// seconds together, not two seconds each. Past the deadline an operation still makes its
/// one attempt.
struct RetryBudget {
  uint64_t deadline = 0;  ///< milliseconds on the platform's steady clock
};

/// A budget of about two seconds from now.
RetryBudget StartRetryBudget();

/// A file opened for reading.
class InputFile {
 public:
  enum class OpenResult { kOk, kMissing, kError };

  InputFile();
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  /// Opens `path` for reading; kMissing when nothing exists there.
  OpenResult Open(const std::filesystem::path& path);
  /// Reads up to `size` bytes; the count read, 0 at the end, -1 on a read error.
  std::ptrdiff_t Read(char* buffer, std::size_t size);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// Writes a new file beside `path` and, once it is complete and flushed to disk, renames
/// it over `path`. Any failure removes the new file; Commit() reports whether `path` now
/// holds exactly what was written.
class AtomicFileWriter {
 public:
  AtomicFileWriter();
  ~AtomicFileWriter();  ///< removes the new file unless committed
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  /// Creates the temporary file in the folder of `path`.
  bool Open(const std::filesystem::path& path);
  /// Appends bytes to the temporary file.
  bool Write(std::string_view bytes);
  /// Cuts the temporary file back to its first `size` bytes (not more than were written);
  /// the next write goes there.
  bool Truncate(std::uint64_t size);
  /// Flushes, closes and renames over the target, waiting for holders of the files within
  /// `budget`. False if anything failed since Open. After a rename, temporary files of
  /// earlier runs that were killed while writing are removed once their process is gone.
  bool Commit(const RetryBudget& budget);
  bool Commit() { return Commit(StartRetryBudget()); }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// Removes the file at `path` if there is one; true when nothing is left there.
bool RemoveFileIfPresent(const std::filesystem::path& path, const RetryBudget& budget);
inline bool RemoveFileIfPresent(const std::filesystem::path& path) {
  return RemoveFileIfPresent(path, StartRetryBudget());
}

/// Replaces the content of the existing file at `path` in place (no new file is made);
/// true when all of `bytes` reached the disk.
bool OverwriteExistingFile(const std::filesystem::path& path, std::string_view bytes,
                           const RetryBudget& budget);
inline bool OverwriteExistingFile(const std::filesystem::path& path, std::string_view bytes) {
  return OverwriteExistingFile(path, bytes, StartRetryBudget());
}

}  // namespace JwwGaibu
