// Test helper: starts a program as a host may, asking for its window to be hidden or
// minimised (STARTUPINFO), and waits for it; returns its exit status, or 203 when it had
// not ended after SECONDS (it is then ended).
//   launcher.exe hide|minimize SECONDS PROGRAM
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 200;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = std::wcscmp(argv[1], L"hide") == 0 ? SW_HIDE : SW_SHOWMINIMIZED;
  const DWORD limit = 1000 * static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
  std::wstring commandLine = L"\"" + std::wstring(argv[3]) + L"\"";
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(argv[3], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return 201;
  DWORD status = 202;
  if (WaitForSingleObject(process.hProcess, limit) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &status);
  } else {
    TerminateProcess(process.hProcess, 203);
    WaitForSingleObject(process.hProcess, INFINITE);
    status = 203;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
