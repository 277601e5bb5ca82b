// The Win32 dialog: the one window of rq27.exe, and the platform that the handlers run on.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "Unit1/platform.h"

namespace Unit1 {

class TForm1;

/// UTF-8 to UTF-16 for the Win32 API; invalid bytes become U+FFFD.
std::wstring WidenUtf8(std::string_view utf8);

/// Full path of the running executable; empty if Windows cannot tell.
std::filesystem::path OwnExecutablePath();

/// The dialog as designed: caption, fixed-pixel layout, font, colours and icon. It carries
/// the dialog's events to the handlers of TForm1 and implements what they need of it.
class Win32Dialog final : public Platform {
 public:
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
  bool EscapeKeyDown() override;
  ScreenPoint PointerPosition() override;
  int OuterWidth() override;
  void SetLeftTop(int left, int top) override;
  std::filesystem::path OwnFilePath() override;
  bool CheckBoxChecked() override;
  void CloseDialog() override;

 private:
  Win32Dialog() = default;
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Initialise(HWND dialog);
  void SetClientSize(int width, int height);
  void CreateControls();
  void Close();

  HINSTANCE instance_ = nullptr;
  HWND dialog_ = nullptr;
  HWND checkBox1_ = nullptr;
  HWND labelA1_ = nullptr;
  HFONT font_ = nullptr;
  HBRUSH statusBrush_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  TForm1* form_ = nullptr;
  bool closing_ = false;
};

}  // namespace Unit1
