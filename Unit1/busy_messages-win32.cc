#include "Unit1/busy_messages-win32.h"

namespace Unit1 {
namespace {

// Pointer messages of Windows 8 and later, which the headers for Windows 7 leave out: those
// of the frame (WM_NCPOINTERUPDATE, WM_NCPOINTERDOWN, WM_NCPOINTERUP), then those of the
// client area (WM_POINTERUPDATE to the last of them).
constexpr UINT kWmNcPointerFirst = 0x0241;
constexpr UINT kWmNcPointerDown = 0x0242;
constexpr UINT kWmNcPointerLast = 0x0243;
constexpr UINT kWmPointerFirst = 0x0245;
constexpr UINT kWmPointerLast = 0x0257;
// What the task bar sends a window for its button's window menu (Shift+right click): the
// default window procedure opens the system menu at the point in lParam.
constexpr UINT kWmPopupSystemMenu = 0x0313;

/// A key that asks to stop: Escape, Alt+N (Cancel's key) or Alt+F4, and Space or Enter
/// on a focused Cancel (which is how a button is pressed from the keyboard).
bool IsStopKey(const MSG& message, const BusyWindows& windows) {
  constexpr LPARAM kAltDown = LPARAM{1} << 29;  // a key message's context code
  // With no control focused (the focused one was disabled), every key comes as
  // WM_SYSKEYDOWN: Alt is told by the context code, not by the message.
  const bool alt = (message.lParam & kAltDown) != 0;
  if (message.wParam == VK_ESCAPE) return true;
  if (alt) return message.wParam == 'N' || message.wParam == VK_F4;
  return message.hwnd == windows.CancelButton &&
         (message.wParam == VK_SPACE || message.wParam == VK_RETURN);
}

}  // namespace

const std::array<std::array<UINT, 2>, 9> kBusyTakenRanges = {{
    {kWmNcPointerFirst, kWmPointerLast},
    {WM_KEYFIRST, WM_KEYLAST},
    {WM_MOUSEFIRST, WM_MOUSELAST},
    {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK},
    {WM_CLOSE, WM_CLOSE},  // taskkill without /F
    {WM_COMMAND, WM_COMMAND},
    {BM_CLICK, BM_CLICK},
    {WM_SYSCOMMAND, WM_SYSCOMMAND},
    {WM_PAINT, WM_PAINT},
}};

BusyAnswer AnswerWhileBusy(const MSG& message, const BusyWindows& windows) {
  const UINT id = message.message;
  // Touch and pen come first as pointer messages, which the default window procedure turns
  // into the mouse messages below: a tap on Cancel is a click there at the next look.
  if (id >= kWmPointerFirst && id <= kWmPointerLast) return BusyAnswer::kHandOn;
  // On the frame they are not handed on: the default would start a caption drag or open
  // the system menu. The high word of wParam is where on the frame the pointer went down.
  if (id >= kWmNcPointerFirst && id <= kWmNcPointerLast) {
    return id == kWmNcPointerDown && HIWORD(message.wParam) == HTCLOSE ? BusyAnswer::kStop
                                                                       : BusyAnswer::kDrop;
  }
  switch (id) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return IsStopKey(message, windows) ? BusyAnswer::kStop : BusyAnswer::kDrop;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return message.hwnd == windows.CancelButton ? BusyAnswer::kStop : BusyAnswer::kDrop;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      return message.wParam == HTCLOSE ? BusyAnswer::kStop : BusyAnswer::kDrop;
    case WM_CLOSE:
      return BusyAnswer::kStop;
    case WM_COMMAND:
      return LOWORD(message.wParam) == IDCANCEL ? BusyAnswer::kStop : BusyAnswer::kDrop;
    case BM_CLICK:
      return message.hwnd == windows.CancelButton ? BusyAnswer::kStop : BusyAnswer::kDrop;
    case WM_SYSCOMMAND:
      // The low four bits are Windows' own. Every command but these would run a loop of
      // its own (the system menu, a move or size, help mode, an about box) until the user
      // ends it, and hold OK's work or the close there.
      switch (message.wParam & 0xFFF0) {
        case SC_CLOSE:
          return BusyAnswer::kStop;
        case SC_MINIMIZE:
        case SC_RESTORE:
          return message.hwnd == windows.Dialog ? BusyAnswer::kHandOn : BusyAnswer::kDrop;
        default:
          return BusyAnswer::kDrop;
      }
    case WM_PAINT:
      // A restored or uncovered dialog draws itself whole; painting changes no state.
      return BusyAnswer::kHandOn;
    default:
      return BusyAnswer::kDrop;
  }
}

bool AnsweredWhileBusyWhenSent(const MSG& message, const BusyWindows& windows) {
  const UINT id = message.message;
  // The dialog's own WM_CLOSE goes to its close handler (OK's own close comes that way);
  // a control's default would destroy the control.
  if (id == WM_CLOSE) return message.hwnd != windows.Dialog;
  return id == WM_SYSCOMMAND || id == WM_CONTEXTMENU || id == kWmPopupSystemMenu ||
         (id >= WM_NCLBUTTONDOWN && id <= WM_NCXBUTTONDBLCLK) ||
         (id >= kWmNcPointerFirst && id <= kWmNcPointerLast);
}

}  // namespace Unit1
