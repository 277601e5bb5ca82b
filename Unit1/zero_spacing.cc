#include "Unit1/zero_spacing.h"

#include "JwwGaibu/emitters.h"
#include "MyFunc/my_func.h"

namespace Unit1 {

namespace {
/// Length of the text field in the host's own records; a text of exactly this length may
/// end in half a character, which is trimmed away.
constexpr size_t kFullTextField = 255;

/// True when the pass trims `text` (a full field ending in half a character). The reader
/// already keeps every text to whole characters, so for a model it read this never holds;
/// it guards a text put into the model otherwise, which the pass trims all the same.
bool TrimsText(std::string_view text) {
  return text.size() == kFullTextField &&
         MyFunc::CopyWholeChars(text, 1, kFullTextField).Text.size() != text.size();
}

enum class Change { kNone, kResized, kZeroed };

/// What the pass changes of the free size written for a text: a spacing that becomes 0, or
/// else a width or height that is not positive and takes text type 1's. Compared as
/// written: 0 and -0 are written alike.
Change FreeSizeChange(const JwwGaibu::TJwwTextType& type1, double width, double height,
                      double spacing, bool negativeOnly) {
  if (spacing != 0 && ZeroesSpacing(spacing, negativeOnly)) return Change::kZeroed;
  if ((!(width > 0) && !(type1.Width == width)) || (!(height > 0) && !(type1.Height == height)))
    return Change::kResized;
  return Change::kNone;
}

void Count(SpacingPreview& preview, Change change) {
  if (change == Change::kZeroed) ++preview.Zeroed;
  if (change == Change::kResized) ++preview.Resized;
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
  const Change firstFreeChange = FreeSizeChange(type1, s.FirstFreeWidth, s.FirstFreeHeight,
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
    Change change = Change::kNone;
    if (written == 0) {
      change = text.TextType == 0 ? FreeSizeChange(type1, text.Width, text.Height, text.Spacing,
                                                   negativeOnly)
                                  : firstFreeChange;
    } else if (written >= 1 && written <= 10) {
      ++preview.OfTextTypes;
    }
    if (change == Change::kNone && TrimsText(text.Text)) change = Change::kResized;
    Count(preview, change);
  });
  // A dimension's text of an unknown type goes back with the first-seen free size too.
  if (firstFreeChange != Change::kNone) {
    s.DimTable.ForEach([&](const JwwGaibu::TJwwEntDim& dim) {
      const JwwGaibu::TJwwEntText& text = dim.Text;
      if (text.TextType != 0 && JwwGaibu::TextTypeWritten(s, text.TextType) == 0 &&
          JwwGaibu::DimIsWritten(dim.Line.X1, dim.Line.Y1, dim.Line.X2, dim.Line.Y2, text.Dx,
                                 text.Dy))
        Count(preview, firstFreeChange);
    });
  }
  return preview;
}

}  // namespace Unit1
