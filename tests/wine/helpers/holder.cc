// Test helper: holds FILE open for reading as another program reading the host's file
// would (sharing reading and writing, not deletion; with "read-only", sharing reading
// alone) for HOLD_MS. Prints "held" once it has the file, and on letting it go "released,
// starting with XX": the file's first two bytes then, "hq" where another program wrote it
// meanwhile; exit status 1 if it could not open it.
//   holder.exe FILE HOLD_MS [read-only]
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 4) return 2;
  const bool readOnly = argc == 4 && std::wcscmp(argv[3], L"read-only") == 0;
  const DWORD share = readOnly ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  char start[3] = {};
  DWORD read = 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  ReadFile(file, start, 2, &read, nullptr);
  std::printf("released, starting with %s\n", start);
  CloseHandle(file);
  return 0;
}
