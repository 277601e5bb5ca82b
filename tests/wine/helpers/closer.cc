// Test helper: asks the dialog to close, or gives it a system command, as another program
// does. Finds the one window named 文字間隔ゼロ化 (waiting up to 10 s), prints "found",
// given "busy" waits until OK is disabled (the pass or the close at work), given "closing"
// until Cancel is too (the close at work; 20 s at most either way, as a busy machine may be
// slow to take OK or to end the pass), waits DELAY_MS, prints the state of OK and
// Cancel ("state OK enabled|disabled Cancel enabled|disabled": OK disabled and Cancel
// enabled while OK's pass runs, both disabled while the close writes; "state gone" once
// the window is), then
//   close          sends WM_CLOSE (the task manager's end task)
//   cancel-click   sends BM_CLICK to the dialog's Cancel (automation, screen readers)
//   end-session    sends WM_QUERYENDSESSION, then WM_ENDSESSION TRUE (signing out)
//   post-sc-close  posts WM_SYSCOMMAND SC_CLOSE (the task bar's close)
//   post-close     posts WM_CLOSE (taskkill without /F)
//   notify-keymenu sends WM_SYSCOMMAND SC_KEYMENU ' ' (the system menu) without waiting for
//                  the answer (SendNotifyMessageW: a sent message all the same)
//   notify-move    the same with SC_MOVE (the keyboard move), to the first label
//   notify-popup-menu  sends 0x0313 without waiting (the task bar button's window menu)
//   send-sc-close  sends WM_SYSCOMMAND SC_CLOSE
//   post-about     posts WM_SYSCOMMAND 0xF141 (Wine's "About" of the system menu)
//   post-cancel-command  posts WM_COMMAND IDCANCEL
//   post-minimize-restore  posts SC_MINIMIZE, waits until the dialog is iconic ("iconic
//                  after N ms"), posts SC_RESTORE and waits until it is not ("restored after
//                  N ms"), then until Cancel has the dialog's focus ("Cancel focused after N
//                  ms"); 3 s at most each ("not iconic", "not restored", "not Cancel
//                  focused": exit status 3)
// and prints "sent MESSAGE result R" ("sent MESSAGE" without waiting) or "posted MESSAGE",
// or "... failed, error E" (a send that got no answer within 10 s, a window gone). Given
// "busy" or "closing", it then watches the status line until the window is gone and prints
// "longest standstill N ms": the longest time the pass's progress ("処理中…") stood still.
// A loop of its own (a menu, a move) holds the pass, and its progress, until the program
// is killed; a busy machine only slows it. Exit status 0 when every message went through, 3 when one
// did not, 1 when there was no such window or more than one, 2 on wrong arguments.
//   closer.exe ACTION DELAY_MS [busy|closing]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

namespace {

// A program that hangs or crashes while it handles a sent message must not hold the test.
bool Send(HWND window, const char* name, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, 10000,
                          &result) == 0) {
    std::printf("sent %s failed, error %lu\n", name, GetLastError());
    return false;
  }
  std::printf("sent %s result %lld\n", name, static_cast<long long>(result));
  return true;
}

// Waits up to `limitMs` until `reached()`; prints "NAME after N ms" or "not NAME".
template <typename Test>
bool Await(Test reached, const char* name, ULONGLONG limitMs = 3000) {
  const ULONGLONG start = GetTickCount64();
  while (!reached() && GetTickCount64() - start < limitMs) Sleep(10);
  if (reached())
    std::printf("%s after %llu ms\n", name, GetTickCount64() - start);
  else
    std::printf("not %s\n", name);
  std::fflush(stdout);
  return reached();
}

bool Iconic(HWND window) { return IsIconic(window) != FALSE; }

// Watches `status` until `window` is gone; the longest time its text stood still while it
// told the pass's progress, in milliseconds.
ULONGLONG LongestStandstill(HWND window, HWND status) {
  const std::wstring_view progress = L"\x51e6\x7406\x4e2d";  // 処理中
  std::wstring last;
  ULONGLONG since = GetTickCount64();
  ULONGLONG longest = 0;
  while (IsWindow(window)) {
    wchar_t text[128] = {};
    InternalGetWindowText(status, text, 128);
    const ULONGLONG now = GetTickCount64();
    if (std::wstring_view(text).substr(0, progress.size()) != progress || last != text) {
      last = text;
      since = now;
    } else if (now - since > longest) {
      longest = now - since;
    }
    Sleep(5);
  }
  return longest;
}

// The control that has the keyboard focus in `window`'s thread.
HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus
                                                                            : nullptr;
}

// Posts `message`, or sends it without waiting for the answer: either way at once.
bool Queue(bool post, HWND window, const char* name, UINT message, WPARAM wParam, LPARAM lParam) {
  const BOOL done = post ? PostMessageW(window, message, wParam, lParam)
                         : SendNotifyMessageW(window, message, wParam, lParam);
  if (done)
    std::printf("%s %s\n", post ? "posted" : "sent", name);
  else
    std::printf("%s %s failed, error %lu\n", post ? "post" : "send", name, GetLastError());
  return done != FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring_view wait = argc == 4 ? argv[3] : L"";
  if (argc != 3 && !(argc == 4 && (wait == L"busy" || wait == L"closing"))) return 2;
  const wchar_t* caption = L"\x6587\x5b57\x9593\x9694\x30bc\x30ed\x5316";
  HWND dialog = nullptr;
  for (int i = 0; i < 500 && (dialog = FindWindowW(nullptr, caption)) == nullptr; ++i) Sleep(20);
  // A second window of that name (another run, a message box) would make the target a guess.
  if (dialog == nullptr || FindWindowExW(nullptr, dialog, nullptr, caption) != nullptr) {
    std::printf(dialog == nullptr ? "no window\n" : "more than one window\n");
    return 1;
  }
  std::printf("found\n");
  std::fflush(stdout);
  const HWND ok = GetDlgItem(dialog, IDOK);
  const HWND cancel = GetDlgItem(dialog, IDCANCEL);
  if (argc == 4) {
    Await([&] { return !IsWindowEnabled(ok) && (wait == L"busy" || !IsWindowEnabled(cancel)); },
          "busy", 20000);
  }
  Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  if (IsWindow(dialog)) {
    std::printf("state OK %s Cancel %s\n", IsWindowEnabled(ok) ? "enabled" : "disabled",
                IsWindowEnabled(cancel) ? "enabled" : "disabled");
  } else {
    std::printf("state gone\n");
  }
  const std::wstring_view action = argv[1];
  bool delivered;
  if (action == L"close") {
    delivered = Send(dialog, "WM_CLOSE", WM_CLOSE, 0, 0);
  } else if (action == L"cancel-click") {
    delivered = Send(cancel, "BM_CLICK", BM_CLICK, 0, 0);
  } else if (action == L"end-session") {
    // Signing out asks first and ends the session whatever the answer.
    delivered = Send(dialog, "WM_QUERYENDSESSION", WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    delivered &= Send(dialog, "WM_ENDSESSION", WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  } else if (action == L"post-sc-close") {
    delivered = Queue(true, dialog, "WM_SYSCOMMAND SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (action == L"post-close") {
    delivered = Queue(true, dialog, "WM_CLOSE", WM_CLOSE, 0, 0);
  } else if (action == L"notify-keymenu") {
    delivered = Queue(false, dialog, "WM_SYSCOMMAND SC_KEYMENU", WM_SYSCOMMAND, SC_KEYMENU, ' ');
  } else if (action == L"notify-move") {
    const HWND label = GetDlgItem(dialog, 1011);
    delivered = Queue(false, label, "WM_SYSCOMMAND SC_MOVE to a label", WM_SYSCOMMAND, SC_MOVE, 0);
  } else if (action == L"notify-popup-menu") {
    delivered = Queue(false, dialog, "0x0313", 0x0313, 0, MAKELPARAM(40, 1000));
  } else if (action == L"send-sc-close") {
    delivered = Send(dialog, "WM_SYSCOMMAND SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (action == L"post-cancel-command") {
    delivered = Queue(true, dialog, "WM_COMMAND IDCANCEL", WM_COMMAND, IDCANCEL, 0);
  } else if (action == L"post-about") {
    delivered = Queue(true, dialog, "WM_SYSCOMMAND 0xF141", WM_SYSCOMMAND, 0xF141, 0);
  } else if (action == L"post-minimize-restore") {
    delivered = Queue(true, dialog, "WM_SYSCOMMAND SC_MINIMIZE", WM_SYSCOMMAND, SC_MINIMIZE, 0) &&
                Await([&] { return Iconic(dialog); }, "iconic") &&
                Queue(true, dialog, "WM_SYSCOMMAND SC_RESTORE", WM_SYSCOMMAND, SC_RESTORE, 0) &&
                Await([&] { return !Iconic(dialog); }, "restored") &&
                Await([&] { return FocusOf(dialog) == cancel; }, "Cancel focused");
  } else {
    return 2;
  }
  if (argc == 4) {
    std::fflush(stdout);
    std::printf("longest standstill %llu ms\n",
                LongestStandstill(dialog, GetDlgItem(dialog, 1020)));
  }
  return delivered ? 0 : 3;
}
