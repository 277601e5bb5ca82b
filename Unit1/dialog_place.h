// Where the dialog stands on the screen: the arithmetic, apart from the windowing system.
#pragma once

namespace Unit1 {

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

/// The dialog of `width` by `height` as it opens at `pointerX`, `pointerY`: centred on the
/// pointer across and `above` pixels above it, then kept inside `work`.
ScreenRect PlaceAtPointer(int pointerX, int pointerY, int width, int height, int above,
                          const ScreenRect& work);

}  // namespace Unit1
