#include "Unit1/dialog_place.h"

#include <gtest/gtest.h>

namespace Unit1 {
namespace {

// The dialog at 150 % (709 by 506) opened at the pointer on one monitor of two: a 150 %
// laptop at the origin and a 100 % monitor to its left, whose coordinates are negative.
TEST(PlaceAtPointer, OpensWhollyOnThePointersMonitor) {
  const ScreenRect laptop{0, 0, 1920, 1040};     // less a task bar of 40
  const ScreenRect left{-1920, 0, 0, 1080};
  const struct {
    const char* what;
    int x, y;
    ScreenRect work, want;
  } cases[] = {
      {"well inside", 960, 300, laptop, {606, 294, 1315, 800}},
      {"at the left edge, not onto the monitor beside it", 10, 300, laptop, {0, 294, 709, 800}},
      {"at the right edge of the left monitor", -5, 300, left, {-709, 294, 0, 800}},
      {"above the task bar", 960, 1030, laptop, {606, 534, 1315, 1040}},
      {"at the top", 960, 2, laptop, {606, 0, 1315, 506}},
      {"larger than the work area: top left inside", 100, 100, {0, 0, 640, 440},
       {0, 0, 709, 506}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PlaceAtPointer(c.x, c.y, 709, 506, 6, c.work), c.want) << c.what;
}

// After a change of scale the dialog has its new size where Windows put it: what hangs
// over the work area's edge comes back, the size stays.
TEST(KeepInside, MovesBackWhatHangsOver) {
  const ScreenRect work{-1920, 0, 0, 1080};
  EXPECT_EQ(KeepInside({-300, 700, 173, 1037}, work), (ScreenRect{-473, 700, 0, 1037}));
  EXPECT_EQ(KeepInside({-1000, 100, -527, 437}, work), (ScreenRect{-1000, 100, -527, 437}));
}

}  // namespace
}  // namespace Unit1
