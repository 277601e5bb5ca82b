// The colours the dialog paints with: as designed, or the theme's under high contrast.
#pragma once

#include <cstdint>

namespace Unit1 {

/// A colour laid out as 0x00BBGGRR, as Windows keeps it.
using Colour = std::uint32_t;

/// The colour of red, green and blue 0 to 255 each.
constexpr Colour RgbColour(int red, int green, int blue) {
  return static_cast<Colour>(red) | static_cast<Colour>(green) << 8 |
         static_cast<Colour>(blue) << 16;
}

/// The dialog's background (its labels, check box and buttons), the status line's own
/// background, and the text colour of both.
struct DialogColours {
  Colour Background;
  Colour StatusBackground;
  Colour Text;

  bool operator==(const DialogColours&) const = default;
};

/// The design's white background and light grey status line with `windowText`; while
/// high contrast is on, the theme's `window` and `windowText` for every part instead, so
/// that the text stays readable under a dark theme (white window text).
DialogColours ChooseDialogColours(bool highContrast, Colour windowText, Colour window);

}  // namespace Unit1
