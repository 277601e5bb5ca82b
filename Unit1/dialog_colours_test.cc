#include "Unit1/dialog_colours.h"

#include <gtest/gtest.h>

namespace Unit1 {
namespace {

TEST(ChooseDialogColours, EveryTextOnItsOwnPair) {
  const Colour white = RgbColour(255, 255, 255);
  const Colour black = RgbColour(0, 0, 0);
  const Colour yellow = RgbColour(255, 255, 0);
  const Colour navy = RgbColour(0, 0, 128);
  const struct {
    const char* what;
    bool highContrast;
    Colour windowText, window;
    DialogColours want;
  } cases[] = {
      {"usual scheme: the design's light grey status line", false, black, white,
       {white, RgbColour(231, 231, 231), black}},
      // White window text on the design's fixed white would vanish: the scheme's window
      // colour is the background, and the status line is lighter than it, not grey.
      {"custom scheme, white text on a dark window", false, white, RgbColour(32, 32, 32),
       {RgbColour(32, 32, 32), RgbColour(53, 53, 53), white}},
      // Each channel on its own, rounded to the nearest (blue 128 - 12.05 is 116).
      {"custom scheme, yellow text on navy", false, yellow, navy,
       {navy, RgbColour(24, 24, 116), yellow}},
      {"dark high contrast: no shade", true, white, black, {black, black, white}},
      {"coloured high contrast: no shade", true, yellow, black, {black, black, yellow}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChooseDialogColours(c.highContrast, c.windowText, c.window), c.want) << c.what;
  EXPECT_EQ(RgbColour(0x12, 0x34, 0x56), 0x563412u);  // Windows' own layout (COLORREF)
}

}  // namespace
}  // namespace Unit1
