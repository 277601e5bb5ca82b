// The two ways the program touches files: reading the host's file in large blocks, and
// replacing the command file atomically. Implemented once per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace JwwGaibu {

/// Why a file operation failed: the kind of failure, which decides what the user is told to
/// do about it, and the system's own error code (errno, or GetLastError() on Windows),
/// whose message SystemErrorText gives. Carried up to the status line and the message.
struct FileError {
  enum class Kind : std::uint8_t {
    kNone,         ///< no failure
    kMissing,      ///< no such file or folder
    kHeld,         ///< another program holds the file
    kDenied,       ///< no permission: a protected or read-only file, folder or disk
    kDiskFull,     ///< no room left on the disk
    kOutOfMemory,  ///< memory ran out
    kBadContent,   ///< the file holds what cannot be read (not the system's error)
    kOther,        ///< another error of the system
  };
  Kind ErrorKind = Kind::kNone;
  std::uint32_t Code = 0;  ///< the system's error code; 0 where the system gave none

  explicit operator bool() const { return ErrorKind != Kind::kNone; }
  bool operator==(const FileError&) const = default;
};

/// True when the system's error `code` for a file says that another program holds it for a
/// while, so that the operation is tried again within its budget (on Windows a sharing or
/// lock violation, or a mapped file; on other systems a held file blocks nothing).
bool IsHeldError(std::uint32_t code);

/// The system's own message for `error.Code` in the user's language (UTF-8, one line, no
/// final line end or full stop); empty where the code is 0 or the system has none.
std::string SystemErrorText(const FileError& error);

/// An allowance of time to wait while other programs hold a file (on Windows: virus
/// scanners, the search indexer, cloud sync), spent by every operation given it: only the
/// pauses between attempts use it up, never the work itself, so that a save and its
/// fallbacks together wait about two seconds for others, however slow the disk. Past the
/// allowance an operation still makes its one attempt. Not copyable: a copy would wait its
/// own two seconds.
struct RetryBudget {
  RetryBudget() = default;  ///< nothing left to wait
  explicit RetryBudget(std::uint64_t milliseconds) : MillisecondsLeft(milliseconds) {}
  RetryBudget(const RetryBudget&) = delete;
  RetryBudget& operator=(const RetryBudget&) = delete;

  std::uint64_t MillisecondsLeft = 0;  ///< waiting still allowed
  /// One pause of the given milliseconds; empty: the thread sleeps. A thread with a window
  /// answers what is sent to it meanwhile, or Windows takes the window for hung.
  std::function<void(std::uint32_t milliseconds)> Pause;
};

/// A fresh budget: about two seconds of waiting.
RetryBudget StartRetryBudget();

/// A file opened for reading.
class InputFile {
 public:
  enum class OpenResult { kOk, kMissing, kError };

  InputFile();
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  /// Opens `path` for reading, waiting for a holder within `budget`; kMissing when
  /// nothing exists there.
  OpenResult Open(const std::filesystem::path& path, RetryBudget& budget);
  OpenResult Open(const std::filesystem::path& path) {
    RetryBudget budget = StartRetryBudget();
    return Open(path, budget);
  }
  /// Reads up to `size` bytes; the count read, 0 at the end, -1 on a read error.
  std::ptrdiff_t Read(char* buffer, std::size_t size);
  /// Why the last Open or Read failed.
  const FileError& Error() const;

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
  bool Commit(RetryBudget& budget);
  bool Commit() {
    RetryBudget budget = StartRetryBudget();
    return Commit(budget);
  }
  /// Why the first failure since Open happened.
  const FileError& Error() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// What a file was found to hold, compared with what was expected.
enum class ReadBack : std::uint8_t {
  kHolds,       ///< exactly the bytes expected
  kHoldsOther,  ///< anything else, or no file at all
  kUnknown,     ///< the file could not be read
};

/// Whether the file at `path` holds exactly `bytes`, waiting for a holder within `budget`.
ReadBack FileHoldsExactly(const std::filesystem::path& path, std::string_view bytes,
                          RetryBudget& budget);

/// Removes the file at `path` if there is one; true when nothing is left there.
bool RemoveFileIfPresent(const std::filesystem::path& path, RetryBudget& budget);
inline bool RemoveFileIfPresent(const std::filesystem::path& path) {
  RetryBudget budget = StartRetryBudget();
  return RemoveFileIfPresent(path, budget);
}

/// Replaces the content of the existing file at `path` in place (no new file is made);
/// true when all of `bytes` reached the disk.
bool OverwriteExistingFile(const std::filesystem::path& path, std::string_view bytes,
                           RetryBudget& budget);
inline bool OverwriteExistingFile(const std::filesystem::path& path, std::string_view bytes) {
  RetryBudget budget = StartRetryBudget();
  return OverwriteExistingFile(path, bytes, budget);
}

}  // namespace JwwGaibu
