// The colours the dialog paints with, taken from the system's colour scheme.
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

/// The scheme's `windowText` on its `window` for the whole dialog, so that every text is
/// drawn on the background of its own pair whatever the scheme. The status line stands
/// out a little: its background is `window` moved 24/255 of the way toward `windowText`
/// (the design's light grey on white), except under high contrast, which takes `window`.
DialogColours ChooseDialogColours(bool highContrast, Colour windowText, Colour window);

}  // namespace Unit1
