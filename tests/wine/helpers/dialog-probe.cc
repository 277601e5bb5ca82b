// Test helper: reads back the dialog named CAPTION as it is on the screen, at the desktop's
// resolution. Prints, in UTF-8:
//   dpi D
//   window LEFT TOP WIDTH HEIGHT        (outer, screen pixels)
//   client WIDTH HEIGHT
//   designed-outer WIDTH HEIGHT         (the frame around the design's client area at D)
//   control ID LEFT TOP WIDTH HEIGHT fits|CUT TEXT-WIDTH TEXT-HEIGHT TEXT
// for every control, its rectangle in client pixels and its text measured in the dialog's
// font ("ＭＳ ゴシック", 13 pixels at 96 dots per inch, scaled to D): "fits" when the text,
// with the check box's box or the button's edges, lies within the rectangle; and after each
//   state ID enabled|disabled
// Nothing is asked of the dialog's own thread, so a dialog busy in its OK handler is read
// as it is.
//   dialog-probe.exe CAPTION
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

struct Probe {
  HWND dialog;
  HDC dc;
  int dpi;
};

BOOL CALLBACK PrintControl(HWND control, LPARAM param) {
  const Probe& probe = *reinterpret_cast<const Probe*>(param);
  wchar_t className[32] = {};
  GetClassNameW(control, className, 32);
  std::wstring text(512, L'\0');
  const int length = InternalGetWindowText(control, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(length));
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, probe.dialog, reinterpret_cast<POINT*>(&rect), 2);
  const bool button = lstrcmpiW(className, L"Button") == 0;
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  const bool checkBox = button && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
  // Buttons show "&Y" as an underlined Y; static texts here take "&" literally.
  RECT extent = {0, 0, 0, 0};
  DrawTextW(probe.dc, text.c_str(), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_SINGLELINE | (button ? 0 : DT_NOPREFIX));
  int room = rect.right - rect.left;
  if (checkBox) room -= GetSystemMetrics(SM_CXMENUCHECK) + MulDiv(4, probe.dpi, 96);
  if (button && !checkBox) room -= 2 * GetSystemMetrics(SM_CXEDGE);
  const bool fits = extent.right <= room && extent.bottom <= rect.bottom - rect.top;
  std::printf("control %d %ld %ld %ld %ld %s %ld %ld %s\n", GetDlgCtrlID(control), rect.left,
              rect.top, rect.right - rect.left, rect.bottom - rect.top, fits ? "fits" : "CUT",
              extent.right, extent.bottom, Utf8(text).c_str());
  std::printf("state %d %s\n", GetDlgCtrlID(control),
              IsWindowEnabled(control) ? "enabled" : "disabled");
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  SetProcessDPIAware();  // screen pixels, not those of a 96-dpi program
  const HWND dialog = FindWindowW(nullptr, argv[1]);
  if (dialog == nullptr) return 1;
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT window;
  RECT client;
  GetWindowRect(dialog, &window);
  GetClientRect(dialog, &client);
  RECT designed = {0, 0, MulDiv(467, dpi, 96), MulDiv(312, dpi, 96)};
  AdjustWindowRectEx(&designed, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  std::printf("dpi %d\nwindow %ld %ld %ld %ld\nclient %ld %ld\ndesigned-outer %ld %ld\n", dpi,
              window.left, window.top, window.right - window.left, window.bottom - window.top,
              client.right, client.bottom, designed.right - designed.left,
              designed.bottom - designed.top);
  Probe probe{dialog, CreateCompatibleDC(nullptr), dpi};
  const HFONT font = CreateFontW(-MulDiv(13, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"ＭＳ ゴシック");
  SelectObject(probe.dc, font);
  EnumChildWindows(dialog, PrintControl, reinterpret_cast<LPARAM>(&probe));
  DeleteDC(probe.dc);
  DeleteObject(font);
  return 0;
}
