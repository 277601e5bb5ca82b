#include "Unit1/zero_spacing.h"

#include "JwwGaibu/emitters.h"
#include "MyFunc/my_func.h"

namespace Unit1 {

namespace {
/// Length of the text field in the host's own records; a text of exactly this length may
/// end in half a character, which is trimmed away.
constexpr size_t kFullTextField = 255;

/// True when the pass trims `text` (a full field ending in half a character).
bool TrimsText(std::string_view text) {
  return text.size() == kFullTextField &&
         MyFunc::CopyWholeChars(text, 1, kFullTextField).Text.size() != text.size();
}

/// True when the pass changes the free size written for a text: a width or height that is
/// not positive takes text type 1's, a spacing becomes 0. Compared as written: 0 and -0
/// are written alike.
bool ChangesFreeSize(const JwwGaibu::TJwwTextType& type1, double width, double height,
                     double spacing, bool negativeOnly) {
  return (!(width > 0) && !(type1.Width == width)) ||
         (!(height > 0) && !(type1.Height == height)) ||
         (spacing != 0 && ZeroesSpacing(spacing, negativeOnly));
}

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
  const JwwGaibu::TJwwTextType& type1 = s.TextTypes[0];
  // The first-seen free size, which texts of an unknown type go back with (above).
  const bool firstFreeChanges = ChangesFreeSize(type1, s.FirstFreeWidth, s.FirstFreeHeight,
                                                s.FirstFreeSpacing, negativeOnly);
  SpacingPreview preview;
  s.TextTable.ForEach([&](const JwwGaibu::TJwwEntText& text) {
    // "hd" deletes every text handed over, but the write-back drops blank texts and texts
    // without a direction: what the pass does to them is never written.
    if (!JwwGaibu::TextIsWritten(text.Text, text.Dx, text.Dy)) {
      ++preview.Dropped;
      return;
    }
    const int32_t written = JwwGaibu::TextTypeWritten(s, text.TextType);
    bool changed = TrimsText(text.Text);
    if (written == 0) {
      changed = changed || (text.TextType == 0
                                ? ChangesFreeSize(type1, text.Width, text.Height, text.Spacing,
                                                  negativeOnly)
                                : firstFreeChanges);
    } else if (written >= 1 && written <= 10) {
      ++preview.OfTextTypes;
    }
    preview.Changed += changed;
  });
  // A dimension's text of an unknown type goes back with the first-seen free size too.
  if (firstFreeChanges) {
    s.DimTable.ForEach([&](const JwwGaibu::TJwwEntDim& dim) {
      const JwwGaibu::TJwwEntText& text = dim.Text;
      if (text.TextType != 0 && JwwGaibu::TextTypeWritten(s, text.TextType) == 0 &&
          JwwGaibu::DimIsWritten(dim.Line.X1, dim.Line.Y1, dim.Line.X2, dim.Line.Y2, text.Dx,
                                 text.Dy))
        ++preview.Changed;
    });
  }
  return preview;
}

}  // namespace Unit1
