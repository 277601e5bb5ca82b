// What the dialog's handlers need of the windowing platform, and nothing more. The Win32
// dialog and the console front end each implement it; tests use a fake.
#pragma once

#include <filesystem>
#include <string_view>

#include "JwwGaibu/write_back.h"

namespace Unit1 {

struct ScreenPoint {
  int X = 0;
  int Y = 0;
};

/// The status line (text and Escape poll, via ProgressLabel) and the rest of the dialog.
class Platform : public JwwGaibu::ProgressLabel {
 public:
  /// The mouse pointer's position in screen coordinates.
  virtual ScreenPoint PointerPosition() = 0;
  /// The dialog's full width including its frame.
  virtual int OuterWidth() = 0;
  /// A length of the dialog's design (drawn at 96 dots per inch) in the screen's pixels.
  virtual int ScaledPixels(int designPixels) { return designPixels; }
  /// Moves the dialog's outer top-left corner there; a platform with a screen may move it
  /// less far, just enough to keep the whole dialog on the screen.
  virtual void SetLeftTop(int left, int top) = 0;
  /// Full path of the program's own executable.
  virtual std::filesystem::path OwnFilePath() = 0;
  /// State of the negative-only check box.
  virtual bool CheckBoxChecked() = 0;
  /// Starts closing the dialog; FormClose runs before the window goes.
  virtual void CloseDialog() = 0;
  /// OK's work begins: from now on a request to close or cancel only stops it
  /// (StopRequested, which a dialog also answers with true after Cancel, its close box or
  /// Alt+N), and the controls that can do nothing more show so.
  virtual void BeginWork() {}
  /// The write-back has ended: nothing can be stopped any more, and every control shows so.
  virtual void EndWork() {}
  /// Called while the close waits for a file that another program holds: a window handles
  /// what other programs sent it meanwhile, so that it is not taken for hung.
  virtual void KeepResponsive() {}
};

}  // namespace Unit1
