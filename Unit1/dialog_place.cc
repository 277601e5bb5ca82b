#include "Unit1/dialog_place.h"

#include <algorithm>

namespace Unit1 {

ScreenRect KeepInside(const ScreenRect& window, const ScreenRect& work) {
  const int width = window.Right - window.Left;
  const int height = window.Bottom - window.Top;
  const int left = std::max(std::min(window.Left, work.Right - width), work.Left);
  const int top = std::max(std::min(window.Top, work.Bottom - height), work.Top);
  return {left, top, left + width, top + height};
}

ScreenRect PlaceAtPointer(const std::optional<ScreenPoint>& pointer, const ScreenRect& window,
                          int above, const ScreenRect& work) {
  if (!pointer) return KeepInside(window, work);
  const int width = window.Right - window.Left;
  const int left = pointer->X - width / 2;
  const int top = pointer->Y - above;
  return KeepInside({left, top, left + width, top + (window.Bottom - window.Top)}, work);
}

}  // namespace Unit1
