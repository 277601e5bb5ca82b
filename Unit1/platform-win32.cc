#include "Unit1/platform-win32.h"  // windows.h first: commctrl.h builds on it

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <new>
#include <optional>

#include "Unit1/dialog_place.h"
#include "Unit1/form1.h"
#include "Unit1/resource.h"

namespace Unit1 {
namespace {

// The dialog's design in pixels at 96 dots per inch. At another resolution every length
// and the font are scaled alike (ScaleDesign), so that the dialog looks as designed, only
// sharper than Windows' stretching of the whole window would draw it.
constexpr int kDesignDpi = 96;
constexpr int kClientWidth = 467;
constexpr int kClientHeight = 312;
constexpr int kDesignLeft = 202;
constexpr int kDesignTop = 107;

// "ＭＳ ゴシック", 13 pixels high (character height, without internal leading), regular.
constexpr int kFontHeight = 13;
constexpr const wchar_t* kFontFace = L"ＭＳ ゴシック";

enum class Kind { kCheckBox, kDefaultButton, kButton, kLabel, kStatus };

struct ControlLayout {
  int Id;
  Kind ControlKind;
  int Left;
  int Top;
  int Width;
  int Height;
  std::string_view Text;  // UTF-8
};

// Creation order is tab order: CheckBox1, Button1, Button2; the labels take no focus.
constexpr std::array<ControlLayout, 13> kControls = {{
    {IDC_CHECKBOX1, Kind::kCheckBox, 8, 8, 401, 17, kCheckBoxText},
    {IDOK, Kind::kDefaultButton, 72, 256, 121, 25, kButton1Text},
    {IDCANCEL, Kind::kButton, 264, 256, 121, 25, kButton2Text},
    {IDC_LABEL1, Kind::kLabel, 8, 40, 420, 13, kExplanationLines[0]},
    {IDC_LABEL2, Kind::kLabel, 24, 56, 210, 13, kExplanationLines[1]},
    {IDC_LABEL3, Kind::kLabel, 8, 80, 392, 13, kExplanationLines[2]},
    {IDC_LABEL4, Kind::kLabel, 24, 96, 308, 13, kExplanationLines[3]},
    {IDC_LABEL5, Kind::kLabel, 8, 120, 399, 13, kExplanationLines[4]},
    {IDC_LABEL6, Kind::kLabel, 24, 136, 196, 13, kExplanationLines[5]},
    {IDC_LABEL7, Kind::kLabel, 8, 160, 392, 13, kExplanationLines[6]},
    {IDC_LABEL8, Kind::kLabel, 24, 176, 420, 13, kExplanationLines[7]},
    {IDC_LABEL9, Kind::kLabel, 24, 192, 266, 13, kExplanationLines[8]},
    // The status line: docked to the bottom across the whole client width, fixed size.
    {IDC_LABELA1, Kind::kStatus, 0, 288, kClientWidth, 24, kStatusOpened},
}};
static_assert(kControls.size() == Win32Dialog::kControlCount);

// Messages and values of Windows 8.1 and 10, which the headers for Windows 7 leave out.
constexpr UINT kWmDpiChanged = 0x02E0;
constexpr UINT kWmGetDpiScaledSize = 0x02E4;
constexpr int kDialogDpiChangeDisableAll = 1;  // DDC_DISABLE_ALL
constexpr int kMonitorEffectiveDpi = 0;        // MDT_EFFECTIVE_DPI

/// The function `name` of `module`, or null where this Windows lacks it. Through
/// void(*)() because a cast between two function types draws a warning.
template <class Function>
Function LookUp(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

DWORD ControlStyle(Kind kind) {
  const DWORD common = WS_CHILD | WS_VISIBLE;
  switch (kind) {
    case Kind::kCheckBox:
      return common | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX;
    case Kind::kDefaultButton:
      return common | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON;
    case Kind::kButton:
      return common | WS_TABSTOP | BS_PUSHBUTTON;
    case Kind::kLabel:
      // A label never wraps: with a font wider than designed it grows instead (below).
      return common | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    case Kind::kStatus:
      return common | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX;
  }
  return common;
}

const wchar_t* ControlClass(Kind kind) {
  return kind == Kind::kLabel || kind == Kind::kStatus ? L"STATIC" : L"BUTTON";
}

/// The id of the controls' subclass that answers by the busy rule.
constexpr UINT_PTR kBusyRuleSubclass = 1;

/// How often OK's pass looks at the queue at least (milliseconds).
constexpr ULONGLONG kLookEvery = 150;
/// How many messages of one range the pass takes out at one look at most.
constexpr int kTakeAtMost = 64;

/// `rect` as the placement arithmetic takes it.
ScreenRect ToScreenRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

/// The work area of `monitor` (its screen less the task bar), if Windows tells it.
std::optional<ScreenRect> WorkArea(HMONITOR monitor) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return std::nullopt;
  return ToScreenRect(info.rcWork);
}

/// Shows `control` disabled at once: no message loop runs while OK's work goes on.
void DisableNow(HWND control) {
  if (control == nullptr) return;
  EnableWindow(control, FALSE);
  UpdateWindow(control);
}

/// Puts what was just painted on the screen while no message loop runs. Windows shows it
/// at once; Wine only once the program looks at its queue, which this does.
void ShowPainted() { GetQueueStatus(QS_INPUT); }

}  // namespace

std::wstring WidenUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

int ScaleDesign(int designPixels, int dpi) { return MulDiv(designPixels, dpi, kDesignDpi); }

Win32Dialog::DpiApi::DpiApi() {
  // Windows 7 has none of these, Windows 8.1 only the one in shcore.dll (which Windows 7
  // does not have): the program must start there all the same, at the system's scale.
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  GetDpiForWindow = LookUp<decltype(GetDpiForWindow)>(user32, "GetDpiForWindow");
  AdjustWindowRectExForDpi =
      LookUp<decltype(AdjustWindowRectExForDpi)>(user32, "AdjustWindowRectExForDpi");
  SetDialogDpiChangeBehavior =
      LookUp<decltype(SetDialogDpiChangeBehavior)>(user32, "SetDialogDpiChangeBehavior");
  // The scale of a monitor before any window stands on it: Windows 8.1 and later.
  const HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  GetDpiForMonitor = LookUp<decltype(GetDpiForMonitor)>(shcore, "GetDpiForMonitor");
}

std::unique_ptr<Win32Dialog> Win32Dialog::Create(HINSTANCE instance) {
  std::unique_ptr<Win32Dialog> dialog(new Win32Dialog());
  dialog->instance_ = instance;
  // WM_INITDIALOG (Initialise) builds the controls before CreateDialogParamW returns.
  const HWND window = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FORM1), nullptr,
                                         &Win32Dialog::DialogProc,
                                         reinterpret_cast<LPARAM>(dialog.get()));
  if (window == nullptr) return nullptr;
  return dialog;
}

Win32Dialog::~Win32Dialog() {
  form_ = nullptr;  // the form may be gone: nothing that the windows' end sends reaches it
  if (dialog_ != nullptr && IsWindow(dialog_)) {
    SetWindowLongPtrW(dialog_, DWLP_USER, 0);
    DestroyWindow(dialog_);
  }
  if (font_ != nullptr) DeleteObject(font_);
  if (backgroundBrush_ != nullptr) DeleteObject(backgroundBrush_);
  if (statusBrush_ != nullptr) DeleteObject(statusBrush_);
  if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
}

void Win32Dialog::Initialise(HWND dialog) {
  dialog_ = dialog;
  SetWindowTextW(dialog_, WidenUtf8(kCaption).c_str());

  bigIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_RQ27), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  smallIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_RQ27), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  if (bigIcon_ != nullptr) SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  if (smallIcon_ != nullptr) {
    SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  }

  UpdateColours();
  // Windows would re-lay the controls out from the dialog's font on a change of scale;
  // the dialog scales its own design instead (WM_DPICHANGED).
  if (dpiApi_.SetDialogDpiChangeBehavior != nullptr) {
    dpiApi_.SetDialogDpiChangeBehavior(dialog_, kDialogDpiChangeDisableAll,
                                       kDialogDpiChangeDisableAll);
  }
  // Sized for the scale of the monitor under the pointer and placed there in one step, so
  // that it never stands on another monitor meanwhile: grown at the pointer, it could
  // reach onto a monitor of another scale and be scaled for that one. Where the pointer
  // cannot be read, it opens at its design's place on the monitor where Windows made it.
  const std::optional<ScreenPoint> pointer = PointerPosition();
  const HMONITOR monitor =
      pointer ? MonitorFromPoint(POINT{pointer->X, pointer->Y}, MONITOR_DEFAULTTONEAREST)
              : MonitorFromWindow(dialog_, MONITOR_DEFAULTTONEAREST);
  dpi_ = MonitorDpi(monitor);
  const SIZE outer = OuterSize(dpi_);
  const ScreenRect window = {kDesignLeft, kDesignTop, kDesignLeft + outer.cx,
                             kDesignTop + outer.cy};
  if (const std::optional<ScreenRect> work = WorkArea(monitor))
    MoveTo(PlaceAtPointer(pointer, window, ScaleDesign(4, dpi_), *work));
  // Where Windows scales per monitor, the window's own scale is the one that counts.
  dpi_ = WindowDpi();
  font_ = MakeFont();
  CreateControls();
  SetClientSize();
  LayOutControls();
}

int Win32Dialog::MonitorDpi(HMONITOR monitor) const {
  if (dpiApi_.GetDpiForMonitor != nullptr) {
    UINT x = 0;
    UINT y = 0;
    if (dpiApi_.GetDpiForMonitor(monitor, kMonitorEffectiveDpi, &x, &y) == S_OK && y != 0)
      return static_cast<int>(y);
  }
  // Windows 7 and 8: one scale for the whole desktop.
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

void Win32Dialog::MoveTo(const ScreenRect& place) {
  SetWindowPos(dialog_, nullptr, place.Left, place.Top, place.Right - place.Left,
               place.Bottom - place.Top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Dialog::MoveInside(const ScreenRect& wanted, HMONITOR monitor) {
  const std::optional<ScreenRect> work = WorkArea(monitor);
  MoveTo(work ? KeepInside(wanted, *work) : wanted);
}

void Win32Dialog::KeepOnItsMonitor() {
  RECT window = {};
  if (GetWindowRect(dialog_, &window))
    MoveInside(ToScreenRect(window), MonitorFromWindow(dialog_, MONITOR_DEFAULTTONEAREST));
}

int Win32Dialog::WindowDpi() const {
  if (dpiApi_.GetDpiForWindow != nullptr) {
    const UINT dpi = dpiApi_.GetDpiForWindow(dialog_);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return MonitorDpi(MonitorFromWindow(dialog_, MONITOR_DEFAULTTONEAREST));
}

int Win32Dialog::ScaledPixels(int designPixels) { return ScaleDesign(designPixels, dpi_); }

HFONT Win32Dialog::MakeFont() const {
  return CreateFontW(-ScaleDesign(kFontHeight, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     FIXED_PITCH | FF_MODERN, kFontFace);
}

void Win32Dialog::UpdateColours() {
  HIGHCONTRASTW highContrast = {};
  highContrast.cbSize = sizeof highContrast;
  const bool on = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof highContrast,
                                        &highContrast, 0) &&
                  (highContrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
  colours_ = ChooseDialogColours(on, GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW));
  if (backgroundBrush_ != nullptr) DeleteObject(backgroundBrush_);
  if (statusBrush_ != nullptr) DeleteObject(statusBrush_);
  backgroundBrush_ = CreateSolidBrush(colours_.Background);
  statusBrush_ = CreateSolidBrush(colours_.StatusBackground);
}

void Win32Dialog::ApplyDpi(int dpi) {
  dpi_ = dpi;
  const HFONT old = font_;
  font_ = MakeFont();
  LayOutControls();
  if (old != nullptr) DeleteObject(old);
}

void Win32Dialog::SetClientSize() {
  const int width = ScaleDesign(kClientWidth, dpi_);
  const int height = ScaleDesign(kClientHeight, dpi_);
  const SIZE outer = OuterSize(dpi_);
  const int dpi = dpi_;
  SetWindowPos(dialog_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Grown onto a monitor of another scale, the dialog was sized for that one meanwhile
  // (WM_DPICHANGED): the size of the old scale must not undo it.
  if (dpi_ != dpi) return;
  // Should the frame come out other than computed (a theme, a wrapped caption), correct
  // by what is missing, so the client area is exactly as designed.
  RECT client;
  RECT window;
  if (GetClientRect(dialog_, &client) && GetWindowRect(dialog_, &window)) {
    const int dx = width - (client.right - client.left);
    const int dy = height - (client.bottom - client.top);
    if (dx != 0 || dy != 0) {
      SetWindowPos(dialog_, nullptr, 0, 0, window.right - window.left + dx,
                   window.bottom - window.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

SIZE Win32Dialog::OuterSize(int dpi) const {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_EXSTYLE));
  RECT outer = {0, 0, ScaleDesign(kClientWidth, dpi), ScaleDesign(kClientHeight, dpi)};
  if (dpiApi_.AdjustWindowRectExForDpi != nullptr) {
    dpiApi_.AdjustWindowRectExForDpi(&outer, style, FALSE, exStyle, static_cast<UINT>(dpi));
  } else {
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  }
  return {outer.right - outer.left, outer.bottom - outer.top};
}

void Win32Dialog::CreateControls() {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const ControlLayout& layout = kControls[i];
    const std::wstring text = WidenUtf8(layout.Text);
    const HWND control = CreateWindowExW(
        0, ControlClass(layout.ControlKind), text.c_str(), ControlStyle(layout.ControlKind), 0,
        0, 0, 0, dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.Id)), instance_,
        nullptr);
    controls_[i] = control;
    if (control != nullptr) {
      SetWindowSubclass(control, &Win32Dialog::ControlProc, kBusyRuleSubclass,
                        reinterpret_cast<DWORD_PTR>(this));
    }
    if (layout.Id == IDC_CHECKBOX1) checkBox1_ = control;
    if (layout.Id == IDOK) button1_ = control;
    if (layout.Id == IDCANCEL) button2_ = control;
    if (layout.Id == IDC_LABELA1) labelA1_ = control;
  }
  SendMessageW(dialog_, DM_SETDEFID, IDOK, 0);
}

void Win32Dialog::LayOutControls() {
  // The labels size themselves to their text: the listed sizes are those of the texts in
  // the designed font, and a substitute font that draws wider or taller must not cut them.
  const HDC dc = GetDC(dialog_);
  const HGDIOBJ oldFont = SelectObject(dc, font_);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);

  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const ControlLayout& layout = kControls[i];
    if (controls_[i] == nullptr) continue;
    int width = ScaleDesign(layout.Width, dpi_);
    int height = ScaleDesign(layout.Height, dpi_);
    if (layout.ControlKind == Kind::kLabel) {
      const std::wstring text = WidenUtf8(layout.Text);
      SIZE extent = {};
      if (GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent)) {
        width = std::max(width, static_cast<int>(extent.cx));
      }
      height = std::max(height, static_cast<int>(metrics.tmHeight));
    }
    SetWindowPos(controls_[i], nullptr, ScaleDesign(layout.Left, dpi_),
                 ScaleDesign(layout.Top, dpi_), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }

  SelectObject(dc, oldFont);
  ReleaseDC(dialog_, dc);
}

void Win32Dialog::Show() {
  // A host may start the program hidden or minimised. Windows applies the starting
  // process's choice to the first ShowWindow of a program whatever it asks for; the second
  // call shows the dialog as it is, which is what the user is waiting for.
  ShowWindow(dialog_, SW_SHOWNORMAL);
  ShowWindow(dialog_, SW_SHOWNORMAL);
  SetForegroundWindow(dialog_);
  if (GetForegroundWindow() != dialog_) {
    // Windows gives the foreground only to a program that the foreground program started:
    // not where the batch file's console is hosted by another process, nor after the user
    // clicked into the host during a long load. The dialog still comes above the other
    // windows (topmost for a moment, which leaves it first of the others), without taking
    // the keyboard from the program that has it, and flashes on the task bar until the
    // user comes to it.
    constexpr UINT kKeepFocus = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(dialog_, HWND_TOPMOST, 0, 0, 0, 0, kKeepFocus);
    SetWindowPos(dialog_, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepFocus);
    FLASHWINFO flash = {};
    flash.cbSize = sizeof flash;
    flash.hwnd = dialog_;
    flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
  }
  // The check box has the focus when the dialog opens (first in tab order).
  SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(checkBox1_), TRUE);
}

INT_PTR CALLBACK Win32Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Win32Dialog*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->Initialise(window);
    return FALSE;  // the focus is set when the dialog is shown
  }
  auto* self = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr) return FALSE;
  return self->HandleMessage(message, wParam, lParam);
}

INT_PTR Win32Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // While OK works or the close writes, what another program sends that would stop the
  // pass or start a loop of Windows' own (the system menu, a move) is answered by the rule
  // that the pass applies to what it takes out of the queue.
  if (const std::optional<BusyAnswer> answer =
          AnswerSentWhileBusy(dialog_, message, wParam, lParam)) {
    if (*answer == BusyAnswer::kHandOn) return FALSE;  // Windows minimises or restores
    SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, 0);
    return TRUE;
  }
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
      return reinterpret_cast<INT_PTR>(backgroundBrush_);
    case WM_CTLCOLORSTATIC: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, colours_.Text);
      if (reinterpret_cast<HWND>(lParam) == labelA1_) {
        SetBkColor(dc, colours_.StatusBackground);
        return reinterpret_cast<INT_PTR>(statusBrush_);
      }
      SetBkColor(dc, colours_.Background);
      return reinterpret_cast<INT_PTR>(backgroundBrush_);
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      // High contrast switched on or off, or the theme's colours changed, while open.
      UpdateColours();
      RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return FALSE;
    case kWmGetDpiScaledSize: {
      // Moving to a monitor of another scale: the size the design has there.
      const SIZE outer = OuterSize(static_cast<int>(LOWORD(wParam)));
      *reinterpret_cast<SIZE*>(lParam) = outer;
      SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
    case kWmDpiChanged: {
      // The rectangle that Windows suggests keeps the dialog under the pointer that drags it.
      ApplyDpi(static_cast<int>(HIWORD(wParam)));
      const RECT suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(dialog_, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      SetClientSize();
      // Grown about its top left, the dialog may hang over its monitor's edge now.
      KeepOnItsMonitor();
      return TRUE;
    }
    case WM_COMMAND:
      // Each handler knows whether it may act now: during OK's work a Cancel only asks it
      // to stop, and an OK or a toggle does nothing.
      if (HIWORD(wParam) != BN_CLICKED || form_ == nullptr) return FALSE;
      if (LOWORD(wParam) == IDC_CHECKBOX1) {
        form_->CheckBox1Click();
        return TRUE;
      }
      // Enter and Alt+Y reach Button1 as IDOK, Esc and Alt+N reach Button2 as IDCANCEL.
      if (LOWORD(wParam) == IDOK) {
        form_->Button1Click();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        form_->Button2Click();
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      // The close box, Alt+F4, the system menu, the task bar, another program. Handled
      // here, because the dialog manager would otherwise turn it into a Cancel click.
      Close();
      return TRUE;
    case WM_ENDSESSION:
      // The session ends (or the Restart Manager closes the program), without WM_CLOSE:
      // the same close. Windows may end the process once this returns; during OK's work
      // the "hq" of the load stands meanwhile.
      if (wParam != FALSE) Close();
      return FALSE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return FALSE;
    default:
      return FALSE;
  }
}

bool Win32Dialog::Busy() const {
  if (form_ == nullptr) return false;
  const FormPhase phase = form_->Phase();
  return phase != FormPhase::kShowing && phase != FormPhase::kClosed;
}

LRESULT CALLBACK Win32Dialog::ControlProc(HWND control, UINT message, WPARAM wParam,
                                          LPARAM lParam, UINT_PTR subclass, DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(control, &Win32Dialog::ControlProc, subclass);
    return DefSubclassProc(control, message, wParam, lParam);
  }
  auto* dialog = reinterpret_cast<Win32Dialog*>(self);
  const std::optional<BusyAnswer> answer =
      dialog->AnswerSentWhileBusy(control, message, wParam, lParam);
  // A stop is recorded, the rest dropped: the rule hands on only the dialog's own commands.
  if (answer && *answer != BusyAnswer::kHandOn) return 0;
  return DefSubclassProc(control, message, wParam, lParam);
}

std::optional<BusyAnswer> Win32Dialog::AnswerSentWhileBusy(HWND target, UINT message,
                                                           WPARAM wParam, LPARAM lParam) {
  MSG sent = {};
  sent.hwnd = target;
  sent.message = message;
  sent.wParam = wParam;
  sent.lParam = lParam;
  const BusyWindows windows{dialog_, button2_};
  if (!AnsweredWhileBusyWhenSent(sent, windows) || !Busy()) return std::nullopt;
  const BusyAnswer answer = AnswerWhileBusy(sent, windows);
  // A stop is only recorded: while the file is written it does nothing, and the close that
  // writes it ends as it would.
  if (answer == BusyAnswer::kStop) form_->RequestStop();
  return answer;
}

void Win32Dialog::Close() {
  // During OK's work the form only records a stop, and the window stays until OK's own
  // close; once the close has run, the window goes.
  if (form_ != nullptr) {
    form_->FormClose();
    if (form_->Phase() != FormPhase::kClosed) return;
  }
  if (dialog_ != nullptr && IsWindow(dialog_)) DestroyWindow(dialog_);
}

void Win32Dialog::SetStatusText(std::string_view utf8) {
  if (labelA1_ == nullptr) return;
  try {
    SetWindowTextW(labelA1_, WidenUtf8(utf8).c_str());
  } catch (const std::bad_alloc&) {
    return;  // the line keeps its text; the run goes on as without a status line
  }
  // The OK flow does not return to the event loop until it ends: paint now. (During the
  // pass its next poll of the queue shows the text.)
  UpdateWindow(labelA1_);
  if (form_ == nullptr || form_->Phase() != FormPhase::kWorking) ShowPainted();
}

void Win32Dialog::BeginWork() {
  // OK and the check box can do nothing more; Cancel and the close box stay live, as a
  // request to stop is honoured (StopRequested).
  lastLook_ = GetTickCount64();
  DisableNow(button1_);
  DisableNow(checkBox1_);
}

void Win32Dialog::EndWork() {
  // Only the file is written from here: nothing can be stopped any more.
  DisableNow(checkBox1_);
  DisableNow(button1_);
  DisableNow(button2_);
  const HMENU systemMenu = GetSystemMenu(dialog_, FALSE);
  if (systemMenu != nullptr) EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  RedrawWindow(dialog_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  ShowPainted();
}

bool Win32Dialog::TakeStopRequests() {
  // Any look at the queue first delivers what other programs sent (a close, a click on
  // Cancel by automation, the end of the session): the handlers only record a stop. What
  // was posted is taken out and answered by the one rule of a busy dialog: neither may our
  // handlers run inside the OK handler, nor what the user did meanwhile (a click on the
  // disabled OK, Enter) act once the pass has ended.
  const BusyWindows windows{dialog_, button2_};
  bool stop = false;
  std::optional<WPARAM> quit;
  for (const auto& range : kBusyTakenRanges) {
    MSG message;
    // At most so many of a kind at one look: a paint that stays due, or another program
    // that posts without end, must not hold the pass here.
    for (int taken = 0; taken < kTakeAtMost &&
                        PeekMessageW(&message, nullptr, range[0], range[1], PM_REMOVE);
         ++taken) {
      // A look at the queue returns WM_QUIT whatever its filter. Put back afterwards, it
      // still ends the event loop once the pass is over.
      if (message.message == WM_QUIT) {
        quit = message.wParam;
        stop = true;
        break;
      }
      switch (AnswerWhileBusy(message, windows)) {
        case BusyAnswer::kStop:
          stop = true;
          break;
        case BusyAnswer::kHandOn:
          // Windows draws, minimises or restores; a system command passes the dialog
          // procedure, which answers it by the same rule.
          DispatchMessageW(&message);
          break;
        case BusyAnswer::kDrop:
          break;
      }
    }
  }
  if (quit) PostQuitMessage(static_cast<int>(*quit));
  return stop;
}

bool Win32Dialog::StopRequested() {
  // The queue is looked at when input or a sent message waits, and at least every
  // kLookEvery otherwise: a window that looks at its queue for 5 s no more is marked as
  // not responding, and a posted close waits in the queue unseen.
  bool stop = false;
  const ULONGLONG now = GetTickCount64();
  if (HIWORD(GetQueueStatus(QS_INPUT | QS_SENDMESSAGE)) != 0 || now - lastLook_ >= kLookEvery) {
    lastLook_ = now;
    stop = TakeStopRequests();
  }
  // The key state is the whole desktop's: Escape held in another program does not stop
  // the pass, only Escape held while the dialog is in front.
  if (GetForegroundWindow() == dialog_ && (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0) stop = true;
  return stop;
}

std::function<void(std::uint32_t)> Win32Dialog::WaitingPause() {
  return [this](std::uint32_t milliseconds) { PauseAnswering(milliseconds); };
}

void Win32Dialog::PauseAnswering(std::uint32_t milliseconds) {
  // Only what other programs send is answered (a look with PM_QS_SENDMESSAGE delivers it);
  // what was posted waits for the event loop, once the file is written.
  const ULONGLONG end = GetTickCount64() + milliseconds;
  MSG message;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_SENDMESSAGE, 0);
  }
}

std::optional<ScreenPoint> Win32Dialog::PointerPosition() {
  POINT point = {};
  if (!GetCursorPos(&point)) return std::nullopt;
  return ScreenPoint{static_cast<int>(point.x), static_cast<int>(point.y)};
}

int Win32Dialog::OuterWidth() {
  RECT window = {};
  GetWindowRect(dialog_, &window);
  return static_cast<int>(window.right - window.left);
}

void Win32Dialog::SetLeftTop(int left, int top) {
  // Near an edge of the screen the dialog would hang over it, OK and Cancel perhaps out of
  // reach: it is moved just enough to lie within the work area (the screen less the task
  // bar) of the pointer's monitor, or of the one it would stand on most.
  RECT window = {};
  if (!GetWindowRect(dialog_, &window)) return;
  const RECT wanted = {left, top, left + (window.right - window.left),
                       top + (window.bottom - window.top)};
  POINT pointer = {};
  MoveInside(ToScreenRect(wanted), GetCursorPos(&pointer)
                                       ? MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST)
                                       : MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST));
}

std::filesystem::path OwnExecutablePath() {
  // GetModuleFileNameW truncates silently when the buffer is too small: grow until it fits.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return std::filesystem::path(buffer);
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::filesystem::path Win32Dialog::OwnFilePath() { return OwnExecutablePath(); }

bool Win32Dialog::CheckBoxChecked() {
  return checkBox1_ != nullptr && SendMessageW(checkBox1_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Dialog::CloseDialog() {
  if (dialog_ != nullptr && IsWindow(dialog_)) SendMessageW(dialog_, WM_CLOSE, 0, 0);
}

}  // namespace Unit1
