// Test helper: another program's window that takes the foreground, so that keys typed
// while it is in front are not the dialog's. Prints "front" once it is the foreground
// window (or "not front" if Windows refused) and closes after SECONDS.
//   other-window.exe SECONDS
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"rq27-test-other";
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(0, L"rq27-test-other", L"rq27-test-other",
                                      WS_OVERLAPPEDWINDOW, 20, 20, 300, 200, nullptr, nullptr,
                                      instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  SetFocus(window);
  std::printf(GetForegroundWindow() == window ? "front\n" : "not front\n");
  std::fflush(stdout);
  const ULONGLONG end = GetTickCount64() + 1000 * std::wcstoul(argv[1], nullptr, 10);
  while (GetTickCount64() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  DestroyWindow(window);
  return 0;
}
