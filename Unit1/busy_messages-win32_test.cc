#include "Unit1/busy_messages-win32.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace Unit1 {
namespace {

constexpr LPARAM kAlt = LPARAM{1} << 29;
constexpr UINT kNcPointerDown = 0x0242, kNcPointerUp = 0x0243;
constexpr UINT kPointerDown = 0x0246;
constexpr UINT kPopupSystemMenu = 0x0313;
constexpr WPARAM kWineAbout = 0xF141;
constexpr BusyAnswer kStop = BusyAnswer::kStop, kHandOn = BusyAnswer::kHandOn,
                     kDrop = BusyAnswer::kDrop;

bool Taken(UINT message) {
  return std::any_of(kBusyTakenRanges.begin(), kBusyTakenRanges.end(),
                     [&](const auto& r) { return message >= r[0] && message <= r[1]; });
}

// Every message that asks to stop or is handed on must also be one that the pass takes
// out of the queue: posted, it is answered at the next look. `sent` says whether, sent by
// another program, the rule answers it rather than the window's own procedure.
TEST(AnswerWhileBusy, StopsForRequestsHandsOnOnlyDrawingMinimiseAndRestore) {
  const HWND dialog = reinterpret_cast<HWND>(0x100);
  const HWND cancel = reinterpret_cast<HWND>(0x200);
  const HWND label = reinterpret_cast<HWND>(0x300);
  const struct {
    const char* what;
    HWND target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    BusyAnswer want;
    bool sent;
  } cases[] = {
      {"Escape", dialog, WM_KEYDOWN, VK_ESCAPE, 0, kStop, false},
      {"Alt+N", dialog, WM_SYSKEYDOWN, 'N', kAlt, kStop, false},
      {"a plain N", dialog, WM_KEYDOWN, 'N', 0, kDrop, false},
      {"Space on Cancel", cancel, WM_KEYDOWN, VK_SPACE, 0, kStop, false},
      {"Enter on Cancel", cancel, WM_KEYDOWN, VK_RETURN, 0, kStop, false},
      {"Space on the dialog", dialog, WM_SYSKEYDOWN, VK_SPACE, 0, kDrop, false},
      {"Alt+Space on Cancel", cancel, WM_SYSKEYDOWN, VK_SPACE, kAlt, kDrop, false},
      {"click on Cancel", cancel, WM_LBUTTONDOWN, MK_LBUTTON, 0, kStop, false},
      {"click on the close box", dialog, WM_NCLBUTTONDOWN, HTCLOSE, 0, kStop, true},
      {"a caption drag", dialog, WM_NCLBUTTONDOWN, HTCAPTION, 0, kDrop, true},
      {"tap on the close box", dialog, kNcPointerDown, MAKEWPARAM(1, HTCLOSE), 0, kStop, true},
      {"tap on the caption", dialog, kNcPointerDown, MAKEWPARAM(1, HTCAPTION), 0, kDrop, true},
      {"pen up over the close box", dialog, kNcPointerUp, MAKEWPARAM(1, HTCLOSE), 0, kDrop, true},
      {"tap in the client area", cancel, kPointerDown, MAKEWPARAM(1, 0), 0, kHandOn, false},
      {"SC_CLOSE with Windows' low bits", dialog, WM_SYSCOMMAND, SC_CLOSE | 2, 0, kStop, true},
      {"SC_MINIMIZE", dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0, kHandOn, true},
      {"SC_MINIMIZE to a control", label, WM_SYSCOMMAND, SC_MINIMIZE, 0, kDrop, true},
      {"SC_KEYMENU (the system menu)", dialog, WM_SYSCOMMAND, SC_KEYMENU, ' ', kDrop, true},
      {"an about box of the system menu", dialog, WM_SYSCOMMAND, kWineAbout, 0, kDrop, true},
      {"the task bar's window menu", dialog, kPopupSystemMenu, 0, 0, kDrop, true},
      {"WM_CLOSE to the dialog (OK's own close)", dialog, WM_CLOSE, 0, 0, kStop, false},
      {"WM_CLOSE to a label", label, WM_CLOSE, 0, 0, kStop, true},
      {"IDCANCEL", dialog, WM_COMMAND, IDCANCEL, 0, kStop, false},
      {"WM_PAINT", dialog, WM_PAINT, 0, 0, kHandOn, false},
  };
  for (const auto& c : cases) {
    MSG message = {};
    message.hwnd = c.target;
    message.message = c.message;
    message.wParam = c.wParam;
    message.lParam = c.lParam;
    EXPECT_EQ(AnswerWhileBusy(message, {dialog, cancel}), c.want) << c.what;
    EXPECT_EQ(AnsweredWhileBusyWhenSent(message, {dialog, cancel}), c.sent) << c.what;
    if (c.want != BusyAnswer::kDrop) {
      EXPECT_TRUE(Taken(c.message)) << c.what << ": never taken";
    }
  }
}

}  // namespace
}  // namespace Unit1
