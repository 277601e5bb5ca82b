#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "JwwGaibu/file_io.h"
#include "JwwGaibu/temp_name.h"

namespace JwwGaibu {
namespace {

/// Attempts at a fresh temporary name before giving up.
constexpr int kTempAttempts = 100;

/// `code`, an errno value, with the kind of failure it is.
FileError ErrnoError(int code) {
  using Kind = FileError::Kind;
  Kind kind = Kind::kOther;
  switch (code) {
    case ENOENT:
    case ENOTDIR:
      kind = Kind::kMissing;
      break;
    case EBUSY:
    case ETXTBSY:
      kind = Kind::kHeld;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
      kind = Kind::kDenied;
      break;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      kind = Kind::kDiskFull;
      break;
    case ENOMEM:
      kind = Kind::kOutOfMemory;
      break;
    default:
      break;
  }
  return {kind, static_cast<std::uint32_t>(code)};
}

/// The error of the last failed call.
FileError LastError() { return ErrnoError(errno); }

/// The text that strerror_r gave: the GNU one returns it (not always in the buffer), the
/// POSIX one returns 0 and leaves it in the buffer.
[[maybe_unused]] const char* StrerrorText(const char* result, const char* /*buffer*/) {
  return result;
}
[[maybe_unused]] const char* StrerrorText(int result, const char* buffer) {
  return result == 0 ? buffer : nullptr;
}

/// Closes `fd`; an interrupted close still released the descriptor on this platform.
bool CloseFd(int fd) { return ::close(fd) == 0 || errno == EINTR; }

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool FsyncRetrying(int fd) {
  int rc;
  do {
    rc = ::fsync(fd);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

/// Makes the rename itself durable. Some file systems refuse fsync on a folder; the new
/// file is complete either way, so this is best effort.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd =
      OpenRetrying(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  FsyncRetrying(fd);
  CloseFd(fd);
}

/// Removes the temporary files that runs killed while saving left beside `target`: names
/// of our own pattern (".JWC_TEMP.TXT.<pid>.<n>.tmp") whose process no longer exists. Those
/// of a live process (this one, or another run saving at the same time) stay. Best effort.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
  const std::filesystem::path folder = target.parent_path();
  const std::filesystem::path targetName = target.filename();
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::optional<uint64_t> pid = TemporaryOwner(entry->d_name, targetName);
    // kill() with 0 or a negative number means process groups: only real process ids.
    if (!pid || *pid == 0 || *pid > INT_MAX || *pid == static_cast<uint64_t>(::getpid())) continue;
    if (::kill(static_cast<pid_t>(*pid), 0) == 0 || errno != ESRCH) continue;
    ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

}  // namespace

// ----------------------------------------------------------------------------------------

struct InputFile::Impl {
  int fd = -1;
  FileError error;
  void Close() {
    if (fd >= 0) CloseFd(fd);
    fd = -1;
  }
};

InputFile::InputFile() : impl_(std::make_unique<Impl>()) {}
InputFile::~InputFile() { impl_->Close(); }

bool IsHeldError(std::uint32_t /*code*/) { return false; }

// Nothing here waits for other programs: a file held open does not keep it from being
// read, replaced or removed. The budget is kept only for the interface.
InputFile::OpenResult InputFile::Open(const std::filesystem::path& path,
                                      RetryBudget& /*budget*/) {
  impl_->Close();
  impl_->error = {};
  impl_->fd = OpenRetrying(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (impl_->fd >= 0) return OpenResult::kOk;
  impl_->error = LastError();
  return impl_->error.ErrorKind == FileError::Kind::kMissing ? OpenResult::kMissing
                                                              : OpenResult::kError;
}

std::ptrdiff_t InputFile::Read(char* buffer, std::size_t size) {
  if (impl_->fd < 0) return -1;
  if (size > SSIZE_MAX) size = SSIZE_MAX;
  ssize_t n;
  do {
    n = ::read(impl_->fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  if (n >= 0) return n;
  impl_->error = LastError();
  return -1;
}

const FileError& InputFile::Error() const { return impl_->error; }

// ----------------------------------------------------------------------------------------

struct AtomicFileWriter::Impl {
  std::filesystem::path target;
  std::filesystem::path temp;  ///< empty when there is no temporary file to clean up
  int fd = -1;
  std::uint64_t written = 0;  ///< the file's size: where the next write goes
  FileError error;            ///< the first failure since Open

  /// Remembers the error of the call that just failed, unless an earlier one is known.
  void Fail() {
    if (!error) error = LastError();
  }
  void Fail(int code) {
    if (!error) error = ErrnoError(code);
  }

  /// Closes and removes the temporary file, if any.
  void Discard() {
    if (fd >= 0) CloseFd(fd);
    fd = -1;
    if (!temp.empty()) ::unlink(temp.c_str());
    temp.clear();
  }
};

AtomicFileWriter::AtomicFileWriter() : impl_(std::make_unique<Impl>()) {}
AtomicFileWriter::~AtomicFileWriter() { impl_->Discard(); }

bool AtomicFileWriter::Open(const std::filesystem::path& path) {
  impl_->Discard();
  impl_->target = path;
  impl_->error = {};
  // The pid keeps other processes apart; O_EXCL plus the attempt number keeps writers of
  // this process apart and never opens a file that someone else has made.
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    std::filesystem::path temp = TemporaryPath(path, static_cast<uint64_t>(::getpid()), attempt);
    const int fd = OpenRetrying(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      impl_->fd = fd;
      impl_->temp = std::move(temp);
      return true;
    }
    if (errno != EEXIST) {
      impl_->Fail();
      return false;
    }
  }
  impl_->Fail(EEXIST);
  return false;
}

bool AtomicFileWriter::Write(std::string_view bytes) {
  if (impl_->fd < 0) {
    impl_->Fail(EBADF);
    return false;
  }
  const std::uint64_t start = impl_->written;
  impl_->written += bytes.size();
  while (!bytes.empty()) {
    const size_t size = bytes.size() < SSIZE_MAX ? bytes.size() : SSIZE_MAX;
    const ssize_t n = ::write(impl_->fd, bytes.data(), size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;  // a write that takes nothing: the disk is full
      impl_->Fail();
      impl_->Discard();
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
#ifdef SYNC_FILE_RANGE_WRITE
  // Lets the disk start on these bytes now, while the caller makes the next ones, so that
  // the flush before the rename finds little left to write. A hint: failure is fine.
  ::sync_file_range(impl_->fd, static_cast<off_t>(start),
                    static_cast<off_t>(impl_->written - start), SYNC_FILE_RANGE_WRITE);
#endif
  return true;
}

bool AtomicFileWriter::Truncate(std::uint64_t size) {
  if (impl_->fd < 0) {
    impl_->Fail(EBADF);
    return false;
  }
  const off_t offset = static_cast<off_t>(size);
  if (::ftruncate(impl_->fd, offset) != 0 || ::lseek(impl_->fd, offset, SEEK_SET) != offset) {
    impl_->Fail();
    impl_->Discard();
    return false;
  }
  impl_->written = size;
  return true;
}

bool AtomicFileWriter::Commit(RetryBudget& /*budget*/) {
  if (impl_->fd < 0) {
    impl_->Fail(EBADF);
    return false;
  }
  const bool synced = FsyncRetrying(impl_->fd);
  if (!synced) impl_->Fail();
  const bool closed = CloseFd(impl_->fd);
  if (!closed) impl_->Fail();
  impl_->fd = -1;
  if (!synced || !closed || ::rename(impl_->temp.c_str(), impl_->target.c_str()) != 0) {
    impl_->Fail();
    impl_->Discard();
    return false;
  }
  impl_->temp.clear();  // it is the target now
  SyncFolder(impl_->target.parent_path());
  RemoveStaleTemporaries(impl_->target);
  return true;
}

const FileError& AtomicFileWriter::Error() const { return impl_->error; }

std::string SystemErrorText(const FileError& error) {
  if (error.Code == 0) return {};
  char buffer[256] = {};
  const char* text = StrerrorText(strerror_r(static_cast<int>(error.Code), buffer, sizeof buffer),
                                  buffer);
  return text != nullptr ? std::string(text) : std::string();
}

bool RemoveFileIfPresent(const std::filesystem::path& path, RetryBudget& /*budget*/) {
  if (::unlink(path.c_str()) == 0) return true;
  return errno == ENOENT || errno == ENOTDIR;
}

bool OverwriteExistingFile(const std::filesystem::path& path, std::string_view bytes,
                           RetryBudget& /*budget*/) {
  const int fd = OpenRetrying(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = true;
  while (ok && !bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) bytes.remove_prefix(static_cast<size_t>(n));
  }
  ok = ok && FsyncRetrying(fd);
  return CloseFd(fd) && ok;
}

}  // namespace JwwGaibu
