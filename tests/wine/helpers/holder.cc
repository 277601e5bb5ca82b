// Test helper: holds FILE open for reading as another program reading the host's file
// would (sharing reading and writing, not deletion; with "read-only", sharing reading
// alone) for HOLD_MS; with "after-wait", from the moment a program's new copy of FILE
// (".NAME.*.tmp" beside it) waits to take its place, printing "a new file waits" then (30 s
// at most: "no new file"). Prints "held" once it has the file, and on letting it go
// "released, starting with XX": the file's first two bytes then, "hq" where another program
// wrote it meanwhile. Where it cannot open the file it prints "not opened, error N" and ends
// with status 1.
//   holder.exe FILE HOLD_MS [read-only|after-wait]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// Whether a file matching `pattern` exists.
bool Exists(const std::wstring& pattern) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 4) return 2;
  const std::wstring mode = argc == 4 ? argv[3] : L"";
  const DWORD share = mode == L"read-only" ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("not opened, error %lu\n", GetLastError());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  if (mode == L"after-wait") {
    const std::wstring path = argv[1];
    const size_t slash = path.find_last_of(L'\\') + 1;
    const std::wstring pattern = path.substr(0, slash) + L"." + path.substr(slash) + L".*.tmp";
    const ULONGLONG start = GetTickCount64();
    while (!Exists(pattern) && GetTickCount64() - start < 30000) Sleep(10);
    std::printf(Exists(pattern) ? "a new file waits\n" : "no new file\n");
    std::fflush(stdout);
  }
  Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  char start[3] = {};
  DWORD read = 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  ReadFile(file, start, 2, &read, nullptr);
  std::printf("released, starting with %s\n", start);
  CloseHandle(file);
  return 0;
}
