#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "JwwGaibu/file_io.h"
#include "JwwGaibu/temp_name.h"
#include "MyFunc/my_func.h"

namespace JwwGaibu {
namespace {

/// Attempts at a fresh temporary name before giving up.
constexpr int kTempAttempts = 100;

/// Largest single request for the Win32 calls, whose counts are 32-bit.
constexpr std::size_t kMaxRequest = 1u << 30;

/// Paths at least this long are handed to Windows in their extended-length form. It is the
/// limit of CreateDirectoryW (MAX_PATH less room for an 8.3 name), below MAX_PATH itself, so
/// that a temporary name made beside a file whose path fits is never the one that does not.
constexpr std::size_t kShortPathLimit = 248;

/// The form of `path` for the Win32 file calls: an absolute path of kShortPathLimit
/// characters or more gets the "\\?\" (or, for a share, "\\?\UNC\") prefix, which lifts the
/// MAX_PATH limit. Windows takes such a path as it stands, so it is normalised here first
/// (backslashes only, no "." or ".." parts). Other paths are passed on unchanged.
std::wstring Win32Path(const std::filesystem::path& path) {
  const std::wstring& native = path.native();
  if (native.size() < kShortPathLimit || !path.is_absolute() ||
      native.starts_with(L"\\\\?\\") || native.starts_with(L"\\\\.\\"))
    return native;
  std::wstring normal = path.lexically_normal().make_preferred().native();
  if (normal.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + normal.substr(2);
  return L"\\\\?\\" + normal;
}

/// True when `error` says that there is no such file or folder.
bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

/// True when `error`, got for the file at `path`, is what Windows reports while another
/// process holds that file: a virus scanner opening each file the moment it is closed, the
/// search indexer, a cloud-sync client, a program that has locked a part of the file or
/// mapped it into its memory (which keeps it from being cut short). "Access denied" is also
/// the answer for a folder or a read-only file, which no waiting changes.
bool HeldByAnotherProcess(DWORD error, const std::wstring& path) {
  if (IsHeldError(error)) return true;
  if (error != ERROR_ACCESS_DENIED) return false;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ||
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
}

/// ERROR_DISK_QUOTA_EXCEEDED, which not every set of headers names.
constexpr DWORD kErrorDiskQuotaExceeded = 1295;

/// `code`, got for the file at `path` (empty: a file of our own, which no one else holds),
/// with the kind of failure it is.
FileError Win32Error(DWORD code, const std::wstring& path) {
  using Kind = FileError::Kind;
  Kind kind = IsMissing(code) || code == ERROR_BAD_NETPATH ? Kind::kMissing
              : IsHeldError(code)                            ? Kind::kHeld
                                                             : Kind::kOther;
  switch (code) {
    case ERROR_ACCESS_DENIED:
      kind = !path.empty() && HeldByAnotherProcess(code, path) ? Kind::kHeld : Kind::kDenied;
      break;
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
      kind = Kind::kDenied;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kErrorDiskQuotaExceeded:
      kind = Kind::kDiskFull;
      break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
      kind = Kind::kOutOfMemory;
      break;
    default:
      break;
  }
  return {kind, static_cast<std::uint32_t>(code)};
}

/// Calls `attempt` (true on success, else the reason in GetLastError) again while
/// `mayRetry` accepts its error and the budget has time left to wait; each pause (the
/// budget's Pause, else a sleep) takes its length from the budget. The first pause is
/// 1 ms, and each next one is longer by a random part of the last, so that two programs
/// waiting on each other fall out of step: the rule of Go's cmd/go/internal/robustio for
/// Windows, where other programs briefly hold files that were just written. Unlike there,
/// the last pause is cut short so that the last attempt comes when the budget is used up,
/// and a holder that lets go within it is always waited out. On failure GetLastError()
/// gives the last attempt's error.
template <typename Attempt, typename MayRetry>
bool RetryWhileHeld(RetryBudget& budget, Attempt attempt, MayRetry mayRetry) {
  LARGE_INTEGER counter = {};
  ::QueryPerformanceCounter(&counter);
  std::minstd_rand random(static_cast<std::uint32_t>(counter.QuadPart) ^ ::GetCurrentThreadId());
  std::uint32_t pauseMicroseconds = 1000;
  for (;;) {
    if (attempt()) return true;
    const DWORD error = ::GetLastError();
    if (!mayRetry(error) || budget.MillisecondsLeft == 0) {
      ::SetLastError(error);
      return false;
    }
    const auto pause = static_cast<std::uint32_t>(
        std::min<std::uint64_t>((pauseMicroseconds + 999) / 1000, budget.MillisecondsLeft));
    // What the pause really took (the system's timer may round it up), never less than
    // asked, so that every pause uses up some of the budget.
    const ULONGLONG start = ::GetTickCount64();
    if (budget.Pause)
      budget.Pause(pause);
    else
      ::Sleep(pause);
    const std::uint64_t slept = std::max<std::uint64_t>(pause, ::GetTickCount64() - start);
    budget.MillisecondsLeft -= std::min(budget.MillisecondsLeft, slept);
    pauseMicroseconds += static_cast<std::uint32_t>(random() % pauseMicroseconds);
  }
}

/// DeleteFileW, tried again while another process holds the file.
bool DeleteFileRetrying(const std::wstring& path, RetryBudget& budget) {
  return RetryWhileHeld(
      budget, [&] { return ::DeleteFileW(path.c_str()) != 0; },
      [&](DWORD error) { return HeldByAnotherProcess(error, path); });
}

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
/// keeps its file open without sharing, so it could not be removed anyway. Best effort: a
/// file held by someone else now is left for the next run.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
  const std::filesystem::path folder = target.parent_path();
  const std::filesystem::path targetName = target.filename();
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(Win32Path(folder / L"*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::optional<uint64_t> pid = TemporaryOwner(found.cFileName, targetName);
    if (!pid || *pid > 0xFFFFFFFFull || *pid == ::GetCurrentProcessId() ||
        ProcessMayBeRunning(static_cast<DWORD>(*pid)))
      continue;
    ::DeleteFileW(Win32Path(folder / found.cFileName).c_str());
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

}  // namespace

// ----------------------------------------------------------------------------------------

bool IsHeldError(std::uint32_t code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
         code == ERROR_USER_MAPPED_FILE;
}

struct InputFile::Impl {
  HANDLE handle = INVALID_HANDLE_VALUE;
  FileError error;
  void Close() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
};

InputFile::InputFile() : impl_(std::make_unique<Impl>()) {}
InputFile::~InputFile() { impl_->Close(); }

InputFile::OpenResult InputFile::Open(const std::filesystem::path& path,
                                      RetryBudget& budget) {
  impl_->Close();
  impl_->error = {};
  const std::wstring name = Win32Path(path);
  // Full sharing: whoever else has the file open (the host, a scanner) is not disturbed,
  // and only a holder that shares no reading keeps it from us.
  const bool opened = RetryWhileHeld(
      budget,
      [&] {
        impl_->handle = ::CreateFileW(name.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return impl_->handle != INVALID_HANDLE_VALUE;
      },
      [&](DWORD error) { return HeldByAnotherProcess(error, name); });
  if (opened) return OpenResult::kOk;
  impl_->error = Win32Error(::GetLastError(), name);
  return impl_->error.ErrorKind == FileError::Kind::kMissing ? OpenResult::kMissing
                                                              : OpenResult::kError;
}

std::ptrdiff_t InputFile::Read(char* buffer, std::size_t size) {
  if (impl_->handle == INVALID_HANDLE_VALUE) return -1;
  const DWORD request = static_cast<DWORD>(size < kMaxRequest ? size : kMaxRequest);
  DWORD read = 0;
  if (!::ReadFile(impl_->handle, buffer, request, &read, nullptr)) {
    impl_->error = Win32Error(::GetLastError(), {});
    return -1;
  }
  return static_cast<std::ptrdiff_t>(read);
}

const FileError& InputFile::Error() const { return impl_->error; }

// ----------------------------------------------------------------------------------------

struct AtomicFileWriter::Impl {
  std::filesystem::path target;
  std::filesystem::path temp;  ///< empty when there is no temporary file to clean up
  HANDLE handle = INVALID_HANDLE_VALUE;
  FileError error;  ///< the first failure since Open

  /// Remembers `code`, got for the file at `path` (empty: the temporary file), unless an
  /// earlier failure is known.
  void Fail(DWORD code, const std::wstring& path = {}) {
    if (!error) error = Win32Error(code, path);
  }

  /// Closes and removes the temporary file, if any, waiting for a holder (a scanner that
  /// opened it) within `budget`.
  void Discard(RetryBudget& budget) {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    if (!temp.empty()) DeleteFileRetrying(Win32Path(temp), budget);
    temp.clear();
  }
  /// The same in one attempt: outside the close no one waits for the file (a stop, the end
  /// of the session, a failed write). A file that a scanner held just then is removed by a
  /// later run once this process is gone.
  void Discard() {
    RetryBudget none;
    Discard(none);
  }
};

AtomicFileWriter::AtomicFileWriter() : impl_(std::make_unique<Impl>()) {}
AtomicFileWriter::~AtomicFileWriter() { impl_->Discard(); }

bool AtomicFileWriter::Open(const std::filesystem::path& path) {
  impl_->Discard();
  impl_->target = path;
  impl_->error = {};
  // The process id keeps other processes apart; CREATE_NEW plus the attempt number keeps
  // writers of this process apart and never opens a file that someone else has made.
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    std::filesystem::path temp = TemporaryPath(path, ::GetCurrentProcessId(), attempt);
    const HANDLE handle = ::CreateFileW(Win32Path(temp).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      impl_->handle = handle;
      impl_->temp = std::move(temp);
      return true;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      impl_->Fail(error);
      return false;
    }
  }
  impl_->Fail(ERROR_FILE_EXISTS);
  return false;
}

bool AtomicFileWriter::Write(std::string_view bytes) {
  if (impl_->handle == INVALID_HANDLE_VALUE) {
    impl_->Fail(ERROR_INVALID_HANDLE);
    return false;
  }
  while (!bytes.empty()) {
    const DWORD request =
        static_cast<DWORD>(bytes.size() < kMaxRequest ? bytes.size() : kMaxRequest);
    DWORD written = 0;
    const bool wrote = ::WriteFile(impl_->handle, bytes.data(), request, &written, nullptr) != 0;
    if (!wrote || written == 0) {
      // A write that takes nothing: the disk is full.
      impl_->Fail(wrote ? ERROR_DISK_FULL : ::GetLastError());
      impl_->Discard();
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool AtomicFileWriter::Truncate(std::uint64_t size) {
  if (impl_->handle == INVALID_HANDLE_VALUE) {
    impl_->Fail(ERROR_INVALID_HANDLE);
    return false;
  }
  LARGE_INTEGER offset;
  offset.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFilePointerEx(impl_->handle, offset, nullptr, FILE_BEGIN) ||
      !::SetEndOfFile(impl_->handle)) {
    impl_->Fail(::GetLastError());
    impl_->Discard();
    return false;
  }
  return true;
}

bool AtomicFileWriter::Commit(RetryBudget& budget) {
  if (impl_->handle == INVALID_HANDLE_VALUE) {
    impl_->Fail(ERROR_INVALID_HANDLE);
    return false;
  }
  const bool flushed = ::FlushFileBuffers(impl_->handle) != 0;
  if (!flushed) impl_->Fail(::GetLastError());
  const bool closed = ::CloseHandle(impl_->handle) != 0;
  if (!closed) impl_->Fail(::GetLastError());
  impl_->handle = INVALID_HANDLE_VALUE;
  const std::wstring temp = Win32Path(impl_->temp);
  const std::wstring target = Win32Path(impl_->target);
  // A scanner opens the new file the moment it is closed, and anyone reading the target
  // keeps it from being replaced: either waits. While a scanner has the new file open,
  // Windows may also report it as not found.
  const bool renamed =
      flushed && closed &&
      RetryWhileHeld(
          budget,
          [&] {
            return ::MoveFileExW(temp.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
          },
          [&](DWORD error) {
            return error == ERROR_FILE_NOT_FOUND || HeldByAnotherProcess(error, target);
          });
  if (!renamed) {
    impl_->Fail(::GetLastError(), target);
    impl_->Discard(budget);
    return false;
  }
  impl_->temp.clear();  // it is the target now
  RemoveStaleTemporaries(impl_->target);
  return true;
}

const FileError& AtomicFileWriter::Error() const { return impl_->error; }

std::string SystemErrorText(const FileError& error) {
  if (error.Code == 0) return {};
  // In the user's language; one line (no line breaks of the message's own).
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
          FORMAT_MESSAGE_MAX_WIDTH_MASK,
      nullptr, error.Code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide;
  if (length > 0 && text != nullptr) wide.assign(text, length);
  if (text != nullptr) ::LocalFree(text);
  while (!wide.empty() && (wide.back() == L' ' || wide.back() == L'\r' ||
                           wide.back() == L'\n' || wide.back() == L'.' || wide.back() == L'\u3002'))
    wide.pop_back();
  return MyFunc::Utf16ToUtf8Lossy(std::u16string(wide.begin(), wide.end()));
}

bool RemoveFileIfPresent(const std::filesystem::path& path, RetryBudget& budget) {
  if (DeleteFileRetrying(Win32Path(path), budget)) return true;
  return IsMissing(::GetLastError());
}

bool OverwriteExistingFile(const std::filesystem::path& path, std::string_view bytes,
                           RetryBudget& budget) {
  const std::wstring name = Win32Path(path);
  // Reading stays shared, so that a scanner or the host reading the file does not keep
  // this last resort from it.
  HANDLE file = INVALID_HANDLE_VALUE;
  const bool opened = RetryWhileHeld(
      budget,
      [&] {
        file = ::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return file != INVALID_HANDLE_VALUE;
      },
      [&](DWORD error) { return HeldByAnotherProcess(error, name); });
  if (!opened) return false;
  bool ok = true;
  while (ok && !bytes.empty()) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size() < kMaxRequest ? bytes.size() : kMaxRequest);
    ok = ::WriteFile(file, bytes.data(), size, &written, nullptr) && written > 0;
    if (ok) bytes.remove_prefix(written);
  }
  ok = ok && ::FlushFileBuffers(file);
  return ::CloseHandle(file) && ok;
}

}  // namespace JwwGaibu
