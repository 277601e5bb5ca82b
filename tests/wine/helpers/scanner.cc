// Test helper: behaves as a virus scanner does towards rq27.exe's temporary files. It
// watches FOLDER for ".JWC_TEMP.TXT.*.tmp", waits for each one to be closed by its writer
// (opening it fails until then), then holds it open for reading, without delete sharing,
// for HOLD_MS. Runs until STOP_FILE exists. Prints "ready" once watching, "caught SIZE"
// for each file it held (SIZE in bytes), "missed" for one that was gone before it could
// be opened.
//   scanner.exe FOLDER HOLD_MS STOP_FILE
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

/// Threads trying to open the file at once: the writer's rename follows its close within
/// microseconds, and more tries in flight make it likelier that one lands in between.
constexpr int kTriers = 3;

/// Opens `path` for reading without delete sharing once its writer lets go; the handle,
/// or INVALID_HANDLE_VALUE when the file went first.
HANDLE OpenWhenClosed(const std::wstring& path) {
  std::atomic<HANDLE> winner{INVALID_HANDLE_VALUE};
  std::atomic<bool> done{false};
  std::vector<std::thread> triers;
  for (int i = 0; i < kTriers; ++i) {
    triers.emplace_back([&] {
      while (!done) {
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
          HANDLE none = INVALID_HANDLE_VALUE;
          if (!winner.compare_exchange_strong(none, file)) CloseHandle(file);
          done = true;
        } else if (GetLastError() != ERROR_SHARING_VIOLATION) {
          done = true;
        }
      }
    });
  }
  for (std::thread& t : triers) t.join();
  return winner;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const std::wstring folder = argv[1];
  const DWORD holdMs = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
  const std::wstring stopFile = argv[3];
  const std::wstring pattern = folder + L"\\.JWC_TEMP.TXT.*.tmp";
  const auto stopped = [&] { return GetFileAttributesW(stopFile.c_str()) != INVALID_FILE_ATTRIBUTES; };
  std::printf("ready\n");
  std::fflush(stdout);
  while (!stopped()) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      Sleep(1);
      continue;
    }
    FindClose(search);
    const std::wstring path = folder + L"\\" + found.cFileName;
    const HANDLE file = OpenWhenClosed(path);
    if (file != INVALID_HANDLE_VALUE) {
      LARGE_INTEGER size = {};
      GetFileSizeEx(file, &size);
      Sleep(holdMs);
      CloseHandle(file);
      std::printf("caught %lld\n", static_cast<long long>(size.QuadPart));
    } else {
      std::printf("missed\n");
    }
    std::fflush(stdout);
    // The same name may come again for the writer's next file: wait for this one to go.
    while (!stopped() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) Sleep(1);
  }
  return 0;
}
