// What the dialog's handlers need of the windowing platform, and nothing more. The Win32
// dialog and the console front end each implement it; tests use a fake.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "JwwGaibu/write_back.h"
#include "Unit1/dialog_place.h"

namespace Unit1 {

/// The status line (its text, and StopRequested: whether the user asked to stop since the
/// last look) and the rest of the dialog.
class Platform : public JwwGaibu::ProgressLabel {
 public:
  /// The mouse pointer's position in screen coordinates; none where it cannot be read.
  virtual std::optional<ScreenPoint> PointerPosition() = 0;
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
  /// OK's work begins: the controls that can do nothing more show so.
  virtual void BeginWork() {}
  /// The write-back has ended: nothing can be stopped any more, and every control shows so.
  virtual void EndWork() {}
  /// The pause of the close between two attempts on a file that another program holds;
  /// empty: the thread sleeps. A window answers what other programs send it throughout.
  virtual std::function<void(std::uint32_t milliseconds)> WaitingPause() { return {}; }
};

}  // namespace Unit1
