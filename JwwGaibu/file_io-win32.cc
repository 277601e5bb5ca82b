#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <climits>
#include <optional>
#include <string>

#include "JwwGaibu/file_io.h"
#include "JwwGaibu/temp_name.h"

namespace JwwGaibu {
namespace {

/// Attempts at a fresh temporary name before giving up.
constexpr int kTempAttempts = 100;

/// Largest single request for the CRT and Win32 calls, whose counts are 32-bit.
constexpr std::size_t kMaxRequest = 1u << 30;

/// True unless `pid` names no running process (an unknown answer counts as running).
bool ProcessMayBeRunning(DWORD pid) {
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
  const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  ::CloseHandle(process);
  return running;
}

/// Removes the temporary files that runs killed while writing left beside `target`: names
/// of our own pattern (".JWC_TEMP.TXT.<pid>.<n>.tmp") whose process is gone. A live writer
/// keeps its file open without sharing, so it could not be removed anyway. Best effort.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
  const std::filesystem::path folder = target.parent_path();
  const std::filesystem::path targetName = target.filename();
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((folder / L"*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::optional<uint64_t> pid = TemporaryOwner(found.cFileName, targetName);
    if (!pid || *pid > 0xFFFFFFFFull || *pid == ::GetCurrentProcessId() ||
        ProcessMayBeRunning(static_cast<DWORD>(*pid)))
      continue;
    ::DeleteFileW((folder / found.cFileName).c_str());
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

}  // namespace

// ----------------------------------------------------------------------------------------

struct InputFile::Impl {
  int fd = -1;
  void Close() {
    if (fd >= 0) ::_close(fd);
    fd = -1;
  }
};

InputFile::InputFile() : impl_(std::make_unique<Impl>()) {}
InputFile::~InputFile() { impl_->Close(); }

InputFile::OpenResult InputFile::Open(const std::filesystem::path& path) {
  impl_->Close();
  int fd;
  do {
    fd = ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  } while (fd < 0 && errno == EINTR);
  impl_->fd = fd;
  if (fd >= 0) return OpenResult::kOk;
  return errno == ENOENT || errno == ENOTDIR ? OpenResult::kMissing : OpenResult::kError;
}

std::ptrdiff_t InputFile::Read(char* buffer, std::size_t size) {
  if (impl_->fd < 0) return -1;
  const unsigned request = static_cast<unsigned>(size < kMaxRequest ? size : kMaxRequest);
  int n;
  do {
    n = ::_read(impl_->fd, buffer, request);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : n;
}

// ----------------------------------------------------------------------------------------

struct AtomicFileWriter::Impl {
  std::filesystem::path target;
  std::filesystem::path temp;  ///< empty when there is no temporary file to clean up
  HANDLE handle = INVALID_HANDLE_VALUE;

  /// Closes and removes the temporary file, if any.
  void Discard() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    if (!temp.empty()) ::DeleteFileW(temp.c_str());
    temp.clear();
  }
};

AtomicFileWriter::AtomicFileWriter() : impl_(std::make_unique<Impl>()) {}
AtomicFileWriter::~AtomicFileWriter() { impl_->Discard(); }

bool AtomicFileWriter::Open(const std::filesystem::path& path) {
  impl_->Discard();
  impl_->target = path;
  // The process id keeps other processes apart; CREATE_NEW plus the attempt number keeps
  // writers of this process apart and never opens a file that someone else has made.
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    std::filesystem::path temp = TemporaryPath(path, ::GetCurrentProcessId(), attempt);
    const HANDLE handle = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      impl_->handle = handle;
      impl_->temp = std::move(temp);
      return true;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool AtomicFileWriter::Write(std::string_view bytes) {
  if (impl_->handle == INVALID_HANDLE_VALUE) return false;
  while (!bytes.empty()) {
    const DWORD request =
        static_cast<DWORD>(bytes.size() < kMaxRequest ? bytes.size() : kMaxRequest);
    DWORD written = 0;
    if (!::WriteFile(impl_->handle, bytes.data(), request, &written, nullptr) || written == 0) {
      impl_->Discard();
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool AtomicFileWriter::Truncate(std::uint64_t size) {
  if (impl_->handle == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER offset;
  offset.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFilePointerEx(impl_->handle, offset, nullptr, FILE_BEGIN) ||
      !::SetEndOfFile(impl_->handle)) {
    impl_->Discard();
    return false;
  }
  return true;
}

bool AtomicFileWriter::Commit() {
  if (impl_->handle == INVALID_HANDLE_VALUE) return false;
  const bool flushed = ::FlushFileBuffers(impl_->handle) != 0;
  const bool closed = ::CloseHandle(impl_->handle) != 0;
  impl_->handle = INVALID_HANDLE_VALUE;
  if (!flushed || !closed ||
      !::MoveFileExW(impl_->temp.c_str(), impl_->target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    impl_->Discard();
    return false;
  }
  impl_->temp.clear();  // it is the target now
  RemoveStaleTemporaries(impl_->target);
  return true;
}

bool RemoveFileIfPresent(const std::filesystem::path& path) {
  if (::DeleteFileW(path.c_str())) return true;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool OverwriteExistingFile(const std::filesystem::path& path, std::string_view bytes) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  while (ok && !bytes.empty()) {
    DWORD written = 0;
    const DWORD size = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
    ok = ::WriteFile(file, bytes.data(), size, &written, nullptr) && written > 0;
    if (ok) bytes.remove_prefix(written);
  }
  ok = ok && ::FlushFileBuffers(file);
  return ::CloseHandle(file) && ok;
}

}  // namespace JwwGaibu
