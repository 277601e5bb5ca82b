// Test helper: asks the dialog to close, gives it a system command as another program does,
// or watches what the user does to it. Finds the one window named 文字間隔ゼロ化 (waiting
// up to 10 s) and prints "found". Given "busy" it waits until OK is disabled and the status
// line counts the pass ("処理中(ESC:中断)：K／N"), given "closing" until OK and Cancel are
// both disabled (the close at work); 60 s at most either way, longer than a helper may take
// to start on a busy machine. It then waits DELAY_MS and prints the state of OK and Cancel
// ("state OK enabled|disabled Cancel enabled|disabled", or "state gone"), then
//   watch          sends nothing
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
// or "... failed" (a send that got no answer within 10 s, a window gone). A message is given
// while the dialog's thread stands still, and the count its status line shows then is
// printed after it as "given MESSAGE at K": the pass's count K, 0 before its first count,
// "-" outside the pass (of the end of the session, the WM_ENDSESSION). One posted or sent
// without waiting goes with a WM_NULL sent to the dialog: its answer comes from the dialog's
// next look at its queue, which takes the message too ("looked: state ..." as above); where
// the pass then goes on to its next count, a second WM_NULL is given there ("given WM_NULL
// again at K"; "no WM_NULL again" where the pass had ended by then), as a look under way
// may have passed the message's kind before it came.
// Given "busy" or "closing", it then watches the desktop's keys and (given "watch") the left
// button, prints "watching", and watches the status line until the window is gone. The
// first Escape or Space pressed, or the first press of the left button, prints "given
// Escape|Space|click at K", K read while the dialog's thread hands that input on. At the
// end it prints "counts after given C, last K": how many new counts the status line showed
// after the last "given" and the last count it showed; then "longest standstill N ms", the
// longest time the pass's progress stood still. A loop of its own (a menu, a move) holds the
// pass, and its progress, until the program is killed; a busy machine only slows it. Exit
// status 0 when every message went through, 3 when one did not, 1 when there was no such
// window or more than one, 2 on wrong arguments.
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

// Looks every `everyMs` until `reached()`, `limitMs` at most; whether it was reached.
template <typename Test>
bool Until(Test reached, ULONGLONG limitMs, DWORD everyMs) {
  const ULONGLONG start = GetTickCount64();
  while (!reached() && GetTickCount64() - start < limitMs) Sleep(everyMs);
  return reached();
}

// Waits up to `limitMs` until `reached()`; prints "NAME after N ms" or "not NAME".
template <typename Test>
bool Await(Test reached, const char* name, ULONGLONG limitMs = 3000) {
  const ULONGLONG start = GetTickCount64();
  if (Until(reached, limitMs, 10))
    std::printf("%s after %llu ms\n", name, GetTickCount64() - start);
  else
    std::printf("not %s\n", name);
  std::fflush(stdout);
  return reached();
}

bool Iconic(HWND window) { return IsIconic(window) != FALSE; }

std::wstring TextOf(HWND window) {
  wchar_t text[128] = {};
  InternalGetWindowText(window, text, 128);
  return text;
}

// The pass's count on a status line: K of "処理中(ESC:中断)：K／N", 0 for the text shown
// before the first count, -1 for any other.
long CountOf(const std::wstring& text) {
  const std::wstring_view progress = L"\x51e6\x7406\x4e2d";  // 処理中
  const std::wstring_view zeroing =
      L"\x6587\x5b57\x9593\x9694\x30bc\x30ed\x5316"  // 文字間隔ゼロ化
      L"\x3092\x884c\x3044\x307e\x3059";             // を行います
  if (text == zeroing) return 0;
  const size_t colon = text.find(L'\xff1a');  // ：
  if (text.compare(0, progress.size(), progress) != 0 || colon == std::wstring::npos) return -1;
  return std::wcstol(text.c_str() + colon + 1, nullptr, 10);
}

// What the watch has seen of the status line, and when a stop (or any input) was given.
struct Watch {
  HWND status = nullptr;
  long last = -1;       // the last count seen
  long given = -2;      // the count when the last thing was given; -2: nothing yet
  int countsAfter = 0;  // new counts seen since then
  bool keyGiven = false;
};
Watch* watch = nullptr;  // for the low-level hooks, which have no context of their own

// Records that something was given to the dialog when its status line showed `count`.
void MarkGiven(const char* name, long count) {
  if (count > watch->last) watch->last = count;
  watch->given = count;
  watch->countsAfter = 0;
  std::printf(count >= 0 ? "given %s at %ld\n" : "given %s at -\n", name, count);
  std::fflush(stdout);
}
long CountNow() { return CountOf(TextOf(watch->status)); }

// The dialog's thread waits for these while it hands the input on, so the count read here is
// the one shown where the input reached it.
LRESULT CALLBACK KeyHook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && !watch->keyGiven && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN) &&
      (key->vkCode == VK_ESCAPE || key->vkCode == VK_SPACE)) {
    watch->keyGiven = true;
    MarkGiven(key->vkCode == VK_ESCAPE ? "Escape" : "Space", CountNow());
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && !watch->keyGiven && wParam == WM_LBUTTONDOWN) {
    watch->keyGiven = true;
    MarkGiven("click", CountNow());
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Handles what has come for this thread (the hooks' calls, the answers to messages sent
// with a callback), then waits up to `milliseconds` for more.
void HandleMessagesFor(DWORD milliseconds) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
}

// Watches the status line until `window` is gone, answering the hooks meanwhile; the longest
// time its text stood still while it told the pass's progress, in milliseconds.
ULONGLONG WatchUntilGone(HWND window) {
  std::wstring last;
  ULONGLONG since = GetTickCount64();
  ULONGLONG longest = 0;
  while (IsWindow(window)) {
    const std::wstring text = TextOf(watch->status);
    const ULONGLONG now = GetTickCount64();
    const long count = CountOf(text);
    if (count <= 0 || last != text) {
      if (count > watch->last) {
        watch->last = count;
        ++watch->countsAfter;
      }
      last = text;
      since = now;
    } else if (now - since > longest) {
      longest = now - since;
    }
    HandleMessagesFor(2);
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

void PrintState(const char* what, HWND dialog, HWND ok, HWND cancel) {
  if (IsWindow(dialog)) {
    std::printf("%s OK %s Cancel %s\n", what, IsWindowEnabled(ok) ? "enabled" : "disabled",
                IsWindowEnabled(cancel) ? "enabled" : "disabled");
  } else {
    std::printf("%s gone\n", what);
  }
}

// Runs `give` while the dialog's thread stands still and answers the count its status line
// shows meanwhile: a message given so is taken at the first check after that count however
// long this helper or the dialog waits for a processor on a busy machine.
template <typename Give>
long WhileStill(HWND dialog, Give give) {
  const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE,
                                   GetWindowThreadProcessId(dialog, nullptr));
  const bool still = thread != nullptr && SuspendThread(thread) != static_cast<DWORD>(-1);
  CONTEXT context = {};
  context.ContextFlags = CONTEXT_CONTROL;
  if (still) GetThreadContext(thread, &context);  // returns once the thread has stopped
  const long count = CountNow();
  give();
  if (still) ResumeThread(thread);
  if (thread != nullptr) CloseHandle(thread);
  if (!still) std::printf("the dialog's thread could not be stopped, error %lu\n", GetLastError());
  return count;
}

struct Answer {
  LRESULT result = 0;
  bool given = false;
};
void CALLBACK Answered(HWND, UINT, ULONG_PTR answer, LRESULT result) {
  *reinterpret_cast<Answer*>(answer) = {result, true};
}

// Waits for `answer` to a message sent with Answered, 10 s at most, handling what comes meanwhile.
bool AwaitAnswer(const Answer& answer) {
  const ULONGLONG start = GetTickCount64();
  while (!answer.given && GetTickCount64() - start < 10000) HandleMessagesFor(10);
  return answer.given;
}

bool SendWithAnswer(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Answer& answer) {
  return SendMessageCallbackW(window, message, wParam, lParam, Answered,
                              reinterpret_cast<ULONG_PTR>(&answer)) != FALSE;
}

// Sends `message` and waits for the answer (10 s at most).
bool Give(HWND dialog, HWND window, const char* name, UINT message, WPARAM wParam, LPARAM lParam) {
  Answer answer;
  bool queued = false;
  const long count =
      WhileStill(dialog, [&] { queued = SendWithAnswer(window, message, wParam, lParam, answer); });
  if (queued && AwaitAnswer(answer))
    std::printf("sent %s result %lld\n", name, static_cast<long long>(answer.result));
  else
    std::printf("sent %s failed%s\n", name, queued ? ": no answer within 10 s" : "");
  MarkGiven(name, count);
  return answer.given;
}

// Posts `message`, or sends it without waiting for the answer: either way at once. A WM_NULL
// sent with it is answered at the dialog's next look at its queue, which takes the message.
bool Queue(bool post, HWND dialog, HWND ok, HWND cancel, HWND window, const char* name,
           UINT message, WPARAM wParam, LPARAM lParam) {
  BOOL done = FALSE;
  Answer looked;
  const long count = WhileStill(dialog, [&] {
    done = post ? PostMessageW(window, message, wParam, lParam)
                : SendNotifyMessageW(window, message, wParam, lParam);
    SendWithAnswer(dialog, WM_NULL, 0, 0, looked);
  });
  if (done)
    std::printf("%s %s\n", post ? "posted" : "sent", name);
  else
    std::printf("%s %s failed, error %lu\n", post ? "post" : "send", name, GetLastError());
  MarkGiven(name, count);
  if (AwaitAnswer(looked))
    PrintState("looked: state", dialog, ok, cancel);
  else
    std::printf("no look at the queue within 10 s\n");
  // A look under way when the message came may have passed its kind already; the next one
  // takes it. Once the pass has shown its next count, that look is over: a second WM_NULL,
  // given at that count, brings the next.
  if (count > 0) Until([&] { return CountNow() != count || !IsWindow(dialog); }, 10000, 1);
  // The pass may end between that count and the moment its thread stands still: then it
  // took the message already, and the message stays what was given last.
  if (CountNow() > count && IsWindow(dialog)) {
    Answer again;
    bool sent = false;
    const long later = WhileStill(dialog, [&] {
      sent = CountNow() > 0 && SendWithAnswer(dialog, WM_NULL, 0, 0, again);
    });
    if (sent) {
      MarkGiven("WM_NULL again", later);
      AwaitAnswer(again);
    } else {
      std::printf("no WM_NULL again: the pass had ended\n");
    }
  }
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
  Watch state;
  state.status = GetDlgItem(dialog, 1020);
  watch = &state;
  if (argc == 4) {
    Await(
        [&] {
          return !IsWindowEnabled(ok) &&
                 (wait == L"busy" ? CountOf(TextOf(state.status)) > 0 : !IsWindowEnabled(cancel));
        },
        "busy", 60000);
  }
  Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  PrintState("state", dialog, ok, cancel);
  const std::wstring_view action = argv[1];
  const auto queue = [&](bool post, HWND window, const char* name, UINT message, WPARAM wParam,
                         LPARAM lParam) {
    return Queue(post, dialog, ok, cancel, window, name, message, wParam, lParam);
  };
  bool delivered;
  if (action == L"watch") {
    delivered = true;
  } else if (action == L"close") {
    delivered = Give(dialog, dialog, "WM_CLOSE", WM_CLOSE, 0, 0);
  } else if (action == L"cancel-click") {
    delivered = Give(dialog, cancel, "BM_CLICK", BM_CLICK, 0, 0);
  } else if (action == L"end-session") {
    // Signing out asks first and ends the session whatever the answer.
    delivered = Send(dialog, "WM_QUERYENDSESSION", WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    delivered &= Give(dialog, dialog, "WM_ENDSESSION", WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  } else if (action == L"post-sc-close") {
    delivered = queue(true, dialog, "WM_SYSCOMMAND SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (action == L"post-close") {
    delivered = queue(true, dialog, "WM_CLOSE", WM_CLOSE, 0, 0);
  } else if (action == L"notify-keymenu") {
    delivered = queue(false, dialog, "WM_SYSCOMMAND SC_KEYMENU", WM_SYSCOMMAND, SC_KEYMENU, ' ');
  } else if (action == L"notify-move") {
    const HWND label = GetDlgItem(dialog, 1011);
    delivered = queue(false, label, "WM_SYSCOMMAND SC_MOVE to a label", WM_SYSCOMMAND, SC_MOVE, 0);
  } else if (action == L"notify-popup-menu") {
    delivered = queue(false, dialog, "0x0313", 0x0313, 0, MAKELPARAM(40, 1000));
  } else if (action == L"send-sc-close") {
    delivered = Give(dialog, dialog, "WM_SYSCOMMAND SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (action == L"post-cancel-command") {
    delivered = queue(true, dialog, "WM_COMMAND IDCANCEL", WM_COMMAND, IDCANCEL, 0);
  } else if (action == L"post-about") {
    delivered = queue(true, dialog, "WM_SYSCOMMAND 0xF141", WM_SYSCOMMAND, 0xF141, 0);
  } else if (action == L"post-minimize-restore") {
    const auto post = [&](const char* name, WPARAM command) {
      const BOOL done = PostMessageW(dialog, WM_SYSCOMMAND, command, 0);
      std::printf(done ? "posted %s\n" : "post %s failed\n", name);
      return done != FALSE;
    };
    delivered = post("WM_SYSCOMMAND SC_MINIMIZE", SC_MINIMIZE) &&
                Await([&] { return Iconic(dialog); }, "iconic") &&
                post("WM_SYSCOMMAND SC_RESTORE", SC_RESTORE) &&
                Await([&] { return !Iconic(dialog); }, "restored") &&
                Await([&] { return FocusOf(dialog) == cancel; }, "Cancel focused");
  } else {
    return 2;
  }
  if (argc == 4) {
    const HHOOK keys = SetWindowsHookExW(WH_KEYBOARD_LL, KeyHook, GetModuleHandleW(nullptr), 0);
    const HHOOK mouse =
        action == L"watch" ? SetWindowsHookExW(WH_MOUSE_LL, MouseHook, GetModuleHandleW(nullptr), 0)
                           : nullptr;
    std::printf(keys != nullptr && (mouse != nullptr || action != L"watch") ? "watching\n"
                                                                            : "no hooks\n");
    std::fflush(stdout);
    const ULONGLONG longest = WatchUntilGone(dialog);
    std::printf("counts after given %d, last %ld\n", state.countsAfter, state.last);
    std::printf("longest standstill %llu ms\n", longest);
    if (keys != nullptr) UnhookWindowsHookEx(keys);
    if (mouse != nullptr) UnhookWindowsHookEx(mouse);
  }
  return delivered ? 0 : 3;
}
