#include "Unit1/zero_spacing.h"

#include <gtest/gtest.h>

#include <utility>

namespace Unit1 {
namespace {

using JwwGaibu::TJwwEntText;

struct ZeroCase {
  const char* what;
  int32_t type;
  double width, height, spacing;
  bool negativeOnly;
  double wantWidth, wantHeight, wantSpacing;
};

TEST(ZeroTextSpacing, SizesAndSpacing) {
  const ZeroCase cases[] = {
      {"default size, spacing zeroed", 0, 0, -2, 0.5, false, 3, 3, 0},
      {"negative-only keeps a positive spacing", 0, 0, -2, 0.5, true, 3, 3, 0.5},
      {"negative-only zeroes a negative spacing", 0, 4, 4, -0.3, true, 4, 4, 0},
      {"negative-only keeps zero", 0, 4, 4, 0, true, 4, 4, 0},
      {"own size kept", 0, 4, 4, 1, false, 4, 4, 0},
      {"tiny positive size is kept (no tolerance)", 0, 1e-300, 1e-300, 1e-300, true, 1e-300,
       1e-300, 1e-300},
      {"text type 3 untouched", 3, 0, 0, -1, false, 0, 0, -1},
      {"text type 11 untouched", 11, 0, 0, -1, false, 0, 0, -1},
  };
  for (const auto& c : cases) {
    JwwGaibu::TJwwState s;
    JwwGaibu::ResetModel(s);
    TJwwEntText& t = s.TextTable.Append();
    t.TextType = c.type, t.Width = c.width, t.Height = c.height, t.Spacing = c.spacing;
    ZeroTextSpacing(s, c.negativeOnly);
    EXPECT_EQ(t.Width, c.wantWidth) << c.what;
    EXPECT_EQ(t.Height, c.wantHeight) << c.what;
    EXPECT_EQ(t.Spacing, c.wantSpacing) << c.what;
  }
}

TEST(ZeroTextSpacing, UsesTextTypeOnesSize) {
  JwwGaibu::TJwwState s;
  JwwGaibu::ResetModel(s);
  s.TextTypes[0].Width = 5;
  s.TextTypes[0].Height = 6;
  s.TextTable.Append();  // type 0, size 0
  ZeroTextSpacing(s, false);
  EXPECT_EQ(s.TextTable[0].Width, 5);
  EXPECT_EQ(s.TextTable[0].Height, 6);
}

TEST(ZeroTextSpacing, TrimsAFull255ByteTextToWholeCharacters) {
  const std::string kanji = "\x8A\xBF";  // one two-byte character
  std::string pairs;
  for (int i = 0; i < 127; ++i) pairs += kanji;
  const struct {
    const char* what;
    std::string text;
    std::string want;
  } cases[] = {
      {"cut lead byte dropped", pairs + "\x8A", pairs},
      {"ends on a whole character", "a" + pairs, "a" + pairs},
      {"254 bytes are not trimmed", pairs.substr(2) + "a\x8A", pairs.substr(2) + "a\x8A"},
      {"single bytes only", std::string(255, 'z'), std::string(255, 'z')},
      {"longer texts are whole and left alone", pairs + pairs, pairs + pairs},
  };
  for (const auto& c : cases) {
    JwwGaibu::TJwwState s;
    JwwGaibu::ResetModel(s);
    TJwwEntText& t = s.TextTable.Append();
    t.TextType = 5;
    t.Text = c.text;
    ZeroTextSpacing(s, false);
    EXPECT_EQ(t.Text, c.want) << c.what;
  }
}

// Texts of an unknown type go back as the first-seen type, with the first-seen free size
// when that is 0; that size must leave with the same spacing rule as every free-size text.
TEST(ZeroTextSpacing, FirstSeenFreeSizeFollowsTheSameRules) {
  const ZeroCase cases[] = {
      {"spacing zeroed, size from type 1", 0, 0, -1, 0.7, false, 3, 3, 0},
      {"negative-only keeps a positive spacing", 0, 5, 6, 0.7, true, 5, 6, 0.7},
      {"negative-only zeroes a negative spacing", 0, 5, 6, -0.7, true, 5, 6, 0},
  };
  for (const auto& c : cases) {
    JwwGaibu::TJwwState s;
    JwwGaibu::ResetModel(s);
    s.FirstFreeWidth = c.width, s.FirstFreeHeight = c.height, s.FirstFreeSpacing = c.spacing;
    ZeroTextSpacing(s, c.negativeOnly);
    EXPECT_EQ(s.FirstFreeWidth, c.wantWidth) << c.what;
    EXPECT_EQ(s.FirstFreeHeight, c.wantHeight) << c.what;
    EXPECT_EQ(s.FirstFreeSpacing, c.wantSpacing) << c.what;
  }
}

// The count shown before OK is what the pass then changes of what is written back:
// free-size texts of positive, negative and zero spacing, a width or height filled in, a
// text trimmed to whole characters, beside texts of text types and texts the write-back
// drops, in both modes. A text whose spacing becomes 0 counts as zeroed even where its
// size is mended too; one whose size alone is mended counts apart.
TEST(PreviewTextSpacing, CountsWhatThePassChanges) {
  const std::string trimmed = std::string(254, 'a') + "\x82";  // ends in half a character
  const struct {
    int32_t type;
    double width, spacing;
    std::string text;
    double dx;
  } texts[] = {{0, 4, 0.5, "a", 1},    {0, 4, -0.3, "a", 1}, {0, 4, 0, "a", 1},
               {0, 4, 2, "a", 1},      {0, 4, -1e-300, "a", 1}, {3, 4, -1, "a", 1},
               {10, 4, 0.5, "a", 1},   {1, 4, 0, "a", 1},    {0, 0, 0.5, "a", 1},
               {0, -2, 0, "a", 1},     {0, 3, 0, "a", 1},    {0, 4, 0, trimmed, 1},
               {0, 0, 0.5, " ", 1},    {0, 0, 0.5, "a", 0}};
  const struct {
    bool negativeOnly;
    size_t wantZeroed, wantResized;
  } modes[] = {{false, 5, 2}, {true, 2, 3}};
  for (const auto& mode : modes) {
    JwwGaibu::TJwwState s;
    JwwGaibu::ResetModel(s);
    for (const auto& t : texts) {
      TJwwEntText& text = s.TextTable.Append();
      text.TextType = t.type, text.Width = t.width, text.Height = 4, text.Spacing = t.spacing;
      text.Text = t.text, text.Dx = t.dx;
    }
    const SpacingPreview preview = PreviewTextSpacing(s, mode.negativeOnly);
    EXPECT_EQ(preview.Zeroed, mode.wantZeroed) << mode.negativeOnly;
    EXPECT_EQ(preview.Resized, mode.wantResized) << mode.negativeOnly;
    EXPECT_EQ(preview.OfTextTypes, 3u) << mode.negativeOnly;
    EXPECT_EQ(preview.Dropped, 2u) << mode.negativeOnly;
    ZeroTextSpacing(s, mode.negativeOnly);
    size_t changed = 0;
    for (int32_t i = 0; i < s.TextTable.Count() - 2; ++i) {
      const TJwwEntText& text = s.TextTable[i];
      changed += text.Spacing != texts[i].spacing || text.Width != texts[i].width ||
                 text.Text != texts[i].text;
    }
    EXPECT_EQ(changed, preview.Changed()) << mode.negativeOnly;
  }
}

// A text of a type outside 0 to 10 goes back as the first-seen type: counted with the
// free-size texts (by the first-seen size) or with the text types accordingly. So does a
// dimension's text of such a type, where the dimension is written; a dimension's text of
// type 0 keeps its own size, which the pass leaves alone.
TEST(PreviewTextSpacing, UnknownTypesCountAsTheyAreWrittenBack) {
  const struct {
    const char* what;
    int32_t firstType;
    double firstSize, firstSpacing;
    bool negativeOnly;
    size_t wantZeroed, wantResized, wantOfTextTypes;
  } cases[] = {
      {"first seen free size, spacing zeroed", 0, 2, 0.7, false, 3, 0, 0},
      {"first seen free size, spacing 0", 0, 2, 0, false, 0, 0, 0},
      {"first seen free size, positive kept", 0, 2, 0.7, true, 0, 0, 0},
      {"first seen free size 0, spacing zeroed", 0, 0, 0.7, false, 3, 0, 0},
      {"first seen free size 0, positive kept: size mended", 0, 0, 0.7, true, 0, 3, 0},
      {"first seen text type", 4, 2, 0.7, false, 0, 0, 2},
  };
  for (const auto& c : cases) {
    JwwGaibu::TJwwState s;
    JwwGaibu::ResetModel(s);
    s.FirstTextType = c.firstType, s.FirstFreeSpacing = c.firstSpacing;
    s.FirstFreeWidth = s.FirstFreeHeight = c.firstSize;
    for (const int32_t type : {11, -1}) {
      TJwwEntText& text = s.TextTable.Append();
      text.TextType = type, text.Text.assign(1, 'a'), text.Dx = 1;
    }
    // Dimensions of text type 11, of type 0, and of type 11 but no length (not written).
    for (const auto& [type, length] : {std::pair{11, 5.0}, {0, 5.0}, {11, 0.0}}) {
      JwwGaibu::TJwwEntDim& dim = s.DimTable.Append();
      dim.Text.TextType = type, dim.Line.X2 = length, dim.Text.Dx = 1;
    }
    const SpacingPreview preview = PreviewTextSpacing(s, c.negativeOnly);
    EXPECT_EQ(preview.Zeroed, c.wantZeroed) << c.what;
    EXPECT_EQ(preview.Resized, c.wantResized) << c.what;
    EXPECT_EQ(preview.OfTextTypes, c.wantOfTextTypes) << c.what;
  }
}

}  // namespace
}  // namespace Unit1
