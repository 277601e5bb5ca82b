// The one change the program makes to the drawing.
#pragma once

#include "JwwGaibu/model.h"

namespace Unit1 {

/// Sets the spacing of every free-size text to 0 (negative-only: of those whose spacing is
/// not positive), gives them text type 1's width or height where theirs is not positive,
/// and trims a text of exactly 255 bytes to whole characters.
void ZeroTextSpacing(JwwGaibu::TJwwState& s, bool negativeOnly);

}  // namespace Unit1
