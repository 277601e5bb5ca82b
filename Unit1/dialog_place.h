// Where the dialog stands on the screen: the arithmetic, apart from the windowing system.
#pragma once

#include <optional>

namespace Unit1 {

struct ScreenPoint {
  int X = 0;
  int Y = 0;
};

/// A rectangle in screen coordinates; right and bottom lie just outside it.
struct ScreenRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  bool operator==(const ScreenRect&) const = default;
};

/// `window` moved just enough to lie within `work` (a monitor's work area: its screen less
/// the task bar), its size kept. A window larger than `work` keeps its top left inside, so
/// that its caption and the start of its lines stay within reach.
ScreenRect KeepInside(const ScreenRect& window, const ScreenRect& work);

/// The dialog, made at `window`, as it opens: centred across on `pointer` and `above`
/// pixels above it, or where it was made where the pointer is unknown; kept inside `work`.
ScreenRect PlaceAtPointer(const std::optional<ScreenPoint>& pointer, const ScreenRect& window,
                          int above, const ScreenRect& work);

}  // namespace Unit1
