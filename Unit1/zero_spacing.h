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

/// What OK will do to the selected texts, told before it is pressed; OK changes the
/// drawing only where `Changed()` is not 0. Each text is counted by what the write-back
/// writes for it after the pass (a dimension's text of an unknown type, which goes back
/// with the first-seen free size, among them).
struct SpacingPreview {
  std::size_t Zeroed = 0;   ///< texts whose spacing becomes 0
  /// Texts that the pass changes otherwise, their spacing kept: a width or height filled
  /// in from text type 1 (or a full text field trimmed to whole characters).
  std::size_t Resized = 0;
  std::size_t OfTextTypes = 0;  ///< texts of the host's text types 1 to 10, left as they are
  /// Texts that the write-back drops (blank, or without a direction): "hd" deletes them and
  /// nothing draws them anew.
  std::size_t Dropped = 0;

  /// Texts that the write-back writes otherwise after the pass.
  std::size_t Changed() const { return Zeroed + Resized; }
};

/// Counts what ZeroTextSpacing with `negativeOnly` changes of what the write-back writes,
/// going by the values each text is written back with.
SpacingPreview PreviewTextSpacing(const JwwGaibu::TJwwState& s, bool negativeOnly);

}  // namespace Unit1
