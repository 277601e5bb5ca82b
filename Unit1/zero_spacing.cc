#include "Unit1/zero_spacing.h"

#include "JwwGaibu/emitters.h"
#include "MyFunc/my_func.h"

namespace Unit1 {

namespace {
/// Length of the text field in the host's own records; a text of exactly this length may
/// end in half a character, which is trimmed away.
constexpr size_t kFullTextField = 255;
}  // namespace

void ZeroTextSpacing(JwwGaibu::TJwwState& s, bool negativeOnly) {
  const JwwGaibu::TJwwTextType& type1 = s.TextTypes[0];
  s.TextTable.ForEach([&](JwwGaibu::TJwwEntText& text) {
    if (text.TextType == 0) {
      if (!(text.Width > 0)) text.Width = type1.Width;
      if (!(text.Height > 0)) text.Height = type1.Height;
      if (ZeroesSpacing(text.Spacing, negativeOnly)) text.Spacing = 0;
    }
    if (text.Text.size() == kFullTextField)
      text.Text = MyFunc::CopyWholeChars(text.Text, 1, kFullTextField).Text;
  });
  // A text of a type outside 0 to 10 is written back with the first-seen text type, and
  // with the first-seen free size when that type is 0. That size gets the same treatment,
  // or such a text would reach the host with the very spacing this pass removes.
  if (!(s.FirstFreeWidth > 0)) s.FirstFreeWidth = type1.Width;
  if (!(s.FirstFreeHeight > 0)) s.FirstFreeHeight = type1.Height;
  if (ZeroesSpacing(s.FirstFreeSpacing, negativeOnly)) s.FirstFreeSpacing = 0;
}

SpacingPreview PreviewTextSpacing(const JwwGaibu::TJwwState& s, bool negativeOnly) {
  SpacingPreview preview;
  s.TextTable.ForEach([&](const JwwGaibu::TJwwEntText& text) {
    // "hd" deletes every text handed over, but the write-back drops blank texts and texts
    // without a direction: those change nothing that OK could promise.
    if (!JwwGaibu::TextIsWritten(text.Text, text.Dx, text.Dy)) return;
    const int32_t written = JwwGaibu::TextTypeWritten(s, text.TextType);
    if (written == 0) {
      // A text of an unknown type goes back with the first-seen free size (above).
      const double spacing = text.TextType == 0 ? text.Spacing : s.FirstFreeSpacing;
      if (spacing != 0 && ZeroesSpacing(spacing, negativeOnly)) ++preview.ToZero;
    } else if (written >= 1 && written <= 10) {
      ++preview.OfTextTypes;
    }
  });
  return preview;
}

}  // namespace Unit1
