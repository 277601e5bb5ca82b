// The one change the program makes to the drawing.
#pragma once

#include <cstddef>

#include "JwwGaibu/model.h"

namespace Unit1 {

/// Sets the spacing of every free-size text to 0 (negative-only: of those whose spacing is
/// not positive), gives them text type 1's width or height where theirs is not positive,
/// and trims a text of exactly 255 bytes to whole characters.
void ZeroTextSpacing(JwwGaibu::TJwwState& s, bool negativeOnly);

/// True when ZeroTextSpacing sets a free-size spacing of `spacing` to 0.
inline bool ZeroesSpacing(double spacing, bool negativeOnly) {
  return !negativeOnly || !(spacing > 0);
}

/// What OK will do to the spacing of the selected texts, told before it is pressed.
struct SpacingPreview {
  std::size_t ToZero = 0;       ///< free-size texts whose spacing is not 0 and becomes 0
  std::size_t OfTextTypes = 0;  ///< texts of the host's text types 1 to 10, left as they are
};

/// Counts what ZeroTextSpacing with `negativeOnly` will change, going by the spacing each
/// text is written back with; texts that the write-back drops are not counted.
SpacingPreview PreviewTextSpacing(const JwwGaibu::TJwwState& s, bool negativeOnly);

}  // namespace Unit1
