#include "Unit1/zero_spacing.h"

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
      if (!negativeOnly || !(text.Spacing > 0)) text.Spacing = 0;
    }
    if (text.Text.size() == kFullTextField)
      text.Text = MyFunc::CopyWholeChars(text.Text, 1, kFullTextField).Text;
  });
}

}  // namespace Unit1
