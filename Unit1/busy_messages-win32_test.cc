#include "Unit1/busy_messages-win32.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace Unit1 {
namespace {

constexpr LPARAM kAlt = LPARAM{1} << 29;
constexpr UINT kNcPointerDown = 0x0242, kNcPointerUp = 0x0243;
constexpr UINT kPointerDown = 0x0246;
constexpr WPARAM kWineAbout = 0xF141;
constexpr BusyAnswer kStop = BusyAnswer::kStop, kHandOn = BusyAnswer::kHandOn,
                     kDrop = BusyAnswer::kDrop;

bool Taken(UINT message) {
  return std::any_of(kBusyTakenRanges.begin(), kBusyTakenRanges.end(),
                     [&](const auto& r) { return message >= r[0] && message <= r[1]; });
}

// Every message that asks to stop or is handed on must also be one that the pass takes
// out of the queue: posted, it is answered at the next look.
TEST(AnswerWhileBusy, StopsForRequestsHandsOnOnlyDrawingMinimiseAndRestore) {
  const HWND dialog = reinterpret_cast<HWND>(0x100);
  const HWND cancel = reinterpret_cast<HWND>(0x200);
  const HWND ok = reinterpret_cast<HWND>(0x300);
  const struct {
    const char* what;
    HWND target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    BusyAnswer want;
  } cases[] = {
      {"Escape", dialog, WM_KEYDOWN, VK_ESCAPE, 0, kStop},
      {"Alt+N", dialog, WM_SYSKEYDOWN, 'N', kAlt, kStop},
      {"click on Cancel", cancel, WM_LBUTTONDOWN, MK_LBUTTON, 0, kStop},
      {"click on the close box", dialog, WM_NCLBUTTONDOWN, HTCLOSE, 0, kStop},
      {"tap on the close box", dialog, kNcPointerDown, MAKEWPARAM(1, HTCLOSE), 0, kStop},
      {"tap on the caption", dialog, kNcPointerDown, MAKEWPARAM(1, HTCAPTION), 0, kDrop},
      {"pen lifted over the close box", dialog, kNcPointerUp, MAKEWPARAM(1, HTCLOSE), 0, kDrop},
      {"tap in the client area", cancel, kPointerDown, MAKEWPARAM(1, 0), 0, kHandOn},
      {"SC_CLOSE with Windows' low bits", dialog, WM_SYSCOMMAND, SC_CLOSE | 2, 0, kStop},
      {"SC_MINIMIZE", dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0, kHandOn},
      {"SC_MINIMIZE to a control", ok, WM_SYSCOMMAND, SC_MINIMIZE, 0, kDrop},
      {"SC_KEYMENU (the system menu)", dialog, WM_SYSCOMMAND, SC_KEYMENU, ' ', kDrop},
      {"an about box of the system menu", dialog, WM_SYSCOMMAND, kWineAbout, 0, kDrop},
      {"WM_PAINT", dialog, WM_PAINT, 0, 0, kHandOn},
  };
  for (const auto& c : cases) {
    MSG message = {};
    message.hwnd = c.target;
    message.message = c.message;
    message.wParam = c.wParam;
    message.lParam = c.lParam;
    EXPECT_EQ(AnswerWhileBusy(message, {dialog, cancel}), c.want) << c.what;
    if (c.want != BusyAnswer::kDrop) {
      EXPECT_TRUE(Taken(c.message)) << c.what << ": never taken";
    }
  }
}

}  // namespace
}  // namespace Unit1
