#include "Unit1/dialog_colours.h"

#include <gtest/gtest.h>

namespace Unit1 {
namespace {

TEST(ChooseDialogColours, DesignOrTheTheme) {
  const Colour white = RgbColour(255, 255, 255);
  const Colour black = RgbColour(0, 0, 0);
  const Colour grey = RgbColour(231, 231, 231);
  const Colour yellow = RgbColour(255, 255, 0);
  const struct {
    const char* what;
    bool highContrast;
    Colour windowText, window;
    DialogColours want;
  } cases[] = {
      {"usual theme: the design", false, black, yellow, {white, grey, black}},
      // White window text would vanish on the design's white: the theme paints all.
      {"dark high contrast", true, white, black, {black, black, white}},
      {"coloured high contrast", true, yellow, black, {black, black, yellow}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChooseDialogColours(c.highContrast, c.windowText, c.window), c.want) << c.what;
  EXPECT_EQ(RgbColour(0x12, 0x34, 0x56), 0x563412u);  // Windows' own layout (COLORREF)
}

}  // namespace
}  // namespace Unit1
