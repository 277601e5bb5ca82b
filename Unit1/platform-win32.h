// The Win32 dialog: the one window of rq27.exe, and the platform that the handlers run on.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Unit1/busy_messages-win32.h"
#include "Unit1/dialog_colours.h"
#include "Unit1/platform.h"

namespace Unit1 {

class TForm1;

/// UTF-8 to UTF-16 for the Win32 API; invalid bytes become U+FFFD.
std::wstring WidenUtf8(std::string_view utf8);

/// Full path of the running executable; empty if Windows cannot tell.
std::filesystem::path OwnExecutablePath();

/// `designPixels` of the design (at 96 dots per inch) at `dpi`, rounded to the nearest.
int ScaleDesign(int designPixels, int dpi);

/// The dialog as designed: caption, layout, font, colours and icon, scaled to the screen's
/// resolution. It carries the dialog's events to the handlers of TForm1 and implements
/// what they need of it.
class Win32Dialog final : public Platform {
 public:
  /// The check box, the two buttons, the nine labels and the status line.
  static constexpr std::size_t kControlCount = 13;

  /// Creates the dialog, hidden, with all its controls; null if Windows refuses.
  static std::unique_ptr<Win32Dialog> Create(HINSTANCE instance);
  ~Win32Dialog() override;
  Win32Dialog(const Win32Dialog&) = delete;
  Win32Dialog& operator=(const Win32Dialog&) = delete;

  /// From now on OK, Cancel and every close request go to `form`.
  void Attach(TForm1& form) { form_ = &form; }
  /// The window handle, for IsDialogMessageW in the event loop.
  HWND Handle() const { return dialog_; }
  /// Makes the dialog visible, normal size and in front, with the check box focused,
  /// however the program was started.
  void Show();

  void SetStatusText(std::string_view utf8) override;
  bool StopRequested() override;
  std::optional<ScreenPoint> PointerPosition() override;
  int OuterWidth() override;
  int ScaledPixels(int designPixels) override;
  void SetLeftTop(int left, int top) override;
  std::filesystem::path OwnFilePath() override;
  bool CheckBoxChecked() override;
  void CloseDialog() override;
  void BeginWork() override;
  void EndWork() override;
  std::function<void(std::uint32_t milliseconds)> WaitingPause() override;

 private:
  Win32Dialog() = default;
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  /// Every control's procedure before the system's: while busy, what is sent to a control
  /// is answered by the same rule as at the dialog.
  static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR subclass, DWORD_PTR self);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Initialise(HWND dialog);
  /// The dots per inch of the monitor the dialog is on (the system's before Windows 8.1).
  int WindowDpi() const;
  /// The dialog's font at the current scale.
  HFONT MakeFont() const;
  /// Takes the colours for the current theme (high contrast or not).
  void UpdateColours();
  /// Scales font and controls to `dpi`; the frame is left to the caller.
  void ApplyDpi(int dpi);
  /// Sizes the frame so that the client area is the design's at the current scale.
  void SetClientSize();
  /// The frame's size around the design's client area at `dpi`.
  SIZE OuterSize(int dpi) const;
  void CreateControls();
  /// Moves and sizes every control and gives it the font, at the current scale.
  void LayOutControls();
  void Close();
  /// True while OK works or the close writes the command file.
  bool Busy() const;
  /// The rule's answer to a message sent to `target` (the dialog or a control) while busy,
  /// or nothing where AnsweredWhileBusyWhenSent leaves it to the window. A stop is
  /// recorded here.
  std::optional<BusyAnswer> AnswerSentWhileBusy(HWND target, UINT message, WPARAM wParam,
                                                LPARAM lParam);
  /// Looks at the queue during OK's pass; true when what was taken out asks to stop.
  bool TakeStopRequests();
  /// Waits `milliseconds`, answering what other programs send the dialog meanwhile.
  void PauseAnswering(std::uint32_t milliseconds);
  /// The dots per inch of `monitor` (the system's where Windows cannot tell).
  int MonitorDpi(HMONITOR monitor) const;
  /// Moves and sizes the dialog to `place`.
  void MoveTo(const ScreenRect& place);
  /// The same, kept inside the work area of `monitor`.
  void MoveInside(const ScreenRect& wanted, HMONITOR monitor);
  /// Keeps the dialog, at its size, inside the work area of the monitor it stands on most.
  void KeepOnItsMonitor();

  /// Functions of newer Windows than 7, looked up at run time; null where missing.
  struct DpiApi {
    DpiApi();
    UINT(WINAPI* GetDpiForWindow)(HWND) = nullptr;
    BOOL(WINAPI* AdjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
    BOOL(WINAPI* SetDialogDpiChangeBehavior)(HWND, int, int) = nullptr;
    HRESULT(WINAPI* GetDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
  };

  HINSTANCE instance_ = nullptr;
  HWND dialog_ = nullptr;
  std::array<HWND, kControlCount> controls_ = {};
  HWND checkBox1_ = nullptr;
  HWND button1_ = nullptr;
  HWND button2_ = nullptr;
  HWND labelA1_ = nullptr;
  DpiApi dpiApi_;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  DialogColours colours_ = {};
  HBRUSH backgroundBrush_ = nullptr;
  HBRUSH statusBrush_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  TForm1* form_ = nullptr;
  /// When the pass last looked at the queue (GetTickCount64).
  ULONGLONG lastLook_ = 0;
};

}  // namespace Unit1
